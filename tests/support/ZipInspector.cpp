/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "ZipInspector.h"

namespace
{
    const char* const pythonReader = R"PY(
import base64, json, sys, zipfile, zlib

def level5_length(data):
    packer = zlib.compressobj(5, zlib.DEFLATED, -15)
    return len(packer.compress(data) + packer.flush())

result = {"entries": []}
try:
    with zipfile.ZipFile(sys.argv[1]) as archive:
        result["bad"] = archive.testzip()
        for info in archive.infolist():
            data = archive.read(info)
            result["entries"].append({
                "name": info.filename,
                "method": info.compress_type,
                "level5": info.compress_size == level5_length(data),
                "data": base64.b64encode(data).decode("ascii"),
            })
except Exception as error:
    result["error"] = repr(error)
print(json.dumps(result))
)PY";
}

ZipInspector::ZipInspector (const juce::File& archive)
{
    if (! archive.existsAsFile())
    {
        problems.add ("no archive at " + archive.getFullPathName());
        return;
    }

    readWithPython (archive);
    compareWithJuce (archive);
}

void ZipInspector::readWithPython (const juce::File& archive)
{
    juce::ChildProcess python;

    if (! python.start (juce::StringArray { "python3", "-c", pythonReader, archive.getFullPathName() },
                        juce::ChildProcess::wantStdOut))
    {
        problems.add ("python3 did not start");
        return;
    }

    const auto output = python.readAllProcessOutput();
    const auto parsed = juce::JSON::parse (output);

    if (! parsed.isObject())
    {
        problems.add ("python3 printed no result: " + output);
        return;
    }

    if (parsed.hasProperty ("error"))
        problems.add ("zipfile: " + parsed["error"].toString());

    if (! parsed["bad"].isVoid())
        problems.add ("zipfile: bad CRC in " + parsed["bad"].toString());

    if (auto* list = parsed["entries"].getArray())
    {
        for (const auto& item : *list)
        {
            Entry entry;
            entry.method = (int) item["method"];
            entry.isLevel5 = (bool) item["level5"];
            {
                juce::MemoryOutputStream decoded (entry.data, false);
                juce::Base64::convertFromBase64 (decoded, item["data"].toString());
            }

            const auto name = item["name"].toString();

            if (entries.count (name) != 0)
                problems.add ("duplicate entry " + name);

            entries[name] = std::move (entry);
        }
    }
}

void ZipInspector::compareWithJuce (const juce::File& archive)
{
    juce::ZipFile zip (archive);

    if (zip.getNumEntries() != (int) entries.size())
        problems.add ("JUCE reads " + juce::String (zip.getNumEntries()) + " entries, zipfile "
                      + juce::String ((int) entries.size()));

    for (int i = 0; i < zip.getNumEntries(); ++i)
    {
        const auto* info = zip.getEntry (i);
        const auto found = entries.find (info->filename);

        if (found == entries.end())
        {
            problems.add ("only JUCE reads " + info->filename);
            continue;
        }

        std::unique_ptr<juce::InputStream> stream (zip.createStreamForEntry (i));
        juce::MemoryBlock data;

        if (stream != nullptr)
            stream->readIntoMemoryBlock (data);

        if (data != found->second.data)
            problems.add ("JUCE reads other content for " + info->filename);
    }
}

juce::StringArray ZipInspector::getNames() const
{
    juce::StringArray names;

    for (const auto& [name, entry] : entries)
        names.add (name);

    names.sort (false);
    return names;
}

juce::String ZipInspector::getText (const juce::String& name) const
{
    const auto found = entries.find (name);
    return found == entries.end() ? juce::String() : found->second.data.toString();
}
