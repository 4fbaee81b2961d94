/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#pragma once

#include <juce_core/juce_core.h>

#include <vector>

//==============================================================================
/**
    Folder listings and removal that are safe on any name a file system holds.

    JUCE's directory iteration turns each raw name into a String sized by decoding
    it as UTF-8 but filled with the raw bytes, so a name that is not valid UTF-8
    overruns the heap. Here a name becomes a String only when it is strictly valid
    UTF-8; any other name is passed over, and is never read, copied or deleted.
*/
class FolderListing final
{
public:
    /** What a name leads to, links followed. */
    enum class Kind
    {
        regularFile,
        folder,
        other       /**< FIFOs, sockets, devices, dangling links. */
    };

    /** One name found in a folder. */
    struct Entry
    {
        juce::File file;
        Kind kind;
    };

    /** One name found in an open folder. */
    struct Name
    {
        juce::String name;
        Kind kind;
    };

    /** Everything that lies directly in a folder, hidden names included, in the order
        the file system gives; "." and ".." are left out. A missing or unreadable
        folder gives nothing.
    */
    static std::vector<Entry> list (const juce::File& folder);

    /** The same for an open folder, which stays open. Returns false, with errno set,
        if the folder could not be read.
    */
    static bool list (int folder, std::vector<Name>& names);

    /** Removes the folder (or whatever else stands there) of the given name in an open
        folder, with everything in it. Links are removed, never followed, so nothing
        outside is touched. Only a few descriptors are open at any time, whatever the
        depth. Does nothing when nothing is there.
    */
    static void removeTree (int parent, const char* name) noexcept;

private:
    FolderListing() = delete;
};
