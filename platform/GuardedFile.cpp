/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "GuardedFile.h"

#include <cerrno>
#include <csignal>
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
    const auto fd = openRegularFile (file, &st);

    if (fd < 0)
        return errno == ENOENT ? ReadResult::missing : ReadResult::refused;

    auto ok = (juce::uint64) st.st_size <= maxBytes;

    // The length is checked again while reading: the file may grow meanwhile.
    char buffer[8192];

    while (ok)
    {
        const auto numRead = ::read (fd, buffer, sizeof (buffer));

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

    ::close (fd);

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
    const auto* path = file.getFullPathName().toRawUTF8();

    // Non-blocking, so that a FIFO in the file's place cannot stall the open.
    const auto fd = ::open (path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat st;

    if (fd < 0)
    {
        // A dangling link is something there, not nothing.
        if (errno == ENOENT && ::lstat (path, &st) == 0)
            errno = EINVAL;

        return -1;
    }

    if (::fstat (fd, &st) != 0 || ! S_ISREG (st.st_mode))
    {
        ::close (fd);
        errno = EINVAL;
        return -1;
    }

    if (info != nullptr)
        *info = st;

    return fd;
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
            return false;

        bytes += written;
        numBytes -= (size_t) written;

        if (offset >= 0)
            offset += written;
    }

    return true;
}

int GuardedFile::createTemporarySibling (const std::string& targetPath, const char* suffix, int mode, std::string& created)
{
    const auto slash = targetPath.rfind ('/');

    for (int attempt = 0; attempt < 100; ++attempt)
    {
        const auto hex = juce::String::toHexString (juce::Random::getSystemRandom().nextInt64()).toStdString();
        created = targetPath.substr (0, slash + 1) + "." + targetPath.substr (slash + 1) + "-" + hex + suffix;
        const auto fd = ::open (created.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, (mode_t) mode);

        if (fd >= 0 || errno != EEXIST)
            return fd;
    }

    return -1;
}
