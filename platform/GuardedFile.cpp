/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "GuardedFile.h"

#include "ScopedDescriptor.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

//==============================================================================
GuardedFile::ReadResult GuardedFile::read (const juce::File& file, size_t maxBytes, juce::MemoryBlock& contents)
{
    contents.reset();
    struct stat st;

    // Owned, so that it is closed when an allocation failure unwinds the read.
    const ScopedDescriptor fd (openRegularFile (file, &st));

    if (fd.get() < 0)
        return errno == ENOENT ? ReadResult::missing : ReadResult::refused;

    auto ok = (juce::uint64) st.st_size <= maxBytes;

    // The length is checked again while reading: the file may grow meanwhile.
    char buffer[8192];

    while (ok)
    {
        const auto numRead = ::read (fd.get(), buffer, sizeof (buffer));

        if (numRead < 0 && errno == EINTR)
            continue;

        if (numRead <= 0)
        {
            ok = numRead == 0;
            break;
        }

        contents.append (buffer, (size_t) numRead);
        ok = contents.getSize() <= maxBytes;
    }

    if (! ok)
        contents.reset();

    return ok ? ReadResult::read : ReadResult::refused;
}

bool GuardedFile::replace (const juce::File& file, const juce::MemoryBlock& contents)
{
    const auto path = file.getFullPathName().toStdString();
    auto target = path;
    auto existed = false;
    mode_t mode = 0644;
    struct stat st;

    if (::stat (path.c_str(), &st) == 0)
    {
        // The folder may allow a rename over a file this user may not write; such a
        // file was made read-only on purpose, or is someone else's.
        if (! S_ISREG (st.st_mode) || ::access (path.c_str(), W_OK) != 0)
            return false;

        std::unique_ptr<char, decltype (&std::free)> resolved (::realpath (path.c_str(), nullptr), &std::free);

        if (resolved == nullptr)
            return false;

        target = resolved.get();
        existed = true;
        mode = st.st_mode & 07777;
    }
    else if (errno != ENOENT || ::lstat (path.c_str(), &st) == 0 || ! file.getParentDirectory().createDirectory())
    {
        // A dangling link leads nowhere we know to be ours.
        return false;
    }

    std::string temporary;
    const auto fd = createTemporarySibling (target, "", existed ? 0600 : (int) mode, temporary);

    if (fd < 0)
        return false;

   #ifdef SIGXFSZ
    // Past a file-size limit a write must fail, not end the program.
    const auto previousFileSizeHandler = std::signal (SIGXFSZ, SIG_IGN);
   #endif

    auto ok = (! existed || ::fchmod (fd, mode) == 0)
           && writeAll (fd, contents.getData(), contents.getSize())
           && ::fsync (fd) == 0;
    ok = ::close (fd) == 0 && ok;

   #ifdef SIGXFSZ
    std::signal (SIGXFSZ, previousFileSizeHandler);
   #endif

    if (ok && ::rename (temporary.c_str(), target.c_str()) == 0)
        return true;

    ::unlink (temporary.c_str());
    return false;
}

int GuardedFile::openRegularFile (const juce::File& file, struct stat* info)
{
    return openRegularFile (AT_FDCWD, file.getFullPathName().toRawUTF8(), info);
}

int GuardedFile::openRegularFile (int folder, const char* name, struct stat* info)
{
    struct stat found;

   #if JUCE_LINUX
    // An O_PATH descriptor opens nothing: no FIFO's writer is released, no device's open
    // is run. Only a regular file is then opened, through /proc, which reaches the very
    // file that was looked at.
    const auto located = ::openat (folder, name, O_PATH | O_CLOEXEC);
    const auto foundKind = located >= 0 && ::fstat (located, &found) == 0;
   #else
    const auto foundKind = ::fstatat (folder, name, &found, 0) == 0;
   #endif

    auto fd = -1;

    if (! foundKind)
    {
        // A dangling link is something there, not nothing.
        if (errno == ENOENT && ::fstatat (folder, name, &found, AT_SYMLINK_NOFOLLOW) == 0)
            errno = EINVAL;
    }
    else if (! S_ISREG (found.st_mode))
    {
        errno = EINVAL;
    }
    else
    {
       #if JUCE_LINUX
        char reopen[32];
        std::snprintf (reopen, sizeof (reopen), "/proc/self/fd/%d", located);
        fd = ::open (reopen, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        const auto byName = fd < 0 && errno == ENOENT;
       #else
        const auto byName = true;
       #endif

        // Without /proc the file may be swapped in between, so the check after
        // opening still matters.
        if (byName)
            fd = ::openat (folder, name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);

        if (fd < 0 && errno == ENOENT)
            errno = EINVAL;
    }

   #if JUCE_LINUX
    if (located >= 0)
    {
        const auto error = errno;
        ::close (located);
        errno = error;
    }
   #endif

    if (fd < 0)
        return -1;

    struct stat opened;

    if (::fstat (fd, &opened) != 0 || ! S_ISREG (opened.st_mode)
         || opened.st_dev != found.st_dev || opened.st_ino != found.st_ino)
    {
        ::close (fd);
        errno = EINVAL;
        return -1;
    }

    if (info != nullptr)
        *info = opened;

    return fd;
}

bool GuardedFile::isShortage (int error) noexcept
{
    switch (error)
    {
        case ENOSPC: case EDQUOT: case EFBIG: case ENAMETOOLONG: case EMFILE: case ENFILE: case ENOMEM:
            return true;

        default:
            return false;
    }
}

bool GuardedFile::writeAll (int fd, const void* data, size_t numBytes, juce::int64 offset)
{
    auto* bytes = static_cast<const char*> (data);

    while (numBytes > 0)
    {
        const auto written = offset < 0 ? ::write (fd, bytes, numBytes)
                                        : ::pwrite (fd, bytes, numBytes, (off_t) offset);

        if (written < 0 && errno == EINTR)
            continue;

        if (written <= 0)
        {
            // A write that takes nothing without an error has run out of room.
            if (written == 0)
                errno = ENOSPC;

            return false;
        }

        bytes += written;
        numBytes -= (size_t) written;

        if (offset >= 0)
            offset += written;
    }

    return true;
}

int GuardedFile::createTemporarySibling (const std::string& targetPath, const char* suffix, int mode, std::string& created,
                                         int folder)
{
    const auto slash = targetPath.rfind ('/');

    for (int attempt = 0; attempt < 100; ++attempt)
    {
        const auto hex = juce::String::toHexString (juce::Random::getSystemRandom().nextInt64()).toStdString();
        created = targetPath.substr (0, slash + 1) + "." + targetPath.substr (slash + 1) + "-" + hex + suffix;
        const auto fd = ::openat (folder, created.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, (mode_t) mode);

        if (fd >= 0 || errno != EEXIST)
            return fd;
    }

    return -1;
}
