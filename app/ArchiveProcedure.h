/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#pragma once

#include "platform/FileSnapshot.h"

#include <map>

//==============================================================================
/**
    The procedure both log collections share. Making the object prepares a scratch
    folder on the Desktop that belongs to this run alone; the collection places its
    sources in it; finish() packs the scratch folder into an archive on the Desktop,
    reveals it and removes the scratch folder.

    Only regular files are ever opened: FIFOs, sockets, devices and dangling links
    in a source are passed over, as are names that are not valid UTF-8. Each file
    is archived as it was when it was placed: its length and modification time then.
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
        earlier one of that name. Anything else at the source is passed over.
    */
    void copyFile (const juce::File& source, const juce::String& destinationName);

    /** Places a folder with everything in it, hidden files and empty folders included,
        in the scratch folder under the given name. Links are followed, but each real
        folder is entered once only, so link loops end; a file that cannot be placed
        is left out and the rest goes on.
    */
    void copyFolder (const juce::File& source, const juce::String& destinationName);

    /** Finishing: writes every file of the scratch folder into the archive of the given
        name on the Desktop (deflate level 5), reveals the archive once it is complete,
        and removes the scratch folder. Without a scratch folder nothing on the Desktop
        changes. On failure no archive of that name is left and nothing is revealed.
        Returns true if the archive was written.
    */
    bool finish (const juce::String& archiveName, StoredPaths storedPaths);

private:
    juce::File desktop, scratchFolder;
    std::map<juce::String, FileSnapshot::Recorded> placed;
    void (*previousFileSizeHandler) (int) = nullptr;

    void placeFile (const juce::File& source, const juce::File& destination);
    void removeScratchFolder() noexcept;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ArchiveProcedure)
};
