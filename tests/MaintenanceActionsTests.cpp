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
#include <fstream>
#include <utility>

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

    const juce::String supportFolder = "Library/Application Support/";
}

//==============================================================================
TEST (DeletePreferences, OurDefaultsRemovesOnlyThePrimaryDomainsAndAFreshPanelShowsLoggingOff)
{
    TestHome home;
    const ScopedPath path (juce::File (QUILLON_DEFAULTS_TOOL).getParentDirectory());

    for (auto* domain : ProductDomains::all)
        PreferenceDomain (domain).setInteger (ProductDomains::extendedLogLevel, ProductDomains::logLevelKey);

    MainComponent().deletePreferencesButton.onClick();

    for (auto* domain : ProductDomains::all)
        EXPECT_NE (PreferenceDomain::getFileForDomain (domain).existsAsFile(),
                   juce::StringArray ("com.tallowmere.Kestrava5", "com.tallowmere.Palvero2").contains (domain)) << domain;

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

TEST (DeletePreferences, WithoutADefaultsToolOnThePathItReturnsAtOnce)
{
    TestHome home;
    const auto previous = juce::SystemStats::getEnvironmentVariable ("PATH", {});
    setenv ("PATH", home.getFolder().getFullPathName().toRawUTF8(), 1);

    const auto start = juce::Time::getMillisecondCounterHiRes();
    MaintenanceActions::deletePreferences();
    EXPECT_LT (juce::Time::getMillisecondCounterHiRes() - start, 800.0);

    setenv ("PATH", previous.toRawUTF8(), 1);
}

//==============================================================================
TEST (DeleteSettingsFiles, DeletesFilesEndingInTheEndingsDirectlyInEitherFolder)
{
    TestHome home;

    // With the first folder missing the second is still cleaned, and the missing one is not created.
    home.writeFile (supportFolder + "Palvero/Show.kspr", "x");
    MaintenanceActions::deleteSettingsFiles();
    EXPECT_FALSE (home[supportFolder + "Palvero/Show.kspr"].exists() || home[supportFolder + "Kestrava"].exists());

    const juce::StringArray deleted { "Kestrava/Show.ksdisp", "Kestrava/Showksar", "Kestrava/.hidden.kspr", "Palvero/Show.ksar" },
                            kept    { "Kestrava/Show.KSDISP", "Kestrava/Show.ksdisp.bak", "Kestrava/Sub/Inner.ksar", "Palvero/Show.txt" };

    for (auto* list : { &deleted, &kept })
        for (const auto& file : *list)
            home.writeFile (supportFolder + file, "x");

    // Empty, so that deleting it would succeed.
    ASSERT_TRUE (home[supportFolder + "Kestrava/Bundle.ksdisp"].createDirectory());

    // A name that is not UTF-8 is passed over, and must not upset the rest.
    const auto notUtf8 = (home[supportFolder + "Kestrava"].getFullPathName() + "/Show").toStdString() + "\xe9.ksar";
    std::ofstream (notUtf8) << "x";

    MainComponent().deleteSettingsFilesButton.onClick();

    EXPECT_TRUE (std::ifstream (notUtf8).good());

    for (auto* list : { &deleted, &kept })
        for (const auto& file : *list)
            EXPECT_EQ (home[supportFolder + file].exists(), list == &kept) << file;

    EXPECT_TRUE (home[supportFolder + "Kestrava/Bundle.ksdisp"].isDirectory());
}

//==============================================================================
TEST (DefaultsTool, DeletesAnExistingDomainOnlyAndOtherwiseFailsWithOneLine)
{
    TestHome home;
    const ScopedPath path (juce::File (QUILLON_DEFAULTS_TOOL).getParentDirectory());
    const auto domainFile = home.writeFile ("Library/Preferences/com.tallowmere.Palvero2.plist", "x");

    // The arguments and what the one line on stderr must mention; the last one succeeds silently.
    const std::pair<juce::String, juce::String> cases[]
    {
        { "delete com.tallowmere.Palvero",                          "com.tallowmere.Palvero" },     // missing
        { "delete ../escape",                                       "../escape" },                  // refused
        { "delete",                                                 "usage" },
        { "read com.tallowmere.Palvero2",                           "usage" },
        { "delete com.tallowmere.Palvero2 ApplicationLogLevel",     "usage" },
        { "delete com.tallowmere.Palvero2",                         {} }
    };

    for (const auto& [arguments, reason] : cases)
    {
        juce::ChildProcess tool;
        ASSERT_TRUE (tool.start ("defaults " + arguments, juce::ChildProcess::wantStdErr));
        const auto err = tool.readAllProcessOutput();

        EXPECT_TRUE (tool.waitForProcessToFinish (10000) && (tool.getExitCode() == 0) == reason.isEmpty()) << arguments;
        EXPECT_TRUE (reason.isEmpty() ? err.isEmpty() : (err.contains (reason) && err.indexOfChar ('\n') == err.length() - 1)) << arguments << ": " << err;
        EXPECT_EQ (domainFile.exists(), reason.isNotEmpty()) << arguments;
    }
}
