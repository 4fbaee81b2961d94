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
    Places a regular file into a scratch folder as cheaply as the file systems
    allow, and records the length and time it had when it was opened, which are
    what an archive stores of it.

    A hard link costs nothing; it is the user's own file, so nothing may ever open
    the placed file for writing. Where no link can be made (another file system,
    or a system that forbids it), a copy-on-write clone, then a kernel-side copy,
    then a read/write loop, each bounded by the recorded length: a log that grows
    while it is copied is taken as it was when opened, and a log replaced by
    rotation meanwhile yields the file that was opened.
*/
class FileSnapshot final
{
public:
    /** What was recorded of the source when it was opened. */
    struct Recorded
    {
        juce::int64 length = 0;
        juce::Time modified;
    };

    /** How the file was placed. */
    enum class Method
    {
        link,
        clone,
        copy
    };

    /** What became of a source. */
    enum class Outcome
    {
        placed,
        passedOver,     /**< The source is not a regular file that can be read: missing, a FIFO, a
                             device, a dangling link, unreadable. Whatever stood at the destination
                             stays, unless the source failed only after it had opened. */
        failed          /**< A shortage on our side (see GuardedFile::isShortage). Nothing new
                             stands at the destination. */
    };

    /** What became of a source, and what was recorded of it when placed. */
    struct Placement
    {
        Outcome outcome;
        Recorded recorded;
    };

    /** Places the source, a name (or a path) relative to an open folder, under a name in
        another open folder. Only a regular file is placed (a link to one counts), and only
        once it has opened does it replace whatever stood at the destination, a folder
        with its contents included. A copy cut short by a failed write (a full disk, a
        file-size limit) fails.
    */
    static Placement place (int sourceFolder, const char* sourceName, int destinationFolder, const char* destinationName,
                            Method* methodUsed = nullptr);

private:
    FileSnapshot() = delete;
};
