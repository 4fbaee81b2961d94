/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#pragma once

#include "platform/FileSnapshot.h"
#include "platform/ScopedDescriptor.h"

#include <functional>
#include <map>
#include <string>
#include <sys/stat.h>

//==============================================================================
/**
    The procedure both log collections share. Making the object prepares a scratch
    folder on the Desktop that belongs to this run alone; the collection places its
    sources in it; finish() packs the scratch folder into an archive on the Desktop,
    reveals it and removes the scratch folder.

    A collection is whole or absent. Only regular files are ever opened: a source
    that is not one (a FIFO, a socket, a device, a dangling link), is missing or
    cannot be read is passed over, as are names that are not valid UTF-8. A selected
    file that cannot be placed for want of space, of a larger file-size limit, of
    descriptors or of memory, or because a path is too long, fails the collection:
    nothing more is placed, and finish() writes no archive. Each file is archived
    as it was when it was placed: its length and modification time then.

    Everything below the Desktop is reached by descriptor, one name at a time, so
    depth alone fails nothing.
*/
class ArchiveProcedure final
{
public:
    /** How an entry's stored path is formed. */
    enum class StoredPaths
    {
        relativeToScratchFolder,    /**< Sub-folders kept, parts separated by "/". */
        fileNamesOnly               /**< A flat archive: each entry under its file's name. */
    };

    /** Preparing: creates a scratch folder on the Desktop that did not exist before,
        "tempFolder" when that name is free, otherwise the next free numbered name.
    */
    ArchiveProcedure();

    /** Removes the scratch folder if finish() has not already done so. */
    ~ArchiveProcedure();

    /** Places a regular file in the scratch folder under the given name, replacing an
        earlier one of that name (or a folder) once it has opened.
    */
    void copyFile (const juce::File& source, const juce::String& destinationName);

    /** Places each file lying directly in a folder whose name passes the test, under
        its own name, as copyFile() does.
    */
    void copyFilesIn (const juce::File& folder, const std::function<bool (const juce::String&)>& isWanted);

    /** Places a folder, if it exists, with everything in it, hidden files and empty
        folders included, in the scratch folder under the given name, which it takes
        from an earlier file. Links are followed, so a folder reached by two paths is
        placed under both; only a link back to a folder on its own path, or to the
        scratch folder, is not followed, as that would never end.
    */
    void copyFolder (const juce::File& source, const juce::String& destinationName);

    /** Finishing: unless the collection has failed, writes every file of the scratch
        folder into the archive of the given name on the Desktop (deflate level 5) and
        reveals the archive once it is complete; then removes the scratch folder.
        Without a scratch folder, or when the collection failed, nothing on the Desktop
        changes. When writing fails, no archive of that name is left and nothing is
        revealed. Returns true if the archive was written.
    */
    bool finish (const juce::String& archiveName, StoredPaths storedPaths);

private:
    juce::File desktop;
    ScopedDescriptor desktopFolder, scratchFolder;
    std::string scratchName;
    struct stat scratchInfo {};
    bool failed = false;

    // Each file placed, by its path in the scratch folder.
    std::map<std::string, FileSnapshot::Recorded> placed;
    void (*previousFileSizeHandler) (int) = nullptr;

    bool isGathering() const noexcept;
    bool placeFile (int sourceFolder, const char* sourceName, int destinationFolder, const std::string& path);
    bool writeArchive (const std::string& archiveName, StoredPaths storedPaths);
    void removeScratchFolder() noexcept;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ArchiveProcedure)
};
