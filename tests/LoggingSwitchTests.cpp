/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include <gtest/gtest.h>

#include "app/MainComponent.h"
#include "app/ProductDomains.h"
#include "support/MessagePump.h"
#include "support/PlistReader.h"
#include "support/TestHome.h"

namespace
{
    using Value = PlistReader::Value;

    const Value seven { "integer", "7" }, three { "integer", "3" }, yes { "true", "" }, no { "false", "" };

    // Keys the products keep in their own domains; they must survive every write.
    const char* const productKeys = "<key>LastProject</key><string>/Users/x/Show.kst</string>"
                                    "<key>Zoom</key><real>1.5</real>"
                                    "<key>Recent</key><array><string>a</string></array>"
                                    "<key>Window</key><dict><key>w</key><integer>800</integer></dict>"
                                    "<key>EnableAudioLogging</key><true/>";

    struct Fixture
    {
        explicit Fixture (bool extendedOn = true)
        {
            for (auto* domain : ProductDomains::all)
                PlistReader::write (file (domain), productKeys);

            if (extendedOn)
                for (auto* domain : ProductDomains::primary)
                    PlistReader::write (file (domain), juce::String (productKeys)
                                                       + "<key>ApplicationLogLevel</key><integer>7</integer>");
        }

        juce::File file (const char* domain) const
        {
            return home[juce::String ("Library/Preferences/") + domain + ".plist"];
        }

        std::map<juce::String, Value> read (const char* domain) const
        {
            auto plist = PlistReader::read (file (domain));
            return plist.has_value() ? *plist : std::map<juce::String, Value>();
        }

        std::map<const char*, juce::String> snapshot() const
        {
            std::map<const char*, juce::String> result;

            for (auto* domain : ProductDomains::all)
                result[domain] = file (domain).loadFileAsString();

            return result;
        }

        void expectInAll (const char* key, const Value& value) const
        {
            for (auto* domain : ProductDomains::all)
            {
                const auto plist = read (domain);
                ASSERT_EQ (plist.count (key), 1u) << domain << " " << key;
                EXPECT_EQ (plist.at (key), value) << domain << " " << key;
            }
        }

        TestHome home;
    };

    void click (juce::Button& button)
    {
        button.triggerClick();
        drainMessages();
    }
}

TEST (LoggingSwitches, EnableWritesSevenIntoTheTwoPrimaryDomainsOnly)
{
    Fixture fixture (false);
    fixture.file ("com.tallowmere.Palvero2").deleteFile();   // a product never installed

    MainComponent panel;
    const auto before = fixture.snapshot();
    click (panel.enableExtendedLoggingButton);

    for (auto* domain : ProductDomains::all)
    {
        const bool primary = juce::String (domain) == "com.tallowmere.Kestrava5"
                          || juce::String (domain) == "com.tallowmere.Palvero2";

        if (primary)
            EXPECT_EQ (fixture.read (domain).at ("ApplicationLogLevel"), seven) << domain;
        else
            EXPECT_EQ (fixture.file (domain).loadFileAsString(), before.at (domain)) << domain;
    }

    EXPECT_FALSE (panel.enableExtendedLoggingButton.isEnabled());
    EXPECT_TRUE (panel.disableExtendedLoggingButton.isEnabled());
    EXPECT_TRUE (panel.ajaDeviceLoggingToggle.isEnabled());

    MainComponent restarted;
    EXPECT_TRUE (restarted.disableExtendedLoggingButton.isEnabled());
}

TEST (LoggingSwitches, DisableWritesThreeEverywhereAndLeavesFlagsAndTicks)
{
    Fixture fixture;
    MainComponent panel;

    click (panel.audioLoggingToggle);
    click (panel.satLinkLoggingToggle);
    click (panel.satLinkLoggingToggle);
    click (panel.disableExtendedLoggingButton);

    fixture.expectInAll ("ApplicationLogLevel", three);
    fixture.expectInAll ("EnableAudioLogging", yes);
    fixture.expectInAll ("EnableSatLinkLogging", no);

    EXPECT_TRUE (panel.audioLoggingToggle.getToggleState());
    EXPECT_FALSE (panel.audioLoggingToggle.isEnabled());
    EXPECT_TRUE (panel.enableExtendedLoggingButton.isEnabled());
    EXPECT_FALSE (panel.disableExtendedLoggingButton.isEnabled());

    MainComponent restarted;
    EXPECT_TRUE (restarted.enableExtendedLoggingButton.isEnabled());
    EXPECT_FALSE (restarted.audioLoggingToggle.getToggleState());
}

TEST (LoggingSwitches, EachToggleWritesItsOwnKeyIntoAllSixDomains)
{
    Fixture fixture;
    MainComponent panel;

    const std::pair<juce::ToggleButton*, const char*> toggles[] =
    {
        { &panel.satLinkLoggingToggle,               "EnableSatLinkLogging" },
        { &panel.mtcMmcLoggingToggle,                "EnableMTCMMCLogging" },
        { &panel.audioLoggingToggle,                 "EnableAudioLogging" },
        { &panel.internalVideoDeviceLoggingToggle,   "EnableInternalVideoDeviceLogging" },
        { &panel.fullscreenVideoDeviceLoggingToggle, "EnableFullscreenVideoDeviceLogging" },
        { &panel.blackmagicDeviceLoggingToggle,      "EnableBlackmagicVideoDeviceLogging" },
        { &panel.ajaDeviceLoggingToggle,             "EnableAJAVideoDeviceLogging" },
    };

    for (auto [toggle, key] : toggles)
    {
        SCOPED_TRACE (key);

        // Toggles start unticked, so the first click writes true even over a stored true.
        click (*toggle);
        fixture.expectInAll (key, yes);

        click (*toggle);
        fixture.expectInAll (key, no);
    }

    // The four product keys besides the audio flag, the seven flags and, where set, the level.
    for (auto* domain : ProductDomains::all)
        EXPECT_EQ (fixture.read (domain).size(), 11u + fixture.read (domain).count ("ApplicationLogLevel")) << domain;
}

TEST (LoggingSwitches, ProductKeysSurviveEveryWriteWithTheirTypes)
{
    Fixture fixture;
    const auto original = fixture.read ("com.tallowmere.Palvero3");

    MainComponent panel;
    click (panel.mtcMmcLoggingToggle);
    click (panel.disableExtendedLoggingButton);
    click (panel.enableExtendedLoggingButton);

    for (auto* domain : ProductDomains::all)
    {
        const auto plist = fixture.read (domain);

        for (auto* key : { "LastProject", "Zoom", "Recent", "Window" })
            EXPECT_EQ (plist.at (key), original.at (key)) << domain << " " << key;
    }
}

TEST (LoggingSwitches, DisabledTogglesTakeNoClick)
{
    Fixture fixture (false);
    MainComponent panel;
    const auto before = fixture.snapshot();

    ASSERT_FALSE (panel.audioLoggingToggle.isEnabled());
    click (panel.audioLoggingToggle);
    click (panel.disableExtendedLoggingButton);

    EXPECT_FALSE (panel.audioLoggingToggle.getToggleState());
    EXPECT_EQ (fixture.snapshot(), before);
}

TEST (LoggingSwitches, AnUnparseableDomainIsLeftAloneAndTheOthersAreStillWritten)
{
    Fixture fixture;
    const auto damaged = fixture.file ("com.tallowmere.Kestrava6");
    damaged.replaceWithText ("<plist><dict><key>half", false, false, "\n");

    MainComponent panel;
    click (panel.disableExtendedLoggingButton);

    EXPECT_EQ (damaged.loadFileAsString(), "<plist><dict><key>half");

    for (auto* domain : ProductDomains::all)
    {
        if (juce::String (domain) == "com.tallowmere.Kestrava6")
            continue;

        EXPECT_EQ (fixture.read (domain).at ("ApplicationLogLevel"), three) << domain;
    }

    EXPECT_TRUE (panel.enableExtendedLoggingButton.isEnabled());
}
