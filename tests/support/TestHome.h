/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#pragma once

#include <juce_core/juce_core.h>

//==============================================================================
/**
    A temporary home folder for one test: HOME points at it while the object lives,
    and it is deleted afterwards. Nothing a test does reaches the real home folder.
*/
class TestHome final
{
public:
    /** Creates the folder and points HOME at it. */
    TestHome();

    /** Restores HOME and deletes the folder with everything in it. */
    ~TestHome();

    /** The folder standing in for the home folder. */
    const juce::File& getFolder() const noexcept    { return folder; }

    /** A file or folder below the home folder, such as "Library/Logs/Kestrava". */
    juce::File operator[] (const juce::String& relativePath) const;

    /** Writes a text file below the home folder, creating its folders. */
    juce::File writeFile (const juce::String& relativePath, const juce::String& text) const;

private:
    juce::File folder;
    juce::String previousHome;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TestHome)
};
