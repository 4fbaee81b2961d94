/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include <gtest/gtest.h>

#include "app/MainComponent.h"
#include "app/ProductDomains.h"
#include "support/PlistReader.h"
#include "support/TestHome.h"

namespace
{
    using Value = juce::String;
    const Value seven = "integer:7", three = "integer:3", yes = "true:", no = "false:";

    // Keys the products keep in their own domains: they must survive every write.
    const juce::String productKeys = "<key>LastProject</key><string>/Users/x/Show.kst</string>"
                                     "<key>Zoom</key><real>1.5</real>"
                                     "<key>Window</key><dict><key>w</key><array><integer>8</integer></array></dict>"
                                     "<key>EnableAudioLogging</key><true/>";

    struct Domains
    {
        explicit Domains (bool extendedOn)
        {
            for (auto* domain : ProductDomains::all)
                PlistReader::write (file (domain), productKeys);

            for (auto* domain : ProductDomains::primary)
                PlistReader::write (file (domain), productKeys + "<key>ApplicationLogLevel</key><integer>"
                                                   + (extendedOn ? "7" : "3") + "</integer>");
        }

        juce::File file (const char* domain) const
        {
            return home[juce::String ("Library/Preferences/") + domain + ".plist"];
        }

        std::map<juce::String, Value> read (const char* domain) const
        {
            return PlistReader::read (file (domain)).value_or (std::map<juce::String, Value>());
        }

        juce::StringArray snapshot() const
        {
            juce::StringArray result;

            for (auto* domain : ProductDomains::all)
                result.add (file (domain).loadFileAsString());

            return result;
        }

        void expectInAll (const char* key, const Value& value) const
        {
            for (auto* domain : ProductDomains::all)
            {
                const auto plist = read (domain);
                EXPECT_EQ (plist.count (key) == 1 ? plist.at (key) : Value(), value) << domain << " " << key;

                for (auto* productKey : { "LastProject", "Zoom", "Window" })
                    EXPECT_EQ (plist.count (productKey), 1u) << domain << " lost " << productKey;
            }
        }

        TestHome home;
    };

    // Through JUCE's own click path, which ignores disabled buttons. The click is
    // posted: run the message loop until a message posted after it has arrived.
    void click (juce::Button& button)
    {
        button.triggerClick();
        bool done = false;
        juce::MessageManager::callAsync ([&done] { done = true; });

        for (int i = 0; i < 1000 && ! done; ++i)
            juce::MessageManager::getInstance()->runDispatchLoopUntil (5);

        ASSERT_TRUE (done);
    }

    bool isPrimary (const char* domain)
    {
        return std::find (ProductDomains::primary.begin(), ProductDomains::primary.end(), domain)
                 != ProductDomains::primary.end();
    }
}

TEST (LoggingSwitches, EnableWritesSevenIntoTheTwoPrimaryDomainsOnly)
{
    Domains domains (false);
    domains.file ("com.tallowmere.Palvero2").deleteFile();   // a product never installed
    const auto before = domains.snapshot();

    MainComponent panel;
    click (panel.audioLoggingToggle);   // disabled: takes no click
    EXPECT_FALSE (panel.audioLoggingToggle.getToggleState());
    EXPECT_EQ (domains.snapshot(), before);

    click (panel.enableExtendedLoggingButton);

    for (int i = 0; i < 6; ++i)
    {
        const auto* domain = ProductDomains::all[(size_t) i];

        if (isPrimary (domain))
            EXPECT_EQ (domains.read (domain).at ("ApplicationLogLevel"), seven) << domain;
        else
            EXPECT_EQ (domains.file (domain).loadFileAsString(), before[i]) << domain;
    }

    EXPECT_TRUE (panel.disableExtendedLoggingButton.isEnabled() && ! panel.enableExtendedLoggingButton.isEnabled());
    EXPECT_TRUE (panel.ajaDeviceLoggingToggle.isEnabled());
    EXPECT_TRUE (MainComponent().disableExtendedLoggingButton.isEnabled());
}

TEST (LoggingSwitches, DisableWritesThreeEverywhereAndLeavesFlagsAndTicks)
{
    Domains domains (true);
    const auto damaged = domains.file ("com.tallowmere.Kestrava6");
    damaged.replaceWithText ("<plist><dict><key>half", false, false, "\n");

    MainComponent panel;
    click (panel.satLinkLoggingToggle);
    click (panel.disableExtendedLoggingButton);

    // A domain that cannot be parsed is left as it was; the others are still written.
    EXPECT_EQ (damaged.loadFileAsString(), "<plist><dict><key>half");

    for (auto* domain : ProductDomains::all)
    {
        if (juce::String (domain) == "com.tallowmere.Kestrava6")
            continue;

        EXPECT_EQ (domains.read (domain).at ("ApplicationLogLevel"), three) << domain;
        EXPECT_EQ (domains.read (domain).at ("EnableSatLinkLogging"), yes) << domain;
    }

    EXPECT_TRUE (panel.satLinkLoggingToggle.getToggleState() && ! panel.satLinkLoggingToggle.isEnabled());
    EXPECT_TRUE (panel.enableExtendedLoggingButton.isEnabled() && ! panel.disableExtendedLoggingButton.isEnabled());
    EXPECT_TRUE (MainComponent().enableExtendedLoggingButton.isEnabled());
}

TEST (LoggingSwitches, EachToggleWritesItsOwnKeyIntoAllSixDomains)
{
    Domains domains (true);
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
        domains.expectInAll (key, yes);

        click (*toggle);
        domains.expectInAll (key, no);
    }

    for (auto* domain : ProductDomains::all)
        EXPECT_EQ (domains.read (domain).size(), 3u + 7u + (isPrimary (domain) ? 1u : 0u)) << domain;
}
