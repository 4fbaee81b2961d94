/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "TestHome.h"

#include <cstdlib>
#include <filesystem>

TestHome::TestHome()
    : previousHome (juce::SystemStats::getEnvironmentVariable ("HOME", {}))
{
    // Tests run in parallel processes: the folder must be made atomically, or two
    // of them could pick the same free name.
    char pattern[] = "/tmp/quillon-home-XXXXXX";
    folder = juce::File (mkdtemp (pattern));
    setenv ("HOME", folder.getFullPathName().toRawUTF8(), 1);
    folder.getChildFile ("Desktop").createDirectory();
}

TestHome::~TestHome()
{
    setenv ("HOME", previousHome.toRawUTF8(), 1);
    // JUCE's own deletion lists names in a way that names which are not UTF-8 break.
    std::filesystem::remove_all (folder.getFullPathName().toStdString());
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
