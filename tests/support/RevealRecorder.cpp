/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "RevealRecorder.h"

#include <cstdlib>

namespace
{
    // The program starts it through /bin/sh, detached, so it records into a
    // temporary file and renames it: a record that can be seen is whole.
    const char* const stubScript = R"SH(#!/bin/sh
record="@RECORDS@/$(date +%s%N)-$$"
{
    echo "revealed $1"
    for archive in "$1"/*.zip; do
        [ -f "$archive" ] || continue
        if python3 -c 'import sys, zipfile; sys.exit(zipfile.ZipFile(sys.argv[1]).testzip() is not None)' "$archive" 2>/dev/null; then
            echo "complete $(basename "$archive")"
        else
            echo "broken $(basename "$archive")"
        fi
    done
} > "$record.tmp"
mv "$record.tmp" "$record.txt"
)SH";
}

RevealRecorder::RevealRecorder()
    : folder (juce::File::getSpecialLocation (juce::File::tempDirectory)
                  .getNonexistentChildFile ("quillon-reveal", {}, false)),
      records (folder.getChildFile ("records")),
      previousPath (juce::SystemStats::getEnvironmentVariable ("PATH", "/usr/bin:/bin"))
{
    records.createDirectory();

    const auto stub = folder.getChildFile ("xdg-open");
    stub.replaceWithText (juce::String (stubScript).replace ("@RECORDS@", records.getFullPathName()),
                          false, false, "\n");
    stub.setExecutePermission (true);

    path = folder.getFullPathName() + ":" + previousPath;
    setenv ("PATH", path.toRawUTF8(), 1);
}

RevealRecorder::~RevealRecorder()
{
    setenv ("PATH", previousPath.toRawUTF8(), 1);
    folder.deleteRecursively();
}

juce::StringArray RevealRecorder::getRecords() const
{
    auto files = records.findChildFiles (juce::File::findFiles, false, "*.txt");
    files.sort();

    juce::StringArray texts;

    for (const auto& file : files)
        texts.add (file.loadFileAsString());

    return texts;
}

juce::StringArray RevealRecorder::waitForRecords (int count, int timeoutMs) const
{
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;

    for (;;)
    {
        auto texts = getRecords();

        if (texts.size() >= count || juce::Time::getMillisecondCounter() > end)
            return texts;

        juce::Thread::sleep (10);
    }
}
