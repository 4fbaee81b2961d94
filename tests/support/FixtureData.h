/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#pragma once

#include <juce_core/juce_core.h>

//==============================================================================
/** Reproducible file contents for the archive tests. */
class FixtureData final
{
public:
    /** Log-like lines, long enough that each deflate level gives its own length. */
    static juce::String logText (int lines, int seed = 1);

    /** Bytes that do not compress. */
    static juce::MemoryBlock randomBytes (size_t size, int seed = 1);

    /** The names directly in a folder, sorted. */
    static juce::StringArray namesIn (const juce::File& folder);

private:
    FixtureData() = delete;
};
