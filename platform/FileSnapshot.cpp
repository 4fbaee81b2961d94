/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "FileSnapshot.h"

#include "FolderListing.h"
#include "GuardedFile.h"
#include "ScopedDescriptor.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#if JUCE_LINUX
 #include <linux/fs.h>
 #include <sys/ioctl.h>
#endif

namespace
{
    bool linkOpenFile (int fd, int destinationFolder, const char* destination)
    {
       #if JUCE_LINUX
        // Links the very file that was opened, even if its name has been taken by
        // another since; /proc resolves the descriptor for users without the
        // privilege that AT_EMPTY_PATH needs.
        char procPath[32];
        std::snprintf (procPath, sizeof (procPath), "/proc/self/fd/%d", fd);
        return ::linkat (AT_FDCWD, procPath, destinationFolder, destination, AT_SYMLINK_FOLLOW) == 0;
       #else
        juce::ignoreUnused (fd, destinationFolder, destination);
        return false;
       #endif
    }

    // Copies at most `length` bytes from the start of `in`; returns the number copied
    // (fewer when the source was cut short meanwhile), or -1 on a failed read or write.
    juce::int64 copyBounded (int in, int out, juce::int64 length)
    {
        off_t offset = 0;

       #if JUCE_LINUX
        while (offset < length)
        {
            const auto copied = ::copy_file_range (in, &offset, out, nullptr, (size_t) (length - offset), 0);

            if (copied < 0 && errno == EINTR)
                continue;

            if (copied == 0)
                return offset;

            if (copied < 0)
            {
                // Not offered between these two file systems: fall back to the loop,
                // from where the kernel stopped.
                if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)
                    break;

                return -1;
            }
        }
       #endif

        juce::HeapBlock<char, true> buffer (1 << 16);

        while (offset < length)
        {
            const auto wanted = (size_t) juce::jmin ((juce::int64) (1 << 16), length - offset);
            const auto numRead = ::pread (in, buffer, wanted, offset);

            if (numRead < 0 && errno == EINTR)
                continue;

            if (numRead < 0)
                return -1;

            if (numRead == 0)
                break;

            if (! GuardedFile::writeAll (out, buffer, (size_t) numRead))
                return -1;

            offset += numRead;
        }

        return offset;
    }

    bool copyOpenFile (int in, int destinationFolder, const char* destination, juce::int64& length, FileSnapshot::Method& method)
    {
        // O_EXCL: a name that appeared since the unlink is someone else's, not ours to write.
        const ScopedDescriptor out (::openat (destinationFolder, destination, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));

        if (out.get() < 0)
            return false;

       #if JUCE_LINUX
        // A clone takes the whole file as it is now; its tail beyond the recorded length
        // is cut off again. The clone is a file of its own, so cutting it is safe.
        if (::ioctl (out.get(), FICLONE, in) == 0 && ::ftruncate (out.get(), length) == 0)
        {
            struct stat info;

            if (::fstat (out.get(), &info) == 0 && info.st_size == length)
            {
                method = FileSnapshot::Method::clone;
                return true;
            }
        }
       #endif

        method = FileSnapshot::Method::copy;

        if (::ftruncate (out.get(), 0) != 0)
            return false;

        const auto copied = copyBounded (in, out.get(), length);

        if (copied < 0)
            return false;

        length = copied;
        return true;
    }

    // Far outside the years an archive can date, any time is as good as the nearer end
    // of them; clamping first keeps the conversion to milliseconds from overflowing.
    juce::Time timeOf (const struct stat& info)
    {
        constexpr juce::int64 earliest = 0, latest = 253402300799;     // 1970 to 9999
        return juce::Time (juce::jlimit (earliest, latest, (juce::int64) info.st_mtime) * 1000);
    }
}

FileSnapshot::Placement FileSnapshot::place (int sourceFolder, const char* sourceName, int destinationFolder,
                                             const char* destinationName, Method* methodUsed)
{
    struct stat info;
    const ScopedDescriptor in (GuardedFile::openRegularFile (sourceFolder, sourceName, &info));

    if (in.get() < 0)
        return { GuardedFile::isShortage (errno) ? Outcome::failed : Outcome::passedOver, {} };

    // Only now does the later source win. Whatever stood there goes, a folder with its
    // contents, and a link left there is never written through.
    if (::unlinkat (destinationFolder, destinationName, 0) != 0 && (errno == EISDIR || errno == EPERM))
        FolderListing::removeTree (destinationFolder, destinationName);

    Recorded recorded { (juce::int64) info.st_size, timeOf (info) };
    auto method = Method::link;

    if (! linkOpenFile (in.get(), destinationFolder, destinationName)
         && ! copyOpenFile (in.get(), destinationFolder, destinationName, recorded.length, method))
    {
        const auto error = errno;
        ::unlinkat (destinationFolder, destinationName, 0);
        return { GuardedFile::isShortage (error) ? Outcome::failed : Outcome::passedOver, {} };
    }

    if (methodUsed != nullptr)
        *methodUsed = method;

    return { Outcome::placed, recorded };
}
