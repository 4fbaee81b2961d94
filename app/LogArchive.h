/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#pragma once

#include <juce_core/juce_core.h>

#include <functional>

class ArchiveProcedure;

//==============================================================================
/**
    The two log collections of the panel. Each gathers its sources into a scratch
    folder on the Desktop and packs them into a zip archive beside it.
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

    /** Copies the files lying directly in a folder whose names pass the test. */
    static void copyFilesIn (const ArchiveProcedure& procedure, const juce::File& folder,
                             const std::function<bool (const juce::String&)>& isWanted);
};
