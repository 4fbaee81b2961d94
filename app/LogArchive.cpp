/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "LogArchive.h"

#include <new>

namespace
{
    struct PreferenceFile
    {
        const char* source;
        const char* name;
    };

    // The six product domains' files, in the domains' usual order.
    constexpr PreferenceFile preferenceFiles[]
    {
        { "~/Library/Preferences/com.tallowmere.Kestrava5.plist", "com.tallowmere.Kestrava5.plist" },
        { "~/Library/Preferences/com.tallowmere.Kestrava6.plist", "com.tallowmere.Kestrava6.plist" },
        { "~/Library/Preferences/com.tallowmere.Kestrava.plist",  "com.tallowmere.Kestrava.plist" },
        { "~/Library/Preferences/com.tallowmere.Palvero2.plist",  "com.tallowmere.Palvero2.plist" },
        { "~/Library/Preferences/com.tallowmere.Palvero3.plist",  "com.tallowmere.Palvero3.plist" },
        { "~/Library/Preferences/com.tallowmere.Palvero.plist",   "com.tallowmere.Palvero.plist" }
    };

    bool anyFile (const juce::String&)     { return true; }
}

void LogArchive::collectProductLogs()
{
    run ([] (ArchiveProcedure& procedure)
    {
        procedure.copyFilesIn (juce::File ("~/Library/Logs/DiagnosticReports"), [] (const juce::String& name)
        {
            return name.contains ("Kestrava") || name.contains ("Palvero");
        });

        // Same-named files meet in the scratch folder: the later source wins, also when
        // one of them is a folder (a log named like its product).
        procedure.copyFilesIn (juce::File ("~/Library/Logs/Kestrava"), anyFile);
        procedure.copyFilesIn (juce::File ("~/Library/Logs/Palvero"), anyFile);

        procedure.copyFolder (juce::File ("~/Library/Application Support/Kestrava"), "Kestrava");
        procedure.copyFolder (juce::File ("~/Library/Application Support/Palvero"), "Palvero");

        for (const auto& preferenceFile : preferenceFiles)
            procedure.copyFile (juce::File (preferenceFile.source), preferenceFile.name);
    },
    "TLM_Logs.zip", ArchiveProcedure::StoredPaths::relativeToScratchFolder);
}

void LogArchive::collectProToolsLogs()
{
    run ([] (ArchiveProcedure& procedure)
    {
        procedure.copyFilesIn (juce::File ("~/Library/Logs/Avid"), [] (const juce::String& name)
        {
            return name.contains ("Pro_Tools") && ! name.contains ("Video");
        });
    },
    "PT_Logs.zip", ArchiveProcedure::StoredPaths::fileNamesOnly);
}

void LogArchive::run (const std::function<void (ArchiveProcedure&)>& collect,
                      const juce::String& archiveName, ArchiveProcedure::StoredPaths storedPaths)
{
    try
    {
        ArchiveProcedure procedure;
        collect (procedure);
        procedure.finish (archiveName, storedPaths);
    }
    catch (const std::bad_alloc&)
    {
        // The procedure has removed its scratch folder on the way out.
    }
}
