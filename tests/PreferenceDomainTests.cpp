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

    juce::File domainFile (const TestHome& home)
    {
        return home["Library/Preferences/" + domain + ".plist"];
    }
}

TEST (PreferenceDomain, ReadsIntegersTheWayThePreferencesServiceAnswers)
{
    TestHome home;
    PlistReader::write (domainFile (home),
                        "<key>int</key><integer>7</integer>"
                        "<key>negative</key><integer>-12</integer>"
                        "<key>yes</key><true/>"
                        "<key>no</key><false/>"
                        "<key>real</key><real>7.9</real>"
                        "<key>negativeReal</key><real>-2.5</real>"
                        "<key>numericString</key><string>  42abc</string>"
                        "<key>word</key><string>seven</string>"
                        "<key>array</key><array><integer>7</integer></array>");

    const std::map<juce::String, juce::int64> expected
    {
        { "int", 7 }, { "negative", -12 }, { "yes", 1 }, { "no", 0 }, { "real", 7 },
        { "negativeReal", -2 }, { "numericString", 42 }, { "word", 0 }, { "array", 0 },
        { "absent", 0 }
    };

    for (const auto& [key, value] : expected)
        EXPECT_EQ (PreferenceDomain (domain).integerForKey (key), value) << key;
}

TEST (PreferenceDomain, MissingOrDamagedDomainsReadAsZero)
{
    TestHome home;
    EXPECT_EQ (PreferenceDomain (domain).integerForKey ("ApplicationLogLevel"), 0);

    home.writeFile ("Library/Preferences/" + domain + ".plist", "<plist><dict><key>ApplicationLogLevel</key>");
    EXPECT_EQ (PreferenceDomain (domain).integerForKey ("ApplicationLogLevel"), 0);

    home.writeFile ("Library/Preferences/" + domain + ".plist", "bplist00 binary");
    EXPECT_EQ (PreferenceDomain (domain).integerForKey ("ApplicationLogLevel"), 0);
}

TEST (PreferenceDomain, WritingCreatesMissingFoldersAndFile)
{
    TestHome home;
    ASSERT_FALSE (home["Library"].exists());

    EXPECT_TRUE (PreferenceDomain (domain).setInteger (7, "ApplicationLogLevel"));
    EXPECT_TRUE (PreferenceDomain (domain).setBool (true, "EnableAudioLogging"));

    const auto plist = PlistReader::read (domainFile (home));
    ASSERT_TRUE (plist.has_value());
    EXPECT_EQ (plist->at ("ApplicationLogLevel"), (PlistReader::Value { "integer", "7" }));
    EXPECT_EQ (plist->at ("EnableAudioLogging"), (PlistReader::Value { "true", "" }));
    EXPECT_EQ (PreferenceDomain (domain).integerForKey ("ApplicationLogLevel"), 7);

    // Written by way of a temporary file: nothing else is left in the folder.
    EXPECT_EQ (domainFile (home).getParentDirectory().getNumberOfChildFiles (juce::File::findFilesAndDirectories), 1);
}

TEST (PreferenceDomain, WritingKeepsEveryOtherKeyWithItsType)
{
    TestHome home;
    PlistReader::write (domainFile (home),
                        "<key>Name</key><string>Studio &amp; B</string>"
                        "<key>Gain</key><real>0.75</real>"
                        "<key>Installed</key><date>2025-01-02T03:04:05Z</date>"
                        "<key>Blob</key><data>AAEC</data>"
                        "<key>Recent</key><array><string>a</string><integer>2</integer></array>"
                        "<key>Window</key><dict><key>x</key><integer>10</integer></dict>"
                        "<key>ApplicationLogLevel</key><string>old</string>"
                        "<key>EnableAudioLogging</key><true/>");

    const auto before = PlistReader::read (domainFile (home));
    ASSERT_TRUE (before.has_value());

    EXPECT_TRUE (PreferenceDomain (domain).setInteger (3, "ApplicationLogLevel"));
    EXPECT_TRUE (PreferenceDomain (domain).setBool (false, "EnableAudioLogging"));
    EXPECT_TRUE (PreferenceDomain (domain).setBool (true, "EnableMTCMMCLogging"));

    auto after = PlistReader::read (domainFile (home));
    ASSERT_TRUE (after.has_value());

    EXPECT_EQ (after->at ("ApplicationLogLevel"), (PlistReader::Value { "integer", "3" }));
    EXPECT_EQ (after->at ("EnableAudioLogging"), (PlistReader::Value { "false", "" }));
    EXPECT_EQ (after->at ("EnableMTCMMCLogging"), (PlistReader::Value { "true", "" }));

    for (const auto* key : { "Name", "Gain", "Installed", "Blob", "Recent", "Window" })
        EXPECT_EQ (after->at (key), before->at (key)) << key;

    EXPECT_EQ (after->size(), before->size() + 1);
}

TEST (PreferenceDomain, NeverOverwritesAFileItCannotParse)
{
    TestHome home;

    for (const auto* contents : { "not a property list", "<plist><array/></plist>", "bplist00\x01\x02" })
    {
        const auto file = home.writeFile ("Library/Preferences/" + domain + ".plist", contents);
        juce::MemoryBlock before;
        file.loadFileAsData (before);

        EXPECT_FALSE (PreferenceDomain (domain).setInteger (7, "ApplicationLogLevel")) << contents;
        EXPECT_FALSE (PreferenceDomain (domain).setBool (true, "EnableAudioLogging")) << contents;

        juce::MemoryBlock after;
        file.loadFileAsData (after);
        EXPECT_EQ (before, after) << contents;
    }
}

TEST (PreferenceDomain, RefusesNamesThatAreNotASingleFile)
{
    TestHome home;

    for (const auto* name : { "", "../escape", "a/b", ".hidden" })
    {
        EXPECT_FALSE (PreferenceDomain::isValidDomainName (name)) << name;
        EXPECT_FALSE (PreferenceDomain (name).setInteger (7, "ApplicationLogLevel")) << name;
        EXPECT_EQ (PreferenceDomain (name).integerForKey ("ApplicationLogLevel"), 0) << name;
    }

    EXPECT_FALSE (home["Library"].exists());
    EXPECT_FALSE (home.getFolder().getSiblingFile ("escape.plist").exists());
    EXPECT_TRUE (PreferenceDomain::isValidDomainName ("com.tallowmere.Kestrava5"));
}
