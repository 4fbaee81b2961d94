/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include <gtest/gtest.h>

#include "app/ArchiveProcedure.h"
#include "app/ZipArchiveWriter.h"
#include "support/FixtureData.h"
#include "support/TestHome.h"
#include "support/TreeSnapshot.h"
#include "support/ZipInspector.h"

#include <unistd.h>

namespace
{
    class ScratchFolderTest : public ::testing::Test
    {
    protected:
        TestHome home;
        juce::File desktop { home["Desktop"] };
    };

    TEST_F (ScratchFolderTest, EachRunTakesAFolderThatWasFreeAndRemovesOnlyThat)
    {
        home.writeFile ("Desktop/tempFolder(3)", "the user's own file");
        ASSERT_TRUE (juce::File::createSymbolicLink (desktop.getChildFile ("tempFolder(4)"), "/nonexistent", false));

        {
            ArchiveProcedure first, second, third;

            EXPECT_EQ (first.getScratchFolder(), desktop.getChildFile ("tempFolder"));
            EXPECT_EQ (second.getScratchFolder(), desktop.getChildFile ("tempFolder(2)"));
            EXPECT_EQ (third.getScratchFolder(), desktop.getChildFile ("tempFolder(5)"));

            for (auto* procedure : { &first, &second, &third })
            {
                EXPECT_TRUE (procedure->getScratchFolder().isDirectory());
                EXPECT_EQ (FixtureData::namesIn (procedure->getScratchFolder()), juce::StringArray());
            }
        }

        EXPECT_EQ (FixtureData::namesIn (desktop), juce::StringArray ("tempFolder(3)", "tempFolder(4)"));
        EXPECT_EQ (desktop.getChildFile ("tempFolder(3)").loadFileAsString(), "the user's own file");
        EXPECT_EQ (desktop.getChildFile ("tempFolder(4)").getNativeLinkedTarget(), "/nonexistent");
    }

    TEST_F (ScratchFolderTest, FolderCopiesFollowLinksButEnterEachFolderOnce)
    {
        const auto source = home["Library/Application Support/Kestrava"];
        home.writeFile ("Library/Application Support/Kestrava/a/file.txt", "a");
        home.writeFile ("Library/Application Support/Kestrava/b/file.txt", "b");
        home.writeFile ("Library/Application Support/Kestrava/z.txt", "z");
        home["Library/Application Support/Kestrava/empty"].createDirectory();
        home.writeFile ("Library/Elsewhere/outside.txt", "through a link");

        const auto link = [&] (const juce::String& target, const juce::String& name)
        {
            ASSERT_TRUE (juce::File::createSymbolicLink (source.getChildFile (name), target, false)) << name;
        };

        link (source.getFullPathName(), "a/toTop");
        link ("..", "b/toParent");
        link (source.getChildFile ("b").getFullPathName(), "alsoB");
        link (home["Library/Elsewhere"].getFullPathName(), "elsewhere");
        link (desktop.getFullPathName(), "desktop");
        link (home["Library/missing"].getFullPathName(), "dangling");
        link (source.getChildFile ("z.txt").getFullPathName(), "zLink.txt");

        const auto before = TreeSnapshot::take (source);

        ArchiveProcedure procedure;
        procedure.copyFolder (source, "Kestrava");

        auto copied = TreeSnapshot::take (procedure.getScratchFolder().getChildFile ("Kestrava"));

        // The same folder reached two ways is copied once, under either name.
        const auto bName = copied.count ("b") != 0 ? "b" : "alsoB";
        EXPECT_EQ (copied.count (juce::String (bName) == "b" ? "alsoB" : "b"), 0u);
        EXPECT_EQ (copied[juce::String (bName) + "/file.txt"], "b");

        TreeSnapshot::Contents expected
        {
            { "a", "<folder>" }, { "a/file.txt", "a" },
            { bName, "<folder>" }, { juce::String (bName) + "/file.txt", "b" },
            { "desktop", "<folder>" },
            { "elsewhere", "<folder>" }, { "elsewhere/outside.txt", "through a link" },
            { "empty", "<folder>" },
            { "z.txt", "z" }, { "zLink.txt", "z" }
        };

        EXPECT_EQ (copied, expected);
        EXPECT_EQ (TreeSnapshot::take (source), before);
    }

    //==============================================================================
    class ZipArchiveWriterTest : public ::testing::Test
    {
    protected:
        TestHome home;
        juce::File desktop { home["Desktop"] };
        juce::File archive { desktop.getChildFile ("TLM_Logs.zip") };

        juce::File writeLog (const juce::String& name, int lines = 50) const
        {
            return home.writeFile ("Logs/" + name, FixtureData::logText (lines));
        }

        // A failed write leaves the Desktop as empty as it found it, apart from
        // having removed the earlier archive.
        void expectNothingLeft() const
        {
            EXPECT_EQ (FixtureData::namesIn (desktop), juce::StringArray());
        }
    };

    TEST_F (ZipArchiveWriterTest, WritesEveryEntryUnderItsStoredPathOverAnEarlierArchive)
    {
        archive.replaceWithText (juce::String::repeatedString ("earlier ", 100));

        const std::vector<ZipArchiveWriter::Entry> entries
        {
            { writeLog ("one.log"), "Kestrava/one.log" },
            { writeLog ("two.log", 3000), {} }
        };

        ASSERT_TRUE (ZipArchiveWriter::write (entries, archive));

        ZipInspector zip (archive);
        EXPECT_EQ (zip.getProblems(), juce::StringArray());
        EXPECT_EQ (zip.getNames(), juce::StringArray ("Kestrava/one.log", "two.log"));
        EXPECT_EQ (zip.getText ("two.log"), FixtureData::logText (3000));
        EXPECT_TRUE (zip.getEntries().at ("two.log").isLevel5);
        EXPECT_EQ (FixtureData::namesIn (desktop), juce::StringArray ("TLM_Logs.zip"));
    }

    TEST_F (ZipArchiveWriterTest, AFileThatVanishedBeforeItIsReadFailsTheWholeArchive)
    {
        archive.replaceWithText ("an earlier archive");
        const auto vanished = writeLog ("vanished.log");
        const std::vector<ZipArchiveWriter::Entry> entries { { writeLog ("kept.log"), {} }, { vanished, {} } };
        vanished.deleteFile();

        EXPECT_FALSE (ZipArchiveWriter::write (entries, archive));
        expectNothingLeft();
    }

    TEST_F (ZipArchiveWriterTest, MoreEntriesThanAZipWithoutZip64CanCountFail)
    {
        const std::vector<ZipArchiveWriter::Entry> entries (65535, { writeLog ("tiny.log", 1), {} });

        EXPECT_FALSE (ZipArchiveWriter::write (entries, archive));
        expectNothingLeft();
    }

    TEST_F (ZipArchiveWriterTest, AnEntryOfFourGigabytesFails)
    {
        // Sparse: takes no room and is refused before a byte of it is read.
        const auto huge = writeLog ("huge.log");
        ASSERT_EQ (::truncate (huge.getFullPathName().toRawUTF8(), 0xffffffffLL), 0);

        EXPECT_FALSE (ZipArchiveWriter::write ({ { writeLog ("small.log"), {} }, { huge, {} } }, archive));
        expectNothingLeft();
    }

    TEST_F (ZipArchiveWriterTest, AnArchiveBeyondTheOffsetLimitFails)
    {
        const auto noise = home["Logs/noise.bin"];
        noise.getParentDirectory().createDirectory();
        noise.replaceWithData (FixtureData::randomBytes (8192).getData(), 8192);

        EXPECT_FALSE (ZipArchiveWriter::write ({ { noise, {} } }, archive, { 10, 1 << 20, 8000 }));
        expectNothingLeft();

        EXPECT_TRUE (ZipArchiveWriter::write ({ { noise, {} } }, archive, { 10, 1 << 20, 9000 }));
        EXPECT_EQ (ZipInspector (archive).getProblems(), juce::StringArray());
    }

    TEST_F (ZipArchiveWriterTest, AnArchiveThatCannotBeOpenedFails)
    {
        const auto nowhere = home["Missing folder/TLM_Logs.zip"];

        EXPECT_FALSE (ZipArchiveWriter::write ({ { writeLog ("one.log"), {} } }, nowhere));
        EXPECT_FALSE (nowhere.getParentDirectory().exists());
    }
}
