/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include <gtest/gtest.h>

#include "app/LogArchive.h"
#include "app/ZipArchiveWriter.h"
#include "platform/FileSnapshot.h"
#include "support/TestHome.h"

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
    namespace fs = std::filesystem;

    // Python's zipfile and unzip read the archive, apart from our code: "[name=content|...]"
    // sorted, or the reader's complaint. Every entry must be deflated, nothing may come before
    // the first, and an entry dated otherwise than the fixtures' default shows its date.
    juce::String readZip (const juce::File& archive)
    {
        juce::ChildProcess python;
        python.start (juce::StringArray { "python3", "-c", R"PY(
import subprocess, sys, zipfile; p = sys.argv[1]; z = zipfile.ZipFile(p)
assert open(p, "rb").read(2) == b"PK" and all(i.compress_type == 8 for i in z.infolist()), "appended to, or stored"
assert z.testzip() is None and subprocess.run(["unzip", "-tq", p], capture_output=True).returncode == 0, "corrupt"
def show(i):
    d = z.read(i)
    s = d.decode() if len(d) <= 100 else "<%d bytes>" % len(d)
    return i.filename + "=" + s + ("" if i.date_time == (2021, 3, 4, 5, 6, 6) else "@%04d-%02d-%02d %02d:%02d:%02d" % i.date_time)
print("[" + "|".join(sorted(show(i) for i in z.infolist())) + "]", end="")
)PY", archive.getFullPathName() });
        return python.readAllProcessOutput();
    }

    // A folder on another file system than the home folder, for the copy path.
    struct ShmFolder final
    {
        ShmFolder()     { char name[] = "/dev/shm/quillon-XXXXXX"; path = ::mkdtemp (name) != nullptr ? name : "/nonexistent"; }
        ~ShmFolder()    { fs::remove_all (path); }

        std::string path;
    };

    // Sources are files holding their own path, dated 2021-03-04 05:06:07 unless the name holds
    // 1975 or 2150, which dates them then. Names ending ".8k" hold 8 KiB, ".random" 3 MiB of noise.
    std::string contentFor (const std::string& path)
    {
        if (path.size() > 3 && path.substr (path.size() - 3) == ".8k")
            return std::string (8192, 'a');

        if (path.size() > 7 && path.substr (path.size() - 7) == ".random")
        {
            std::string noise (3 << 20, '\0');
            std::ifstream ("/dev/urandom", std::ios::binary).read (noise.data(), (std::streamsize) noise.size());
            return noise;
        }

        return path;
    }

    void writeSource (const std::string& file, const std::string& relativePath)
    {
        std::ofstream (file, std::ios::binary) << contentFor (relativePath);

        const auto year = relativePath.find ("1975") != std::string::npos ? 1975
                        : relativePath.find ("2150") != std::string::npos ? 2150 : 2021;
        const auto seconds = (time_t) (juce::Time (year, 2, 4, 5, 6, 7, 0, true).toMilliseconds() / 1000);
        const timespec times[] { { seconds, 0 }, { seconds, 0 } };
        ::utimensat (AT_FDCWD, file.c_str(), times, 0);
    }

    // "path => name" is archived as name (name@date when dated otherwise), a bare "path" left out;
    // "path -> target" makes a link, "-> (fifo)" a FIFO, "-> (shm)" a link to the ShmFolder. A "%"
    // in a path stands for the byte 0xE9, which makes the name invalid UTF-8. Returns what readZip
    // should show once they are collected.
    juce::String make (const TestHome& home, const ShmFolder& shm, const std::vector<juce::String>& sources)
    {
        juce::StringArray entries;

        for (const auto& line : sources)
        {
            const auto path = line.upToFirstOccurrenceOf (" -> ", false, false).upToFirstOccurrenceOf (" => ", false, false);
            const auto target = line.fromFirstOccurrenceOf (" -> ", false, false);
            auto file = (home.getFolder().getFullPathName() + "/" + path).toStdString();
            std::replace (file.begin(), file.end(), '%', '\xe9');
            fs::create_directories (fs::path (file).parent_path());

            if (target == "(fifo)")             ::mkfifo (file.c_str(), 0644);
            else if (target == "(shm)")         fs::create_symlink (shm.path, file);
            else if (target.isNotEmpty())       fs::create_symlink (target.toStdString(), file);
            else                                writeSource (file, path.toStdString());

            if (line.contains (" => "))
            {
                const auto stored = line.fromFirstOccurrenceOf (" => ", false, false);
                const auto content = contentFor (path.toStdString());
                const auto date = stored.fromFirstOccurrenceOf ("@", true, false);

                entries.add (stored.upToFirstOccurrenceOf ("@", false, false) + "="
                             + (content.size() <= 100 ? juce::String (content) : "<" + juce::String (content.size()) + " bytes>")
                             + date);
            }
        }

        entries.sort (false);
        return "[" + entries.joinIntoString ("|") + "]";
    }

    // Every path below a folder, links not followed: a file's content and date, a link's target.
    std::map<std::string, std::string> snapshot (const fs::path& root, const std::string& except = {})
    {
        std::map<std::string, std::string> contents;

        for (const auto& entry : fs::recursive_directory_iterator (root))
        {
            const auto relative = entry.path().string().substr (root.string().size());
            const auto status = entry.symlink_status();

            if (relative == "/" + except)
                continue;

            if (fs::is_symlink (status))
                contents[relative] = "-> " + fs::read_symlink (entry.path()).string();
            else if (fs::is_regular_file (status))
                contents[relative] = std::string (std::istreambuf_iterator<char> (std::ifstream (entry.path(), std::ios::binary).rdbuf()), {})
                                       + "@" + std::to_string (fs::last_write_time (entry.path()).time_since_epoch().count());
            else
                contents[relative] = fs::is_directory (status) ? "folder" : "special";
        }

        return contents;
    }

    // Waits (bounded) until no process runs the stand-in xdg-open any more.
    void waitForStubs (const std::string& stub)
    {
        for (int attempt = 0; attempt < 1000; ++attempt)
        {
            auto running = false;

            for (const auto& entry : fs::directory_iterator ("/proc"))
            {
                std::string cmdline;
                std::getline (std::ifstream (entry.path() / "cmdline"), cmdline, '\n');
                running = running || cmdline.find (stub) != std::string::npos;
            }

            if (! running)
                return;

            ::usleep (10000);
        }
    }

    juce::int64 virtualMemorySize()
    {
        std::ifstream status ("/proc/self/status");

        for (std::string line; std::getline (status, line);)
            if (line.rfind ("VmSize:", 0) == 0)
                return std::stoll (line.substr (7)) * 1024;

        return 0;
    }

    struct Limits
    {
        rlim_t fileSize = RLIM_INFINITY;
        juce::int64 memoryHeadroom = -1;    // address space beyond what the process has; -1: none set
    };

    // Runs a collection in a forked process of its own, from the home folder, so that the alarm
    // ends a hang and limits stay there. A stand-in xdg-open first on its PATH appends to
    // ~/reveals.txt its argument count, the folder it was asked to show (relative to home), the
    // signals it ignores (but for glibc's two internal ones, which its own process spawning
    // leaves ignored) and blocks, and whether each archive there reads whole at that moment.
    // The process must end on its own with no child left over, a zombie included.
    bool collectInChild (void (*collect)(), Limits limits = {})
    {
        const auto stub = juce::File ("~/xdg-open");
        stub.replaceWithText (R"SH(#!/bin/sh
ign=$(sed -n 's/^SigIgn:\t*//p' /proc/$$/status) blk=$(sed -n 's/^SigBlk:\t*//p' /proc/$$/status)
exec >> "$HOME/reveals.txt" && echo "$# ${1#$HOME/} ignored $(( 0x$ign & ~0x180000000 )) blocked $(( 0x$blk ))"
for z in "$1"/*.zip; do python3 -m zipfile -t "$z" > /dev/null 2>&1 && echo "complete ${z##*/}" || echo "broken ${z##*/}"; done
)SH", false, false, "\n");
        stub.setExecutePermission (true);

        const auto child = ::fork();

        if (child == 0)
        {
            ::setenv ("PATH", (stub.getParentDirectory().getFullPathName() + ":" + juce::SystemStats::getEnvironmentVariable ("PATH", {})).toRawUTF8(), 1);
            const rlimit fileSize { limits.fileSize, limits.fileSize }, memory { (rlim_t) (virtualMemorySize() + limits.memoryHeadroom), RLIM_INFINITY };

            if (::chdir (stub.getParentDirectory().getFullPathName().toRawUTF8()) != 0 || ::setrlimit (RLIMIT_FSIZE, &fileSize) != 0
                 || (limits.memoryHeadroom >= 0 && ::setrlimit (RLIMIT_AS, &memory) != 0))
                ::_exit (2);

            // With no headroom at all, the heap's free memory is taken up too, down to small
            // pieces, so that the collection's first sizeable allocation fails.
            static void* taken[1 << 16];
            size_t numTaken = 0;

            while (limits.memoryHeadroom == 0 && numTaken < std::size (taken) && (taken[numTaken] = std::malloc (1 << 16)) != nullptr)
                ++numTaken;

            ::alarm (60);
            collect();

            while (numTaken > 0)
                std::free (taken[--numTaken]);

            waitForStubs (stub.getFullPathName().toStdString());
            ::_exit (::waitpid (-1, nullptr, WNOHANG) == -1 && errno == ECHILD ? 0 : 3);
        }

        int status = 0;
        return child > 0 && ::waitpid (child, &status, 0) == child && WIFEXITED (status) && WEXITSTATUS (status) == 0;
    }

    juce::String revealed (const juce::String& folder, const juce::String& archiveName)
    {
        return "1 " + folder + " ignored 0 blocked 0\ncomplete " + archiveName + "\n";
    }

    //==============================================================================
    TEST (LogArchiveTest, EachCollectionLeavesExactlyItsArchiveAndRevealsItOnlyWhenComplete)
    {
        enum class Outcome { written, failed, untouched };

        struct Collection
        {
            const char* what;
            void (*collect)();
            juce::String archiveName;
            std::vector<juce::String> sources;
            Outcome outcome = Outcome::written;
            Limits limits = {};
            juce::String desktopName = "Desktop";
        };

        // An earlier archive must be replaced and the user's own "tempFolder" passed over; FIFOs,
        // link loops and names that are not UTF-8 must neither hang nor break the collection.
        const std::vector<juce::String> productSources
        {
            "Desktop/TLM_Logs.zip => Kestrava/Presets/desk/TLM_Logs.zip", "Desktop/tempFolder/mine.txt => Kestrava/Presets/desk/tempFolder/mine.txt",
            "Library/Logs/DiagnosticReports/Safari.crash",
            "Library/Logs/DiagnosticReports/Kestrava_1.crash => Kestrava_1.crash",
            "Library/Logs/DiagnosticReports/.Palvero.hidden => .Palvero.hidden",
            "Library/Logs/DiagnosticReports/kestrava_lower.crash", "Library/Logs/DiagnosticReports/Old/Kestrava_2.crash",
            "Library/Logs/DiagnosticReports/Kestrava_%.crash", "Library/Logs/Kestrava/%.log",
            "Library/Logs/Kestrava/shared.log", "Library/Logs/Palvero/shared.log => shared.log",
            "Library/Logs/Palvero/from1975.log => from1975.log@1980-01-01 00:00:00",
            "Library/Logs/Palvero/from2150.log => from2150.log@2107-12-31 23:59:58",
            "Library/Logs/Kestrava/live.log -> (fifo)", "Library/Logs/Kestrava/Sub/inner.log",
            "Library/Application Support/Kestrava/Presets/Deep/up -> ..",
            "Library/Application Support/Kestrava/Presets/desk -> ../../../../Desktop",
            "Library/Logs/Kestrava/..\\..\\escape.txt", "Library/Application Support/Kestrava/.state => Kestrava/.state",
            "Library/Application Support/Palvero/display.ksdisp => Palvero/display.ksdisp",
            "Library/Application Support/Palvero/%/inner.txt", "Library/Application Support/Palvero/%.ksar",
            "Library/Application Support/Kestrava/Presets/Deep/one.ksar => Kestrava/Presets/Deep/one.ksar",
            "Library/Preferences/com.tallowmere.Kestrava6.plist => com.tallowmere.Kestrava6.plist",
            "Library/Preferences/com.tallowmere.Palvero.plist => com.tallowmere.Palvero.plist"
        };

        std::vector<juce::String> allScratchNamesTaken { "Desktop/TLM_Logs.zip", "Library/Logs/Kestrava/run.log" };

        for (int i = 1; i <= 1000; ++i)
            allScratchNamesTaken.push_back ("Desktop/tempFolder" + (i == 1 ? juce::String() : "(" + juce::String (i) + ")") + " -> nowhere");

        const Collection collections[]
        {
            { "products", LogArchive::collectProductLogs, "TLM_Logs.zip", productSources },

            { "Pro Tools", LogArchive::collectProToolsLogs, "PT_Logs.zip",
              { "Library/Logs/Avid/Pro_Tools_1.txt => Pro_Tools_1.txt", "Library/Logs/Avid/Pro_Tools_Video_4.txt",
                "Library/Logs/Avid/Pro_Tools_video_3.txt => Pro_Tools_video_3.txt", "Library/Logs/Avid/Old/Pro_Tools_6.txt",
                "Library/Logs/Avid/pro_tools_7.txt", "Library/Logs/Avid/Pro_Tools_%.txt", "Library/Logs/Avid/Pro_Tools_8 -> (fifo)" } },

            // The Desktop named by the user's folder settings, with shell syntax in its name.
            { "shell syntax in the Desktop's path", LogArchive::collectProToolsLogs, "PT_Logs.zip",
              { "Library/Logs/Avid/Pro_Tools_1.txt => Pro_Tools_1.txt" }, Outcome::written, {}, "Desk $(touch pwned)`touch pwned`\\\"q" },

            // The copy path, across file systems: a copy cut short by a file-size limit is left out.
            { "copies across file systems", LogArchive::collectProductLogs, "TLM_Logs.zip",
              { "Library/Logs/Palvero -> (shm)", "Library/Logs/Palvero/run.log => run.log", "Library/Logs/Palvero/huge.8k",
                "Library/Logs/Kestrava/linked.8k => linked.8k" }, Outcome::written, { 4096 } },

            // Past a file-size limit, or out of memory, no archive may be left, nor revealed; memory
            // use must not grow with a file's size.
            { "archive over a file-size limit", LogArchive::collectProductLogs, "TLM_Logs.zip",
              { "Desktop/TLM_Logs.zip", "Library/Logs/Kestrava/run.log" }, Outcome::failed, { 100 } },
           #ifndef __SANITIZE_ADDRESS__
            { "a log larger than the memory to spare", LogArchive::collectProductLogs, "TLM_Logs.zip",
              { "Library/Logs/Kestrava/noise.random => noise.random" }, Outcome::written, { RLIM_INFINITY, 2 << 20 } },
            { "no memory to spare", LogArchive::collectProductLogs, "TLM_Logs.zip",
              { "Desktop/TLM_Logs.zip", "Library/Logs/Kestrava/run.log" }, Outcome::failed, { RLIM_INFINITY, 0 } },
           #endif

            // Without a scratch folder nothing on the Desktop may change.
            { "no scratch folder", LogArchive::collectProductLogs, "TLM_Logs.zip", allScratchNamesTaken, Outcome::untouched }
        };

        for (const auto& collection : collections)
        {
            SCOPED_TRACE (collection.what);
            TestHome home;
            ShmFolder shm;
            const auto desktop = home[collection.desktopName];

            if (collection.desktopName != "Desktop")
            {
                desktop.createDirectory();
                home.writeFile (".config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/" + collection.desktopName + "\"\n");
            }

            const auto expected = make (home, shm, collection.sources);
            const auto archive = desktop.getChildFile (collection.archiveName);
            const auto earlier = archive.loadFileAsString();
            const auto desktopBefore = snapshot (desktop.getFullPathName().toStdString(), collection.archiveName.toStdString());
            const auto libraryBefore = snapshot (home["Library"].getFullPathName().toStdString());

            EXPECT_TRUE (collectInChild (collection.collect, collection.limits));

            // The user's things are untouched, and no scratch folder or partial archive is left.
            EXPECT_EQ (snapshot (desktop.getFullPathName().toStdString(), collection.archiveName.toStdString()), desktopBefore);
            EXPECT_EQ (snapshot (home["Library"].getFullPathName().toStdString()), libraryBefore);
            EXPECT_FALSE (home["pwned"].exists());

            switch (collection.outcome)
            {
                case Outcome::written:      EXPECT_EQ (readZip (archive), expected); break;
                case Outcome::failed:       EXPECT_FALSE (archive.exists()); break;
                case Outcome::untouched:    EXPECT_EQ (archive.loadFileAsString(), earlier); break;
            }

            EXPECT_EQ (home["reveals.txt"].loadFileAsString(),
                       collection.outcome == Outcome::written ? revealed (collection.desktopName, collection.archiveName) : "");
        }
    }

    TEST (LogArchiveTest, LiveLogsAreTakenAsTheyWereWhenPlacedOnEitherFileSystem)
    {
        TestHome home;
        ShmFolder shm;
        make (home, shm, { "Library/Logs/Palvero -> (shm)" });
        const juce::StringArray logs { "Library/Logs/Kestrava/live.log", "Library/Logs/Palvero/live2.log" };
        std::vector<pid_t> writers;

        for (const auto& log : logs)
        {
            home.writeFile (log, {});

            if (writers.push_back (::fork()); writers.back() == 0)
                ::execl ("/bin/sh", "sh", "-c", "while :; do echo a line of a live log; done >> \"$0\"",
                         home[log].getFullPathName().toRawUTF8(), static_cast<char*> (nullptr));
        }

        for (int attempt = 0; attempt < 1000 && (home[logs[0]].getSize() < 100000 || home[logs[1]].getSize() < 100000); ++attempt)
            ::usleep (10000);

        EXPECT_TRUE (collectInChild (LogArchive::collectProductLogs));

        for (const auto writer : writers)
        {
            ::kill (writer, SIGKILL);
            ::waitpid (writer, nullptr, 0);
        }

        // Each entry is a prefix of what its log holds now, at least as long as it was at the start.
        const auto archive = home["Desktop/TLM_Logs.zip"].getFullPathName();
        juce::ChildProcess python;
        python.start (juce::StringArray { "python3", "-c", R"PY(
import os, sys, zipfile; z = zipfile.ZipFile(sys.argv[1]); paths = {os.path.basename(p): p for p in sys.argv[2:]}
for name in z.namelist():
    d = z.read(name); print(name, len(d) >= 100000 and open(paths[name], "rb").read().startswith(d))
)PY", archive, home[logs[0]].getFullPathName(), home[logs[1]].getFullPathName() });
        const auto output = python.readAllProcessOutput();
        EXPECT_TRUE (output.contains ("live.log True") && output.contains ("live2.log True")) << output;
    }

    //==============================================================================
    TEST (FileSnapshotTest, LinksWhereItCanCopiesWhereItMustAndNeverWritesThroughAnOldName)
    {
        TestHome home;
        ShmFolder shm;
        const auto scratch = home["Desktop/scratch"];
        scratch.createDirectory();

        // A name left in the scratch folder that links to another of the user's files.
        const auto users = home.writeFile ("users.txt", "the user's own");
        ASSERT_EQ (::link (users.getFullPathName().toRawUTF8(), scratch.getChildFile ("b").getFullPathName().toRawUTF8()), 0);

        const struct { const char* what; juce::File source; const char* name; FileSnapshot::Method method; } rows[]
        {
            { "another file system, over the old link", juce::File (shm.path + "/b.log"), "b", FileSnapshot::Method::copy },
            { "the same file system", home.writeFile ("Library/a.log", "linked"), "a", FileSnapshot::Method::link }
        };

        rows[0].source.replaceWithText ("copied", false, false, "\n");

        for (const auto& row : rows)
        {
            SCOPED_TRACE (row.what);
            const auto destination = scratch.getChildFile (row.name);
            auto method = FileSnapshot::Method::clone;
            const auto recorded = FileSnapshot::place (row.source, destination, &method);

            ASSERT_TRUE (recorded.has_value());
            EXPECT_EQ (method, row.method);
            EXPECT_EQ (recorded->length, row.source.getSize());
            EXPECT_EQ (recorded->modified.toMilliseconds() / 1000, row.source.getLastModificationTime().toMilliseconds() / 1000);
            EXPECT_EQ (destination.loadFileAsString(), row.source.loadFileAsString());
        }

        EXPECT_EQ (users.loadFileAsString(), "the user's own");
        EXPECT_FALSE (FileSnapshot::place (home["Library/missing"], scratch.getChildFile ("c")).has_value());
        EXPECT_FALSE (scratch.getChildFile ("c").exists());
    }

    //==============================================================================
    TEST (ZipArchiveWriterTest, RefusesWhatAnArchiveWithoutZip64CannotDescribeAndLeavesNothing)
    {
        TestHome home;
        const auto archive = home.writeFile ("Desktop/TLM_Logs.zip", "earlier"), kept = home.writeFile ("kept", "kept");
        const ZipArchiveWriter::Entry small { kept, {}, 4, {} }, huge { kept, "huge", 0xffffffffLL, {} };

        EXPECT_FALSE (ZipArchiveWriter::write ({ small, huge }, archive)) << "a 4 GiB entry";
        EXPECT_FALSE (ZipArchiveWriter::write (std::vector<ZipArchiveWriter::Entry> (0xffff, small), archive)) << "65535 entries";
        EXPECT_EQ (home["Desktop"].getNumberOfChildFiles (juce::File::findFilesAndDirectories), 0);

        // Nothing to collect still makes an archive: the end record alone.
        EXPECT_TRUE (ZipArchiveWriter::write ({}, archive));
        EXPECT_EQ (archive.getSize(), 22);
    }
}
