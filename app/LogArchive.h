/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#pragma once

#include "ArchiveProcedure.h"

#include <functional>

//==============================================================================
/**
    The two log collections of the panel. Each gathers its sources into a scratch
    folder on the Desktop and packs them into a zip archive beside it. Running out
    of memory ends a collection as a failed one, as any shortage does (see
    ArchiveProcedure): no archive, nothing left behind.
*/
class LogArchive final
{
public:
    /** Gathers the products' crash reports, logs, Application Support folders and
        preference files into "TLM_Logs.zip" on the Desktop.
    */
    static void collectProductLogs();

    /** Gathers the Pro Tools logs into the flat archive "PT_Logs.zip" on the Desktop. */
    static void collectProToolsLogs();

private:
    LogArchive() = delete;

    static void run (const std::function<void (ArchiveProcedure&)>& collect,
                     const juce::String& archiveName, ArchiveProcedure::StoredPaths storedPaths);
};
