/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#pragma once

#include <juce_core/juce_core.h>

#include <sys/stat.h>

//==============================================================================
/**
    Reads and replaces small files that anyone may have put in our way. Only a
    regular file is read, never past a size cap and never blocking; a replacement
    reaches the disk whole or not at all.
*/
class GuardedFile final
{
public:
    /** What read() found. */
    enum class ReadResult
    {
        read,       /**< The file was read whole. */
        missing,    /**< Nothing is at the path. */
        refused     /**< Something is there that is not read: a FIFO, a device, a folder,
                         a dangling link, a file that cannot be opened or is too large. */
    };

    /** Reads a regular file (a link is followed) of at most maxBytes bytes. */
    static ReadResult read (const juce::File& file, size_t maxBytes, juce::MemoryBlock& contents);

    /** Replaces a file's contents. The bytes go to a new file in the same folder,
        which is flushed to disk and then renamed over the old one. A link is written
        through: the new file replaces the link's final target, and the link stays.
        The permission bits of the old file are kept. A file this user may not write,
        or one that is not a regular file, is left alone. Returns false if anything
        failed; the old file is then as it was, and no temporary file remains.
    */
    static bool replace (const juce::File& file, const juce::MemoryBlock& contents);

    /** Opens a regular file for reading (a link to one counts) without blocking on a
        FIFO, and checks it on the opened descriptor. Anything else is closed again and
        gives -1, with errno ENOENT only when nothing is at the path. The file's status
        goes into info when given.
    */
    static int openRegularFile (const juce::File& file, struct stat* info = nullptr);

    /** Writes every byte, at the descriptor's position or, given an offset, there.
        Returns false if any byte did not reach the file (a full disk, a file-size
        limit with SIGXFSZ ignored).
    */
    static bool writeAll (int fd, const void* data, size_t numBytes, juce::int64 offset = -1);

    /** Creates an empty file that did not exist before, so that no other writer
        shares it, beside the target and hidden: "." + its name + "-" + random hex
        + suffix. Returns the open descriptor (or -1) and the new file's path.
    */
    static int createTemporarySibling (const std::string& targetPath, const char* suffix, int mode, std::string& created);

private:
    GuardedFile() = delete;
};
