/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "FixtureData.h"

juce::String FixtureData::logText (int lines, int seed)
{
    const char* const events[] { "start", "stop", "sync", "drop", "frame" };
    juce::Random random (seed);
    juce::MemoryOutputStream text;

    for (int i = 0; i < lines; ++i)
        text << "2026-01-02 10:" << juce::String (i / 60 % 60).paddedLeft ('0', 2)
             << ":" << juce::String (i % 60).paddedLeft ('0', 2)
             << " [Kestrava] session " << random.nextInt (100) << " event " << events[random.nextInt (5)]
             << " value " << random.nextInt (100000) << "\n";

    return text.toString();
}

juce::MemoryBlock FixtureData::randomBytes (size_t size, int seed)
{
    juce::MemoryBlock block (size);
    juce::Random (seed).fillBitsRandomly (block.getData(), size);
    return block;
}

juce::StringArray FixtureData::namesIn (const juce::File& folder)
{
    juce::StringArray names;

    for (const auto& entry : juce::RangedDirectoryIterator (folder, false, "*", juce::File::findFilesAndDirectories))
        names.add (entry.getFile().getFileName());

    names.sort (false);
    return names;
}
