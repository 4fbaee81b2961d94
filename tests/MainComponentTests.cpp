/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include <gtest/gtest.h>

#include "app/MainComponent.h"
#include "theme/DarkLookAndFeel_TLM.h"
#include "support/PlistReader.h"
#include "support/TestHome.h"

namespace
{
    void expectExtendedLogging (const MainComponent& panel, bool on)
    {
        EXPECT_EQ (panel.enableExtendedLoggingButton.isEnabled(), ! on);
        EXPECT_EQ (panel.disableExtendedLoggingButton.isEnabled(), on);

        for (auto* toggle : { &panel.satLinkLoggingToggle, &panel.mtcMmcLoggingToggle, &panel.audioLoggingToggle,
                              &panel.internalVideoDeviceLoggingToggle, &panel.fullscreenVideoDeviceLoggingToggle,
                              &panel.blackmagicDeviceLoggingToggle, &panel.ajaDeviceLoggingToggle })
        {
            EXPECT_EQ (toggle->isEnabled(), on) << toggle->getButtonText();
            EXPECT_FALSE (toggle->getToggleState()) << toggle->getButtonText();
        }

        for (auto* button : { &panel.collectTLMAppLogsButton, &panel.deleteSettingsFilesButton })
            EXPECT_TRUE (button->isEnabled()) << button->getButtonText();
    }
}

TEST (MainComponent, StartsWithExtendedLoggingOnOnlyWhenBothDomainsHoldSeven)
{
    // The flag keys hold true throughout: the toggles still start unticked.
    const std::tuple<const char*, const char*, bool> cases[] =
    {
        { "<integer>7</integer>", "<integer>7</integer>", true },
        { "<integer>7</integer>", "<integer>3</integer>", false },
        { "<integer>8</integer>", "<integer>7</integer>", false },
        { "<integer>7</integer>", nullptr,                false },
        { "<string>7</string>",   "<real>7.5</real>",     true },
    };

    for (const auto& [kestrava, palvero, on] : cases)
    {
        TestHome home;

        for (auto [domain, level] : { std::pair { "Kestrava5", kestrava }, { "Palvero2", palvero } })
            if (level != nullptr)
                PlistReader::write (home[juce::String ("Library/Preferences/com.tallowmere.") + domain + ".plist"],
                                    "<key>EnableAudioLogging</key><true/><key>ApplicationLogLevel</key>"
                                    + juce::String (level));

        SCOPED_TRACE (juce::String (kestrava) + " / " + (palvero != nullptr ? palvero : "missing"));
        MainComponent panel;
        expectExtendedLogging (panel, on);
    }
}

TEST (MainComponent, ChildrenInZOrderWithLabelsAndBoundsUnderTheInstalledTheme)
{
    TestHome home;
    MainComponent panel;

    const std::tuple<const juce::Button*, const char*, int, int> rows[] =
    {
        { &panel.enableExtendedLoggingButton,        "Enable Extended Logging",                70, 106 },
        { &panel.disableExtendedLoggingButton,       "Disable Extended Logging",              300, 106 },
        { &panel.satLinkLoggingToggle,               "Enable Satellite Link Logging",          70, 164 },
        { &panel.mtcMmcLoggingToggle,                "Enable MTC/MMC Logging",                300, 164 },
        { &panel.internalVideoDeviceLoggingToggle,   "Enable Internal Video Device Logging",   70, 192 },
        { &panel.fullscreenVideoDeviceLoggingToggle, "Enable Fullscreen Video Device Logging", 300, 192 },
        { &panel.blackmagicDeviceLoggingToggle,      "Enable Blackmagic Device Logging",       70, 220 },
        { &panel.ajaDeviceLoggingToggle,             "Enable AJA Device Logging",             300, 220 },
        { &panel.audioLoggingToggle,                 "Enable Audio Logging",                   70, 248 },
        { &panel.collectTLMAppLogsButton,            "Collect TLM App Logs",                   70, 356 },
        { &panel.collectProToolsLogsButton,          "Collect Pro Tools Logs",                300, 356 },
        { &panel.deletePreferencesButton,            "Delete Preferences",                     70, 464 },
        { &panel.deleteSettingsFilesButton,          "Delete Settings Files",                 300, 464 },
    };

    ASSERT_EQ (panel.getNumChildComponents(), 13);

    for (int i = 0; i < 13; ++i)
    {
        const auto& [control, label, x, y] = rows[i];
        EXPECT_EQ (panel.getChildComponent (i), control) << label;
        EXPECT_EQ (control->getButtonText(), label);
        EXPECT_EQ (control->getBounds(), juce::Rectangle<int> (x, y, 210, 28)) << label;
        EXPECT_TRUE (control->isVisible()) << label;
    }

    EXPECT_EQ (&juce::LookAndFeel::getDefaultLookAndFeel(), panel.themeLookAndFeel.get());
    EXPECT_NE (dynamic_cast<DarkLookAndFeel_TLM*> (panel.themeLookAndFeel.get()), nullptr);
}

TEST (MainComponent, PaintsBackgroundHeaderBannerSeparatorsAndHeadings)
{
    TestHome home;
    MainComponent panel;
    ASSERT_EQ (panel.bannerImage.getBounds(), juce::Rectangle<int> (0, 0, 600, 75));

    juce::Image image (juce::Image::ARGB, 580, 568, true);
    juce::Graphics g (image);
    panel.paintEntireComponent (g, true);

    constexpr juce::uint32 background = 0xff2e2e33, band = 0xff0a0a0b;
    const auto at = [&] (int x, int y) { return image.getPixelAt (x, y).getARGB(); };

    const auto countPixels = [&] (juce::Rectangle<int> area, std::function<bool (juce::Colour)> matches)
    {
        int count = 0;

        for (int y = area.getY(); y < area.getBottom(); ++y)
            for (int x = area.getX(); x < area.getRight(); ++x)
                count += matches (image.getPixelAt (x, y)) ? 1 : 0;

        return count;
    };

    const std::tuple<int, int, juce::uint32> probes[] =
    {
        { 30, 520, background }, { 560, 300, background }, { 5, 5, band }, { 300, 25, band }, { 240, 25, band },
        { 70, 149, band }, { 509, 149, band }, { 69, 149, background }, { 510, 149, background },
        { 0, 296, band }, { 579, 296, band }, { 40, 297, background }, { 0, 404, band }, { 579, 404, band },
    };

    for (const auto& [x, y, colour] : probes)
        EXPECT_EQ (at (x, y), colour) << x << "," << y;

    EXPECT_GT (countPixels ({ 20, 12, 209, 25 }, [] (juce::Colour c) { return c.getARGB() != band; }), 200);

    for (auto y : { 70, 316, 424 })
        EXPECT_GT (countPixels ({ 20, y, 300, 22 }, [] (juce::Colour c) { return c.getBrightness() > 0.6f; }), 30) << y;
}
