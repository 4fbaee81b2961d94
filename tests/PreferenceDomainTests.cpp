/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include <gtest/gtest.h>

#include "platform/PreferenceDomain.h"
#include "support/PlistReader.h"
#include "support/TestHome.h"

namespace
{
    const juce::String domain = "com.example.Fixture";
    const juce::String domainPath = "Library/Preferences/" + domain + ".plist";
}

TEST (PreferenceDomain, ReadsIntegersTheWayThePreferencesServiceAnswers)
{
    TestHome home;
    EXPECT_EQ (PreferenceDomain (domain).integerForKey ("int"), 0);

    PlistReader::write (home[domainPath],
                        "<key>int</key><integer>-12</integer><key>yes</key><true/><key>no</key><false/>"
                        "<key>real</key><real>-2.9</real><key>numeric</key><string> 42abc</string>"
                        "<key>word</key><string>seven</string><key>array</key><array><integer>7</integer></array>");

    const std::pair<const char*, juce::int64> expected[] =
        { { "int", -12 }, { "yes", 1 }, { "no", 0 }, { "real", -2 }, { "numeric", 42 }, { "word", 0 },
          { "array", 0 }, { "absent", 0 } };

    for (const auto& [key, value] : expected)
        EXPECT_EQ (PreferenceDomain (domain).integerForKey (key), value) << key;
}

TEST (PreferenceDomain, WritesKeepEveryOtherKeyAndCreateWhatIsMissing)
{
    TestHome home;
    EXPECT_TRUE (PreferenceDomain (domain).setBool (true, "EnableAudioLogging"));
    EXPECT_EQ (home[domainPath].getParentDirectory().getNumberOfChildFiles (juce::File::findFilesAndDirectories), 1);

    PlistReader::write (home[domainPath],
                        "<key>Name</key><string>A &amp; B</string><key>Gain</key><real>0.75</real>"
                        "<key>When</key><date>2025-01-02T03:04:05Z</date><key>Blob</key><data>AAEC</data>"
                        "<key>Window</key><dict><key>x</key><array><integer>1</integer></array></dict>"
                        "<key>ApplicationLogLevel</key><string>old</string>");
    const auto before = PlistReader::read (home[domainPath]);

    EXPECT_TRUE (PreferenceDomain (domain).setInteger (3, "ApplicationLogLevel"));
    EXPECT_TRUE (PreferenceDomain (domain).setBool (false, "EnableAudioLogging"));

    auto after = PlistReader::read (home[domainPath]);
    ASSERT_TRUE (before.has_value() && after.has_value());
    EXPECT_EQ (after->at ("ApplicationLogLevel"), "integer:3");
    EXPECT_EQ (after->at ("EnableAudioLogging"), "false:");

    after->erase ("EnableAudioLogging");
    (*after)["ApplicationLogLevel"] = before->at ("ApplicationLogLevel");
    EXPECT_EQ (*after, *before);
}

TEST (PreferenceDomain, LeavesFilesItCannotParseAndRefusesBadNames)
{
    TestHome home;

    for (const auto* contents : { "not a property list", "<plist><array/></plist>", "bplist00\x01\x02",
                                  "<plist><dict><key>a</key><key>b</key><integer>1</integer></dict></plist>" })
    {
        const auto file = home.writeFile (domainPath, contents);
        EXPECT_FALSE (PreferenceDomain (domain).setInteger (7, "ApplicationLogLevel")) << contents;
        EXPECT_EQ (file.loadFileAsString(), contents);
    }

    for (const auto* name : { "", "../escape", "a/b", ".hidden" })
    {
        EXPECT_FALSE (PreferenceDomain::isValidDomainName (name)) << name;
        EXPECT_FALSE (PreferenceDomain (name).setInteger (7, "ApplicationLogLevel")) << name;
    }

    EXPECT_FALSE (home.getFolder().getSiblingFile ("escape.plist").exists());
}
