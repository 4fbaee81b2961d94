/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "FolderChain.h"

#include "ScopedDescriptor.h"

#include <cerrno>
#include <fcntl.h>

namespace
{
    constexpr int folderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
}

FolderChain::FolderChain (int root, bool follow, const struct stat* avoided)
    : followLinks (follow)
{
    ScopedDescriptor fd (root);
    struct stat info {};

    if (avoided != nullptr)
        avoid = { avoided->st_dev, avoided->st_ino, -1 };

    avoiding = avoided != nullptr;

    if (fd.get() >= 0 && (::fstat (fd.get(), &info) != 0 || isOnChain (info)))
        fd.reset();
    levels.push_back ({ info.st_dev, info.st_ino, fd.get() });
    fd.release();
}

FolderChain::~FolderChain()
{
    for (const auto& level : levels)
        if (level.fd >= 0)
            ::close (level.fd);
}

bool FolderChain::enter (const char* name)
{
    const auto parent = current();
    struct stat info;

    if (parent < 0)
    {
        errno = ENOENT;
        return false;
    }

    if (::fstatat (parent, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return false;

    const auto throughLink = S_ISLNK (info.st_mode);

    if (throughLink && ! followLinks)
    {
        errno = ENOTDIR;
        return false;
    }

    // O_NOFOLLOW: a link that took the folder's place since does not count as it.
    ScopedDescriptor fd (::openat (parent, name, folderFlags | (throughLink ? 0 : O_NOFOLLOW)));

    if (fd.get() < 0 || ::fstat (fd.get(), &info) != 0)
        return false;

    if (isOnChain (info))
    {
        errno = ELOOP;
        return false;
    }

    levels.push_back ({ info.st_dev, info.st_ino, fd.get() });
    fd.release();

    // ".." of a folder entered by its own name leads back to its parent, which can
    // therefore be closed; through a link it would not.
    if (! throughLink)
    {
        auto& parentLevel = levels[levels.size() - 2];
        ::close (parentLevel.fd);
        parentLevel.fd = -1;
    }

    return true;
}

bool FolderChain::leave()
{
    const ScopedDescriptor leaving (levels.back().fd);
    levels.pop_back();
    auto& parent = levels.back();

    if (parent.fd >= 0)
        return true;

    if (leaving.get() >= 0)
    {
        ScopedDescriptor up (::openat (leaving.get(), "..", folderFlags));
        struct stat info;

        if (up.get() >= 0 && ::fstat (up.get(), &info) == 0 && info.st_dev == parent.device && info.st_ino == parent.inode)
        {
            parent.fd = up.release();
            return true;
        }

        if (up.get() < 0)
            return false;
    }

    errno = ENOENT;
    return false;
}

bool FolderChain::isOnChain (const struct stat& folder) const noexcept
{
    if (avoiding && folder.st_dev == avoid.device && folder.st_ino == avoid.inode)
        return true;

    for (const auto& level : levels)
        if (folder.st_dev == level.device && folder.st_ino == level.inode)
            return true;

    return false;
}
