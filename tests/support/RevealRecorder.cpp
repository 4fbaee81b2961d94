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
# Another run may delete the archive between the listing and the check: "gone".
check='
import sys, zipfile
try:
    archive = zipfile.ZipFile(sys.argv[1])
except FileNotFoundError:
    sys.exit(2)
sys.exit(0 if archive.testzip() is None else 1)
'
{
    echo "revealed $1"
    for archive in "$1"/*.zip; do
        [ -f "$archive" ] || continue
        python3 -c "$check" "$archive" 2>/dev/null
        case $? in
            0) echo "complete $(basename "$archive")" ;;
            2) echo "gone $(basename "$archive")" ;;
            *) echo "broken $(basename "$archive")" ;;
        esac
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
