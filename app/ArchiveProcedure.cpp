/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "ArchiveProcedure.h"

#include "ZipArchiveWriter.h"

#include <cerrno>
#include <csignal>
#include <set>
#include <sys/stat.h>
#include <utility>

namespace
{
    using FolderIdentity = std::pair<dev_t, ino_t>;

    bool statFollowingLinks (const juce::File& file, struct stat& info)
    {
        return ::stat (file.getFullPathName().toRawUTF8(), &info) == 0;
    }

    // Looked at without opening the file: opening a FIFO blocks, and reading a
    // device may never end.
    bool isRegularFile (const juce::File& file)
    {
        struct stat info;
        return statFollowingLinks (file, info) && S_ISREG (info.st_mode);
    }

    void copyRegularFile (const juce::File& source, const juce::File& destination)
    {
        if (! isRegularFile (source))
            return;

        // copyFileTo does not notice failed writes (a full disk, a file-size limit):
        // a copy shorter than its source is a failed one, and is not archived.
        const auto sourceLength = source.getSize();

        if (source.copyFileTo (destination) && destination.getSize() >= sourceLength)
            return;

        if (destination.existsAsFile())
            destination.deleteFile();
    }

    void copyTree (const juce::File& source, const juce::File& destination, std::set<FolderIdentity>& entered)
    {
        destination.createDirectory();

        for (const auto& entry : juce::RangedDirectoryIterator (source, false, "*", juce::File::findFilesAndDirectories))
        {
            const auto& file = entry.getFile();
            const juce::File target (destination.getFullPathName() + "/" + file.getFileName());
            struct stat info;

            if (! statFollowingLinks (file, info))
                continue;

            if (S_ISDIR (info.st_mode))
            {
                if (entered.insert ({ info.st_dev, info.st_ino }).second)
                    copyTree (file, target, entered);
            }
            else if (S_ISREG (info.st_mode))
            {
                copyRegularFile (file, target);
            }
        }
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
    : desktop (juce::File::getSpecialLocation (juce::File::userDesktopDirectory))
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
        const auto candidate = desktop.getChildFile (number == 1 ? juce::String ("tempFolder")
                                                                 : "tempFolder(" + juce::String (number) + ")");

        if (::mkdir (candidate.getFullPathName().toRawUTF8(), 0777) == 0)
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

juce::File ArchiveProcedure::scratchChild (const juce::String& name) const
{
    if (scratchFolder == juce::File())
        return {};

    return juce::File (scratchFolder.getFullPathName() + "/" + name);
}

void ArchiveProcedure::copyFile (const juce::File& source, const juce::String& destinationName) const
{
    if (const auto destination = scratchChild (destinationName); destination != juce::File())
        copyRegularFile (source, destination);
}

void ArchiveProcedure::copyFolder (const juce::File& source, const juce::String& destinationName) const
{
    const auto destination = scratchChild (destinationName);
    struct stat info, scratchInfo;

    if (destination == juce::File() || ! statFollowingLinks (source, info) || ! S_ISDIR (info.st_mode))
        return;

    // The scratch folder counts as entered: a link to the Desktop would otherwise
    // copy the growing scratch folder into itself.
    std::set<FolderIdentity> entered { { info.st_dev, info.st_ino } };

    if (statFollowingLinks (scratchFolder, scratchInfo))
        entered.insert ({ scratchInfo.st_dev, scratchInfo.st_ino });

    copyTree (source, destination, entered);
}

bool ArchiveProcedure::finish (const juce::String& archiveName, StoredPaths storedPaths)
{
    const juce::File archive (desktop.getFullPathName() + "/" + archiveName);

    juce::Array<juce::File> files;

    if (scratchFolder != juce::File())
        scratchFolder.findChildFiles (files, juce::File::findFiles, true, "*");

    std::vector<ZipArchiveWriter::Entry> entries;

    for (const auto& file : files)
    {
        const auto storedPath = storedPaths == StoredPaths::relativeToScratchFolder
                                    ? file.getRelativePathFrom (scratchFolder)
                                    : juce::String();

        if (isRegularFile (file) && isSafeStoredPath (storedPath.isEmpty() ? file.getFileName() : storedPath))
            entries.push_back ({ file, storedPath });
    }

    const auto written = ZipArchiveWriter::write (entries, archive);

    if (written)
        archive.revealToUser();

    removeScratchFolder();
    return written;
}

void ArchiveProcedure::removeScratchFolder()
{
    if (scratchFolder != juce::File())
        scratchFolder.deleteRecursively();

    scratchFolder = juce::File();
}
