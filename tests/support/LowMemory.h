/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#pragma once

#include <juce_core/juce_core.h>

#include <sys/resource.h>
#include <vector>

//==============================================================================
/**
    Leaves the process little or no memory to allocate while the object lives: the
    address space is capped a given amount above what the process uses now and,
    when asked, the heap's free blocks of every size are taken up as well, so that
    even the smallest allocation fails. Meant for a forked child, since the cap
    also holds for everything else the process does; the destructor gives it all
    back. Cannot work under AddressSanitizer, which needs far more address space.
*/
class LowMemory final
{
public:
    /** Caps the address space spareBytes above its current size and, if
        takeFreeHeap is set, takes up the heap's free memory.
    */
    LowMemory (size_t spareBytes, bool takeFreeHeap);

    /** Frees what was taken and lifts the cap. */
    ~LowMemory();

private:
    std::vector<void*> taken;
    rlimit previousLimit {};

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (LowMemory)
};
