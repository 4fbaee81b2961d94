/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

// Runs log collections in a process of its own, for the tests that need a second
// process, a file-size limit, or a bound on a collection that might hang.
//
//     ArchiveRunner [--file-size-limit BYTES] products|protools ...

#include "app/LogArchive.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>

int main (int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp (argv[i], "--file-size-limit") == 0 && i + 1 < argc)
        {
            const auto bytes = (rlim_t) std::strtoull (argv[++i], nullptr, 10);
            const rlimit limit { bytes, bytes };

            if (setrlimit (RLIMIT_FSIZE, &limit) != 0)
                return 2;
        }
        else if (std::strcmp (argv[i], "products") == 0)
        {
            LogArchive::collectProductLogs();
        }
        else if (std::strcmp (argv[i], "protools") == 0)
        {
            LogArchive::collectProToolsLogs();
        }
        else
        {
            std::fprintf (stderr, "unknown argument: %s\n", argv[i]);
            return 2;
        }
    }

    return 0;
}
