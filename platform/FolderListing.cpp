/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "FolderListing.h"

#include "StrictUtf8.h"

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
    FolderListing::Kind kindOf (int folderFd, const char* name)
    {
        struct stat info;

        // fstatat does not open anything: a FIFO cannot block it.
        if (::fstatat (folderFd, name, &info, 0) != 0)
            return FolderListing::Kind::other;

        if (S_ISREG (info.st_mode))   return FolderListing::Kind::regularFile;
        if (S_ISDIR (info.st_mode))   return FolderListing::Kind::folder;

        return FolderListing::Kind::other;
    }

    bool isDotOrDotDot (const char* name)
    {
        return std::strcmp (name, ".") == 0 || std::strcmp (name, "..") == 0;
    }

    // Removes what lies in an open folder, depth first, by descriptor: no path is
    // built, so no name is ever decoded and nothing is allocated but the DIR buffers.
    void removeContents (int folderFd)
    {
        auto* dir = ::fdopendir (folderFd);

        if (dir == nullptr)
        {
            ::close (folderFd);
            return;
        }

        while (auto* entry = ::readdir (dir))
        {
            const auto* name = entry->d_name;

            if (isDotOrDotDot (name))
                continue;

            if (::unlinkat (::dirfd (dir), name, 0) == 0)
                continue;

            const auto childFd = ::openat (::dirfd (dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);

            if (childFd >= 0)
            {
                removeContents (childFd);
                ::unlinkat (::dirfd (dir), name, AT_REMOVEDIR);
            }
        }

        ::closedir (dir);
    }
}

std::vector<FolderListing::Entry> FolderListing::list (const juce::File& folder)
{
    std::vector<Entry> entries;
    const auto folderPath = folder.getFullPathName();
    auto* dir = ::opendir (folderPath.toRawUTF8());

    if (dir == nullptr)
        return entries;

    while (auto* entry = ::readdir (dir))
    {
        const auto* name = entry->d_name;

        if (isDotOrDotDot (name))
            continue;

        if (auto text = StrictUtf8::toString (name, std::strlen (name)))
            entries.push_back ({ juce::File (folderPath + "/" + *text), kindOf (::dirfd (dir), name) });
    }

    ::closedir (dir);
    return entries;
}

void FolderListing::removeTree (const juce::File& folder) noexcept
{
    const auto* path = folder.getFullPathName().toRawUTF8();

    // A link or a plain file in the folder's place goes as it is.
    if (::unlink (path) == 0)
        return;

    const auto fd = ::open (path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);

    if (fd < 0)
        return;

    removeContents (fd);
    ::rmdir (path);
}
