/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "PlistReader.h"

std::optional<std::map<juce::String, juce::String>> PlistReader::read (const juce::File& file)
{
    if (! file.existsAsFile())
        return std::nullopt;

    auto xml = juce::parseXML (file.loadFileAsString());

    if (xml == nullptr || xml->getTagName() != "plist")
        return std::nullopt;

    auto* dict = xml->getChildByName ("dict");

    if (dict == nullptr)
        return std::nullopt;

    std::map<juce::String, juce::String> result;
    juce::String pendingKey;
    bool expectValue = false;

    for (auto* e : dict->getChildIterator())
    {
        if (! expectValue)
        {
            if (e->getTagName() != "key")
                return std::nullopt;

            pendingKey = e->getAllSubText();
            expectValue = true;
            continue;
        }

        result[pendingKey] = e->getTagName() + ":" + e->getAllSubText();
        expectValue = false;
    }

    if (expectValue)
        return std::nullopt;

    return result;
}

juce::File PlistReader::write (const juce::File& file, const juce::String& dictBody)
{
    file.getParentDirectory().createDirectory();
    file.replaceWithText ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                          "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                          "<plist version=\"1.0\">\n<dict>\n" + dictBody + "\n</dict>\n</plist>\n",
                          false, false, "\n");
    return file;
}
