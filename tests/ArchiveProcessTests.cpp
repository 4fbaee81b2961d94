/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include <gtest/gtest.h>

#include "support/FixtureData.h"
#include "support/RevealRecorder.h"
#include "support/TestHome.h"
#include "support/ZipInspector.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{
    // Collections run by ArchiveRunner, a process of their own: a hang can be
    // bounded and ended, a file-size limit stays in that process, and two
    // processes can collect at once.
    class ArchiveProcessTest : public ::testing::Test
    {
    protected:
        TestHome home;
        RevealRecorder reveals;
        juce::File desktop { home["Desktop"] };

        std::unique_ptr<juce::ChildProcess> startRunner (const juce::StringArray& arguments) const
        {
            auto process = std::make_unique<juce::ChildProcess>();
            juce::StringArray command (QUILLON_ARCHIVE_RUNNER);
            command.addArray (arguments);

            EXPECT_TRUE (process->start (command, 0));
            return process;
        }

        static bool endsCleanly (juce::ChildProcess& process, int timeoutMs = 60000)
        {
            if (process.waitForProcessToFinish (timeoutMs))
                return process.getExitCode() == 0;

            process.kill();
            return false;
        }

        bool runs (const juce::StringArray& arguments) const
        {
            const auto process = startRunner (arguments);
            return endsCleanly (*process);
        }

        void makeSpecialFile (const juce::String& relativePath, mode_t type) const
        {
            const auto file = home[relativePath];
            file.getParentDirectory().createDirectory();
            const auto path = file.getFullPathName().toStdString();

            if (type == S_IFIFO)
            {
                ASSERT_EQ (::mkfifo (path.c_str(), 0644), 0) << path;
                return;
            }

            sockaddr_un address {};
            address.sun_family = AF_UNIX;
            ASSERT_LT (path.size(), sizeof (address.sun_path)) << path;
            path.copy (address.sun_path, path.size());

            const auto fd = ::socket (AF_UNIX, SOCK_STREAM, 0);
            ASSERT_GE (fd, 0);
            EXPECT_EQ (::bind (fd, reinterpret_cast<const sockaddr*> (&address), sizeof (address)), 0) << path;
            ::close (fd);
        }

        void linkTo (const juce::String& target, const juce::String& relativePath) const
        {
            const auto file = home[relativePath];
            file.getParentDirectory().createDirectory();
            ASSERT_TRUE (juce::File::createSymbolicLink (file, target, false)) << relativePath;
        }
    };

    bool isFifo (const juce::File& file)
    {
        struct stat info;
        return ::lstat (file.getFullPathName().toRawUTF8(), &info) == 0 && S_ISFIFO (info.st_mode);
    }

    //==============================================================================
    TEST_F (ArchiveProcessTest, SpecialFilesAndLinkLoopsDoNotHoldUpACollection)
    {
        const juce::StringArray fifos { "Library/Logs/DiagnosticReports/Kestrava.crash",
                                        "Library/Logs/Kestrava/live.log",
                                        "Library/Logs/Palvero/.hidden",
                                        "Library/Application Support/Kestrava/sub/pipe",
                                        "Library/Preferences/com.tallowmere.Palvero3.plist",
                                        "Library/Logs/Avid/Pro_Tools_pipe.txt" };

        for (const auto& fifo : fifos)
            makeSpecialFile (fifo, S_IFIFO);

        makeSpecialFile ("Library/Logs/Kestrava/control.sock", S_IFSOCK);

        // A device that never runs dry.
        linkTo ("/dev/zero", "Library/Logs/DiagnosticReports/Palvero_zero.crash");
        linkTo ("/dev/zero", "Library/Logs/Kestrava/zero.log");
        linkTo ("/dev/zero", "Library/Application Support/Palvero/zero");
        linkTo ("/dev/zero", "Library/Preferences/com.tallowmere.Kestrava6.plist");
        linkTo ("/dev/zero", "Library/Logs/Avid/Pro_Tools_zero.txt");

        linkTo ("..", "Library/Application Support/Kestrava/sub/up");
        linkTo (home["Library/Application Support/Kestrava"].getFullPathName(), "Library/Application Support/Kestrava/top");
        linkTo (home["Library/Application Support/Palvero"].getFullPathName(), "Library/Application Support/Kestrava/palvero");
        linkTo (home["Library/Application Support/Kestrava"].getFullPathName(), "Library/Application Support/Palvero/kestrava");

        home.writeFile ("Library/Logs/Kestrava/real.log", "real log");
        home.writeFile ("Library/Application Support/Kestrava/sub/real.txt", "real settings");
        home.writeFile ("Library/Preferences/com.tallowmere.Kestrava5.plist", "real preferences");
        home.writeFile ("Library/Logs/Avid/Pro_Tools_real.txt", "real pt log");

        ASSERT_TRUE (runs ({ "products", "protools" })) << "a collection hung or failed";

        ZipInspector products (desktop.getChildFile ("TLM_Logs.zip"));
        EXPECT_EQ (products.getProblems(), juce::StringArray());
        EXPECT_EQ (products.getNames(), juce::StringArray ({ "Kestrava/sub/real.txt", "Palvero/kestrava/sub/real.txt",
                                                            "com.tallowmere.Kestrava5.plist", "real.log" }));

        ZipInspector proTools (desktop.getChildFile ("PT_Logs.zip"));
        EXPECT_EQ (proTools.getProblems(), juce::StringArray());
        EXPECT_EQ (proTools.getNames(), juce::StringArray ("Pro_Tools_real.txt"));

        for (const auto& fifo : fifos)
            EXPECT_TRUE (isFifo (home[fifo])) << fifo;

        EXPECT_EQ (FixtureData::namesIn (desktop), juce::StringArray ("PT_Logs.zip", "TLM_Logs.zip"));
    }

    //==============================================================================
    TEST_F (ArchiveProcessTest, TwoProcessesCollectingAtOnceEachLeaveCompleteArchives)
    {
        juce::StringArray productNames, proToolsNames;

        for (int i = 0; i < 150; ++i)
        {
            const auto name = "file" + juce::String (i).paddedLeft ('0', 3) + ".log";
            home.writeFile ("Library/Application Support/Kestrava/logs/" + name, FixtureData::logText (200, i));
            productNames.add ("Kestrava/logs/" + name);
        }

        for (int i = 0; i < 40; ++i)
        {
            const auto name = "Pro_Tools_" + juce::String (i).paddedLeft ('0', 2) + ".txt";
            home.writeFile ("Library/Logs/Avid/" + name, FixtureData::logText (300, 1000 + i));
            proToolsNames.add (name);
        }

        home.writeFile ("Library/Logs/Kestrava/big.log", FixtureData::logText (60000));
        productNames.add ("big.log");
        productNames.sort (false);

        const juce::StringArray rounds { "products", "protools", "products", "protools", "products", "protools" };
        const auto first = startRunner (rounds);
        const auto second = startRunner (rounds);

        ASSERT_TRUE (endsCleanly (*first));
        ASSERT_TRUE (endsCleanly (*second));

        ZipInspector products (desktop.getChildFile ("TLM_Logs.zip"));
        EXPECT_EQ (products.getProblems(), juce::StringArray());
        EXPECT_EQ (products.getNames(), productNames);
        EXPECT_EQ (products.getText ("big.log"), FixtureData::logText (60000));
        EXPECT_EQ (products.getText ("Kestrava/logs/file149.log"), FixtureData::logText (200, 149));

        ZipInspector proTools (desktop.getChildFile ("PT_Logs.zip"));
        EXPECT_EQ (proTools.getProblems(), juce::StringArray());
        EXPECT_EQ (proTools.getNames(), proToolsNames);
        EXPECT_EQ (proTools.getText ("Pro_Tools_39.txt"), FixtureData::logText (300, 1039));

        // Every scratch folder and partial archive is gone, and no reveal ever saw
        // an archive under its name that was not complete.
        EXPECT_EQ (FixtureData::namesIn (desktop), juce::StringArray ("PT_Logs.zip", "TLM_Logs.zip"));

        const auto records = reveals.waitForRecords (12);
        EXPECT_EQ (records.size(), 12);

        for (const auto& record : records)
            EXPECT_FALSE (record.contains ("broken")) << record;
    }

    //==============================================================================
    TEST_F (ArchiveProcessTest, AFileSizeLimitFailsTheArchiveWithoutEndingTheProgram)
    {
        for (int i = 0; i < 24; ++i)
        {
            const auto file = home["Library/Logs/Kestrava/noise" + juce::String (i) + ".bin"];
            file.getParentDirectory().createDirectory();
            file.replaceWithData (FixtureData::randomBytes (8192, i).getData(), 8192);
        }

        home.writeFile ("Desktop/TLM_Logs.zip", "an earlier archive");
        home.writeFile ("Library/Logs/Avid/Pro_Tools_small.txt", "small");

        // Every copy fits below the limit; the products' archive, about 200 kB, does not.
        ASSERT_TRUE (runs ({ "--file-size-limit", "65536", "products", "protools" }));

        EXPECT_EQ (FixtureData::namesIn (desktop), juce::StringArray ("PT_Logs.zip"));

        // Only the Pro Tools archive was revealed; the failed one, earlier, was not.
        const auto records = reveals.waitForRecords (1);
        ASSERT_EQ (records.size(), 1);
        EXPECT_TRUE (records[0].contains ("complete PT_Logs.zip")) << records[0];
        EXPECT_FALSE (records[0].contains ("TLM_Logs.zip")) << records[0];
    }

    TEST_F (ArchiveProcessTest, ACopyCutShortByAFileSizeLimitIsLeftOut)
    {
        home.writeFile ("Library/Logs/Kestrava/big.log", FixtureData::logText (4000));
        home.writeFile ("Library/Logs/Kestrava/small.log", "small");
        ASSERT_GT (home["Library/Logs/Kestrava/big.log"].getSize(), 65536);

        ASSERT_TRUE (runs ({ "--file-size-limit", "65536", "products" }));

        ZipInspector products (desktop.getChildFile ("TLM_Logs.zip"));
        EXPECT_EQ (products.getProblems(), juce::StringArray());
        EXPECT_EQ (products.getNames(), juce::StringArray ("small.log"));
        EXPECT_EQ (FixtureData::namesIn (desktop), juce::StringArray ("TLM_Logs.zip"));
    }
}
