/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "LogArchive.h"

#include "ArchiveProcedure.h"

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
    ArchiveProcedure procedure;

    copyFilesIn (procedure, juce::File ("~/Library/Logs/DiagnosticReports"), [] (const juce::String& name)
    {
        return name.contains ("Kestrava") || name.contains ("Palvero");
    });

    // Same-named files meet in the scratch folder: the later source wins.
    copyFilesIn (procedure, juce::File ("~/Library/Logs/Kestrava"), anyFile);
    copyFilesIn (procedure, juce::File ("~/Library/Logs/Palvero"), anyFile);

    procedure.copyFolder (juce::File ("~/Library/Application Support/Kestrava"), "Kestrava");
    procedure.copyFolder (juce::File ("~/Library/Application Support/Palvero"), "Palvero");

    for (const auto& preferenceFile : preferenceFiles)
        procedure.copyFile (juce::File (preferenceFile.source), preferenceFile.name);

    procedure.finish ("TLM_Logs.zip", ArchiveProcedure::StoredPaths::relativeToScratchFolder);
}

void LogArchive::collectProToolsLogs()
{
    ArchiveProcedure procedure;

    copyFilesIn (procedure, juce::File ("~/Library/Logs/Avid"), [] (const juce::String& name)
    {
        return name.contains ("Pro_Tools") && ! name.contains ("Video");
    });

    procedure.finish ("PT_Logs.zip", ArchiveProcedure::StoredPaths::fileNamesOnly);
}

void LogArchive::copyFilesIn (const ArchiveProcedure& procedure, const juce::File& folder,
                              const std::function<bool (const juce::String&)>& isWanted)
{
    for (const auto& entry : juce::RangedDirectoryIterator (folder, false, "*", juce::File::findFiles))
    {
        const auto& file = entry.getFile();
        const auto name = file.getFileName();

        if (isWanted (name))
            procedure.copyFile (file, name);
    }
}
