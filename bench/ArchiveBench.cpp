/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

// Times the products' log collection, run through the program's own code in a
// process of its own, against `zip -5 -r -q` on the same source files, on a
// generated fixture of about 300 MB of log-like text in a temporary HOME.
// Prints the ratio of the medians (ours / zip) and our peak resident memory.

#include "app/LogArchive.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{
    constexpr int numRuns = 5;
    constexpr juce::int64 megabyte = 1024 * 1024;

    struct RunResult
    {
        double seconds = 0.0;
        juce::int64 peakBytes = 0;
        bool ok = false;
    };

    //==============================================================================
    // Log lines with moving timestamps, a few levels and components, and varying
    // numbers and identifiers: compresses about as well as real logs do.
    class LogWriter
    {
    public:
        explicit LogWriter (int seed) : random (seed) {}

        void write (const juce::File& file, juce::int64 size)
        {
            static const char* const levels[] { "INFO", "INFO", "INFO", "DEBUG", "DEBUG", "WARN", "ERROR" };
            static const char* const components[] { "SatLink", "MTC", "MMC", "VideoOut", "Blackmagic", "AJA",
                                                    "Audio", "Engine", "Transport", "Playlist" };
            static const char* const messages[] { "frame %d dropped, queue depth %d",
                                                  "sync offset %d samples, drift %d ppm",
                                                  "device %08x reports buffer %d",
                                                  "opened session %d with %d tracks",
                                                  "timecode %02d:%02d:00:00 locked",
                                                  "render took %d us for block %d",
                                                  "retrying connection %d of %d" };

            file.getParentDirectory().createDirectory();
            juce::FileOutputStream out (file, 1 << 16);
            out.setPosition (0);
            out.truncate();

            char line[256];

            while (out.getPosition() < size)
            {
                milliseconds += 1 + random.nextInt (40);
                const auto t = milliseconds;
                auto length = std::snprintf (line, sizeof (line), "2026-01-%02d %02d:%02d:%02d.%03d [%s] %s: ",
                                             (int) (1 + t / 86400000 % 28), (int) (t / 3600000 % 24),
                                             (int) (t / 60000 % 60), (int) (t / 1000 % 60), (int) (t % 1000),
                                             levels[random.nextInt (7)], components[random.nextInt (10)]);
                length += std::snprintf (line + length, sizeof (line) - (size_t) length, messages[random.nextInt (7)],
                                         random.nextInt (100000), random.nextInt (1000));
                line[length++] = '\n';
                out.write (line, (size_t) length);
            }
        }

    private:
        juce::Random random;
        juce::int64 milliseconds = 0;
    };

    struct Fixture
    {
        juce::int64 totalBytes = 0, largestFile = 0;
        int numFiles = 0;
    };

    Fixture makeFixture (const juce::File& home)
    {
        Fixture fixture;
        LogWriter writer (42);

        const auto add = [&] (const juce::String& relativePath, juce::int64 size)
        {
            writer.write (home.getChildFile (relativePath), size);
            fixture.totalBytes += size;
            fixture.largestFile = std::max (fixture.largestFile, home.getChildFile (relativePath).getSize());
            ++fixture.numFiles;
        };

        for (int i = 0; i < 200; ++i)
            add ("Library/Logs/DiagnosticReports/" + juce::String (i % 2 == 0 ? "Kestrava" : "Palvero")
                   + "_" + juce::String (i) + ".crash", 6000 + 97 * i);

        for (int i = 0; i < 800; ++i)
            add ("Library/Logs/Kestrava/kestrava_" + juce::String (i) + ".log", 30000 + 60 * i);

        for (int i = 0; i < 600; ++i)
            add ("Library/Logs/Palvero/palvero_" + juce::String (i) + ".log", 30000 + 80 * i);

        for (int i = 0; i < 400; ++i)
            add ("Library/Application Support/Kestrava/Cache/" + juce::String (i % 8) + "/entry_"
                   + juce::String (i) + ".txt", 10000 + 37 * i);

        add ("Library/Application Support/Kestrava/Engine/engine.log", 80 * megabyte);
        add ("Library/Application Support/Kestrava/Engine/engine.1.log", 55 * megabyte);
        add ("Library/Application Support/Palvero/Playback/playback.log", 70 * megabyte);

        for (const auto* domain : { "Kestrava5", "Kestrava6", "Kestrava", "Palvero2", "Palvero3", "Palvero" })
            add ("Library/Preferences/com.tallowmere." + juce::String (domain) + ".plist", 4000);

        return fixture;
    }

    //==============================================================================
    RunResult runTimed (const std::vector<std::string>& arguments, const juce::File& workingFolder)
    {
        std::vector<char*> argv;

        for (const auto& argument : arguments)
            argv.push_back (const_cast<char*> (argument.c_str()));

        argv.push_back (nullptr);

        const auto start = std::chrono::steady_clock::now();
        const auto pid = fork();

        if (pid == 0)
        {
            if (::chdir (workingFolder.getFullPathName().toRawUTF8()) != 0)
                _exit (126);

            execvp (argv[0], argv.data());
            _exit (127);
        }

        RunResult result;
        int status = 0;
        rusage usage {};

        if (pid > 0 && wait4 (pid, &status, 0, &usage) == pid)
        {
            result.seconds = std::chrono::duration<double> (std::chrono::steady_clock::now() - start).count();
            result.peakBytes = (juce::int64) usage.ru_maxrss * 1024;
            result.ok = WIFEXITED (status) && WEXITSTATUS (status) == 0;
        }

        return result;
    }

    double median (std::vector<double> values)
    {
        std::sort (values.begin(), values.end());
        return values[values.size() / 2];
    }

    juce::String megabytes (juce::int64 bytes)
    {
        return juce::String ((double) bytes / (double) megabyte, 1) + " MB";
    }

    int runBenchmark()
    {
        const auto self = juce::File::getSpecialLocation (juce::File::currentExecutableFile).getFullPathName().toStdString();
        const auto root = juce::File::getSpecialLocation (juce::File::tempDirectory)
                              .getNonexistentChildFile ("quillon-bench", {}, false);
        const auto home = root.getChildFile ("home");
        const auto desktop = home.getChildFile ("Desktop");
        const auto reference = root.getChildFile ("reference.zip");
        desktop.createDirectory();

        // The collection reveals its archive: a stand-in keeps a file manager from opening.
        const auto stub = root.getChildFile ("bin/xdg-open");
        stub.getParentDirectory().createDirectory();
        stub.replaceWithText ("#!/bin/sh\nexit 0\n", false, false, "\n");
        stub.setExecutePermission (true);

        setenv ("HOME", home.getFullPathName().toRawUTF8(), 1);
        setenv ("PATH", (stub.getParentDirectory().getFullPathName() + ":"
                         + juce::SystemStats::getEnvironmentVariable ("PATH", "/usr/bin:/bin")).toRawUTF8(), 1);

        std::printf ("Generating the fixture in %s ...\n", home.getFullPathName().toRawUTF8());
        const auto fixture = makeFixture (home);
        std::printf ("Fixture: %d files, %s, largest file %s\n", fixture.numFiles,
                     megabytes (fixture.totalBytes).toRawUTF8(), megabytes (fixture.largestFile).toRawUTF8());

        const std::vector<std::string> ours { self, "--collect" };
        const std::vector<std::string> zip { "zip", "-5", "-r", "-q", reference.getFullPathName().toStdString(),
                                             "Library/Logs/DiagnosticReports", "Library/Logs/Kestrava",
                                             "Library/Logs/Palvero", "Library/Application Support/Kestrava",
                                             "Library/Application Support/Palvero", "Library/Preferences" };

        std::vector<double> ourTimes, zipTimes;
        juce::int64 ourPeak = 0, zipPeak = 0, ourSize = 0, zipSize = 0;
        int ourEntries = 0;

        for (int run = 0; run < numRuns; ++run)
        {
            // Alternate which one goes first, so neither always finds the other's
            // writes still in flight.
            for (int turn = 0; turn < 2; ++turn)
            {
                if ((run + turn) % 2 == 0)
                {
                    const auto result = runTimed (ours, home);
                    const auto archive = desktop.getChildFile ("TLM_Logs.zip");

                    if (! result.ok || ! archive.existsAsFile())
                    {
                        std::printf ("The collection failed\n");
                        return 1;
                    }

                    ourTimes.push_back (result.seconds);
                    ourPeak = std::max (ourPeak, result.peakBytes);
                    ourSize = archive.getSize();
                    ourEntries = juce::ZipFile (archive).getNumEntries();
                }
                else
                {
                    reference.deleteFile();     // zip would otherwise update the old archive
                    const auto result = runTimed (zip, home);

                    if (! result.ok)
                    {
                        std::printf ("zip failed: is it installed?\n");
                        return 1;
                    }

                    zipTimes.push_back (result.seconds);
                    zipPeak = std::max (zipPeak, result.peakBytes);
                    zipSize = reference.getSize();
                }
            }

            std::printf ("run %d: ours %.2f s, zip %.2f s\n", run + 1, ourTimes.back(), zipTimes.back());
        }

        root.deleteRecursively();

        const auto ratio = median (ourTimes) / median (zipTimes);
        const auto memoryLimit = fixture.largestFile + 40 * megabyte;

        std::printf ("\nProducts' log collection vs zip -5 -r -q (median of %d runs)\n", numRuns);
        std::printf ("  ours: %.2f s, archive %s, %d entries (fixture has %d files)\n", median (ourTimes),
                     megabytes (ourSize).toRawUTF8(), ourEntries, fixture.numFiles);
        std::printf ("  zip:  %.2f s, archive %s\n", median (zipTimes), megabytes (zipSize).toRawUTF8());
        std::printf ("  ratio ours / zip: %.2f (target <= 1.00: %s)\n", ratio, ratio <= 1.0 ? "met" : "MISSED");
        std::printf ("  peak resident memory: ours %s, zip %s (target <= largest file + 40 MB = %s: %s)\n",
                     megabytes (ourPeak).toRawUTF8(), megabytes (zipPeak).toRawUTF8(),
                     megabytes (memoryLimit).toRawUTF8(), ourPeak <= memoryLimit ? "met" : "MISSED");

        return ourEntries == fixture.numFiles ? 0 : 1;
    }
}

int main (int argc, char** argv)
{
    if (argc > 1 && std::strcmp (argv[1], "--collect") == 0)
    {
        LogArchive::collectProductLogs();
        return 0;
    }

    return runBenchmark();
}
