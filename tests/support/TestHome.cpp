/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "TestHome.h"

#include <cstdlib>

TestHome::TestHome()
    : folder (juce::File::getSpecialLocation (juce::File::tempDirectory)
                  .getNonexistentChildFile ("quillon-home", {}, false)),
      previousHome (juce::SystemStats::getEnvironmentVariable ("HOME", {}))
{
    folder.createDirectory();
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
