/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "ZipArchiveWriter.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace
{
    // Creates an empty file that did not exist before, so that no other writer
    // (another copy of the program, say) shares it.
    juce::File createTemporarySibling (const juce::File& archive)
    {
        for (int attempt = 0; attempt < 100; ++attempt)
        {
            const auto suffix = juce::String::toHexString (juce::Random::getSystemRandom().nextInt64());
            const auto candidate = archive.getSiblingFile ("." + archive.getFileName() + "-" + suffix + ".partial");
            const auto fd = ::open (candidate.getFullPathName().toRawUTF8(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);

            if (fd >= 0)
            {
                ::close (fd);
                return candidate;
            }

            if (errno != EEXIST)
                break;
        }

        return {};
    }

    // Without Zip64 a count, size or offset must fit below the 16- and 32-bit fields'
    // all-ones values, which readers take as "see the Zip64 record".
    constexpr juce::int64 maxEntries = 0xfffe;
    constexpr juce::int64 maxSize    = 0xfffffffe;

    bool fitsWithoutZip64 (const std::vector<ZipArchiveWriter::Entry>& entries)
    {
        if ((juce::int64) entries.size() > maxEntries)
            return false;

        for (const auto& entry : entries)
            if (entry.file.getSize() > maxSize)
                return false;

        return true;
    }

    bool writeWhole (const std::vector<ZipArchiveWriter::Entry>& entries, const juce::File& destination)
    {
        juce::FileOutputStream stream (destination, ZipArchiveWriter::streamBufferSize);

        if (! stream.openedOk())
            return false;

        juce::ZipFile::Builder builder;

        for (const auto& entry : entries)
            builder.addFile (entry.file, ZipArchiveWriter::compressionLevel, entry.storedPath);

        if (! builder.writeToStream (stream, nullptr))
            return false;

        // The builder ignores the stream's write results, and a short final write
        // (a full disk, a file-size limit) does not even set the stream's status:
        // so check both the status and the length that actually reached the file.
        stream.flush();

        const auto length = stream.getPosition();

        return stream.getStatus().wasOk()
            && destination.getSize() == length
            && length <= maxSize;
    }
}

bool ZipArchiveWriter::write (const std::vector<Entry>& entries, const juce::File& archive)
{
    // An earlier archive goes first, so a failed run never leaves a stale one behind.
    archive.deleteFile();

    if (! fitsWithoutZip64 (entries))
        return false;

    const auto partial = createTemporarySibling (archive);

    if (partial == juce::File())
        return false;

    if (writeWhole (entries, partial)
         && std::rename (partial.getFullPathName().toRawUTF8(), archive.getFullPathName().toRawUTF8()) == 0)
        return true;

    partial.deleteFile();
    return false;
}
