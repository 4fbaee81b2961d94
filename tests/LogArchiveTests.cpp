/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include <gtest/gtest.h>

#include "app/LogArchive.h"
#include "app/ZipArchiveWriter.h"
#include "support/TestHome.h"

#include <csignal>
#include <map>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
    // Python's zipfile reads the archive, apart from JUCE: "[name=content|...]" sorted,
    // or the reader's complaint. Every entry must be deflated.
    juce::String readZip (const juce::File& archive)
    {
        juce::ChildProcess python;
        python.start (juce::StringArray { "python3", "-c", R"PY(
import sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
assert all(i.compress_type == zipfile.ZIP_DEFLATED for i in z.infolist()), "not deflated"
print("[" + "|".join(sorted(i.filename + "=" + z.read(i).decode() for i in z.infolist())) + "]", end="")
)PY", archive.getFullPathName() });
        return python.readAllProcessOutput();
    }

    // "path" writes its own path into the file, "path -> target" makes a link, "path (fifo)" a FIFO.
    void make (const TestHome& home, const juce::String& spec)
    {
        const auto path = spec.upToFirstOccurrenceOf (" -> ", false, false).upToFirstOccurrenceOf (" (fifo)", false, false);
        const auto file = home[path];
        file.getParentDirectory().createDirectory();

        if (spec.endsWith (" (fifo)"))
            EXPECT_EQ (::mkfifo (file.getFullPathName().toRawUTF8(), 0644), 0) << path;
        else if (spec.contains (" -> "))
            EXPECT_TRUE (juce::File::createSymbolicLink (file, spec.fromFirstOccurrenceOf (" -> ", false, false), false));
        else
            file.replaceWithText (path);
    }

    // What a folder holds, links not followed, leaving out one file (the archive).
    std::map<juce::String, juce::String> snapshot (const juce::File& folder, const juce::File& except)
    {
        std::map<juce::String, juce::String> contents;

        for (const auto& entry : juce::RangedDirectoryIterator (folder, true, "*", juce::File::findFilesAndDirectories,
                                                                juce::File::FollowSymlinks::no))
        {
            const auto& file = entry.getFile();
            const auto path = file.getRelativePathFrom (folder);

            if (file.isSymbolicLink())
                contents[path] = "-> " + file.getNativeLinkedTarget();
            else if (entry.isDirectory())
                contents[path] = "/";
            else if (file != except)
                contents[path] = file.loadFileAsString();
        }

        return contents;
    }

    // Collects in a forked process, so that a hang can be ended, a file-size limit stays
    // there, and two collections can run at once.
    pid_t startCollecting (void (*collect)(), rlim_t fileSizeLimit = RLIM_INFINITY)
    {
        const auto pid = ::fork();

        if (pid == 0)
        {
            const rlimit limit { fileSizeLimit, fileSizeLimit };
            ::setrlimit (RLIMIT_FSIZE, &limit);
            collect();

            // The reveals' shells are this process's children: once reaped, their records are whole.
            while (::wait (nullptr) > 0) {}

            ::_exit (0);
        }

        return pid;
    }

    bool endsCleanly (pid_t pid)
    {
        if (pid <= 0)
            return false;

        for (int i = 0; i < 6000; ++i)
        {
            int status = 0;

            if (::waitpid (pid, &status, WNOHANG) == pid)
                return WIFEXITED (status) && WEXITSTATUS (status) == 0;

            juce::Thread::sleep (10);
        }

        ::kill (pid, SIGKILL);
        ::waitpid (pid, nullptr, 0);
        return false;
    }

    // A stand-in xdg-open, first on PATH, records in ~/reveals the folder it was asked to show
    // and whether each archive there read whole at that moment.
    class LogArchiveTest : public ::testing::Test
    {
    protected:
        LogArchiveTest()
        {
            const auto stub = stubFolder.getChildFile ("xdg-open");
            stub.replaceWithText (R"SH(#!/bin/sh
mkdir -p "$HOME/reveals" && record="$HOME/reveals/$$"
{
    echo "$1"
    for z in "$1"/*.zip; do
        [ -f "$z" ] && { python3 -m zipfile -t "$z" > /dev/null 2>&1 && echo "complete ${z##*/}" || echo "broken ${z##*/}"; }
    done
} > "$record.tmp"
mv "$record.tmp" "$record.txt"
)SH", false, false, "\n");
            stub.setExecutePermission (true);
            setenv ("PATH", (stubFolder.getFullPathName() + ":" + previousPath).toRawUTF8(), 1);
        }

        ~LogArchiveTest() override
        {
            setenv ("PATH", previousPath.toRawUTF8(), 1);
            stubFolder.deleteRecursively();
        }

        static juce::String reveals (const TestHome& home)
        {
            juce::String records;

            for (const auto& record : home["reveals"].findChildFiles (juce::File::findFiles, false, "*.txt"))
                records << record.loadFileAsString();

            return records;
        }

        const juce::File stubFolder { TestHome::createUniqueFolder ("quillon-reveal") };
        const juce::String previousPath { juce::SystemStats::getEnvironmentVariable ("PATH", "/usr/bin:/bin") };
    };

    //==============================================================================
    TEST_F (LogArchiveTest, EachCollectionLeavesExactlyItsArchiveAndRevealsItOnlyWhenComplete)
    {
        struct Collection
        {
            const char* what;
            void (*collect)();
            const char* archiveName;
            std::vector<const char*> sources;
            juce::String expected;                      // empty: no archive may be left, nor revealed
            rlim_t fileSizeLimit = RLIM_INFINITY;
        };

        const auto products = LogArchive::collectProductLogs;
        const auto proTools = LogArchive::collectProToolsLogs;

        const Collection collections[]
        {
            { "products", products, "TLM_Logs.zip",
              { "Desktop/TLM_Logs.zip",
                "Library/Logs/DiagnosticReports/Kestrava_1.crash",
                "Library/Logs/DiagnosticReports/.Palvero.hidden",
                "Library/Logs/DiagnosticReports/kestrava_2.crash",
                "Library/Logs/DiagnosticReports/Safari.crash",
                "Library/Logs/DiagnosticReports/Old/Palvero_3.crash",
                "Library/Logs/Kestrava/shared.log",
                "Library/Logs/Kestrava/old/rotated.log",
                "Library/Logs/Palvero/shared.log",
                "Library/Logs/Palvero/com.tallowmere.Palvero.plist",
                "Library/Application Support/Kestrava/.state",
                "Library/Application Support/Kestrava/Presets/Deep/one.ksar",
                "Library/Application Support/Palvero/display.ksdisp",
                "Library/Preferences/com.tallowmere.Kestrava6.plist",
                "Library/Preferences/com.tallowmere.Palvero.plist",
                "Library/Preferences/com.tallowmere.Other.plist" },
              "[.Palvero.hidden=Library/Logs/DiagnosticReports/.Palvero.hidden"
              "|Kestrava/.state=Library/Application Support/Kestrava/.state"
              "|Kestrava/Presets/Deep/one.ksar=Library/Application Support/Kestrava/Presets/Deep/one.ksar"
              "|Kestrava_1.crash=Library/Logs/DiagnosticReports/Kestrava_1.crash"
              "|Palvero/display.ksdisp=Library/Application Support/Palvero/display.ksdisp"
              "|com.tallowmere.Kestrava6.plist=Library/Preferences/com.tallowmere.Kestrava6.plist"
              "|com.tallowmere.Palvero.plist=Library/Preferences/com.tallowmere.Palvero.plist"
              "|shared.log=Library/Logs/Palvero/shared.log]" },

            { "Pro Tools", proTools, "PT_Logs.zip",
              { "Desktop/PT_Logs.zip",
                "Library/Logs/Avid/Pro_Tools_1.txt",
                "Library/Logs/Avid/.Pro_Tools_2.txt",
                "Library/Logs/Avid/Pro_Tools_video_3.txt",
                "Library/Logs/Avid/Pro_Tools_Video_4.txt",
                "Library/Logs/Avid/pro_tools_5.txt",
                "Library/Logs/Avid/Old/Pro_Tools_6.txt",
                "Library/Logs/Kestrava/Pro_Tools_7.txt" },
              "[.Pro_Tools_2.txt=Library/Logs/Avid/.Pro_Tools_2.txt"
              "|Pro_Tools_1.txt=Library/Logs/Avid/Pro_Tools_1.txt"
              "|Pro_Tools_video_3.txt=Library/Logs/Avid/Pro_Tools_video_3.txt]" },

            { "no sources", products, "TLM_Logs.zip", { "Desktop/TLM_Logs.zip" }, "[]" },

            { "a folder of the user's named tempFolder", proTools, "PT_Logs.zip",
              { "Desktop/tempFolder/Pro_Tools_mine.txt", "Library/Logs/Avid/Pro_Tools_1.txt" },
              "[Pro_Tools_1.txt=Library/Logs/Avid/Pro_Tools_1.txt]" },

            { "a plain file named tempFolder", products, "TLM_Logs.zip",
              { "Desktop/tempFolder", "Library/Logs/Kestrava/run.log" }, "[run.log=Library/Logs/Kestrava/run.log]" },

            { "a FIFO and a folder link loop", products, "TLM_Logs.zip",
              { "Library/Logs/Kestrava/live.log (fifo)",
                "Library/Application Support/Kestrava/sub/up -> ..",
                "Library/Application Support/Kestrava/sub/real.txt" },
              "[Kestrava/sub/real.txt=Library/Application Support/Kestrava/sub/real.txt]" },

            { "a folder in the archive's place", products, "TLM_Logs.zip",
              { "Desktop/TLM_Logs.zip/inside.txt", "Library/Logs/Kestrava/run.log" }, {} },

            { "an archive past the file-size limit", products, "TLM_Logs.zip",
              { "Desktop/TLM_Logs.zip",
                "Library/Application Support/Palvero/preset-1.ksar",
                "Library/Application Support/Palvero/preset-2.ksar",
                "Library/Application Support/Palvero/preset-3.ksar",
                "Library/Application Support/Palvero/preset-4.ksar" }, {}, 512 }
        };

        for (const auto& collection : collections)
        {
            SCOPED_TRACE (collection.what);
            TestHome home;
            const auto archive = home["Desktop"].getChildFile (collection.archiveName);

            for (const auto* source : collection.sources)
                make (home, source);

            const auto desktopBefore = snapshot (home["Desktop"], archive);
            ASSERT_TRUE (endsCleanly (startCollecting (collection.collect, collection.fileSizeLimit)));

            // The user's things are untouched, and no scratch folder or partial archive is left.
            EXPECT_EQ (snapshot (home["Desktop"], archive), desktopBefore);

            if (collection.expected.isEmpty())
            {
                EXPECT_FALSE (archive.existsAsFile());
                EXPECT_EQ (reveals (home), "");
                continue;
            }

            EXPECT_EQ (readZip (archive), collection.expected);
            EXPECT_EQ (juce::FileInputStream (archive).readShort(), 0x4b50) << "not replaced but appended to";
            EXPECT_EQ (reveals (home), home["Desktop"].getFullPathName() + "\ncomplete " + collection.archiveName + "\n");

            if (collection.expected == "[]")
            {
                EXPECT_EQ (archive.getSize(), 22);
            }
        }
    }

    TEST_F (LogArchiveTest, TwoCollectionsAtOnceEachLeaveCompleteArchivesAndNoScratchFolders)
    {
        TestHome home;
        juce::StringArray products, proTools;

        for (int i = 0; i < 150; ++i)
        {
            const auto name = "f" + juce::String (i).paddedLeft ('0', 3);
            make (home, "Library/Application Support/Kestrava/" + name);
            products.add ("Kestrava/" + name + "=Library/Application Support/Kestrava/" + name);
        }

        for (int i = 0; i < 30; ++i)
        {
            const auto name = "Pro_Tools_" + juce::String (i).paddedLeft ('0', 2);
            make (home, "Library/Logs/Avid/" + name);
            proTools.add (name + "=Library/Logs/Avid/" + name);
        }

        // One process collects in each order, so that each collection overlaps one of the other kind.
        const auto first = startCollecting ([] { LogArchive::collectProductLogs(); LogArchive::collectProToolsLogs(); });
        const auto second = startCollecting ([] { LogArchive::collectProToolsLogs(); LogArchive::collectProductLogs(); });
        EXPECT_TRUE (endsCleanly (first));
        EXPECT_TRUE (endsCleanly (second));

        EXPECT_EQ (readZip (home["Desktop/TLM_Logs.zip"]), "[" + products.joinIntoString ("|") + "]");
        EXPECT_EQ (readZip (home["Desktop/PT_Logs.zip"]), "[" + proTools.joinIntoString ("|") + "]");
        EXPECT_EQ (home["Desktop"].getNumberOfChildFiles (juce::File::findFilesAndDirectories), 2);
    }

    //==============================================================================
    TEST (ZipArchiveWriterTest, AFailedWriteLeavesNoArchiveNorAnEarlierOneNorAPartialFile)
    {
        using Entries = std::vector<ZipArchiveWriter::Entry>;

        struct Failure
        {
            const char* what;
            Entries entries;
            ZipArchiveWriter::Limits limits;
        };

        TestHome home;
        const auto archive = home["Desktop/TLM_Logs.zip"];
        const auto kept = home.writeFile ("Logs/kept.log", "kept");
        const auto vanished = home.writeFile ("Logs/vanished.log", "gone");
        const auto huge = home.writeFile ("Logs/huge.log", {});
        ASSERT_TRUE (vanished.deleteFile());

        // Sparse, and refused before a byte of it is read.
        ASSERT_EQ (::truncate (huge.getFullPathName().toRawUTF8(), 0xffffffffLL), 0);

        const Failure failures[]
        {
            { "a file vanished before it was read", { { kept, {} }, { vanished, {} } }, ZipArchiveWriter::zipLimits },
            { "more entries than Zip64-less records count", Entries (0xffff, { kept, {} }), ZipArchiveWriter::zipLimits },
            { "a 4 GiB entry", { { kept, {} }, { huge, {} } }, ZipArchiveWriter::zipLimits },
            { "an archive past its size limit", { { kept, {} } }, { 10, 1000, 50 } }
        };

        for (const auto& failure : failures)
        {
            SCOPED_TRACE (failure.what);
            archive.replaceWithText ("an earlier archive");
            EXPECT_FALSE (ZipArchiveWriter::write (failure.entries, archive, failure.limits));
            EXPECT_EQ (home["Desktop"].getNumberOfChildFiles (juce::File::findFilesAndDirectories), 0);
        }
    }
}
