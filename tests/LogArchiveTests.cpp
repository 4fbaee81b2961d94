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
import sys, zipfile; z = zipfile.ZipFile(sys.argv[1])
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

    // What a folder holds, leaving out one file (the archive).
    std::map<juce::String, juce::String> snapshot (const juce::File& folder, const juce::File& except)
    {
        std::map<juce::String, juce::String> contents;

        for (const auto& entry : juce::RangedDirectoryIterator (folder, true, "*", juce::File::findFilesAndDirectories))
            if (entry.getFile() != except)
                contents[entry.getFile().getRelativePathFrom (folder)] = entry.isDirectory() ? "/" : entry.getFile().loadFileAsString();

        return contents;
    }

    // Collects in a forked process, so that a hang can be ended, a file-size limit stays
    // there, and two collections can run at once. A stand-in xdg-open in the home folder,
    // first on the child's PATH, appends to ~/reveals.txt the folder it was asked to show
    // and whether each archive there read whole at that moment.
    pid_t startCollecting (void (*collect)(), rlim_t fileSizeLimit = RLIM_INFINITY)
    {
        if (const juce::File stub ("~/xdg-open"); ! stub.existsAsFile())
        {
            stub.replaceWithText (R"SH(#!/bin/sh
exec >> "$HOME/reveals.txt" && echo "$1"
for z in "$1"/*.zip; do python3 -m zipfile -t "$z" > /dev/null 2>&1 && echo "complete ${z##*/}" || echo "broken ${z##*/}"; done
)SH", false, false, "\n");
            stub.setExecutePermission (true);
        }

        const auto pid = ::fork();

        if (pid == 0)
        {
            ::setenv ("PATH", (juce::File ("~").getFullPathName() + ":" + juce::SystemStats::getEnvironmentVariable ("PATH", "/usr/bin:/bin")).toRawUTF8(), 1);
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
        for (int i = 0, status = 0; pid > 0 && i < 6000; ++i, juce::Thread::sleep (10))
            if (::waitpid (pid, &status, WNOHANG) == pid)
                return WIFEXITED (status) && WEXITSTATUS (status) == 0;

        if (pid > 0 && ::kill (pid, SIGKILL) == 0)
            ::waitpid (pid, nullptr, 0);

        return false;
    }

    //==============================================================================
    TEST (LogArchiveTest, EachCollectionLeavesExactlyItsArchiveAndRevealsItOnlyWhenComplete)
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

        // The user's own "tempFolder" must be passed over, and the FIFO and the link loop
        // must not hang the collection.
        const Collection collections[]
        {
            { "products", LogArchive::collectProductLogs, "TLM_Logs.zip",
              { "Desktop/TLM_Logs.zip", "Desktop/tempFolder/mine.txt",
                "Library/Logs/DiagnosticReports/Kestrava_1.crash", "Library/Logs/DiagnosticReports/.Palvero.hidden",
                "Library/Logs/DiagnosticReports/kestrava_2.crash", "Library/Logs/DiagnosticReports/Safari.crash",
                "Library/Logs/Kestrava/shared.log", "Library/Logs/Palvero/shared.log",
                "Library/Logs/Kestrava/live.log (fifo)", "Library/Logs/Kestrava/..\\..\\escape.txt",
                "Library/Application Support/Kestrava/.state", "Library/Application Support/Palvero/display.ksdisp",
                "Library/Application Support/Kestrava/Presets/Deep/one.ksar",
                "Library/Application Support/Kestrava/Presets/Deep/up -> ..",
                "Library/Preferences/com.tallowmere.Kestrava6.plist", "Library/Preferences/com.tallowmere.Palvero.plist",
                "Library/Preferences/com.tallowmere.Other.plist" },
              "[.Palvero.hidden=Library/Logs/DiagnosticReports/.Palvero.hidden"
              "|Kestrava/.state=Library/Application Support/Kestrava/.state"
              "|Kestrava/Presets/Deep/one.ksar=Library/Application Support/Kestrava/Presets/Deep/one.ksar"
              "|Kestrava_1.crash=Library/Logs/DiagnosticReports/Kestrava_1.crash"
              "|Palvero/display.ksdisp=Library/Application Support/Palvero/display.ksdisp"
              "|com.tallowmere.Kestrava6.plist=Library/Preferences/com.tallowmere.Kestrava6.plist"
              "|com.tallowmere.Palvero.plist=Library/Preferences/com.tallowmere.Palvero.plist"
              "|shared.log=Library/Logs/Palvero/shared.log]" },

            { "Pro Tools", LogArchive::collectProToolsLogs, "PT_Logs.zip",
              { "Library/Logs/Avid/Pro_Tools_1.txt", "Library/Logs/Avid/Pro_Tools_video_3.txt",
                "Library/Logs/Avid/Pro_Tools_Video_4.txt", "Library/Logs/Avid/pro_tools_5.txt",
                "Library/Logs/Avid/Old/Pro_Tools_6.txt", "Library/Logs/Kestrava/Pro_Tools_7.txt" },
              "[Pro_Tools_1.txt=Library/Logs/Avid/Pro_Tools_1.txt"
              "|Pro_Tools_video_3.txt=Library/Logs/Avid/Pro_Tools_video_3.txt]" },

            { "no sources", LogArchive::collectProductLogs, "TLM_Logs.zip", { "Desktop/TLM_Logs.zip" }, "[]" },

            { "an archive past the file-size limit", LogArchive::collectProductLogs, "TLM_Logs.zip",
              { "Desktop/TLM_Logs.zip", "Library/Logs/Kestrava/run.log" }, {}, 100 }
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
            EXPECT_EQ (archive.existsAsFile() ? readZip (archive) : juce::String(), collection.expected);
            EXPECT_EQ (home["reveals.txt"].loadFileAsString(), collection.expected.isEmpty() ? juce::String()
                           : home["Desktop"].getFullPathName() + "\ncomplete " + collection.archiveName + "\n");
            EXPECT_TRUE (! archive.existsAsFile() || juce::FileInputStream (archive).readShort() == 0x4b50) << "appended to";
            EXPECT_TRUE (collection.expected != "[]" || archive.getSize() == 22) << "an empty archive is 22 bytes";
        }
    }

    TEST (LogArchiveTest, TwoCollectionsAtOnceEachLeaveCompleteArchivesAndNoScratchFolders)
    {
        TestHome home;
        juce::String products, proTools;

        for (int i = 100; i < 250; ++i)
        {
            make (home, "Library/Application Support/Kestrava/" + juce::String (i));
            make (home, "Library/Logs/Avid/Pro_Tools_" + juce::String (i));
            products << "|Kestrava/" << i << "=Library/Application Support/Kestrava/" << i;
            proTools << "|Pro_Tools_" << i << "=Library/Logs/Avid/Pro_Tools_" << i;
        }

        // One process collects in each order, so that each collection overlaps one of the other kind.
        const auto first = startCollecting ([] { LogArchive::collectProductLogs(); LogArchive::collectProToolsLogs(); });
        const auto second = startCollecting ([] { LogArchive::collectProToolsLogs(); LogArchive::collectProductLogs(); });
        EXPECT_TRUE (endsCleanly (first));
        EXPECT_TRUE (endsCleanly (second));

        EXPECT_EQ (readZip (home["Desktop/TLM_Logs.zip"]), "[" + products.substring (1) + "]");
        EXPECT_EQ (readZip (home["Desktop/PT_Logs.zip"]), "[" + proTools.substring (1) + "]");
        EXPECT_EQ (home["Desktop"].getNumberOfChildFiles (juce::File::findFilesAndDirectories), 2);
    }

    //==============================================================================
    TEST (ZipArchiveWriterTest, AFailedWriteLeavesNoArchiveNorAnEarlierOneNorAPartialFile)
    {
        using Entries = std::vector<ZipArchiveWriter::Entry>;
        TestHome home;
        const auto archive = home["Desktop/TLM_Logs.zip"];
        const auto kept = home.writeFile ("Logs/kept.log", "kept");
        const auto huge = home.writeFile ("Logs/huge.log", {});

        // Sparse, and refused before a byte of it is read.
        ASSERT_EQ (::truncate (huge.getFullPathName().toRawUTF8(), 0xffffffffLL), 0);

        const auto failsLeavingNothing = [&] (const Entries& entries, ZipArchiveWriter::Limits limits = ZipArchiveWriter::zipLimits)
        {
            archive.replaceWithText ("an earlier archive");
            return ! ZipArchiveWriter::write (entries, archive, limits)
                && home["Desktop"].getNumberOfChildFiles (juce::File::findFilesAndDirectories) == 0;
        };

        EXPECT_TRUE (failsLeavingNothing ({ { kept, {} }, { home["Logs/vanished.log"], {} } })) << "a file vanished before it was read";
        EXPECT_TRUE (failsLeavingNothing (Entries (0xffff, { kept, {} }))) << "more entries than Zip64-less records count";
        EXPECT_TRUE (failsLeavingNothing ({ { kept, {} }, { huge, {} } })) << "a 4 GiB entry";
        EXPECT_TRUE (failsLeavingNothing ({ { kept, {} } }, { 10, 1000, 50 })) << "an archive past its size limit";
    }
}
