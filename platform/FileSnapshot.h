/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#pragma once

#include <juce_core/juce_core.h>

#include <optional>

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

    /** Places the source at the destination, replacing whatever was there. Only a
        regular file is placed (a link to one counts); anything else, or a failure,
        leaves nothing at the destination and gives nothing. A copy cut short by a
        failed write (a full disk, a file-size limit) counts as a failure.
    */
    static std::optional<Recorded> place (const juce::File& source, const juce::File& destination,
                                          Method* methodUsed = nullptr);

private:
    FileSnapshot() = delete;
};
