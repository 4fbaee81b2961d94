/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "LowMemory.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace
{
    // The process's VmSize in bytes, read without allocating, or 0.
    rlim_t currentAddressSpace()
    {
        char status[16384] {};
        const auto fd = ::open ("/proc/self/status", O_RDONLY | O_CLOEXEC);
        const auto length = fd >= 0 ? ::read (fd, status, sizeof (status) - 1) : -1;

        if (fd >= 0)
            ::close (fd);

        const auto* line = length > 0 ? std::strstr (status, "VmSize:") : nullptr;
        return line != nullptr ? (rlim_t) std::strtoull (line + 7, nullptr, 10) * 1024 : 0;
    }
}

LowMemory::LowMemory (size_t spareBytes, bool takeFreeHeap)
{
    // Reserved first, so that taking the heap never reallocates the list.
    taken.reserve (takeFreeHeap ? 1 << 20 : 0);
    ::getrlimit (RLIMIT_AS, &previousLimit);

    const rlimit limit { currentAddressSpace() + spareBytes, previousLimit.rlim_max };
    ::setrlimit (RLIMIT_AS, &limit);

    // Large sizes first, then every small size class down to the smallest, since
    // malloc serves a small request only from free blocks of about its own size.
    for (size_t size = 1 << 16; takeFreeHeap && size >= 8; size = size > 1024 ? size / 2 : size - 8)
        while (taken.size() < taken.capacity())
        {
            auto* block = std::malloc (size);

            if (block == nullptr)
                break;

            taken.push_back (block);
        }
}

LowMemory::~LowMemory()
{
    for (auto* block : taken)
        std::free (block);

    ::setrlimit (RLIMIT_AS, &previousLimit);
}
