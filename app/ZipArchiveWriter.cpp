/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "ZipArchiveWriter.h"

#include "platform/GuardedFile.h"
#include "platform/ScopedDescriptor.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

namespace
{
    // Without Zip64 a count, size or offset must fit below the 16- and 32-bit fields'
    // all-ones values, which readers take as "see the Zip64 record".
    constexpr juce::int64 maxSize = 0xfffffffe;

    constexpr size_t chunkSize = 1 << 18;

    // Buffered writes to a descriptor; every byte is known to have reached the file.
    class ArchiveOutput final
    {
    public:
        ArchiveOutput() = default;

        void setDescriptor (int descriptor) noexcept  { fd = descriptor; }

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
        int fd = -1;
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

        // Reads an open file up to the given length and writes it deflated.
        bool writeEntry (ArchiveOutput& out, int fd, juce::int64 length, Written& written)
        {
            return deflateReset (&stream) == Z_OK && compress (fd, length, out, written);
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
}

//==============================================================================
struct ZipArchiveWriter::Partial
{
    ScopedDescriptor file;
    ArchiveOutput out;
    Deflater deflater;
    std::vector<Written> written;
    bool healthy = true;
};

ZipArchiveWriter::ZipArchiveWriter (int folder, const std::string& name, size_t numEntries, juce::int64 largestEntry)
    : folderFd (folder), archiveName (name)
{
    // An earlier archive goes first, so a failed run never leaves a stale one behind.
    ::unlinkat (folderFd, archiveName.c_str(), 0);

    if ((juce::int64) numEntries > maxEntries || largestEntry > maxSize)
        return;

    // Memory first: running out of it must not leave a file behind.
    auto started = std::make_unique<Partial>();
    started->written.reserve (numEntries);
    started->file.reset (GuardedFile::createTemporarySibling (archiveName, ".partial", 0644, partialName, folderFd));
    started->out.setDescriptor (started->file.get());

    if (started->file.get() >= 0)
        partial = std::move (started);
}

ZipArchiveWriter::~ZipArchiveWriter()
{
    partial.reset();

    if (! completed && ! partialName.empty())
        ::unlinkat (folderFd, partialName.c_str(), 0);
}

bool ZipArchiveWriter::add (int file, const std::string& storedPath, juce::int64 length, juce::Time modified)
{
    if (partial == nullptr || ! partial->healthy)
        return false;

    auto& out = partial->out;
    Written w;
    w.name = storedPath;
    w.dateAndTime = dosDateAndTime (modified);
    w.headerOffset = out.getPosition();

    // The local header goes first with blank checksum and sizes, which are filled in
    // once the data is written.
    Header local;
    local.u32 (0x04034b50);
    commonFields (local, w).text (w.name);

    Header sizes;
    auto& healthy = partial->healthy;
    healthy = w.name.size() <= 0xffff && w.headerOffset <= maxSize && (juce::int64) partial->written.size() < maxEntries
           && local.writeTo (out) && partial->deflater.writeEntry (out, file, length, w)
           && sizes.u32 (w.crc).u32 ((juce::uint32) w.compressedSize).u32 ((juce::uint32) w.size).patchInto (out, w.headerOffset + 14);

    if (healthy)
        partial->written.push_back (std::move (w));

    return healthy;
}

bool ZipArchiveWriter::complete()
{
    if (partial == nullptr || ! partial->healthy)
        return false;

    auto& out = partial->out;
    const auto directoryStart = out.getPosition();
    auto ok = true;

    for (const auto& w : partial->written)
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

        ok = ok && central.writeTo (out);
    }

    const auto directoryEnd = out.getPosition();

    Header end;
    end.u32 (0x06054b50).u16 (0).u16 (0)
       .u16 ((juce::uint32) partial->written.size()).u16 ((juce::uint32) partial->written.size())
       .u32 ((juce::uint32) (directoryEnd - directoryStart))
       .u32 ((juce::uint32) directoryStart)
       .u16 (0);

    ok = ok && end.writeTo (out) && out.flush() && out.getPosition() <= maxSize;
    ok = ::close (partial->file.release()) == 0 && ok;
    partial.reset();

    completed = ok && ::renameat (folderFd, partialName.c_str(), folderFd, archiveName.c_str()) == 0;
    return completed;
}
