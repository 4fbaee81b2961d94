/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#pragma once

#include <juce_core/juce_core.h>

#include <fcntl.h>
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

    /** Opens a regular file for reading (a link to one counts). Its kind is found
        before anything is opened, so a FIFO's waiting writer is never released and no
        device is ever opened, and is checked again on the opened descriptor. Anything
        else gives -1, with errno ENOENT only when nothing is at the path; a shortage
        (see isShortage) keeps its own errno. The file's status goes into info when given.
    */
    static int openRegularFile (const juce::File& file, struct stat* info = nullptr);

    /** The same for a name (or a path) relative to an open folder. */
    static int openRegularFile (int folder, const char* name, struct stat* info = nullptr);

    /** True for an errno that tells of a shortage on the side of whoever reads or writes,
        not of a fault of the file: no space, a file-size limit, a path too long, no
        descriptors or no memory left.
    */
    static bool isShortage (int error) noexcept;

    /** Writes every byte, at the descriptor's position or, given an offset, there.
        Returns false if any byte did not reach the file (a full disk, a file-size
        limit with SIGXFSZ ignored).
    */
    static bool writeAll (int fd, const void* data, size_t numBytes, juce::int64 offset = -1);

    /** Creates an empty file that did not exist before, so that no other writer
        shares it, beside the target and hidden: "." + its name + "-" + random hex
        + suffix. The target's path is taken relative to the given folder descriptor.
        Returns the open descriptor (or -1) and the new file's path, relative likewise.
    */
    static int createTemporarySibling (const std::string& targetPath, const char* suffix, int mode, std::string& created,
                                       int folder = AT_FDCWD);

private:
    GuardedFile() = delete;
};
