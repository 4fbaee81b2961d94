/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#pragma once

#include <juce_core/juce_core.h>

#include <vector>

//==============================================================================
/**
    An XML property list (the plist 1.0 format) whose root is a dictionary, held
    as the bytes it was read from. Setting a key replaces only the bytes of that
    key's value (or adds the pair at the end of the dictionary), so every other
    byte of the document, and with it every other key, stays exactly as it was.

    Only a document that both JUCE's parser and a conforming XML reader read the
    same way is accepted: UTF-8, no DTD internal subset or entity declarations, no
    references but the predefined and character ones, no processing instructions
    inside the root, and nesting no deeper than maxDepth.
*/
class PropertyListFile final
{
public:
    /** What happened when a file was loaded. */
    enum class LoadResult
    {
        loaded,     /**< The file was read and holds a dictionary. */
        missing,    /**< There is no file: the list starts empty. */
        unreadable  /**< Something is there that is not read as a plist dictionary. */
    };

    /** The largest file read; real preference files hold a few kilobytes. */
    static constexpr size_t maxFileSize = 4 * 1024 * 1024;

    /** The deepest element nesting read, counting the plist element as 1. */
    static constexpr size_t maxDepth = 128;

    /** Creates an empty dictionary. */
    PropertyListFile();

    /** Replaces the contents with those of a file. */
    LoadResult load (const juce::File& file);

    /** Replaces the contents with a document; false (and nothing changed) if it is
        not an acceptable plist dictionary.
    */
    bool parse (const juce::MemoryBlock& document);

    /** Reads a value the way the macOS preferences service answers for an integer:
        integers as they are, booleans as 1 or 0, reals truncated, strings by their
        leading integer; anything else, or a missing key, gives 0. When a key appears
        more than once the last one counts, as it does for other readers.
    */
    juce::int64 getIntegerValue (const juce::String& key) const;

    /** Stores an integer under a key, replacing whatever value it held. */
    bool setInteger (const juce::String& key, juce::int64 value);

    /** Stores a boolean under a key, replacing whatever value it held. */
    bool setBool (const juce::String& key, bool value);

    /** Writes the document to a file (see GuardedFile::replace), creating missing
        parent folders. Returns false if anything failed; the file is then as it was.
    */
    bool save (const juce::File& file) const;

private:
    struct Entry
    {
        juce::String key;
        const juce::XmlElement* value;
        size_t valueBegin, valueEnd;
    };

    bool setValue (const juce::String& key, const juce::String& valueText);
    const Entry* findEntry (const juce::String& key) const;

    juce::MemoryBlock document;
    std::unique_ptr<juce::XmlElement> root;
    std::vector<Entry> entries;
    size_t insertBegin = 0, insertEnd = 0;
    bool dictIsEmptyElement = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PropertyListFile)
};
