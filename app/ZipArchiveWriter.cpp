/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "ZipArchiveWriter.h"

#include "platform/GuardedFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <unistd.h>
#include <zlib.h>

namespace
{
    // Without Zip64 a count, size or offset must fit below the 16- and 32-bit fields'
    // all-ones values, which readers take as "see the Zip64 record".
    constexpr juce::int64 maxEntries = 0xfffe;
    constexpr juce::int64 maxSize    = 0xfffffffe;

    constexpr size_t chunkSize = 1 << 18;

    // Buffered writes to a descriptor; every byte is known to have reached the file.
    class ArchiveOutput final
    {
    public:
        explicit ArchiveOutput (int descriptor) : fd (descriptor) {}

        juce::int64 getPosition() const noexcept    { return position; }

        bool write (const void* data, size_t numBytes)
        {
            if (used + numBytes > sizeof (buffer) && ! flush())
                return false;

            if (numBytes >= sizeof (buffer))
            {
                position += (juce::int64) numBytes;
                return GuardedFile::writeAll (fd, data, numBytes);
            }

            std::memcpy (buffer + used, data, numBytes);
            used += numBytes;
            position += (juce::int64) numBytes;
            return true;
        }

        /** Rewrites bytes already written, at an offset from the start. */
        bool patch (juce::int64 offset, const void* data, size_t numBytes)
        {
            return flush() && GuardedFile::writeAll (fd, data, numBytes, offset);
        }

        bool flush()
        {
            const auto ok = GuardedFile::writeAll (fd, buffer, used);
            used = 0;
            return ok;
        }

    private:
        int fd;
        char buffer[16384];
        size_t used = 0;
        juce::int64 position = 0;

        JUCE_DECLARE_NON_COPYABLE (ArchiveOutput)
    };

    //==============================================================================
    // Little-endian fields of a header, in the order they are appended.
    class Header final
    {
    public:
        Header& u16 (juce::uint32 value)    { bytes.push_back ((char) value); bytes.push_back ((char) (value >> 8)); return *this; }
        Header& u32 (juce::uint32 value)    { return u16 (value & 0xffff).u16 (value >> 16); }
        Header& text (const std::string& s) { bytes.insert (bytes.end(), s.begin(), s.end()); return *this; }

        bool writeTo (ArchiveOutput& out) const                         { return out.write (bytes.data(), bytes.size()); }
        bool patchInto (ArchiveOutput& out, juce::int64 offset) const   { return out.patch (offset, bytes.data(), bytes.size()); }

    private:
        std::vector<char> bytes;
    };

    // The MS-DOS date and time of the zip format, in local time: two-second steps,
    // years 1980 to 2107; times outside are clamped to the nearest end.
    std::pair<juce::uint32, juce::uint32> dosDateAndTime (juce::Time t)
    {
        if (t.getYear() < 1980)
            return { (1u << 5) | 1u, 0u };

        if (t.getYear() > 2107)
            return { (127u << 9) | (12u << 5) | 31u, (23u << 11) | (59u << 5) | 29u };

        return { (juce::uint32) (((t.getYear() - 1980) << 9) | ((t.getMonth() + 1) << 5) | t.getDayOfMonth()),
                 (juce::uint32) ((t.getHours() << 11) | (t.getMinutes() << 5) | (t.getSeconds() / 2)) };
    }

    struct Written
    {
        std::string name;
        std::pair<juce::uint32, juce::uint32> dateAndTime;
        juce::uint32 crc = 0;
        juce::int64 compressedSize = 0, size = 0, headerOffset = 0;
    };

    // The fields that local and central headers share, from "version needed" on.
    Header& commonFields (Header& header, const Written& entry)
    {
        return header.u16 (20)                          // version needed: deflate
                     .u16 (1u << 11)                    // names are UTF-8
                     .u16 (Z_DEFLATED)
                     .u16 (entry.dateAndTime.second)
                     .u16 (entry.dateAndTime.first)
                     .u32 (entry.crc)
                     .u32 ((juce::uint32) entry.compressedSize)
                     .u32 ((juce::uint32) entry.size)
                     .u16 ((juce::uint32) entry.name.size())
                     .u16 (0);                          // extra field length
    }

    class Deflater final
    {
    public:
        Deflater()
        {
            // Raw deflate, as zip stores it.
            if (deflateInit2 (&stream, ZipArchiveWriter::compressionLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
                throw std::bad_alloc();
        }

        ~Deflater()     { deflateEnd (&stream); }

        // Reads the entry's file up to its recorded length and writes it deflated.
        bool writeEntry (ArchiveOutput& out, const ZipArchiveWriter::Entry& entry, Written& written)
        {
            const auto fd = GuardedFile::openRegularFile (entry.file);

            if (fd < 0)
                return false;

            const auto ok = deflateReset (&stream) == Z_OK && compress (fd, entry.length, out, written);
            ::close (fd);
            return ok;
        }

    private:
        bool compress (int fd, juce::int64 length, ArchiveOutput& out, Written& written)
        {
            for (auto finished = false; ! finished;)
            {
                const auto wanted = (size_t) juce::jmin ((juce::int64) chunkSize, length - written.size);
                auto numRead = wanted > 0 ? ::read (fd, input.get(), wanted) : 0;

                if (numRead < 0 && errno == EINTR)
                    continue;

                if (numRead < 0)
                    return false;

                // A file cut short since it was recorded ends where it now ends.
                finished = numRead == 0;
                written.crc = (juce::uint32) crc32 (written.crc, (const Bytef*) input.get(), (uInt) numRead);
                written.size += numRead;

                stream.next_in = (Bytef*) input.get();
                stream.avail_in = (uInt) numRead;

                do
                {
                    stream.next_out = (Bytef*) output.get();
                    stream.avail_out = (uInt) chunkSize;

                    if (deflate (&stream, finished ? Z_FINISH : Z_NO_FLUSH) == Z_STREAM_ERROR)
                        return false;

                    if (! out.write (output.get(), chunkSize - stream.avail_out))
                        return false;
                }
                while (stream.avail_out == 0);
            }

            written.compressedSize = (juce::int64) stream.total_out;
            return written.compressedSize <= maxSize;
        }

        z_stream stream {};
        juce::HeapBlock<char, true> input { chunkSize }, output { chunkSize };

        JUCE_DECLARE_NON_COPYABLE (Deflater)
    };

    //==============================================================================
    bool writeWhole (const std::vector<ZipArchiveWriter::Entry>& entries, int fd)
    {
        ArchiveOutput out (fd);
        Deflater deflater;
        std::vector<Written> written;
        written.reserve (entries.size());

        for (const auto& entry : entries)
        {
            Written w;
            w.name = (entry.storedPath.isEmpty() ? entry.file.getFileName() : entry.storedPath).toStdString();
            w.dateAndTime = dosDateAndTime (entry.modified);
            w.headerOffset = out.getPosition();

            // The local header goes first with blank checksum and sizes, which are
            // filled in once the data is written.
            Header local;
            local.u32 (0x04034b50);
            commonFields (local, w).text (w.name);

            if (w.name.size() > 0xffff || w.headerOffset > maxSize || ! local.writeTo (out)
                 || ! deflater.writeEntry (out, entry, w))
                return false;

            Header sizes;
            sizes.u32 (w.crc).u32 ((juce::uint32) w.compressedSize).u32 ((juce::uint32) w.size);

            if (! sizes.patchInto (out, w.headerOffset + 14))
                return false;

            written.push_back (std::move (w));
        }

        const auto directoryStart = out.getPosition();

        for (const auto& w : written)
        {
            Header central;
            central.u32 (0x02014b50).u16 (20);
            commonFields (central, w)
                .u16 (0)    // comment length
                .u16 (0)    // disk number
                .u16 (0)    // internal attributes
                .u32 (0)    // external attributes
                .u32 ((juce::uint32) w.headerOffset)
                .text (w.name);

            if (! central.writeTo (out))
                return false;
        }

        const auto directoryEnd = out.getPosition();

        Header end;
        end.u32 (0x06054b50).u16 (0).u16 (0)
           .u16 ((juce::uint32) written.size()).u16 ((juce::uint32) written.size())
           .u32 ((juce::uint32) (directoryEnd - directoryStart))
           .u32 ((juce::uint32) directoryStart)
           .u16 (0);

        return end.writeTo (out) && out.flush() && out.getPosition() <= maxSize;
    }

    bool fitsWithoutZip64 (const std::vector<ZipArchiveWriter::Entry>& entries)
    {
        if ((juce::int64) entries.size() > maxEntries)
            return false;

        for (const auto& entry : entries)
            if (entry.length > maxSize)
                return false;

        return true;
    }
}

bool ZipArchiveWriter::write (const std::vector<Entry>& entries, const juce::File& archive)
{
    // An earlier archive goes first, so a failed run never leaves a stale one behind.
    archive.deleteFile();

    if (! fitsWithoutZip64 (entries))
        return false;

    std::string partial;
    const auto fd = GuardedFile::createTemporarySibling (archive.getFullPathName().toStdString(), ".partial", 0644, partial);

    if (fd < 0)
        return false;

    auto written = false;

    try
    {
        written = writeWhole (entries, fd);
    }
    catch (const std::bad_alloc&)
    {
        written = false;
    }

    written = (::close (fd) == 0) && written;

    if (written && std::rename (partial.c_str(), archive.getFullPathName().toRawUTF8()) == 0)
        return true;

    ::unlink (partial.c_str());
    return false;
}
