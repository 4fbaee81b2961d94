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
    One per-user preference domain of another application, opened by name.

    On macOS this is NSUserDefaults with initWithSuiteName:. Elsewhere each domain
    is an XML property list at ~/Library/Preferences/<domain>.plist. Nothing is
    cached: make a new object for every access.
*/
class PreferenceDomain final
{
public:
    /** Opens a domain by name. */
    explicit PreferenceDomain (const juce::String& domainName);

    /** Destructor. */
    ~PreferenceDomain();

    /** Returns the integer stored under a key; 0 when the domain or the key is missing. */
    juce::int64 integerForKey (const juce::String& key) const;

    /** Stores an integer under a key. Returns false if it could not be stored. */
    bool setInteger (juce::int64 value, const juce::String& key);

    /** Stores a boolean under a key. Returns false if it could not be stored. */
    bool setBool (bool value, const juce::String& key);

   #if ! JUCE_MAC
    /** Returns the file that holds a domain: ~/Library/Preferences/<domain>.plist. */
    static juce::File getFileForDomain (const juce::String& domainName);

    /** True for a name that can stand for a domain: not empty, no "/", no leading ".". */
    static bool isValidDomainName (const juce::String& domainName);

    /** What removeDomain() did. */
    enum class RemovalResult
    {
        removed,        /**< The domain's file was deleted. */
        invalidName,    /**< The name cannot stand for a domain; nothing was touched. */
        notFound,       /**< No file holds the domain. */
        failed          /**< The file is there but could not be deleted. */
    };

    /** Removes a domain whole, every key in it, by deleting its file. A folder or a
        link to a folder in the file's place is not a domain and is left alone; a link
        to a file is removed, never its target.
    */
    static RemovalResult removeDomain (const juce::String& domainName);
   #endif

private:
    juce::String name;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PreferenceDomain)
};
