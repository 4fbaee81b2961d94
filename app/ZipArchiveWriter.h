/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#pragma once

#include <juce_core/juce_core.h>

#include <vector>

//==============================================================================
/**
    Writes a zip archive so that it either appears whole under its name or not at
    all: the archive is built in a hidden file beside its destination, flushed and
    checked, and only then moved into place.
*/
class ZipArchiveWriter final
{
public:
    /** One file to store, and the path it is stored under (empty: its own name). */
    struct Entry
    {
        juce::File file;
        juce::String storedPath;
    };

    /** Deletes any earlier file of the archive's name, then writes the entries in
        order, deflated at level 5. Returns true when the complete archive stands
        under its name; on any failure nothing is left under that name and no
        temporary file remains. JUCE's zip writer has no Zip64 records, so what
        needs them (too many entries, an entry or archive too large) is refused.
    */
    static bool write (const std::vector<Entry>& entries, const juce::File& archive);

    /** The buffer size of the archive's output stream. */
    static constexpr int streamBufferSize = 16384;

    /** The deflate level of every entry. */
    static constexpr int compressionLevel = 5;

private:
    ZipArchiveWriter() = delete;
};
