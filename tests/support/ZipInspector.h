/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#pragma once

#include <juce_core/juce_core.h>

#include <map>
#include <ostream>

//==============================================================================
/**
    Reads a zip archive twice, with Python's zipfile module and with JUCE's reader,
    and keeps what both agree on. Python also tells whether each deflated entry is
    exactly what zlib makes at level 5.
*/
class ZipInspector final
{
public:
    /** One entry as read back. */
    struct Entry
    {
        int method = -1;             /**< 8 for deflate. */
        bool isLevel5 = false;       /**< Same compressed length as zlib's level 5. */
        juce::MemoryBlock data;
    };

    /** Reads the archive; problems are collected in getProblems(). */
    explicit ZipInspector (const juce::File& archive);

    /** Empty when both readers accept the archive and agree on every entry. */
    const juce::StringArray& getProblems() const noexcept                  { return problems; }

    /** The entries by stored name. */
    const std::map<juce::String, Entry>& getEntries() const noexcept       { return entries; }

    /** The stored names, sorted. */
    juce::StringArray getNames() const;

    /** An entry's content as text; empty if there is no such entry. */
    juce::String getText (const juce::String& name) const;

private:
    std::map<juce::String, Entry> entries;
    juce::StringArray problems;

    void readWithPython (const juce::File& archive);
    void compareWithJuce (const juce::File& archive);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ZipInspector)
};

namespace juce
{
    /** Lets GoogleTest print lists of names. */
    inline void PrintTo (const StringArray& names, std::ostream* os)
    {
        *os << "[" << names.joinIntoString (", ").toStdString() << "]";
    }
}
