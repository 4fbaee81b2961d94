/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include <gtest/gtest.h>

#include "app/MainComponent.h"
#include "app/MaintenanceActions.h"
#include "app/ProductDomains.h"
#include "platform/PreferenceDomain.h"
#include "support/TestHome.h"

#include <cstdlib>
#include <sys/wait.h>
#include <utility>
#include <vector>

namespace
{
    // Puts a folder in front of PATH while it lives.
    struct ScopedPath final
    {
        explicit ScopedPath (const juce::File& folder)  { setenv ("PATH", (folder.getFullPathName() + ":" + previous).toRawUTF8(), 1); }
        ~ScopedPath()                                   { setenv ("PATH", previous.toRawUTF8(), 1); }

        const juce::String previous = juce::SystemStats::getEnvironmentVariable ("PATH", {});

        JUCE_DECLARE_NON_COPYABLE (ScopedPath)
    };

    // Each domain file's contents, in the order of ProductDomains::all; "gone" for a missing one.
    juce::StringArray domainFiles()
    {
        juce::StringArray contents;

        for (auto* domain : ProductDomains::all)
            contents.add (PreferenceDomain::getFileForDomain (domain).existsAsFile()
                              ? PreferenceDomain::getFileForDomain (domain).loadFileAsString() : "gone");

        return contents;
    }

    const juce::String supportFolder = "Library/Application Support/";

    struct ToolResult   { int status; juce::String out, err; };

    // Runs the built tool through the shell, each output stream into its own file.
    ToolResult runDefaults (const TestHome& home, const juce::String& arguments)
    {
        const auto out = home["tool-out.txt"], err = home["tool-err.txt"];
        const auto state = std::system ((juce::String (QUILLON_DEFAULTS_TOOL).quoted ('\'') + " " + arguments + " >"
                                         + out.getFullPathName().quoted ('\'') + " 2>" + err.getFullPathName().quoted ('\'')).toRawUTF8());

        return { WIFEXITED (state) ? WEXITSTATUS (state) : -1, out.loadFileAsString(), err.loadFileAsString() };
    }
}

//==============================================================================
TEST (DeletePreferences, OurDefaultsRemovesOnlyThePrimaryDomainsAndAFreshPanelShowsLoggingOff)
{
    TestHome home;
    const ScopedPath path (juce::File (QUILLON_DEFAULTS_TOOL).getParentDirectory());

    for (auto* domain : ProductDomains::all)
        PreferenceDomain (domain).setInteger (ProductDomains::extendedLogLevel, ProductDomains::logLevelKey);

    auto expected = domainFiles();
    expected.set (0, "gone");   // com.tallowmere.Kestrava5
    expected.set (3, "gone");   // com.tallowmere.Palvero2

    MainComponent().deletePreferencesButton.onClick();
    EXPECT_EQ (domainFiles(), expected) << domainFiles().joinIntoString ("\n");

    MainComponent restarted;
    EXPECT_TRUE (restarted.enableExtendedLoggingButton.isEnabled() && ! restarted.disableExtendedLoggingButton.isEnabled());
}

TEST (DeletePreferences, AHangingCommandIsGivenOneSecondAndTheSecondStillRuns)
{
    TestHome home;

    // Logs its arguments, then runs until this test process has ended.
    home.writeFile ("bin/defaults", "#!/bin/sh\necho \"$*\" >> \"$HOME/calls.log\"\nexec tail --pid=$PPID -f /dev/null\n")
        .setExecutePermission (true);
    const ScopedPath path (home["bin"]);

    const auto start = juce::Time::getMillisecondCounterHiRes();
    MaintenanceActions::deletePreferences();
    const auto elapsed = juce::Time::getMillisecondCounterHiRes() - start;

    EXPECT_TRUE (elapsed >= 1900.0 && elapsed < 3000.0) << elapsed;
    EXPECT_EQ (home["calls.log"].loadFileAsString(), "delete com.tallowmere.Kestrava5\ndelete com.tallowmere.Palvero2\n");
}

//==============================================================================
TEST (DeleteSettingsFiles, DeletesFilesEndingInTheEndingsDirectlyInEitherFolder)
{
    TestHome home;

    const std::vector<std::pair<juce::String, bool>> shouldBeDeleted
    {
        { "Kestrava/Show.ksdisp",   true },     { "Kestrava/Show.KSDISP",       false },
        { "Kestrava/Showksar",      true },     { "Kestrava/Show.ksdisp.bak",   false },
        { "Kestrava/.hidden.kspr",  true },     { "Kestrava/Sub/Inner.ksar",    false },
        { "Palvero/Show.ksar",      true },     { "Palvero/Show.txt",           false }
    };

    for (const auto& [path, deleted] : shouldBeDeleted)
        home.writeFile (supportFolder + path, "x");

    // Empty, so that deleting it would succeed.
    ASSERT_TRUE (home[supportFolder + "Kestrava/Bundle.ksdisp"].createDirectory());

    MainComponent().deleteSettingsFilesButton.onClick();

    for (const auto& [path, deleted] : shouldBeDeleted)
        EXPECT_EQ (home[supportFolder + path].exists(), ! deleted) << path;

    EXPECT_TRUE (home[supportFolder + "Kestrava/Bundle.ksdisp"].isDirectory());

    // With one folder missing the other is still cleaned, and the missing one is not created.
    ASSERT_TRUE (home[supportFolder + "Kestrava"].deleteRecursively());
    home.writeFile (supportFolder + "Palvero/Show.kspr", "x");
    MaintenanceActions::deleteSettingsFiles();

    EXPECT_FALSE (home[supportFolder + "Palvero/Show.kspr"].exists() || home[supportFolder + "Kestrava"].exists());
}

//==============================================================================
TEST (DefaultsTool, DeletesAnExistingDomainOnlyAndOtherwiseFailsWithOneLine)
{
    TestHome home;
    const auto domainFile = home.writeFile ("Library/Preferences/com.tallowmere.Palvero2.plist", "x");

    // An empty folder in the file's place is no domain, and deleting it would succeed.
    const auto folder = home["Library/Preferences/com.tallowmere.Palvero3.plist"];
    ASSERT_TRUE (folder.createDirectory());

    // The arguments and what the one line on stderr must mention; the last one succeeds silently.
    const std::vector<std::pair<juce::String, juce::String>> cases
    {
        { "delete com.tallowmere.Palvero",                          "com.tallowmere.Palvero" },     // missing
        { "delete com.tallowmere.Palvero3",                         "com.tallowmere.Palvero3" },    // a folder
        { "delete ../escape",                                       "../escape" },                  // refused
        { "delete",                                                 "usage" },
        { "read com.tallowmere.Palvero2",                           "usage" },
        { "delete com.tallowmere.Palvero2 ApplicationLogLevel",     "usage" },
        { "delete com.tallowmere.Palvero2",                         {} }
    };

    for (const auto& [arguments, reason] : cases)
    {
        const auto r = runDefaults (home, arguments);

        EXPECT_TRUE ((r.status == 0) == reason.isEmpty() && r.out.isEmpty()) << arguments << " gave " << r.status << ": " << r.out;
        EXPECT_TRUE (reason.isEmpty() ? r.err.isEmpty() : (r.err.contains (reason) && r.err.indexOfChar ('\n') == r.err.length() - 1)) << arguments << ": " << r.err;
        EXPECT_TRUE (domainFile.exists() == reason.isNotEmpty() && folder.isDirectory()) << arguments;
    }
}
