/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#pragma once

#include <juce_core/juce_core.h>

//==============================================================================
/**
    The procedure both log collections share. Making the object prepares a scratch
    folder on the Desktop that belongs to this run alone; the collection copies its
    sources into it; finish() packs the scratch folder into an archive on the
    Desktop, reveals it and removes the scratch folder.

    Only regular files are ever opened: FIFOs, sockets, devices and dangling links
    in a source are passed over.
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

    /** Copies a regular file into the scratch folder under the given name, replacing
        an earlier copy of that name. Anything else at the source is passed over.
    */
    void copyFile (const juce::File& source, const juce::String& destinationName) const;

    /** Copies a folder with everything in it, hidden files and empty folders included,
        into the scratch folder under the given name. Links are followed, but each real
        folder is entered once only, so link loops end; a file that cannot be copied
        is left out and the copy goes on.
    */
    void copyFolder (const juce::File& source, const juce::String& destinationName) const;

    /** Finishing: writes every file of the scratch folder into the archive of the given
        name on the Desktop (deflate level 5), reveals the archive once it is complete,
        and removes the scratch folder. On failure no archive of that name is left and
        nothing is revealed. Returns true if the archive was written.
    */
    bool finish (const juce::String& archiveName, StoredPaths storedPaths);

private:
    juce::File desktop, scratchFolder;
    void (*previousFileSizeHandler) (int) = nullptr;

    juce::File scratchChild (const juce::String& name) const;
    void removeScratchFolder();

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ArchiveProcedure)
};
