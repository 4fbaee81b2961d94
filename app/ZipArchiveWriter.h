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
    all: the archive is built in a hidden file beside its destination and only then
    moved into place.

    Entries are deflated straight from their files into the archive, so memory use
    does not grow with their size (JUCE's ZipFile::Builder holds each compressed
    entry in memory, and cannot recover when that allocation fails). Every write is
    checked, so a full disk or a file-size limit ends the run as a failed one.
*/
class ZipArchiveWriter final
{
public:
    /** One file to store. */
    struct Entry
    {
        juce::File file;
        juce::String storedPath;    /**< Empty: the file's own name. */
        juce::int64 length = 0;     /**< Read no further than this, even if the file has grown. */
        juce::Time modified;        /**< Stored as the entry's date, in local time. */
    };

    /** Deletes any earlier file of the archive's name, then writes the entries in
        order, deflated at level 5. Returns true when the complete archive stands
        under its name; on any failure, running out of memory included, nothing is
        left under that name and no temporary file remains. Without Zip64 records,
        what needs them (too many entries, an entry or archive too large) is refused.
    */
    static bool write (const std::vector<Entry>& entries, const juce::File& archive);

    /** The deflate level of every entry. */
    static constexpr int compressionLevel = 5;

private:
    ZipArchiveWriter() = delete;
};
