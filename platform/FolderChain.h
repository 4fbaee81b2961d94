/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#pragma once

#include <juce_core/juce_core.h>

#include <sys/stat.h>
#include <vector>

//==============================================================================
/**
    A chain of nested folders, entered one name at a time below an open root and
    held by descriptor, so that no path is ever formed: depth is bound neither by
    PATH_MAX nor by the descriptor limit. Only the deepest folder and the parents of
    folders entered through a link stay open. Leaving a folder opens its parent again
    through "..", which must be the very folder that was entered.
*/
class FolderChain final
{
public:
    /** Takes an open folder as the root. Links to folders are entered only when
        followLinks is set. A folder already on the chain, or the one to avoid (when
        given), is never entered: that would be a loop. A root that is the folder to
        avoid, or cannot be looked at, leaves the chain without a current folder.
    */
    FolderChain (int root, bool followLinks, const struct stat* avoided = nullptr);

    /** Closes every folder still open. */
    ~FolderChain();

    /** The deepest folder's descriptor, or -1 if it has been lost. */
    int current() const noexcept        { return levels.back().fd; }

    /** Enters a folder lying in the deepest one. Returns false, with errno set, if it
        is not a folder that can be entered; ELOOP if entering it would make a loop.
    */
    bool enter (const char* name);

    /** Leaves the deepest folder for its parent. Returns false, with errno set, if the
        parent could not be opened again or is no longer where it was (ENOENT); the
        chain then has no current folder until that one is left as well.
    */
    bool leave();

private:
    struct Level
    {
        dev_t device;
        ino_t inode;
        int fd;
    };

    std::vector<Level> levels;
    const bool followLinks;
    Level avoid { 0, 0, -1 };
    bool avoiding = false;

    bool isOnChain (const struct stat& folder) const noexcept;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (FolderChain)
};
