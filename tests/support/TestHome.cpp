/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "TestHome.h"

#include <cstdlib>
#include <string>

juce::File TestHome::createUniqueFolder (const juce::String& prefix)
{
    // Tests run in parallel processes: the folder must be made atomically, or two
    // of them could pick the same free name.
    auto pattern = juce::File::getSpecialLocation (juce::File::tempDirectory)
                       .getChildFile (prefix + "-XXXXXX").getFullPathName().toStdString();

    if (mkdtemp (pattern.data()) == nullptr)
        return {};

    return juce::File (pattern);
}

TestHome::TestHome()
    : folder (createUniqueFolder ("quillon-home")),
      previousHome (juce::SystemStats::getEnvironmentVariable ("HOME", {}))
{
    jassert (folder.isDirectory());
    setenv ("HOME", folder.getFullPathName().toRawUTF8(), 1);
    folder.getChildFile ("Desktop").createDirectory();
}

TestHome::~TestHome()
{
    setenv ("HOME", previousHome.toRawUTF8(), 1);
    folder.deleteRecursively();
}

juce::File TestHome::operator[] (const juce::String& relativePath) const
{
    return folder.getChildFile (relativePath);
}

juce::File TestHome::writeFile (const juce::String& relativePath, const juce::String& text) const
{
    auto file = folder.getChildFile (relativePath);
    file.getParentDirectory().createDirectory();
    file.replaceWithText (text, false, false, "\n");
    return file;
}
