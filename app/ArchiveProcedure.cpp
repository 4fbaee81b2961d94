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
#include "platform/FolderListing.h"

#include <cerrno>
#include <csignal>
#include <functional>
#include <set>
#include <sys/stat.h>
#include <utility>

namespace
{
    using FolderIdentity = std::pair<dev_t, ino_t>;

    bool folderIdentity (const juce::File& folder, FolderIdentity& identity)
    {
        struct stat info;

        if (::stat (folder.getFullPathName().toRawUTF8(), &info) != 0 || ! S_ISDIR (info.st_mode))
            return false;

        identity = { info.st_dev, info.st_ino };
        return true;
    }

    juce::File childOf (const juce::File& folder, const juce::String& name)
    {
        return juce::File (folder.getFullPathName() + "/" + name);
    }

    bool isSafeStoredPath (const juce::String& path)
    {
        // Zip readers on other systems also split at backslashes.
        juce::StringArray parts;
        parts.addTokens (path, "/\\", {});

        return path.isNotEmpty()
            && ! path.startsWithChar ('/')
            && ! path.startsWithChar ('\\')
            && ! parts.contains ("..");
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

    // mkdir fails on a name that is taken, so a folder it makes is this run's own;
    // another copy of the program may take a free name first. The names are those
    // getNonexistentChildFile gives, tried in turn, since a dangling link does not
    // "exist" for it but still takes its name.
    for (int number = 1; number <= 1000; ++number)
    {
        const auto candidate = childOf (desktop, number == 1 ? juce::String ("tempFolder")
                                                             : "tempFolder(" + juce::String (number) + ")");

        if (::mkdir (candidate.getFullPathName().toRawUTF8(), 0700) == 0)
        {
            scratchFolder = candidate;
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

void ArchiveProcedure::placeFile (const juce::File& source, const juce::File& destination)
{
    if (const auto recorded = FileSnapshot::place (source, destination))
        placed[destination.getFullPathName()] = *recorded;
}

void ArchiveProcedure::copyFile (const juce::File& source, const juce::String& destinationName)
{
    if (scratchFolder != juce::File())
        placeFile (source, childOf (scratchFolder, destinationName));
}

void ArchiveProcedure::copyFolder (const juce::File& source, const juce::String& destinationName)
{
    FolderIdentity sourceIdentity, scratchIdentity;

    if (scratchFolder == juce::File() || ! folderIdentity (source, sourceIdentity))
        return;

    // The scratch folder counts as entered: a link to the Desktop would otherwise
    // copy the growing scratch folder into itself.
    std::set<FolderIdentity> entered { sourceIdentity };

    if (folderIdentity (scratchFolder, scratchIdentity))
        entered.insert (scratchIdentity);

    const std::function<void (const juce::File&, const juce::File&)> copyTree = [&] (const juce::File& from, const juce::File& to)
    {
        to.createDirectory();

        for (const auto& entry : FolderListing::list (from))
        {
            const auto target = childOf (to, entry.file.getFileName());
            FolderIdentity identity;

            if (entry.kind == FolderListing::Kind::regularFile)
                placeFile (entry.file, target);
            else if (folderIdentity (entry.file, identity) && entered.insert (identity).second)
                copyTree (entry.file, target);
        }
    };

    copyTree (source, childOf (scratchFolder, destinationName));
}

bool ArchiveProcedure::finish (const juce::String& archiveName, StoredPaths storedPaths)
{
    if (scratchFolder == juce::File())
        return false;

    std::vector<ZipArchiveWriter::Entry> entries;

    const std::function<void (const juce::File&, const juce::String&)> addFolder = [&] (const juce::File& folder, const juce::String& prefix)
    {
        for (const auto& entry : FolderListing::list (folder))
        {
            const auto name = entry.file.getFileName();

            if (entry.kind == FolderListing::Kind::folder)
            {
                addFolder (entry.file, prefix + name + "/");
                continue;
            }

            const auto storedPath = storedPaths == StoredPaths::relativeToScratchFolder ? prefix + name : juce::String();
            const auto found = placed.find (entry.file.getFullPathName());

            if (entry.kind == FolderListing::Kind::regularFile && found != placed.end()
                 && isSafeStoredPath (storedPath.isEmpty() ? name : storedPath))
                entries.push_back ({ entry.file, storedPath, found->second.length, found->second.modified });
        }
    };

    addFolder (scratchFolder, {});

    const juce::File archive (desktop.getFullPathName() + "/" + archiveName);
    const auto written = ZipArchiveWriter::write (entries, archive);

    if (written)
        FileReveal::reveal (archive);

    removeScratchFolder();
    return written;
}

void ArchiveProcedure::removeScratchFolder() noexcept
{
    if (scratchFolder != juce::File())
        FolderListing::removeTree (scratchFolder);

    scratchFolder = juce::File();
}
