/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include <gtest/gtest.h>

#include "app/MainComponent.h"
#include "theme/DarkLookAndFeel_TLM.h"
#include "support/LowMemory.h"
#include "support/TestHome.h"

#include <dirent.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
    // The products' domains, in the order they are always handled.
    const char* const domains[] { "com.tallowmere.Kestrava5", "com.tallowmere.Kestrava6", "com.tallowmere.Kestrava",
                                  "com.tallowmere.Palvero2", "com.tallowmere.Palvero3", "com.tallowmere.Palvero" };

    juce::File domainFile (const TestHome& home, const char* domain)
    {
        return home[juce::String ("Library/Preferences/") + domain + ".plist"];
    }

    // Every domain holds keys of the products' own, a flag already true among them; the two read
    // at start also hold the given level elements, or are missing for nullptr.
    void writeDomains (const TestHome& home, const char* kestravaLevel, const char* palveroLevel)
    {
        for (auto* domain : domains)
        {
            const juce::String name (domain);
            const auto* level = name.endsWith ("Kestrava5") ? kestravaLevel : name.endsWith ("Palvero2") ? palveroLevel : "";

            if (level != nullptr)
                home.writeFile ("Library/Preferences/" + name + ".plist",
                                "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict><key>Project</key><string>x</string>"
                                "<key>EnableAudioLogging</key><true/>" + juce::String (*level != 0 ? "<key>ApplicationLogLevel</key>" : "") + level
                                + "</dict></plist>\n");
        }
    }

    // The seven logging toggles, in the panel's order of children.
    std::vector<juce::Button*> toggles (MainComponent& panel)
    {
        std::vector<juce::Button*> result;

        for (int i = 2; i < 9; ++i)
            result.push_back (dynamic_cast<juce::ToggleButton*> (panel.getChildComponent (i)));

        return result;
    }

    // Which controls can be clicked, as "enable/disable/toggles", and how many toggles are ticked.
    juce::String controls (MainComponent& panel)
    {
        int enabled = 0, ticked = 0;

        for (auto* toggle : toggles (panel))
            enabled += toggle->isEnabled(), ticked += toggle->getToggleState();

        return juce::String ((int) panel.enableExtendedLoggingButton.isEnabled()) + "/" + juce::String ((int) panel.disableExtendedLoggingButton.isEnabled())
             + "/" + juce::String (enabled) + " ticked " + juce::String (ticked);
    }

    // Through JUCE's own click path, which ignores disabled buttons; the click is posted, so the
    // loop runs until a message posted after it has arrived.
    void click (juce::Button& button)
    {
        button.triggerClick();
        bool done = false;
        juce::MessageManager::callAsync ([&done] { done = true; });

        for (int i = 0; i < 1000 && ! done; ++i)
            juce::MessageManager::getInstance()->runDispatchLoopUntil (5);
    }

    // A key's value in every domain, as "element:text" ("integer:7", "true:"), with "-" where the key
    // or the whole file is missing.
    juce::String values (const TestHome& home, const char* key)
    {
        juce::StringArray result;

        for (auto* domain : domains)
        {
            const auto text = domainFile (home, domain).loadFileAsString(), marker = "<key>" + juce::String (key) + "</key>";
            const auto value = text.fromLastOccurrenceOf (marker, false, false).trimStart();
            result.add (! text.contains (marker) || ! text.contains ("</plist>") ? "-"
                          : value.substring (1).upToFirstOccurrenceOf (">", false, false).trimCharactersAtEnd ("/") + ":"
                              + (value.upToFirstOccurrenceOf (">", false, false).endsWith ("/") ? "" : value.fromFirstOccurrenceOf (">", false, false).upToFirstOccurrenceOf ("<", false, false)));
        }

        return result.joinIntoString (" ");
    }
}

TEST (MainComponent, StartsWithExtendedLoggingOnOnlyWhenBothDomainsHoldSeven)
{
    // Flags already stored true do not tick the toggles.
    const std::tuple<const char*, const char*, const char*> cases[] =
    {
        { "<integer>7</integer>", "<integer>7</integer>", "0/1/7 ticked 0" },
        { "<integer>7</integer>", "<integer>3</integer>", "1/0/0 ticked 0" },
        { "<integer>8</integer>", "<integer>7</integer>", "1/0/0 ticked 0" },
        { "<integer>7</integer>", nullptr,                "1/0/0 ticked 0" },
        { "<string>7</string>",   "<real>7.5</real>",     "0/1/7 ticked 0" },
    };

    for (const auto& [kestrava, palvero, expected] : cases)
    {
        TestHome home;
        writeDomains (home, kestrava, palvero);
        MainComponent panel;
        EXPECT_EQ (controls (panel), expected) << kestrava << " / " << (palvero != nullptr ? palvero : "missing");
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
    juce::Image image (juce::Image::ARGB, 580, 568, true);
    juce::Graphics g (image);
    panel.paintEntireComponent (g, true);

    constexpr juce::uint32 background = 0xff2e2e33, band = 0xff0a0a0b;

    const auto count = [&] (juce::Rectangle<int> area, std::function<bool (int, int)> matches)
    {
        int n = 0;

        for (int y = area.getY(); y < area.getBottom(); ++y)
            for (int x = area.getX(); x < area.getRight(); ++x)
                n += matches (x, y);

        return n;
    };

    for (const auto& [x, y, colour] : { std::tuple { 30, 520, background }, { 560, 300, background }, { 5, 5, band }, { 300, 25, band },
                                        { 240, 25, band }, { 70, 149, band }, { 509, 149, band }, { 69, 149, background }, { 510, 149, background },
                                        { 0, 296, band }, { 579, 296, band }, { 40, 297, background }, { 0, 404, band }, { 579, 404, band } })
        EXPECT_EQ (image.getPixelAt (x, y).getARGB(), colour) << x << "," << y;

    EXPECT_GT (count ({ 20, 12, 209, 25 }, [&] (int x, int y) { return image.getPixelAt (x, y).getARGB() != band; }), 200) << "the banner";

    // The headings in the theme's text colour and bold face, 18 high, left-aligned at x 20. Glyphs are
    // cached by font name, style and height, not by face: the reference must not reuse the panel's.
    juce::Typeface::clearTypefaceCache();
    juce::Image reference (juce::Image::ARGB, 580, 568, true);
    juce::Graphics r (reference);
    r.fillAll (juce::Colour (background));
    r.setColour (juce::Colour (0xffd4d4d6));
    r.setFont (juce::Font (panel.themeLookAndFeel->assistantBoldTypeface).withHeight (18.0f));

    for (auto [heading, y] : { std::pair { "TOGGLE LOGGING", 70 }, { "COLLECT LOGS", 316 }, { "SETTINGS", 424 } })
    {
        r.drawText (heading, 20, y, 300, 22, juce::Justification::centredLeft);
        EXPECT_EQ (count ({ 0, y, 580, 22 }, [&] (int px, int py) { return image.getPixelAt (px, py) != reference.getPixelAt (px, py); }), 0) << heading;
    }
}

TEST (MainComponent, SwitchesWriteTheirKeysIntoTheirDomainsAndKeepEveryOtherKey)
{
    TestHome home;
    writeDomains (home, "<integer>3</integer>", nullptr);   // Palvero never installed
    const auto damaged = domainFile (home, "com.tallowmere.Kestrava6");
    damaged.replaceWithText ("<plist><dict><key>half", false, false, "\n");

    const auto files = [&home]
    {
        juce::StringArray contents;

        for (auto* domain : domains)
            contents.add (domainFile (home, domain).loadFileAsString());

        return contents;
    };

    const auto before = files();
    MainComponent panel;

    // Disabled toggles take no click.
    click (panel.audioLoggingToggle);
    EXPECT_EQ (files(), before);

    // Enable writes 7 into the two domains read at start only; a domain it cannot read stays as it was.
    click (panel.enableExtendedLoggingButton);
    EXPECT_EQ (values (home, "ApplicationLogLevel"), "integer:7 - - integer:7 - -");
    for (int i : { 1, 2, 4, 5 })
        EXPECT_EQ (files()[i], before[i]) << domains[i];

    EXPECT_EQ (controls (panel), "0/1/7 ticked 0");
    EXPECT_EQ (controls (*std::make_unique<MainComponent>()), "0/1/7 ticked 0");

    // Each toggle writes its own key into all six domains: true, then false, whatever was stored.
    const char* keys[] = { "EnableSatLinkLogging", "EnableMTCMMCLogging", "EnableInternalVideoDeviceLogging", "EnableFullscreenVideoDeviceLogging",
                           "EnableBlackmagicVideoDeviceLogging", "EnableAJAVideoDeviceLogging", "EnableAudioLogging" };

    for (size_t i = 0; i < 7; ++i)
    {
        click (*toggles (panel)[i]);
        EXPECT_EQ (values (home, keys[i]), "true: - true: true: true: true:") << keys[i];
        click (*toggles (panel)[i]);
        EXPECT_EQ (values (home, keys[i]), "false: - false: false: false: false:") << keys[i];
    }

    // Disable writes 3 everywhere, and leaves the flags and the ticks as they are.
    click (panel.satLinkLoggingToggle);
    click (panel.disableExtendedLoggingButton);
    EXPECT_EQ (values (home, "ApplicationLogLevel"), "integer:3 - integer:3 integer:3 integer:3 integer:3");
    EXPECT_EQ (values (home, "EnableSatLinkLogging"), "true: - true: true: true: true:");
    EXPECT_EQ (values (home, "Project"), "string:x - string:x - string:x string:x");
    EXPECT_EQ (damaged.loadFileAsString(), before[1]);
    EXPECT_EQ (controls (panel), "1/0/0 ticked 1");
    EXPECT_EQ (controls (*std::make_unique<MainComponent>()), "1/0/0 ticked 0");
}

//==============================================================================
#ifndef __SANITIZE_ADDRESS__
TEST (MainComponent, RunningOutOfMemoryEndsAClickAndLeavesEveryFileWholeOrAsItWas)
{
    // One domain's file is 3.9 MB, under the reader's cap. With a few MiB of address space to spare
    // the click runs out of memory on that file, after writing the ones before it; with the heap
    // taken as well it does so at its first allocation. The click must end there, and the panel
    // keep the controls it had, so that the same click can be made again.
    constexpr size_t fewMegabytes = 4 << 20;

    const struct Row
    {
        const char* what;
        int child;              // the clicked control's place among the panel's children
        bool extendedLoggingOn;
        int largeDomain;
        size_t spare;
        const char* key;
        const char* valuesAfter;
        const char* controlsAfter;
    } rows[]
    {
        { "Enable Extended Logging",        0,  false, 3, fewMegabytes, "ApplicationLogLevel",  "integer:7 - - integer:3 - -",         "1/0/0 ticked 0" },
        { "Disable Extended Logging",       1,  true,  2, fewMegabytes, "ApplicationLogLevel",  "integer:3 integer:3 - integer:7 - -", "0/1/7 ticked 0" },
        { "Enable Satellite Link Logging",  2,  true,  4, fewMegabytes, "EnableSatLinkLogging", "true: true: true: true: - -",         "0/1/7 ticked 1" },
        { "Collect TLM App Logs",           9,  true,  0, 0,            "ApplicationLogLevel",  "integer:7 - - integer:7 - -",         "0/1/7 ticked 0" },
        { "Delete Preferences",             11, true,  0, 0,            "ApplicationLogLevel",  "integer:7 - - integer:7 - -",         "0/1/7 ticked 0" },
        { "Delete Settings Files",          12, true,  0, 0,            "ApplicationLogLevel",  "integer:7 - - integer:7 - -",         "0/1/7 ticked 0" },
    };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.what);
        TestHome home;
        const auto* level = row.extendedLoggingOn ? "<integer>7</integer>" : "<integer>3</integer>";
        writeDomains (home, level, level);
        const auto large = domainFile (home, domains[row.largeDomain]);
        large.replaceWithText (large.loadFileAsString().replace ("</dict>", "<key>Notes</key><string>" + juce::String::repeatedString ("x", 3900000)
                                                                               + "</string></dict>"), false, false, "\n");
        const auto settingsFile = home.writeFile ("Library/Application Support/Kestrava/Show.ksar", "x");
        juce::MemoryBlock before[6];

        for (int i = 0; i < 6; ++i)
            domainFile (home, domains[i]).loadFileAsData (before[i]);

        MainComponent panel;
        const auto child = ::fork();

        if (child == 0)
        {
            ::alarm (60);

            // Nothing the click opened may stay open once it has ended.
            const auto countDescriptors = []
            {
                int count = 0;

                if (auto* dir = ::opendir ("/proc/self/fd"))
                {
                    while (::readdir (dir) != nullptr)
                        ++count;

                    ::closedir (dir);
                }

                return count;
            };

            const auto descriptorsBefore = countDescriptors();

            // Synchronously through JUCE's click dispatch: a message loop here would share the X connection.
            // What escapes the click must not reach the test framework, which would go on in this process.
            try
            {
                auto& button = dynamic_cast<juce::Button&> (*panel.getChildComponent (row.child));
                LowMemory lowMemory (row.spare, row.spare == 0);
                button.setToggleState (! button.getToggleState(), juce::sendNotificationSync);
            }
            catch (...)
            {
                ::_exit (4);
            }

            ::_exit (controls (panel) == row.controlsAfter && countDescriptors() == descriptorsBefore ? 0 : 3);
        }

        int status = -1;
        EXPECT_TRUE (::waitpid (child, &status, 0) == child && WIFEXITED (status) && WEXITSTATUS (status) == 0) << "wait status " << status;
        EXPECT_EQ (values (home, row.key), row.valuesAfter);

        // From the file that ran out of memory on, every file is as it was, and no temporary one is left.
        for (int i = row.largeDomain; i < 6; ++i)
        {
            juce::MemoryBlock after;
            domainFile (home, domains[i]).loadFileAsData (after);
            EXPECT_TRUE (after == before[i]) << domains[i];
        }

        EXPECT_EQ (home["Library/Preferences"].getNumberOfChildFiles (juce::File::findFilesAndDirectories, "*"), 6);
        EXPECT_TRUE (settingsFile.existsAsFile());
        EXPECT_EQ (home["Desktop"].getNumberOfChildFiles (juce::File::findFilesAndDirectories, "*"), 0);
    }
}
#endif
