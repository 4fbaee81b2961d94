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
    Puts a stand-in "xdg-open" first on PATH while the object lives. Each call is
    recorded with the folder it was asked to show and, at that very moment, whether
    each zip archive in that folder was complete ("complete NAME", "broken NAME", or
    "gone NAME" when it was deleted before it could be read).
*/
class RevealRecorder final
{
public:
    /** Writes the stand-in and puts its folder first on PATH. */
    RevealRecorder();

    /** Restores PATH and deletes the stand-in with its records. */
    ~RevealRecorder();

    /** The records made so far, each a few lines of text, oldest first. */
    juce::StringArray getRecords() const;

    /** Waits, at most the given time, until there are at least this many records. */
    juce::StringArray waitForRecords (int count, int timeoutMs = 30000) const;

    /** The PATH value that finds the stand-in first, for child processes. */
    const juce::String& getPath() const noexcept       { return path; }

private:
    juce::File folder, records;
    juce::String previousPath, path;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (RevealRecorder)
};
