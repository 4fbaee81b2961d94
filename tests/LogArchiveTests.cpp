/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include <gtest/gtest.h>

#include "app/LogArchive.h"
#include "support/TestHome.h"
#include "support/WaitingWriter.h"

#include <climits>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
    namespace fs = std::filesystem;

    juce::String run (const juce::StringArray& command)
    {
        juce::ChildProcess process;
        process.start (command);
        const auto output = process.readAllProcessOutput();
        process.waitForProcessToFinish (10000);
        return output;
    }

    // Python's zipfile and unzip read the archive, apart from our code: "[name=content|...]" sorted
    // (long content as its length), or the reader's complaint. Every entry must be deflated, nothing
    // may come before the first, and an entry dated otherwise than the fixtures' default shows its date.
    juce::String readZip (const juce::File& archive)
    {
        return run ({ "python3", "-c", R"PY(
import subprocess, sys, zipfile; p = sys.argv[1]; z = zipfile.ZipFile(p)
assert open(p, "rb").read(2) == b"PK" and all(i.compress_type == 8 for i in z.infolist()), "appended to, or stored"
long = any(len(i.filename) >= 4096 for i in z.infolist())  # unzip cuts such names short, and says so
assert z.testzip() is None and (not z.infolist() or long or subprocess.run(["unzip", "-tq", p], capture_output=True).returncode == 0), "corrupt"
def show(i):
    d = z.read(i); s = d.decode() if len(d) <= 100 else "<%d bytes>" % len(d)
    return i.filename + "=" + s + ("" if i.date_time == (2021, 3, 4, 5, 6, 6) else "@%04d-%02d-%02d %02d:%02d:%02d" % i.date_time)
print("[" + "|".join(sorted(show(i) for i in z.infolist())) + "]", end="")
)PY", archive.getFullPathName() });
    }

    // A folder on another file system than the home folder, for the copy path.
    struct ShmFolder final
    {
        ShmFolder()     { char name[] = "/dev/shm/quillon-XXXXXX"; path = ::mkdtemp (name) != nullptr ? name : "/nonexistent"; }
        ~ShmFolder()    { fs::remove_all (path); }

        std::string path;
    };

    // A source holds its own path, unless its name ends ".8k" (8 KiB), ".random" (3 MiB of noise) or
    // ".4g" (4 GiB less a byte, sparse).
    std::string contentFor (const juce::String& path)
    {
        std::string content (path.endsWith (".8k") ? 8192 : path.endsWith (".random") ? 3 << 20 : 0, 'a');
        std::ifstream ("/dev/urandom").read (content.data(), path.endsWith (".random") ? (std::streamsize) content.size() : 0);
        return content.empty() ? path.toStdString() : content;
    }

    // Writes a file one folder at a time, for a path too long to be named at once.
    void writeDeep (const juce::File& home, const std::string& relativePath, const std::string& content, timespec time)
    {
        auto folder = ::open (home.getFullPathName().toRawUTF8(), O_RDONLY | O_DIRECTORY);
        size_t start = 0;

        for (auto slash = relativePath.find ('/'); slash != std::string::npos; start = slash + 1, slash = relativePath.find ('/', start))
        {
            const auto name = relativePath.substr (start, slash - start);
            ::mkdirat (folder, name.c_str(), 0755);
            const auto next = ::openat (folder, name.c_str(), O_RDONLY | O_DIRECTORY);
            ::close (folder);
            folder = next;
        }

        const auto fd = ::openat (folder, relativePath.substr (start).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const timespec times[] { time, time };
        EXPECT_TRUE (::write (fd, content.data(), content.size()) == (ssize_t) content.size() && ::futimens (fd, times) == 0);
        ::close (fd);
        ::close (folder);
    }

    // "path => name" is archived as name (name@date when dated otherwise), a bare "path" left out;
    // "path -> target" makes a link, "-> (fifo)" a FIFO with a writer waiting in open, "-> (shm)" a
    // link to the ShmFolder, "-> (device)" a link to a device node of the test's own that is watched
    // for opens (to /dev/ptmx when not root). Files are dated 2021-03-04 05:06:07, or in 1975 or 2150
    // or at 2^62 s ("farfuture") when their names say so. In names "%" stands for the byte 0xE9 (not
    // UTF-8), "^" for "é" and "{N}" for N nested folders. Returns what readZip should show of them.
    juce::String make (const TestHome& home, const ShmFolder& shm, const std::vector<juce::String>& sources,
                       std::vector<std::unique_ptr<WaitingWriter>>& writers)
    {
        juce::StringArray entries;
        const auto e = juce::String::fromUTF8 ("\xc3\xa9");

        for (auto line : sources)
        {
            for (int open; (open = line.indexOfChar ('{')) >= 0;)
            {
                const auto close = line.indexOfChar (open, '}');
                line = line.replaceSection (open, close + 1 - open,
                                            juce::String::repeatedString ("d/", line.substring (open + 1, close).getIntValue()).dropLastCharacters (1));
            }

            const auto path = line.upToFirstOccurrenceOf (" -> ", false, false).upToFirstOccurrenceOf (" => ", false, false);
            const auto target = line.fromFirstOccurrenceOf (" -> ", false, false).upToFirstOccurrenceOf (" => ", false, false);
            auto file = (home.getFolder().getFullPathName() + "/" + path.replace ("^", e)).toStdString();
            std::replace (file.begin(), file.end(), '%', '\xe9');
            const auto year = path.contains ("1975") ? 1975 : path.contains ("2150") ? 2150 : 2021;
            const timespec time { path.contains ("farfuture") ? (time_t) 1 << 62 : (time_t) (juce::Time (year, 2, 4, 5, 6, 7, 0, true).toMilliseconds() / 1000), 0 };
            const auto device = home["ptmx"].getFullPathName().toStdString();

            if (file.size() >= PATH_MAX)
            {
                writeDeep (home.getFolder(), path.toStdString(), contentFor (path), time);
            }
            else
            {
                fs::create_directories (fs::path (file).parent_path());
                fs::remove (file);

                if (target == "(fifo)")
                    writers.push_back (std::make_unique<WaitingWriter> (juce::File (file)));
                else if (target == "(device)")
                    fs::create_symlink (::mknod (device.c_str(), S_IFCHR | 0666, makedev (1, 3)) == 0 || errno == EEXIST ? device : "/dev/ptmx", file);
                else if (target.isNotEmpty())
                    fs::create_symlink (target == "(shm)" ? shm.path : target.toStdString(), file);
                else
                    std::ofstream (file, std::ios::binary) << contentFor (path);

                if (path.endsWith (".4g"))
                    fs::resize_file (file, 0xffffffffULL);

                ::utimensat (AT_FDCWD, file.c_str(), std::array { time, time }.data(), AT_SYMLINK_NOFOLLOW);
            }

            if (! line.contains (" => "))
                continue;

            const auto stored = line.fromFirstOccurrenceOf (" => ", false, false).replace ("^", e);
            const auto content = contentFor (target.isEmpty() ? path : home[path].getParentDirectory().getChildFile (target)
                                                                           .getRelativePathFrom (home.getFolder()));
            entries.add (stored.upToFirstOccurrenceOf ("@", false, false) + "="
                         + (content.size() <= 100 ? juce::String (content) : "<" + juce::String (content.size()) + " bytes>")
                         + stored.fromFirstOccurrenceOf ("@", true, false));
        }

        entries.sort (false);
        return "[" + entries.joinIntoString ("|") + "]";
    }

    // Every path below a folder, links not followed: a file's content (or a large one's size) and date, a link's target.
    std::map<std::string, std::string> snapshot (const juce::File& folder, const juce::String& except = {})
    {
        std::map<std::string, std::string> contents;
        const fs::path root (folder.getFullPathName().toStdString());

        for (auto it = fs::recursive_directory_iterator (root); it != fs::recursive_directory_iterator(); ++it)
        {
            // Far enough: deeper paths would soon pass PATH_MAX.
            if (it.depth() >= 200)
                it.disable_recursion_pending();

            const auto& entry = *it;
            auto& value = contents[entry.path().string().substr (root.string().size() + 1)];

            if (entry.is_symlink())
                value = "-> " + fs::read_symlink (entry.path()).string();
            else if (entry.is_regular_file())
                value = (entry.file_size() > 65536 ? std::to_string (entry.file_size())
                                                   : std::string (std::istreambuf_iterator<char> (std::ifstream (entry.path()).rdbuf()), {}))
                          + "@" + std::to_string (entry.last_write_time().time_since_epoch().count());
        }

        contents.erase (except.toStdString());
        return contents;
    }

    enum class Memory { unlimited, twoMegabytesToSpare, largeBlocksTaken, allTaken };

    struct Limits
    {
        rlim_t fileSize = RLIM_INFINITY;
        Memory memory = Memory::unlimited;
        rlim_t descriptors = RLIM_INFINITY;
    };

    // Caps the address space where it stands (plus what is to spare), and takes up the heap's free
    // memory in blocks down to the given size, so that the next larger allocation fails.
    std::vector<void*> starve (Memory memory)
    {
        std::vector<void*> taken;
        taken.reserve (1 << 20);
        rlimit limit { RLIM_INFINITY, RLIM_INFINITY };

        {
            std::ifstream status ("/proc/self/status");

            for (std::string line; std::getline (status, line);)
                if (line.rfind ("VmSize:", 0) == 0)
                    limit.rlim_cur = (rlim_t) std::stoll (line.substr (7)) * 1024 + (memory == Memory::twoMegabytesToSpare ? 2 << 20 : 0);
        }

        // Only after the stream has given its buffers back, so that nothing is freed from here on.
        ::setrlimit (RLIMIT_AS, &limit);

        for (size_t size = 1 << 16; memory >= Memory::largeBlocksTaken && size >= (memory == Memory::allTaken ? 16u : 1u << 16); size /= 16)
            while (taken.size() < taken.capacity() && (taken.push_back (std::malloc (size)), taken.back() != nullptr)) {}

        return taken;
    }

    // Runs a collection in a forked process of its own, from the home folder, so that the alarm ends
    // a hang and limits stay there. A stand-in xdg-open first on its PATH appends to ~/reveals.txt its
    // argument count, the folder it was asked to show (relative to home), the signals it ignores (but
    // for glibc's two internal ones, which its own process spawning leaves ignored) and blocks, and
    // whether each archive there reads whole then. The process must end on its own, having waited for
    // the stand-in, with no child of its own left over, a zombie included.
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
            const rlimit fileSize { limits.fileSize, limits.fileSize };
            rlimit descriptors {};

            if (::chdir (stub.getParentDirectory().getFullPathName().toRawUTF8()) != 0 || ::setrlimit (RLIMIT_FSIZE, &fileSize) != 0
                 || ::getrlimit (RLIMIT_NOFILE, &descriptors) != 0)
                ::_exit (2);

            // Whatever the test's own process holds open (its X connection, CTest's log) is not the collection's.
            descriptors.rlim_cur = std::min (descriptors.rlim_cur, limits.descriptors);

            if (::syscall (SYS_close_range, 3u, ~0u, 0u) != 0 || ::setrlimit (RLIMIT_NOFILE, &descriptors) != 0)
                ::_exit (2);

            ::alarm (60);
            auto taken = limits.memory != Memory::unlimited ? starve (limits.memory) : std::vector<void*>();

            try { collect(); } catch (...) { ::_exit (4); }

            for (auto* block : taken)
                std::free (block);

            for (int polls = 0; polls < 1000 && run ({ "pgrep", "-f", stub.getFullPathName() }).isNotEmpty(); ++polls)
                ::usleep (10000);

            ::_exit (::waitpid (-1, nullptr, WNOHANG) == -1 && errno == ECHILD ? 0 : 3);
        }

        int status = 0;
        return child > 0 && ::waitpid (child, &status, 0) == child && WIFEXITED (status) && WEXITSTATUS (status) == 0;
    }

    //==============================================================================
    TEST (LogArchiveTest, EachCollectionLeavesExactlyItsArchiveAndRevealsItOnlyWhenComplete)
    {
        enum class Outcome { written, failed, untouched };

        struct Collection
        {
            const char* what;
            void (*collect)();
            std::vector<juce::String> sources;
            Outcome outcome = Outcome::written;
            Limits limits = {};
            juce::String desktopName = "Desktop";
            bool smallDesktop = false;      // a file system of 4 MiB
        };

        // Files are collected by name from the first folders and whole from Application Support, the later
        // of two same-named ones winning, a file and a folder too, but only once it has opened (the order:
        // logs before preference files); links are followed, a folder reached by two paths archived under
        // both, but a loop or a link back to the Desktop must not copy the scratch folder into itself;
        // FIFOs (their writers left waiting), devices (never opened) and names that are not UTF-8 are
        // passed over.
        const std::vector<juce::String> productSources
        {
            "Desktop/TLM_Logs.zip => Kestrava/Presets/desk/TLM_Logs.zip", "Desktop/tempFolder/mine.txt => Kestrava/Presets/desk/tempFolder/mine.txt",
            "Library/Logs/DiagnosticReports/Kestrava_1.crash => Kestrava_1.crash", "Library/Logs/DiagnosticReports/.Palvero.hidden => .Palvero.hidden",
            "Library/Logs/DiagnosticReports/Safari.crash", "Library/Logs/DiagnosticReports/kestrava_lower.crash",
            "Library/Logs/DiagnosticReports/Old/Kestrava_2.crash", "Library/Logs/DiagnosticReports/Kestrava_%.crash",
            "Library/Logs/Kestrava/shared.log", "Library/Logs/Palvero/shared.log => shared.log", "Library/Logs/Kestrava/Sub/inner.log",
            "Library/Logs/Kestrava/%.log", "Library/Logs/Kestrava/live.log -> (fifo)", "Library/Logs/Kestrava/zero.log -> /dev/zero", "Library/Logs/Kestrava/Caf^.log => Caf^.log",
            "Library/Logs/DiagnosticReports/Kestrava_live.crash -> (fifo)", "Library/Logs/Kestrava/tty.log -> (device)",
            "Library/Logs/Kestrava/x.log => x.log", "Library/Logs/Palvero/x.log -> nowhere", "Library/Logs/Kestrava/Kestrava",
            "Library/Logs/DiagnosticReports/com.tallowmere.Kestrava5.plist => com.tallowmere.Kestrava5.plist",
            "Library/Logs/Palvero/com.tallowmere.Palvero.plist", "Library/Application Support/Kestrava/Current -> Versions/5",
            "Library/Application Support/Kestrava/Versions/5/file.txt => Kestrava/Versions/5/file.txt",
            "Library/Application Support/Kestrava/Versions/5/file.txt => Kestrava/Current/file.txt",
            "Library/Logs/Kestrava/current.log -> ../../Shared/notes.txt => current.log", "Library/Shared/notes.txt",
            "Library/Logs/Palvero/from1975.log => from1975.log@1980-01-01 00:00:00",
            "Library/Logs/Palvero/from2150.log => from2150.log@2107-12-31 23:59:58", "Library/Logs/Kestrava/..\\..\\escape.txt",
            "Library/Application Support/Kestrava/Presets/Deep/one.ksar => Kestrava/Presets/Deep/one.ksar",
            "Library/Application Support/Kestrava/Presets/Deep/up -> ..", "Library/Application Support/Kestrava/Presets/desk -> ../../../../Desktop",
            "Library/Application Support/Kestrava/.state => Kestrava/.state", "Library/Application Support/Palvero/shared -> ../../Shared",
            "Library/Shared/notes.txt => Palvero/shared/notes.txt", "Library/Application Support/Palvero/display.ksdisp => Palvero/display.ksdisp",
            "Library/Application Support/Palvero/%/inner.txt", "Library/Application Support/Palvero/%.ksar",
            "Library/Preferences/com.tallowmere.Kestrava6.plist => com.tallowmere.Kestrava6.plist",
            "Library/Preferences/com.tallowmere.Palvero.plist => com.tallowmere.Palvero.plist"
        };

        std::vector<juce::String> allScratchNamesTaken { "Desktop/TLM_Logs.zip", "Library/Logs/Kestrava/run.log" };

        for (int i = 1; i <= 1000; ++i)
            allScratchNamesTaken.push_back ("Desktop/tempFolder" + (i == 1 ? juce::String() : "(" + juce::String (i) + ")") + " -> nowhere");

        const auto products = LogArchive::collectProductLogs, proTools = LogArchive::collectProToolsLogs;
        const auto longName = juce::String::repeatedString ("n", 250), deepDesktop = "Desktop/" + juce::String::repeatedString (longName + "/", 15) + "Desktop";
        const std::vector<juce::String> oneLog { "Desktop/TLM_Logs.zip", "Library/Logs/Kestrava/run.log" }, noise { "Library/Logs/Kestrava/noise.random => noise.random" };

        const Collection collections[]
        {
            { "products", products, productSources },
            { "Pro Tools", proTools, { "Library/Logs/Avid/Pro_Tools_1.txt => Pro_Tools_1.txt", "Library/Logs/Avid/Pro_Tools_Video_4.txt",
                                       "Library/Logs/Avid/Pro_Tools_video_3.txt => Pro_Tools_video_3.txt", "Library/Logs/Avid/Old/Pro_Tools_6.txt",
                                       "Library/Logs/Avid/pro_tools_7.txt", "Library/Logs/Avid/Pro_Tools_%.txt", "Library/Logs/Avid/Pro_Tools_8 -> (fifo)" } },

            // The Desktop named by the user's folder settings, with shell syntax in its name.
            { "shell syntax in the Desktop's path", proTools, { "Library/Logs/Avid/Pro_Tools_1.txt => Pro_Tools_1.txt" }, Outcome::written, {},
              "Desk $(touch pwned)`touch pwned`\\\"q" },

            // Folder settings that are a FIFO must not hang the search for the Desktop.
            { "folder settings that are a FIFO", proTools, { ".config/user-dirs.dirs -> (fifo)", "Library/Logs/Avid/Pro_Tools_1.txt => Pro_Tools_1.txt" } },

            // Across file systems the sources are copied: a copy cut short by a file-size limit, or by a full
            // Desktop, fails the collection before the earlier archive is deleted, a sparse file larger than
            // the Desktop too. The same limit does not touch linked files.
            { "copies across file systems", products, { "Desktop/TLM_Logs.zip", "Library/Logs/Palvero -> (shm)", "Library/Logs/Palvero/run.log",
                                                        "Library/Logs/Palvero/huge.8k", "Library/Logs/Kestrava/linked.8k" },
              Outcome::untouched, { 4096 } },
            { "links under a file-size limit", products, { "Library/Logs/Kestrava/linked.8k => linked.8k" }, Outcome::written, { 4096 } },
            { "a nearly full Desktop", products, { "Desktop/TLM_Logs.zip", "Library/Application Support/Kestrava/1.random",
                                                   "Library/Application Support/Kestrava/2.random", "Library/Application Support/Kestrava/3.random" },
              Outcome::untouched, {}, "Desktop", true },
            { "a sparse log larger than the Desktop", products, { "Desktop/TLM_Logs.zip", "Library/Logs/Kestrava/huge.4g", "Library/Logs/Kestrava/run.log" },
              Outcome::untouched, {}, "Desktop", true },

            // Depth alone fails nothing: not scratch paths past PATH_MAX, nor sources deeper than that with
            // fewer descriptors than folders, nor a few descriptors for a score of folders.
            { "a Desktop deep enough for scratch paths past PATH_MAX", products,
              { "Library/Application Support/Kestrava/" + longName + "/" + longName + "/deep.txt => Kestrava/" + longName + "/" + longName + "/deep.txt" },
              Outcome::written, {}, deepDesktop },
            { "Application Support 5,000 folders deep", products, { "Library/Application Support/Kestrava/{5000}/bottom.txt => Kestrava/{5000}/bottom.txt",
                                                                   "Library/Application Support/Kestrava/top.txt => Kestrava/top.txt" },
              Outcome::written, { RLIM_INFINITY, Memory::unlimited, 1024 } },
            { "16 descriptors, Application Support 20 folders deep", products, { "Library/Application Support/Kestrava/{20}/bottom.txt => Kestrava/{20}/bottom.txt" },
              Outcome::written, { RLIM_INFINITY, Memory::unlimited, 16 } },

            // A time of 2^62 s, which tmpfs holds, is clamped before it can overflow.
            { "a date far in the future", products, { "Library/Logs/Palvero -> (shm)", "Library/Logs/Palvero/farfuture.log => farfuture.log@2107-12-31 23:59:58" } },

            // Past a file-size limit no archive may be left, nor revealed, nor without a scratch folder
            // may anything on the Desktop change.
            { "archive over a file-size limit", products, oneLog, Outcome::failed, { 100 } },
            { "large archive over a file-size limit", products, noise, Outcome::failed, { 1 << 20 } },
            { "no scratch folder", products, allScratchNamesTaken, Outcome::untouched },

            // Nothing to collect still makes an archive, the end record alone; one that would need
            // Zip64 records, which JUCE cannot write, is refused before a byte of it is read.
            { "nothing to collect", products, {} },
            { "a file of 4 GiB", products, { "Library/Logs/Kestrava/huge.4g", "Library/Logs/Kestrava/run.log" }, Outcome::failed },

            // Memory use must not grow with a file's size, and running out of it fails the collection.
           #ifndef __SANITIZE_ADDRESS__
            { "a log larger than the memory to spare", products, noise, Outcome::written, { RLIM_INFINITY, Memory::twoMegabytesToSpare } },
            { "no large blocks to spare", products, oneLog, Outcome::failed, { RLIM_INFINITY, Memory::largeBlocksTaken } },
            { "no memory at all to spare", products, oneLog, Outcome::untouched, { RLIM_INFINITY, Memory::allTaken } },
           #endif
        };

        for (const auto& collection : collections)
        {
            SCOPED_TRACE (collection.what);
            TestHome home;
            ShmFolder shm;
            const auto desktop = home[collection.desktopName];
            desktop.createDirectory();
            home["Library"].createDirectory();
            home.writeFile (".config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/" + collection.desktopName + "\"\n");

            if (collection.smallDesktop && (::getuid() != 0 || ::mount ("tmpfs", desktop.getFullPathName().toRawUTF8(), "tmpfs", 0, "size=4m") != 0))
            {
                std::cerr << "Skipped, as it needs root to mount a small file system: " << collection.what << std::endl;
                continue;
            }

            std::vector<std::unique_ptr<WaitingWriter>> writers;
            const auto expected = make (home, shm, collection.sources, writers);
            const auto opens = ::inotify_init1 (IN_NONBLOCK | IN_CLOEXEC);
            ::inotify_add_watch (opens, home["ptmx"].getFullPathName().toRawUTF8(), IN_OPEN);
            const auto archiveName = collection.collect == proTools ? "PT_Logs.zip" : "TLM_Logs.zip";
            const auto archive = desktop.getChildFile (archiveName);
            const auto earlier = archive.loadFileAsString();
            const auto desktopBefore = snapshot (desktop, archiveName), libraryBefore = snapshot (home["Library"]);

            EXPECT_TRUE (collectInChild (collection.collect, collection.limits));

            // The user's things are untouched, and no scratch folder or partial archive is left.
            EXPECT_EQ (snapshot (desktop, archiveName), desktopBefore);
            EXPECT_EQ (snapshot (home["Library"]), libraryBefore);
            EXPECT_FALSE (home["pwned"].exists());
            EXPECT_EQ (collection.outcome == Outcome::written ? readZip (archive) : archive.loadFileAsString(),
                       collection.outcome == Outcome::written ? expected : collection.outcome == Outcome::untouched ? earlier : "");
            EXPECT_EQ (home["reveals.txt"].loadFileAsString(), collection.outcome != Outcome::written ? ""
                         : "1 " + collection.desktopName + " ignored 0 blocked 0\ncomplete " + archiveName + "\n");

            // No FIFO's writer was released and no device opened.
            for (const auto& writer : writers)
                EXPECT_TRUE (writer->isStillWaiting());

            char event[sizeof (inotify_event) + NAME_MAX + 1];
            EXPECT_LT (::read (opens, event, sizeof (event)), 0);
            ::close (opens);

            if (collection.smallDesktop)
                ::umount2 (desktop.getFullPathName().toRawUTF8(), MNT_DETACH);

            // Deep trees are beyond std::filesystem's reach.
            run ({ "rm", "-rf", home.getFolder().getFullPathName() });
        }
    }

    TEST (LogArchiveTest, LiveLogsAreTakenAsTheyWereWhenPlacedOnEitherFileSystem)
    {
        TestHome home;
        ShmFolder shm;
        std::vector<std::unique_ptr<WaitingWriter>> noWriters;
        make (home, shm, { "Library/Logs/Palvero -> (shm)", "Library/Logs/Kestrava/live.log", "Library/Logs/Palvero/live2.log", "Library/Logs/Kestrava/sparse.log" }, noWriters);

        // Two logs appended to, one on either file system, and one that grows (sparse) faster than it can be read.
        std::vector<pid_t> writers;

        for (auto [script, log] : { std::pair { "while :; do echo a line of a live log; done >> \"$0\"", "Kestrava/live.log" },
                                    { "while :; do echo a line of a live log; done >> \"$0\"", "Palvero/live2.log" },
                                    { "while :; do truncate -s +1M \"$0\"; done", "Kestrava/sparse.log" } })
            if (writers.push_back (::fork()); writers.back() == 0)
            {
                ::prctl (PR_SET_PDEATHSIG, SIGKILL);
                ::execl ("/bin/sh", "sh", "-c", script, home["Library/Logs/" + juce::String (log)].getFullPathName().toRawUTF8(), static_cast<char*> (nullptr));
                ::_exit (127);
            }

        for (int polls = 0; polls < 1000 && ! (home["Library/Logs/Kestrava/live.log"].getSize() > 100000 && home["Library/Logs/Palvero/live2.log"].getSize() > 100000
                                                && home["Library/Logs/Kestrava/sparse.log"].getSize() > 100000); ++polls)
            ::usleep (10000);

        EXPECT_TRUE (collectInChild (LogArchive::collectProductLogs));

        for (const auto writer : writers)
            ::kill (writer, SIGKILL), ::waitpid (writer, nullptr, 0);

        // Each entry is a prefix of what its log holds now, at least as long as it was at the start.
        EXPECT_EQ (run ({ "python3", "-c", R"PY(
import os, sys, zipfile; z = zipfile.ZipFile(sys.argv[1])
def prefix(n, d): return open(os.path.join(sys.argv[2], n) if n != "live2.log" else os.path.join(sys.argv[3], n), "rb").read(len(d)) == d
print(sorted((n, len(z.read(n)) > 100000 and prefix(n, z.read(n))) for n in z.namelist()))
)PY", home["Desktop/TLM_Logs.zip"].getFullPathName(), home["Library/Logs/Kestrava"].getFullPathName(), shm.path }).trim(),
                   "[('live.log', True), ('live2.log', True), ('sparse.log', True)]");
    }
}
