/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "ArchiveProcedure.h"

#include "ZipArchiveWriter.h"
#include "platform/DesktopFolder.h"
#include "platform/FileReveal.h"
#include "platform/FolderChain.h"
#include "platform/FolderListing.h"
#include "platform/GuardedFile.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

namespace
{
    constexpr int folderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

    bool isSafeStoredPath (const std::string& path)
    {
        // Zip readers on other systems also split at backslashes.
        if (path.empty() || path.front() == '/' || path.front() == '\\')
            return false;

        for (size_t start = 0; start <= path.size();)
        {
            const auto end = std::min (path.find_first_of ("/\\", start), path.size());

            if (path.compare (start, end - start, "..") == 0)
                return false;

            start = end + 1;
        }

        return true;
    }

    std::string lastPart (const std::string& path)
    {
        return path.substr (path.rfind ('/') + 1);
    }

    // Makes a folder of ours in an open folder. It takes the name from whatever else an
    // earlier source left there; a folder already there is used as it is.
    bool makeFolder (int parent, const char* name)
    {
        struct stat info;

        if (::mkdirat (parent, name, 0700) == 0)
            return true;

        if (errno != EEXIST || ::fstatat (parent, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            return false;

        return S_ISDIR (info.st_mode) || (::unlinkat (parent, name, 0) == 0 && ::mkdirat (parent, name, 0700) == 0);
    }

    // Walks the tree below the chain's current folder, whose stored path is `path`, depth
    // first in the order the file system lists it: each regular file goes to onFile with
    // its folder's descriptor and its path, onEnter is called for each folder entered and
    // onLeave when it is left. Stops as soon as a callback returns false, or a folder cannot
    // be listed, entered or left for a shortage (errno then tells), and returns false; a
    // folder that cannot be listed or entered for any other reason is passed over.
    bool walkTree (FolderChain& chain, std::string path,
                   const std::function<bool (int, const juce::String&, const std::string&)>& onFile,
                   const std::function<bool (const juce::String&)>& onEnter,
                   const std::function<bool()>& onLeave)
    {
        struct Level
        {
            std::vector<FolderListing::Name> names;
            size_t next = 0, pathLength = 0;
        };

        std::vector<Level> levels;

        const auto listCurrent = [&]
        {
            levels.push_back ({ {}, 0, path.size() });
            return FolderListing::list (chain.current(), levels.back().names) || ! GuardedFile::isShortage (errno);
        };

        if (! listCurrent())
            return false;

        while (! levels.empty())
        {
            auto& level = levels.back();

            if (level.next == level.names.size())
            {
                levels.pop_back();

                if (levels.empty())
                    break;

                path.resize (levels.back().pathLength);

                if (! onLeave() || (! chain.leave() && GuardedFile::isShortage (errno)))
                    return false;

                continue;
            }

            // A copy: entering a folder below adds a level, which may move this one.
            const auto entry = level.names[level.next++];
            const auto entryPath = (path.empty() ? "" : path + "/") + entry.name.toStdString();

            if (entry.kind == FolderListing::Kind::regularFile)
            {
                if (! onFile (chain.current(), entry.name, entryPath))
                    return false;
            }
            else if (entry.kind == FolderListing::Kind::folder)
            {
                if (! chain.enter (entry.name.toRawUTF8()))
                {
                    if (GuardedFile::isShortage (errno))
                        return false;

                    continue;
                }

                path = entryPath;

                if (! onEnter (entry.name) || ! listCurrent())
                    return false;
            }
        }

        return true;
    }
}

//==============================================================================
ArchiveProcedure::ArchiveProcedure()
    : desktop (DesktopFolder::locate())
{
   #ifdef SIGXFSZ
    // Past a file-size limit a write must fail, not end the program.
    previousFileSizeHandler = std::signal (SIGXFSZ, SIG_IGN);
   #endif

    desktop.createDirectory();
    desktopFolder.reset (::open (desktop.getFullPathName().toRawUTF8(), folderFlags));

    // mkdir fails on a name that is taken, so a folder it makes is this run's own;
    // another copy of the program may take a free name first. The names are those
    // getNonexistentChildFile gives, tried in turn, since a dangling link does not
    // "exist" for it but still takes its name.
    for (int number = 1; number <= 1000 && desktopFolder.get() >= 0; ++number)
    {
        const auto candidate = number == 1 ? std::string ("tempFolder") : "tempFolder(" + std::to_string (number) + ")";

        if (::mkdirat (desktopFolder.get(), candidate.c_str(), 0700) == 0)
        {
            scratchName = candidate;
            scratchFolder.reset (::openat (desktopFolder.get(), candidate.c_str(), folderFlags | O_NOFOLLOW));

            if (scratchFolder.get() < 0 || ::fstat (scratchFolder.get(), &scratchInfo) != 0)
                removeScratchFolder();

            break;
        }

        if (errno != EEXIST)
            break;
    }
}

ArchiveProcedure::~ArchiveProcedure()
{
    removeScratchFolder();

   #ifdef SIGXFSZ
    std::signal (SIGXFSZ, previousFileSizeHandler);
   #endif
}

bool ArchiveProcedure::isGathering() const noexcept
{
    return scratchFolder.get() >= 0 && ! failed;
}

bool ArchiveProcedure::placeFile (int sourceFolder, const char* sourceName, int destinationFolder, const std::string& path)
{
    const auto placement = FileSnapshot::place (sourceFolder, sourceName, destinationFolder, lastPart (path).c_str());

    if (placement.outcome == FileSnapshot::Outcome::placed)
        placed[path] = placement.recorded;

    // More files than an archive can hold fail the collection at once: a tree of links
    // can reach the same files by ever more paths.
    failed = failed || placement.outcome == FileSnapshot::Outcome::failed
                    || (juce::int64) placed.size() > ZipArchiveWriter::maxEntries;
    return ! failed;
}

void ArchiveProcedure::copyFile (const juce::File& source, const juce::String& destinationName)
{
    if (isGathering())
        placeFile (AT_FDCWD, source.getFullPathName().toRawUTF8(), scratchFolder.get(), destinationName.toStdString());
}

void ArchiveProcedure::copyFilesIn (const juce::File& folder, const std::function<bool (const juce::String&)>& isWanted)
{
    if (! isGathering())
        return;

    const ScopedDescriptor fd (::open (folder.getFullPathName().toRawUTF8(), folderFlags));
    std::vector<FolderListing::Name> names;

    if (fd.get() < 0 || ! FolderListing::list (fd.get(), names))
        failed = GuardedFile::isShortage (errno);

    for (const auto& entry : names)
        if (! failed && entry.kind != FolderListing::Kind::folder && isWanted (entry.name))
            placeFile (fd.get(), entry.name.toRawUTF8(), scratchFolder.get(), entry.name.toStdString());
}

void ArchiveProcedure::copyFolder (const juce::File& source, const juce::String& destinationName)
{
    if (! isGathering())
        return;

    const auto root = ::open (source.getFullPathName().toRawUTF8(), folderFlags);

    if (root < 0)
    {
        failed = GuardedFile::isShortage (errno);
        return;
    }

    // The scratch folder is never entered: it would be copied into itself.
    FolderChain from (root, true, &scratchInfo);

    if (from.current() < 0)
        return;

    const auto name = destinationName.toStdString();

    if (! makeFolder (scratchFolder.get(), name.c_str()))
    {
        failed = true;
        return;
    }

    placed.erase (name);
    FolderChain to (::openat (scratchFolder.get(), name.c_str(), folderFlags | O_NOFOLLOW), false);

    failed = to.current() < 0
          || ! walkTree (from, name,
                         [&] (int folder, const juce::String& file, const std::string& path)
                         {
                             return placeFile (folder, file.toRawUTF8(), to.current(), path);
                         },
                         [&] (const juce::String& folder)
                         {
                             return makeFolder (to.current(), folder.toRawUTF8()) && to.enter (folder.toRawUTF8());
                         },
                         [&] { return to.leave(); });
}

bool ArchiveProcedure::finish (const juce::String& archiveName, StoredPaths storedPaths)
{
    if (scratchFolder.get() < 0)
        return false;

    const auto written = ! failed && writeArchive (archiveName.toStdString(), storedPaths);

    if (written)
        FileReveal::reveal (juce::File (desktop.getFullPathName() + "/" + archiveName));

    removeScratchFolder();
    return written;
}

bool ArchiveProcedure::writeArchive (const std::string& archiveName, StoredPaths storedPaths)
{
    const auto storedPath = [storedPaths] (const std::string& path)
    {
        return storedPaths == StoredPaths::relativeToScratchFolder ? path : lastPart (path);
    };

    // Stored names that would land outside the folder they are unpacked in are left out.
    size_t numEntries = 0;
    juce::int64 largestEntry = 0;

    for (const auto& [path, recorded] : placed)
    {
        if (isSafeStoredPath (storedPath (path)))
        {
            ++numEntries;
            largestEntry = juce::jmax (largestEntry, recorded.length);
        }
    }

    ZipArchiveWriter writer (desktopFolder.get(), archiveName, numEntries, largestEntry);
    FolderChain chain (::openat (scratchFolder.get(), ".", folderFlags), false);

    const auto addFile = [&] (int folder, const juce::String& name, const std::string& path)
    {
        const auto found = placed.find (path);

        if (found == placed.end() || ! isSafeStoredPath (storedPath (path)))
            return true;

        const ScopedDescriptor file (GuardedFile::openRegularFile (folder, name.toRawUTF8()));
        return file.get() >= 0 && writer.add (file.get(), storedPath (path), found->second.length, found->second.modified);
    };

    return chain.current() >= 0
        && walkTree (chain, {}, addFile, [] (const juce::String&) { return true; }, [] { return true; })
        && writer.complete();
}

void ArchiveProcedure::removeScratchFolder() noexcept
{
    if (! scratchName.empty())
    {
        scratchFolder.reset();
        FolderListing::removeTree (desktopFolder.get(), scratchName.c_str());
    }

    scratchName.clear();
}
