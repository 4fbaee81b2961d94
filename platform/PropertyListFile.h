/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#pragma once

#include <juce_core/juce_core.h>

//==============================================================================
/**
    An XML property list (the plist 1.0 format) whose root is a dictionary, held
    in memory so that single keys can be read and replaced while every other key
    keeps its value and its type.
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

    /** Creates an empty dictionary. */
    PropertyListFile();

    /** Replaces the contents with those of a file. */
    LoadResult load (const juce::File& file);

    /** Replaces the contents by parsing a document; false if it is not a plist dictionary. */
    bool parse (const juce::String& document);

    /** Returns the value element stored under a key, or nullptr. */
    const juce::XmlElement* getValue (const juce::String& key) const;

    /** Reads a value the way the macOS preferences service answers for an integer:
        integers as they are, booleans as 1 or 0, reals truncated, strings by their
        leading integer; anything else, or a missing key, gives 0.
    */
    juce::int64 getIntegerValue (const juce::String& key) const;

    /** Stores an integer under a key, replacing whatever value it held. */
    void setInteger (const juce::String& key, juce::int64 value);

    /** Stores a boolean under a key, replacing whatever value it held. */
    void setBool (const juce::String& key, bool value);

    /** Writes the list to a file (see GuardedFile::replace), creating missing parent
        folders. Returns false if anything failed; the file is then as it was.
    */
    bool save (const juce::File& file) const;

    /** Returns the whole document as text. */
    juce::String toString() const;

private:
    void setValue (const juce::String& key, std::unique_ptr<juce::XmlElement> value);
    juce::XmlElement* findKey (const juce::String& key) const;

    std::unique_ptr<juce::XmlElement> root;
    juce::XmlElement* dict = nullptr;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PropertyListFile)
};
