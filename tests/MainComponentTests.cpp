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
    void writeLevel (const TestHome& home, const char* domain, const juce::String& value)
    {
        PlistReader::write (home[juce::String ("Library/Preferences/") + domain + ".plist"],
                            "<key>EnableAudioLogging</key><true/><key>ApplicationLogLevel</key>" + value);
    }

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

        for (auto* button : { &panel.collectTLMAppLogsButton, &panel.collectProToolsLogsButton,
                              &panel.deletePreferencesButton, &panel.deleteSettingsFilesButton })
            EXPECT_TRUE (button->isEnabled()) << button->getButtonText();
    }

    juce::Image render (MainComponent& panel)
    {
        juce::Image image (juce::Image::ARGB, panel.getWidth(), panel.getHeight(), true);
        juce::Graphics g (image);
        panel.paintEntireComponent (g, true);
        return image;
    }
}

TEST (MainComponent, StartsWithExtendedLoggingOnOnlyWhenBothDomainsHoldSeven)
{
    struct Case { const char* kestrava; const char* palvero; bool on; };

    // The flag keys hold true throughout: the toggles still start unticked.
    const Case cases[] =
    {
        { "<integer>7</integer>", "<integer>7</integer>", true },
        { "<integer>7</integer>", "<integer>3</integer>", false },
        { "<integer>8</integer>", "<integer>7</integer>", false },
        { "<integer>7</integer>", nullptr,                false },
        { "<string>7</string>",   "<real>7.5</real>",     true },
        { "<integer>7</integer>", "<key>Applic",          false },
    };

    for (const auto& c : cases)
    {
        TestHome home;
        writeLevel (home, "com.tallowmere.Kestrava5", c.kestrava);

        if (c.palvero != nullptr)
            writeLevel (home, "com.tallowmere.Palvero2", c.palvero);

        SCOPED_TRACE (juce::String (c.kestrava) + " / " + (c.palvero != nullptr ? c.palvero : "missing"));
        MainComponent panel;
        expectExtendedLogging (panel, c.on);
    }
}

TEST (MainComponent, ChildrenInZOrderWithLabelsAndBounds)
{
    TestHome home;
    MainComponent panel;

    struct Row { const juce::Button* control; const char* label; int x, y; };

    const Row rows[] =
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

    EXPECT_EQ (panel.getBounds(), juce::Rectangle<int> (0, 0, 580, 568));
    ASSERT_EQ (panel.getNumChildComponents(), 13);

    for (int i = 0; i < 13; ++i)
    {
        const auto& row = rows[i];
        EXPECT_EQ (panel.getChildComponent (i), row.control) << row.label;
        EXPECT_EQ (row.control->getButtonText(), row.label);
        EXPECT_EQ (row.control->getBounds(), juce::Rectangle<int> (row.x, row.y, 210, 28)) << row.label;
        EXPECT_TRUE (row.control->isVisible()) << row.label;
    }
}

TEST (MainComponent, InstallsTheThemeForItsLifetimeOnly)
{
    TestHome home;

    {
        MainComponent panel;
        EXPECT_EQ (&juce::LookAndFeel::getDefaultLookAndFeel(), panel.themeLookAndFeel.get());
        EXPECT_NE (dynamic_cast<DarkLookAndFeel_TLM*> (panel.themeLookAndFeel.get()), nullptr);
        EXPECT_EQ (panel.themeLookAndFeel.use_count(), 1);
    }

    EXPECT_EQ (dynamic_cast<LookAndFeel_TLM*> (&juce::LookAndFeel::getDefaultLookAndFeel()), nullptr);
}

TEST (MainComponent, PaintsBackgroundHeaderBannerSeparatorsAndHeadings)
{
    TestHome home;
    MainComponent panel;
    ASSERT_TRUE (panel.bannerImage.isValid());
    EXPECT_EQ (panel.bannerImage.getWidth(), 600);
    EXPECT_EQ (panel.bannerImage.getHeight(), 75);

    const auto image = render (panel);
    const auto at = [&] (int x, int y) { return image.getPixelAt (x, y).getARGB(); };

    constexpr juce::uint32 background = 0xff2e2e33, band = 0xff0a0a0b;

    for (auto [x, y] : { std::pair { 30, 520 }, { 560, 300 }, { 300, 140 } })
        EXPECT_EQ (at (x, y), background) << x << "," << y;

    for (auto [x, y] : { std::pair { 5, 5 }, { 300, 25 }, { 240, 25 } })
        EXPECT_EQ (at (x, y), band) << x << "," << y;

    int bannerPixels = 0;

    for (int y = 12; y < 37; ++y)
        for (int x = 20; x < 229; ++x)
            bannerPixels += at (x, y) != band ? 1 : 0;

    EXPECT_GT (bannerPixels, 200);

    // Under the extended-logging buttons: from x 70 to 509 only.
    EXPECT_EQ (at (70, 149), band);
    EXPECT_EQ (at (509, 149), band);
    EXPECT_EQ (at (69, 149), background);
    EXPECT_EQ (at (510, 149), background);

    for (auto y : { 296, 404 })
    {
        EXPECT_EQ (at (0, y), band);
        EXPECT_EQ (at (579, y), band);
        EXPECT_EQ (at (40, y + 1), background);
    }

    for (auto y : { 70, 316, 424 })
    {
        int textPixels = 0;

        for (int py = y; py < y + 22; ++py)
            for (int px = 20; px < 320; ++px)
                textPixels += image.getPixelAt (px, py).getBrightness() > 0.6f ? 1 : 0;

        EXPECT_GT (textPixels, 30) << "heading at " << y;
    }
}
