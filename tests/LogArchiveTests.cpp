/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include <gtest/gtest.h>

#include "app/LogArchive.h"
#include "support/FixtureData.h"
#include "support/RevealRecorder.h"
#include "support/TestHome.h"
#include "support/TreeSnapshot.h"
#include "support/ZipInspector.h"

#include <string>

namespace
{
    const juce::String productArchive ("TLM_Logs.zip");
    const juce::String proToolsArchive ("PT_Logs.zip");

    class LogArchiveTest : public ::testing::Test
    {
    protected:
        TestHome home;
        RevealRecorder reveals;
        juce::StringArray usersOwn;     // what the test put on the Desktop itself

        juce::File getDesktop() const                               { return home["Desktop"]; }
        juce::File getArchive (const juce::String& name) const      { return getDesktop().getChildFile (name); }

        juce::StringArray getDesktopNames() const                   { return FixtureData::namesIn (getDesktop()); }

        // Reads the archive with both readers and checks what every archive must be:
        // readable, deflated at level 5 throughout, revealed only once it was complete,
        // and the only thing the run left on the Desktop besides what stood there.
        std::unique_ptr<ZipInspector> inspect (const juce::String& name, int revealsSoFar = 1) const
        {
            auto inspector = std::make_unique<ZipInspector> (getArchive (name));
            EXPECT_EQ (inspector->getProblems(), juce::StringArray());

            for (const auto& [entryName, entry] : inspector->getEntries())
            {
                EXPECT_EQ (entry.method, 8) << entryName;
                EXPECT_TRUE (entry.isLevel5) << entryName;
            }

            const auto records = reveals.waitForRecords (revealsSoFar);
            EXPECT_EQ (records.size(), revealsSoFar);

            if (records.size() >= revealsSoFar)
            {
                const auto& last = records[revealsSoFar - 1];
                EXPECT_TRUE (last.contains ("revealed " + getDesktop().getFullPathName() + "\n")) << last;
                EXPECT_TRUE (last.contains ("complete " + name + "\n")) << last;
                EXPECT_FALSE (last.contains ("broken " + name + "\n")) << last;
            }

            for (const auto& leftover : getDesktopNames())
                EXPECT_TRUE (leftover == productArchive || leftover == proToolsArchive || usersOwn.contains (leftover))
                    << leftover.toStdString();

            return inspector;
        }
    };

    //==============================================================================
    TEST_F (LogArchiveTest, WithoutSourcesBothArchivesAreEmptyAndReplaceEarlierOnes)
    {
        getArchive (productArchive).replaceWithText (juce::String::repeatedString ("earlier ", 1000));
        getArchive (proToolsArchive).replaceWithText (juce::String::repeatedString ("earlier ", 1000));

        LogArchive::collectProductLogs();
        EXPECT_EQ (inspect (productArchive, 1)->getEntries().size(), 0u);
        EXPECT_EQ (getArchive (productArchive).getSize(), 22);

        LogArchive::collectProToolsLogs();
        EXPECT_EQ (inspect (proToolsArchive, 2)->getEntries().size(), 0u);
        EXPECT_EQ (getArchive (proToolsArchive).getSize(), 22);

        EXPECT_EQ (getDesktopNames(), juce::StringArray (proToolsArchive, productArchive));
    }

    TEST_F (LogArchiveTest, AnEarlierArchiveIsReplacedNotAppendedTo)
    {
        home.writeFile ("Library/Logs/Kestrava/now.log", "this run");
        home.writeFile ("Library/Logs/Avid/Pro_Tools_now.txt", "this run");

        for (const auto& name : { productArchive, proToolsArchive })
        {
            getArchive (name).replaceWithText (juce::String::repeatedString ("old bytes ", 500));

            name == productArchive ? LogArchive::collectProductLogs() : LogArchive::collectProToolsLogs();

            juce::MemoryBlock block;
            getArchive (name).loadFileAsData (block);
            const std::string bytes (static_cast<const char*> (block.getData()), block.getSize());
            EXPECT_EQ (bytes.substr (0, 4), std::string ("PK\x03\x04")) << name;
            EXPECT_EQ (bytes.find ("old bytes"), std::string::npos) << name;
        }

        EXPECT_EQ (inspect (productArchive, 2)->getNames(), juce::StringArray ("now.log"));
        EXPECT_EQ (inspect (proToolsArchive, 2)->getNames(), juce::StringArray ("Pro_Tools_now.txt"));
    }

    TEST_F (LogArchiveTest, AnEarlierArchiveThatIsALinkIsReplacedAndItsTargetLeftAlone)
    {
        const auto target = home.writeFile ("Documents/precious.zip", "the user's own");
        ASSERT_TRUE (juce::File::createSymbolicLink (getArchive (proToolsArchive), target.getFullPathName(), false));
        home.writeFile ("Library/Logs/Avid/Pro_Tools_now.txt", "this run");

        LogArchive::collectProToolsLogs();

        EXPECT_FALSE (getArchive (proToolsArchive).isSymbolicLink());
        EXPECT_EQ (inspect (proToolsArchive)->getNames(), juce::StringArray ("Pro_Tools_now.txt"));
        EXPECT_EQ (target.loadFileAsString(), "the user's own");
    }

    //==============================================================================
    TEST_F (LogArchiveTest, CrashReportsAreChosenByCaseSensitiveNameAtTheTopOnly)
    {
        home.writeFile ("Library/Logs/DiagnosticReports/Kestrava_2026-01-02.crash", "k crash");
        home.writeFile ("Library/Logs/DiagnosticReports/Hang-Palvero.ips", "p hang");
        home.writeFile ("Library/Logs/DiagnosticReports/.Palvero.hidden", "hidden");
        home.writeFile ("Library/Logs/DiagnosticReports/kestrava_lower.crash", "no");
        home.writeFile ("Library/Logs/DiagnosticReports/PALVERO.crash", "no");
        home.writeFile ("Library/Logs/DiagnosticReports/Safari.crash", "no");
        home.writeFile ("Library/Logs/DiagnosticReports/Retired/Kestrava_old.crash", "no");
        home["Library/Logs/DiagnosticReports/Kestrava.folder"].createDirectory();

        LogArchive::collectProductLogs();

        const auto zip = inspect (productArchive);
        EXPECT_EQ (zip->getNames(), juce::StringArray ({ ".Palvero.hidden", "Hang-Palvero.ips", "Kestrava_2026-01-02.crash" }));
        EXPECT_EQ (zip->getText ("Kestrava_2026-01-02.crash"), "k crash");
        EXPECT_EQ (zip->getText ("Hang-Palvero.ips"), "p hang");
    }

    TEST_F (LogArchiveTest, LogFoldersGiveTheirTopFilesAndTheLaterSourceWinsANameClash)
    {
        home.writeFile ("Library/Logs/DiagnosticReports/Kestrava.log", "crash report");
        home.writeFile ("Library/Logs/Kestrava/Kestrava.log", "kestrava log");
        home.writeFile ("Library/Logs/Kestrava/shared.log", "from kestrava");
        home.writeFile ("Library/Logs/Kestrava/.hidden.log", "hidden");
        home.writeFile ("Library/Logs/Kestrava/old/rotated.log", "not collected");
        home.writeFile ("Library/Logs/Palvero/shared.log", "from palvero");
        home.writeFile ("Library/Logs/Palvero/palvero.log", "palvero log");
        home.writeFile ("Library/Logs/Palvero/com.tallowmere.Kestrava5.plist", "loses to the preference file");
        home.writeFile ("Library/Preferences/com.tallowmere.Kestrava5.plist", "preferences");

        LogArchive::collectProductLogs();

        const auto zip = inspect (productArchive);
        EXPECT_EQ (zip->getNames(), juce::StringArray ({ ".hidden.log", "Kestrava.log", "com.tallowmere.Kestrava5.plist",
                                                         "palvero.log", "shared.log" }));
        EXPECT_EQ (zip->getText ("Kestrava.log"), "kestrava log");
        EXPECT_EQ (zip->getText ("shared.log"), "from palvero");
        EXPECT_EQ (zip->getText ("com.tallowmere.Kestrava5.plist"), "preferences");
    }

    TEST_F (LogArchiveTest, ApplicationSupportTreesAndPreferenceFilesKeepTheirPlaces)
    {
        home.writeFile ("Library/Application Support/Kestrava/settings.kspr", "k settings");
        home.writeFile ("Library/Application Support/Kestrava/Presets/Deep/one.ksar", "deep");
        home.writeFile ("Library/Application Support/Kestrava/.state", "hidden");
        home.writeFile ("Library/Application Support/Kestrava/Logs/session.log", FixtureData::logText (4000));
        home.writeFile ("Library/Application Support/Kestrava/.cache/index", "hidden folder");
        home["Library/Application Support/Kestrava/Empty/AlsoEmpty"].createDirectory();
        home.writeFile ("Library/Application Support/Palvero/display.ksdisp", "p display");
        home.writeFile ("Library/Preferences/com.tallowmere.Kestrava6.plist", "k6");
        home.writeFile ("Library/Preferences/com.tallowmere.Palvero.plist", "p");
        home.writeFile ("Library/Preferences/com.tallowmere.Other.plist", "not ours");

        const auto librarySnapshot = TreeSnapshot::take (home["Library"]);

        LogArchive::collectProductLogs();

        const auto zip = inspect (productArchive);
        EXPECT_EQ (zip->getNames(), juce::StringArray ({ "Kestrava/.cache/index", "Kestrava/.state", "Kestrava/Logs/session.log",
                                                         "Kestrava/Presets/Deep/one.ksar", "Kestrava/settings.kspr",
                                                         "Palvero/display.ksdisp",
                                                         "com.tallowmere.Kestrava6.plist", "com.tallowmere.Palvero.plist" }));
        EXPECT_EQ (zip->getText ("Kestrava/Presets/Deep/one.ksar"), "deep");
        EXPECT_EQ (zip->getText ("Kestrava/Logs/session.log"), FixtureData::logText (4000));
        EXPECT_EQ (zip->getText ("Palvero/display.ksdisp"), "p display");
        EXPECT_EQ (zip->getText ("com.tallowmere.Kestrava6.plist"), "k6");

        EXPECT_EQ (TreeSnapshot::take (home["Library"]), librarySnapshot);
    }

    TEST_F (LogArchiveTest, ProToolsLogsAreChosenByCaseSensitiveNameAndStoredFlat)
    {
        home.writeFile ("Library/Logs/Avid/Pro_Tools_2026.txt", "pt log");
        home.writeFile ("Library/Logs/Avid/.Pro_Tools_hidden.txt", "hidden pt");
        home.writeFile ("Library/Logs/Avid/Pro_Tools_video_engine.txt", "lower-case exclusion does not apply");
        home.writeFile ("Library/Logs/Avid/Pro_Tools_Video_engine.txt", "excluded");
        home.writeFile ("Library/Logs/Avid/pro_tools_lower.txt", "excluded");
        home.writeFile ("Library/Logs/Avid/Media Composer.txt", "excluded");
        home.writeFile ("Library/Logs/Avid/Pro_Tools_Old/Pro_Tools_nested.txt", "not entered");
        home.writeFile ("Library/Logs/Kestrava/Pro_Tools_elsewhere.txt", "other folder");

        const auto avidSnapshot = TreeSnapshot::take (home["Library/Logs/Avid"]);

        LogArchive::collectProToolsLogs();

        const auto zip = inspect (proToolsArchive);
        EXPECT_EQ (zip->getNames(), juce::StringArray ({ ".Pro_Tools_hidden.txt", "Pro_Tools_2026.txt",
                                                         "Pro_Tools_video_engine.txt" }));
        EXPECT_EQ (zip->getText ("Pro_Tools_2026.txt"), "pt log");
        EXPECT_EQ (zip->getText (".Pro_Tools_hidden.txt"), "hidden pt");

        EXPECT_EQ (TreeSnapshot::take (home["Library/Logs/Avid"]), avidSnapshot);
        EXPECT_FALSE (getArchive (productArchive).exists());
    }

    TEST_F (LogArchiveTest, NoStoredPathClimbsOutOfTheArchive)
    {
        home.writeFile ("Library/Application Support/Kestrava/..\\..\\escape.txt", "dropped");
        home.writeFile ("Library/Application Support/Kestrava/sub/..\\up.txt", "dropped");
        home.writeFile ("Library/Application Support/Kestrava/notes..txt", "kept");
        home.writeFile ("Library/Logs/Avid/..\\Pro_Tools.txt", "dropped");
        home.writeFile ("Library/Logs/Avid/Pro_Tools..txt", "kept");

        LogArchive::collectProductLogs();
        LogArchive::collectProToolsLogs();

        EXPECT_EQ (inspect (productArchive, 2)->getNames(), juce::StringArray ({ "Kestrava/notes..txt" }));
        EXPECT_EQ (inspect (proToolsArchive, 2)->getNames(), juce::StringArray ({ "Pro_Tools..txt" }));
    }

    //==============================================================================
    TEST_F (LogArchiveTest, ATempFolderOfTheUsersIsNeverTouchedNorArchived)
    {
        usersOwn.add ("tempFolder");
        home.writeFile ("Desktop/tempFolder/my notes.txt", "the user's own");
        home.writeFile ("Desktop/tempFolder/Pro_Tools_mine.txt", "the user's own");
        home.writeFile ("Library/Logs/Kestrava/run.log", "collected");
        home.writeFile ("Library/Logs/Avid/Pro_Tools_run.txt", "collected");

        const auto before = TreeSnapshot::take (getDesktop().getChildFile ("tempFolder"));

        LogArchive::collectProductLogs();
        EXPECT_EQ (inspect (productArchive, 1)->getNames(), juce::StringArray ("run.log"));

        LogArchive::collectProToolsLogs();
        EXPECT_EQ (inspect (proToolsArchive, 2)->getNames(), juce::StringArray ("Pro_Tools_run.txt"));

        EXPECT_EQ (TreeSnapshot::take (getDesktop().getChildFile ("tempFolder")), before);
        EXPECT_EQ (getDesktopNames(), juce::StringArray (proToolsArchive, productArchive, "tempFolder"));
    }

    TEST_F (LogArchiveTest, APlainFileNamedTempFolderIsNeverTouched)
    {
        usersOwn.add ("tempFolder");
        const auto userFile = home.writeFile ("Desktop/tempFolder", "not a folder");
        home.writeFile ("Library/Logs/Palvero/run.log", "collected");

        LogArchive::collectProductLogs();
        LogArchive::collectProToolsLogs();

        EXPECT_EQ (inspect (productArchive, 2)->getNames(), juce::StringArray ("run.log"));
        EXPECT_EQ (inspect (proToolsArchive, 2)->getNames(), juce::StringArray());
        EXPECT_TRUE (userFile.existsAsFile());
        EXPECT_EQ (userFile.loadFileAsString(), "not a folder");
    }

    //==============================================================================
    TEST_F (LogArchiveTest, AnArchiveThatCannotBePutInPlaceIsNeitherLeftNorRevealed)
    {
        // A folder of the archive's name cannot be replaced by a file, so the
        // finished archive cannot be moved into place.
        usersOwn.add (productArchive);
        home.writeFile ("Desktop/TLM_Logs.zip/inside.txt", "the user's own");
        home.writeFile ("Library/Logs/Kestrava/run.log", "collected");
        home.writeFile ("Library/Logs/Avid/Pro_Tools_run.txt", "collected");

        LogArchive::collectProductLogs();

        EXPECT_TRUE (getArchive (productArchive).isDirectory());
        EXPECT_EQ (getArchive (productArchive).getChildFile ("inside.txt").loadFileAsString(), "the user's own");

        // The next reveal is this run's; the failed run must have made none before it.
        LogArchive::collectProToolsLogs();
        inspect (proToolsArchive, 1);
        EXPECT_EQ (reveals.getRecords().size(), 1);
    }
}
