/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "TreeSnapshot.h"

TreeSnapshot::Contents TreeSnapshot::take (const juce::File& root)
{
    Contents contents;

    if (root.existsAsFile())
    {
        contents[root.getFileName()] = root.loadFileAsString();
        return contents;
    }

    for (const auto& entry : juce::RangedDirectoryIterator (root, true, "*", juce::File::findFilesAndDirectories,
                                                            juce::File::FollowSymlinks::no))
    {
        const auto& file = entry.getFile();
        const auto path = file.getRelativePathFrom (root);

        if (file.isSymbolicLink())
            contents[path] = "<link to " + file.getLinkedTarget().getFullPathName() + ">";
        else if (entry.isDirectory())
            contents[path] = "<folder>";
        else
            contents[path] = file.loadFileAsString();
    }

    return contents;
}
