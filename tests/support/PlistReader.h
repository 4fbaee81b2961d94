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
    Reads an XML property list for the tests, independently of the program's own
    reader: each top-level key with the tag and the text of its value.
*/
class PlistReader final
{
public:
    /** One value: its element name ("integer", "true", "dict" ...) and its text. */
    struct Value
    {
        juce::String type;
        juce::String text;

        bool operator== (const Value& other) const   { return type == other.type && text == other.text; }
    };

    /** Reads a file; nullopt if it is missing or not a plist dictionary. */
    static std::optional<std::map<juce::String, Value>> read (const juce::File& file);

    /** Writes a plist file holding the given XML dictionary body (key/value elements). */
    static juce::File write (const juce::File& file, const juce::String& dictBody);

private:
    PlistReader() = delete;
};

/** Lets GoogleTest print values. */
inline std::ostream& operator<< (std::ostream& os, const PlistReader::Value& v)
{
    return os << "<" << v.type << ">" << v.text;
}
