/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#pragma once

#include <juce_core/juce_core.h>

#include <cerrno>
#include <unistd.h>

//==============================================================================
/**
    Owns an open file descriptor and closes it when it goes, also when an
    allocation failure unwinds past it. A negative descriptor is none.
*/
class ScopedDescriptor final
{
public:
    /** Takes ownership of the descriptor. */
    explicit ScopedDescriptor (int descriptor = -1) noexcept : fd (descriptor) {}

    /** Closes the descriptor, keeping errno as it was. */
    ~ScopedDescriptor()                     { reset(); }

    /** The descriptor, still owned. */
    int get() const noexcept                { return fd; }

    /** Gives up ownership of the descriptor and returns it. */
    int release() noexcept                  { const auto released = fd; fd = -1; return released; }

    /** Closes the descriptor held, if any, keeping errno as it was, and takes another. */
    void reset (int descriptor = -1) noexcept
    {
        if (fd >= 0)
        {
            const auto error = errno;
            ::close (fd);
            errno = error;
        }

        fd = descriptor;
    }

private:
    int fd;

    JUCE_DECLARE_NON_COPYABLE (ScopedDescriptor)
};
