/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#pragma once

#include <juce_core/juce_core.h>

#include <memory>
#include <string>
#include <vector>

//==============================================================================
/**
    Writes a zip archive so that it either appears whole under its name or not at
    all: the archive is built in a hidden file beside its destination and only then
    moved into place. Entries are added one by one, from files the caller opens.

    Entries are deflated straight from their files into the archive, so memory use
    does not grow with their size (JUCE's ZipFile::Builder holds each compressed
    entry in memory, and cannot recover when that allocation fails). Every write is
    checked, so a full disk or a file-size limit ends the run as a failed one.
*/
class ZipArchiveWriter final
{
public:
    /** Deletes any earlier file of the archive's name in the folder (an open descriptor,
        which must stay open), then starts the new archive in a hidden temporary file
        beside it, unless the entries announced would need Zip64 records, which are not
        written: too many entries, or one too large. Such an archive is refused before a
        byte of it is read.
    */
    ZipArchiveWriter (int folder, const std::string& archiveName, size_t numEntries, juce::int64 largestEntry);

    /** Removes the temporary file unless the archive was completed. */
    ~ZipArchiveWriter();

    /** Deflates the next entry at level 5 from an open regular file, read from its
        current position and no further than length, even if the file has grown; it is
        stored under storedPath, dated modified in local time. Returns false on any
        failure, after which the archive can no longer be completed.
    */
    bool add (int file, const std::string& storedPath, juce::int64 length, juce::Time modified);

    /** Writes the central directory and moves the archive under its name. Returns true
        when the complete archive stands there; on any failure nothing does.
    */
    bool complete();

    /** The most entries an archive can hold without Zip64 records. */
    static constexpr juce::int64 maxEntries = 0xfffe;

    /** The deflate level of every entry. */
    static constexpr int compressionLevel = 5;

private:
    struct Partial;

    const int folderFd;
    const std::string archiveName;
    std::string partialName;
    std::unique_ptr<Partial> partial;      // while the archive can still be completed
    bool completed = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ZipArchiveWriter)
};
