/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "PreferenceDomain.h"

#if ! JUCE_MAC

#include "PropertyListFile.h"

namespace
{
    template <typename Setter>
    bool modifyDomain (const juce::String& name, Setter&& setter)
    {
        if (! PreferenceDomain::isValidDomainName (name))
            return false;

        const auto file = PreferenceDomain::getFileForDomain (name);
        PropertyListFile plist;

        // A file we do not read faithfully may belong to someone else's format, or be
        // something other than a file: never replace it.
        if (plist.load (file) == PropertyListFile::LoadResult::unreadable)
            return false;

        return setter (plist) && plist.save (file);
    }
}

//==============================================================================
PreferenceDomain::PreferenceDomain (const juce::String& domainName)
    : name (domainName)
{
}

PreferenceDomain::~PreferenceDomain() = default;

juce::File PreferenceDomain::getFileForDomain (const juce::String& domainName)
{
    return juce::File ("~/Library/Preferences/" + domainName + ".plist");
}

bool PreferenceDomain::isValidDomainName (const juce::String& domainName)
{
    return domainName.isNotEmpty()
        && ! domainName.containsChar ('/')
        && ! domainName.startsWithChar ('.');
}

PreferenceDomain::RemovalResult PreferenceDomain::removeDomain (const juce::String& domainName)
{
    if (! isValidDomainName (domainName))
        return RemovalResult::invalidName;

    const auto file = getFileForDomain (domainName);

    // deleteFile() would also remove an empty folder, which is never a domain.
    if (! file.existsAsFile())
        return RemovalResult::notFound;

    return file.deleteFile() ? RemovalResult::removed : RemovalResult::failed;
}

juce::int64 PreferenceDomain::integerForKey (const juce::String& key) const
{
    if (! isValidDomainName (name))
        return 0;

    PropertyListFile plist;

    if (plist.load (getFileForDomain (name)) != PropertyListFile::LoadResult::loaded)
        return 0;

    return plist.getIntegerValue (key);
}

bool PreferenceDomain::setInteger (juce::int64 value, const juce::String& key)
{
    return modifyDomain (name, [&] (PropertyListFile& plist) { return plist.setInteger (key, value); });
}

bool PreferenceDomain::setBool (bool value, const juce::String& key)
{
    return modifyDomain (name, [&] (PropertyListFile& plist) { return plist.setBool (key, value); });
}

#endif
