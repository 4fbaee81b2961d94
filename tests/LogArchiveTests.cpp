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

#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
    // Python's zipfile reads the archive, apart from JUCE: "[name=content|...]" sorted, or the
    // reader's complaint. Every entry must be deflated, and nothing may come before the first.
    juce::String readZip (const juce::File& archive)
    {
        juce::ChildProcess python;
        python.start (juce::StringArray { "python3", "-c", R"PY(
import sys, zipfile; z = zipfile.ZipFile(sys.argv[1])
assert open(sys.argv[1], "rb").read(2) == b"PK" and all(i.compress_type == 8 for i in z.infolist()), "appended to, or stored"
print("[" + "|".join(sorted(i.filename + "=" + z.read(i).decode() for i in z.infolist())) + "]", end="")
)PY", archive.getFullPathName() });
        return python.readAllProcessOutput();
    }

    // A source is a file holding its own path: "path => name" is archived as name, a bare
    // "path" left out. "path -> target" makes a link instead, and "path -> (fifo)" a FIFO.
    // Returns what readZip should show once they are collected.
    juce::String make (const TestHome& home, const std::vector<juce::String>& sources)
    {
        juce::StringArray entries;

        for (const auto& sourceLine : sources)
        {
            const auto path = sourceLine.upToFirstOccurrenceOf (" -> ", false, false).upToFirstOccurrenceOf (" => ", false, false);
            const auto target = sourceLine.fromFirstOccurrenceOf (" -> ", false, false);
            const auto file = home.writeFile (path, path);

            EXPECT_TRUE (target.isEmpty() || (file.deleteFile() && (target == "(fifo)"
                                                                      ? ::mkfifo (file.getFullPathName().toRawUTF8(), 0644) == 0
                                                                      : juce::File::createSymbolicLink (file, target, false)))) << path;

            if (sourceLine.contains (" => "))
                entries.add (sourceLine.fromFirstOccurrenceOf (" => ", false, false) + "=" + path);
        }

        entries.sort (false);
        return "[" + entries.joinIntoString ("|") + "]";
    }

    // Every path below a folder with its content, the archives left aside.
    std::set<juce::String> snapshot (const juce::File& folder)
    {
        std::set<juce::String> contents;

        for (const auto& entry : juce::RangedDirectoryIterator (folder, true, "*", juce::File::findFilesAndDirectories))
            if (! entry.getFile().hasFileExtension ("zip"))
                contents.insert (entry.getFile().getRelativePathFrom (folder) + "=" + entry.getFile().loadFileAsString());

        return contents;
    }

    // Each collection runs at once with the others in a forked process of its own, so that the
    // alarm ends a hang and a file-size limit stays there. A stand-in xdg-open in the home folder,
    // first on the children's PATH, appends to ~/reveals.txt the folder it was asked to show
    // (relative to home) and whether each archive there read whole at that moment.
    bool collectInChildren (std::initializer_list<void (*)()> collections, rlim_t fileSizeLimit = RLIM_INFINITY)
    {
        const auto stub = juce::File ("~/xdg-open");
        stub.replaceWithText (R"SH(#!/bin/sh
exec >> "$HOME/reveals.txt" && echo "${1#$HOME/}"
for z in "$1"/*.zip; do python3 -m zipfile -t "$z" > /dev/null 2>&1 && echo "complete ${z##*/}" || echo "broken ${z##*/}"; done
)SH", false, false, "\n");
        stub.setExecutePermission (true);
        std::vector<pid_t> children;

        for (const auto collect : collections)
            if (children.push_back (::fork()); children.back() == 0)
            {
                ::setenv ("PATH", (juce::File ("~").getFullPathName() + ":" + juce::SystemStats::getEnvironmentVariable ("PATH", {})).toRawUTF8(), 1);
                const rlimit limit { fileSizeLimit, fileSizeLimit };
                ::setrlimit (RLIMIT_FSIZE, &limit);
                ::alarm (60);
                collect();

                // The reveals' shells are this process's children: once reaped, their records are whole.
                while (::wait (nullptr) > 0) {}

                ::_exit (0);
            }

        int status = 0, cleanExits = 0;

        for (const auto pid : children)
            cleanExits += pid > 0 && ::waitpid (pid, &status, 0) == pid && WIFEXITED (status) && WEXITSTATUS (status) == 0;

        return cleanExits == (int) children.size();
    }

    //==============================================================================
    TEST (LogArchiveTest, EachCollectionLeavesExactlyItsArchiveAndRevealsItOnlyWhenComplete)
    {
        struct Collection
        {
            const char* what;
            void (*collect)();
            juce::String archiveName;
            std::vector<juce::String> sources;
            rlim_t fileSizeLimit = RLIM_INFINITY;
        };

        // An earlier archive must be replaced, the user's own "tempFolder" passed over, and
        // the FIFO and the link loop must not hang the collection.
        const Collection collections[]
        {
            { "products", LogArchive::collectProductLogs, "TLM_Logs.zip",
              { "Desktop/TLM_Logs.zip", "Desktop/tempFolder/mine.txt", "Library/Logs/DiagnosticReports/Safari.crash",
                "Library/Logs/DiagnosticReports/Kestrava_1.crash => Kestrava_1.crash",
                "Library/Logs/DiagnosticReports/.Palvero.hidden => .Palvero.hidden",
                "Library/Logs/Kestrava/shared.log", "Library/Logs/Palvero/shared.log => shared.log",
                "Library/Logs/Kestrava/live.log -> (fifo)", "Library/Application Support/Kestrava/Presets/Deep/up -> ..",
                "Library/Logs/Kestrava/..\\..\\escape.txt", "Library/Application Support/Kestrava/.state => Kestrava/.state",
                "Library/Application Support/Palvero/display.ksdisp => Palvero/display.ksdisp",
                "Library/Application Support/Kestrava/Presets/Deep/one.ksar => Kestrava/Presets/Deep/one.ksar",
                "Library/Preferences/com.tallowmere.Kestrava6.plist => com.tallowmere.Kestrava6.plist",
                "Library/Preferences/com.tallowmere.Palvero.plist => com.tallowmere.Palvero.plist" } },

            { "Pro Tools", LogArchive::collectProToolsLogs, "PT_Logs.zip",
              { "Library/Logs/Avid/Pro_Tools_1.txt => Pro_Tools_1.txt", "Library/Logs/Avid/Pro_Tools_Video_4.txt",
                "Library/Logs/Avid/Pro_Tools_video_3.txt => Pro_Tools_video_3.txt", "Library/Logs/Avid/Old/Pro_Tools_6.txt" } },

            // Past a file-size limit no archive may be left, nor revealed.
            { "too big", LogArchive::collectProductLogs, "TLM_Logs.zip", { "Desktop/TLM_Logs.zip", "Library/Logs/Kestrava/run.log" }, 100 }
        };

        for (const auto& collection : collections)
        {
            SCOPED_TRACE (collection.what);
            TestHome home;
            const auto archive = home["Desktop"].getChildFile (collection.archiveName);
            const auto expected = make (home, collection.sources);
            const auto desktopBefore = snapshot (home["Desktop"]);
            ASSERT_TRUE (collectInChildren ({ collection.collect }, collection.fileSizeLimit));

            // The user's things are untouched, and no scratch folder or partial archive is left.
            EXPECT_EQ (snapshot (home["Desktop"]), desktopBefore);
            EXPECT_EQ (archive.existsAsFile() ? readZip (archive) : "none", expected == "[]" ? "none" : expected);
            EXPECT_EQ (home["reveals.txt"].loadFileAsString(), expected == "[]" ? "" : "Desktop\ncomplete " + collection.archiveName + "\n");
        }
    }

    TEST (LogArchiveTest, TwoCollectionsAtOnceEachLeaveCompleteArchivesAndNoScratchFolders)
    {
        TestHome home;
        std::vector<juce::String> products, proTools;

        for (int i = 100; i < 250; ++i)
        {
            products.push_back ("Library/Application Support/Kestrava/" + juce::String (i) + " => Kestrava/" + juce::String (i));
            proTools.push_back ("Library/Logs/Avid/Pro_Tools_" + juce::String (i) + " => Pro_Tools_" + juce::String (i));
        }

        const auto expectedProducts = make (home, products), expectedProTools = make (home, proTools);

        // One process collects in each order, so that each collection overlaps one of the other kind.
        EXPECT_TRUE (collectInChildren ({ [] { LogArchive::collectProductLogs(); LogArchive::collectProToolsLogs(); },
                                         [] { LogArchive::collectProToolsLogs(); LogArchive::collectProductLogs(); } }));
        EXPECT_EQ (readZip (home["Desktop/TLM_Logs.zip"]), expectedProducts);
        EXPECT_EQ (readZip (home["Desktop/PT_Logs.zip"]), expectedProTools);
        EXPECT_EQ (home["Desktop"].getNumberOfChildFiles (juce::File::findFilesAndDirectories), 2);
    }

    //==============================================================================
    TEST (ZipArchiveWriterTest, RefusesWhatAnArchiveWithoutZip64CannotDescribeAndLeavesNothing)
    {
        TestHome home;
        const auto archive = home.writeFile ("Desktop/TLM_Logs.zip", "earlier"), kept = home.writeFile ("kept", "kept"),
                   huge = home.writeFile ("huge", {});

        // Sparse, and refused before a byte of it is read.
        ASSERT_EQ (::truncate (huge.getFullPathName().toRawUTF8(), 0xffffffffLL), 0);

        EXPECT_FALSE (ZipArchiveWriter::write ({ { kept, {} }, { huge, {} } }, archive)) << "a 4 GiB entry";
        EXPECT_FALSE (ZipArchiveWriter::write (std::vector<ZipArchiveWriter::Entry> (0xffff, { kept, {} }), archive)) << "65535 entries";
        EXPECT_EQ (home["Desktop"].getNumberOfChildFiles (juce::File::findFilesAndDirectories), 0);

        // Nothing to collect still makes an archive: the end record alone.
        EXPECT_TRUE (ZipArchiveWriter::write ({}, archive));
        EXPECT_EQ (archive.getSize(), 22);
    }
}
