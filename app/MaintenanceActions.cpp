/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "MaintenanceActions.h"

#include "ProductDomains.h"
#include "platform/FolderListing.h"
#include "platform/StrictUtf8.h"

#include <algorithm>
#include <array>

#if JUCE_LINUX
 #include <climits>
 #include <unistd.h>
#endif

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

    // The command for "defaults": on Linux the stand-in built beside this program when
    // there is one, since a program started from a file manager or a desktop entry
    // does not have its own folder on the search path; otherwise the one found there.
    juce::String defaultsCommand()
    {
       #if JUCE_LINUX
        // The kernel's link, not JUCE's currentExecutableFile: that one is argv[0]
        // taken relative to the working folder, wrong for a program started by name.
        char path[PATH_MAX];
        const auto length = ::readlink ("/proc/self/exe", path, sizeof (path));

        if (length > 0 && (size_t) length < sizeof (path))
        {
            if (const auto executable = StrictUtf8::toString (path, (size_t) length))
            {
                const auto beside = juce::File (*executable).getSiblingFile ("defaults");

                if (::access (beside.getFullPathName().toRawUTF8(), X_OK) == 0 && beside.existsAsFile())
                    return beside.getFullPathName();
            }
        }
       #endif

        return "defaults";
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
    const auto command = defaultsCommand();

    for (auto* domain : ProductDomains::primary)
    {
        // The output goes into the pipe and is never read; nor is the outcome. Separate
        // words keep a path with blanks in one piece.
        process.start (juce::StringArray { command, "delete", domain },
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
