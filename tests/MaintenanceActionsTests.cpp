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
#include "support/MessagePump.h"
#include "support/TestHome.h"

#include <cstdlib>
#include <utility>
#include <vector>

namespace
{
    // Sets PATH to a folder, in front of the current PATH or alone, while it lives.
    struct ScopedPath final
    {
        ScopedPath (const juce::File& folder, bool inFront)  { setenv ("PATH", (folder.getFullPathName() + (inFront ? ":" + previous : "")).toRawUTF8(), 1); }
        ~ScopedPath()                                         { setenv ("PATH", previous.toRawUTF8(), 1); }

        const juce::String previous = juce::SystemStats::getEnvironmentVariable ("PATH", {});

        JUCE_DECLARE_NON_COPYABLE (ScopedPath)
    };

    double millisecondsToDeletePreferences()
    {
        const auto start = juce::Time::getMillisecondCounterHiRes();
        MaintenanceActions::deletePreferences();
        return juce::Time::getMillisecondCounterHiRes() - start;
    }

    // Each domain file's contents, in the order of ProductDomains::all; "gone" for a missing one.
    juce::StringArray domainFiles()
    {
        juce::StringArray contents;

        for (auto* domain : ProductDomains::all)
            contents.add (PreferenceDomain::getFileForDomain (domain).existsAsFile()
                              ? PreferenceDomain::getFileForDomain (domain).loadFileAsString() : "gone");

        return contents;
    }

    juce::String controlStates (MainComponent& panel)
    {
        juce::String states;

        for (auto* child : panel.getChildren())
            if (auto* button = dynamic_cast<juce::Button*> (child))
                states << button->getButtonText() << " " << (int) button->isEnabled() << (int) button->getToggleState() << "\n";

        return states;
    }

    const juce::String supportFolder = "Library/Application Support/";
}

//==============================================================================
TEST (DeletePreferences, OurDefaultsRemovesThePrimaryDomainsAndThePanelKeepsItsState)
{
    TestHome home;
    const ScopedPath path (juce::File (QUILLON_DEFAULTS_TOOL).getParentDirectory(), true);
    const juce::StringArray primary (ProductDomains::primary.data(), (int) ProductDomains::primary.size());

    for (auto* domain : ProductDomains::all)
        PreferenceDomain (domain).setInteger (ProductDomains::extendedLogLevel, ProductDomains::logLevelKey);

    {
        MainComponent panel;
        ASSERT_TRUE (panel.disableExtendedLoggingButton.isEnabled());
        panel.audioLoggingToggle.setToggleState (true, juce::sendNotificationSync);
        const auto states = controlStates (panel);
        juce::StringArray expected;

        for (auto* domain : ProductDomains::all)
            expected.add (primary.contains (domain) ? "gone" : PreferenceDomain::getFileForDomain (domain).loadFileAsString());

        panel.deletePreferencesButton.triggerClick();

        EXPECT_TRUE (pumpMessagesUntil ([&] { return domainFiles() == expected; })) << domainFiles().joinIntoString ("\n");
        EXPECT_EQ (controlStates (panel), states);
    }

    MainComponent restarted;
    EXPECT_TRUE (restarted.enableExtendedLoggingButton.isEnabled());
    EXPECT_FALSE (restarted.disableExtendedLoggingButton.isEnabled());
}

TEST (DeletePreferences, AHangingCommandIsGivenOneSecondAndTheSecondStillRuns)
{
    TestHome home;

    // Logs its arguments, then runs until this test process has ended.
    home.writeFile ("bin/defaults", "#!/bin/sh\necho \"$*\" >> \"$HOME/calls.log\"\nexec tail --pid=$PPID -f /dev/null\n")
        .setExecutePermission (true);
    const ScopedPath path (home["bin"], true);

    const auto elapsed = millisecondsToDeletePreferences();

    EXPECT_GE (elapsed, 1900.0);
    EXPECT_LT (elapsed, 3000.0);
    EXPECT_EQ (home["calls.log"].loadFileAsString(), "delete com.tallowmere.Kestrava5\ndelete com.tallowmere.Palvero2\n");
}

TEST (DeletePreferences, ReturnsAtOnceWithNoDefaultsOnThePath)
{
    TestHome home;
    const ScopedPath path (home.getFolder(), false);

    EXPECT_LT (millisecondsToDeletePreferences(), 800.0);
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
}

TEST (DeleteSettingsFiles, AMissingFolderIsSkippedAndNotCreated)
{
    TestHome home;
    home.writeFile (supportFolder + "Palvero/Show.ksar", "x");

    MaintenanceActions::deleteSettingsFiles();

    EXPECT_FALSE (home[supportFolder + "Palvero/Show.ksar"].exists());
    EXPECT_FALSE (home[supportFolder + "Kestrava"].exists());
}
