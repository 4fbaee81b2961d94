/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "FolderListing.h"

#include "ScopedDescriptor.h"
#include "StrictUtf8.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
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

    struct DirectoryCloser
    {
        void operator() (DIR* dir) const noexcept     { ::closedir (dir); }
    };

    bool isDotOrDotDot (const char* name)
    {
        return std::strcmp (name, ".") == 0 || std::strcmp (name, "..") == 0;
    }

    struct Identity
    {
        dev_t device;
        ino_t inode;

        bool matches (const struct stat& info) const noexcept   { return info.st_dev == device && info.st_ino == inode; }
    };

    bool identify (int fd, Identity& identity) noexcept
    {
        struct stat info;

        if (::fstat (fd, &info) != 0)
            return false;

        identity = { info.st_dev, info.st_ino };
        return true;
    }

    bool makeRoomForOneMore (std::vector<Identity>& identities) noexcept
    {
        try
        {
            if (identities.size() == identities.capacity())
                identities.reserve (2 * identities.size() + 16);

            return true;
        }
        catch (const std::bad_alloc&)
        {
            return false;
        }
    }

    // Empties an open folder (the descriptor is taken), by descriptor: no path is built, so
    // no name is ever decoded. It goes down into the first folder it cannot simply remove
    // and back up through "..", so that one folder is open at a time whatever the depth.
    // Going up, it checks that it arrives where it came from (a folder moved meanwhile must
    // not lead the removal elsewhere), and resumes the listing after the folder it left,
    // which is then empty: a folder that cannot be emptied is passed, not entered again.
    void removeContents (int fd) noexcept
    {
        std::vector<Identity> above;
        Identity left {};
        auto resuming = false;

        while (fd >= 0)
        {
            auto* dir = ::fdopendir (fd);

            if (dir == nullptr)
            {
                ::close (fd);
                return;
            }

            fd = ::dirfd (dir);
            auto child = -1;
            auto restarted = false;

            while (child < 0)
            {
                const auto* entry = ::readdir (dir);

                if (entry == nullptr)
                {
                    // The folder left was not found again: it has gone, so nothing here
                    // can lead back into it; once more from the start.
                    if (! resuming || restarted)
                        break;

                    ::rewinddir (dir);
                    resuming = false;
                    restarted = true;
                    continue;
                }

                const auto* name = entry->d_name;

                if (isDotOrDotDot (name))
                    continue;

                if (resuming)
                {
                    struct stat info;

                    if (::fstatat (fd, name, &info, AT_SYMLINK_NOFOLLOW) == 0 && left.matches (info))
                    {
                        resuming = false;
                        ::unlinkat (fd, name, AT_REMOVEDIR);
                    }

                    continue;
                }

                if (::unlinkat (fd, name, 0) == 0 || ::unlinkat (fd, name, AT_REMOVEDIR) == 0)
                    continue;

                // Without memory to remember the way back, that folder stays.
                if (makeRoomForOneMore (above))
                    child = ::openat (fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            }

            Identity here {};
            const auto identified = identify (fd, here);

            if (child >= 0)
            {
                ::closedir (dir);

                if (! identified)
                {
                    ::close (child);
                    return;
                }

                above.push_back (here);
                fd = child;
                resuming = false;
                continue;
            }

            // Listed to its end: back up to the folder above, unless this is the top.
            const auto parent = above.empty() || ! identified ? -1 : ::openat (fd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ::closedir (dir);
            struct stat info;

            if (parent < 0 || ::fstat (parent, &info) != 0 || ! above.back().matches (info))
            {
                if (parent >= 0)
                    ::close (parent);

                return;
            }

            above.pop_back();
            fd = parent;
            left = here;
            resuming = true;
        }
    }
}

bool FolderListing::list (int folder, std::vector<Name>& names)
{
    // A descriptor of the listing's own, which closedir closes.
    const auto fd = ::openat (folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::unique_ptr<DIR, DirectoryCloser> dir (fd >= 0 ? ::fdopendir (fd) : nullptr);

    if (dir == nullptr)
    {
        ScopedDescriptor unlisted (fd);
        return false;
    }

    for (errno = 0; const auto* entry = ::readdir (dir.get()); errno = 0)
    {
        const auto* name = entry->d_name;

        if (isDotOrDotDot (name))
            continue;

        if (auto text = StrictUtf8::toString (name, std::strlen (name)))
            names.push_back ({ *text, kindOf (::dirfd (dir.get()), name) });
    }

    return errno == 0;
}

std::vector<FolderListing::Entry> FolderListing::list (const juce::File& folder)
{
    const auto folderPath = folder.getFullPathName();
    const ScopedDescriptor fd (::open (folderPath.toRawUTF8(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    std::vector<Name> names;
    std::vector<Entry> entries;

    if (fd.get() >= 0)
        list (fd.get(), names);

    for (const auto& name : names)
        entries.push_back ({ juce::File (folderPath + "/" + name.name), name.kind });

    return entries;
}

void FolderListing::removeTree (int parent, const char* name) noexcept
{
    // A link or a plain file in the folder's place goes as it is.
    if (::unlinkat (parent, name, 0) == 0)
        return;

    const auto fd = ::openat (parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);

    if (fd < 0)
        return;

    removeContents (fd);
    ::unlinkat (parent, name, AT_REMOVEDIR);
}
