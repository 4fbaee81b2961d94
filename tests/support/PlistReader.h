/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#pragma once

#include <juce_core/juce_core.h>

#include <map>
#include <optional>

//==============================================================================
/**
    Reads and writes XML property lists for the tests, independently of the
    program's own code. A value reads as its element name, ":" and its text,
    such as "integer:7" or "true:".
*/
class PlistReader final
{
public:
    /** Reads a file's top-level keys; nullopt if it is missing or not a plist dictionary. */
    static std::optional<std::map<juce::String, juce::String>> read (const juce::File& file);

    /** Writes a plist file holding the given XML dictionary body (key/value elements). */
    static juce::File write (const juce::File& file, const juce::String& dictBody);

private:
    PlistReader() = delete;
};
