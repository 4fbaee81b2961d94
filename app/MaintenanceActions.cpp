/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "MaintenanceActions.h"

#include "ProductDomains.h"
#include "platform/FolderListing.h"

#include <algorithm>
#include <array>

namespace
{
    constexpr int commandTimeoutMs = 1000;

    constexpr std::array<const char*, 2> settingsFolders
    {
        "~/Library/Application Support/Kestrava",
        "~/Library/Application Support/Palvero"
    };

    // Plain, case-sensitive endings of the whole file name: no dot is required.
    constexpr std::array<const char*, 3> settingsFileEndings { "ksdisp", "ksar", "kspr" };

    bool isSettingsFileName (const juce::String& fileName)
    {
        return std::any_of (settingsFileEndings.begin(), settingsFileEndings.end(),
                            [&fileName] (const char* ending) { return fileName.endsWith (ending); });
    }
}

//==============================================================================
void MaintenanceActions::deletePreferences()
{
    // One object serves both commands. Starting the second one releases the first
    // child without stopping it, so a first command that hangs cannot keep the second
    // from running. A child that outlives its wait is left alone and, once it ends,
    // stays a zombie until the program quits: collecting it would need a timer or a
    // thread, and this program runs none of its own.
    juce::ChildProcess process;

    for (auto* domain : ProductDomains::primary)
    {
        // The output goes into the pipe and is never read; nor is the outcome.
        process.start ("defaults delete " + juce::String (domain),
                       juce::ChildProcess::wantStdOut | juce::ChildProcess::wantStdErr);
        process.waitForProcessToFinish (commandTimeoutMs);
    }
}

void MaintenanceActions::deleteSettingsFiles()
{
    for (auto* folder : settingsFolders)
    {
        // What lies directly in the folder, hidden names included; folders (links to
        // folders too) are neither entered nor deleted.
        for (const auto& entry : FolderListing::list (juce::File (folder)))
            if (entry.kind != FolderListing::Kind::folder && isSettingsFileName (entry.file.getFileName()))
                entry.file.deleteFile();
    }
}
