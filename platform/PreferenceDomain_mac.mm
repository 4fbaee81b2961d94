/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "PreferenceDomain.h"

#import <Foundation/Foundation.h>

// A fresh NSUserDefaults object for every access, never kept and never synchronised:
// the preferences service stores values on its own schedule.

static NSString* toNSString (const juce::String& s)
{
    return [NSString stringWithUTF8String: s.toRawUTF8()];
}

PreferenceDomain::PreferenceDomain (const juce::String& domainName)
    : name (domainName)
{
}

PreferenceDomain::~PreferenceDomain() = default;

juce::int64 PreferenceDomain::integerForKey (const juce::String& key) const
{
    @autoreleasepool
    {
        NSUserDefaults* defaults = [[NSUserDefaults alloc] initWithSuiteName: toNSString (name)];
        auto value = (juce::int64) [defaults integerForKey: toNSString (key)];
        [defaults release];
        return value;
    }
}

bool PreferenceDomain::setInteger (juce::int64 value, const juce::String& key)
{
    @autoreleasepool
    {
        NSUserDefaults* defaults = [[NSUserDefaults alloc] initWithSuiteName: toNSString (name)];
        [defaults setInteger: (NSInteger) value forKey: toNSString (key)];
        const bool opened = defaults != nil;
        [defaults release];
        return opened;
    }
}

bool PreferenceDomain::setBool (bool value, const juce::String& key)
{
    @autoreleasepool
    {
        NSUserDefaults* defaults = [[NSUserDefaults alloc] initWithSuiteName: toNSString (name)];
        [defaults setBool: value ? YES : NO forKey: toNSString (key)];
        const bool opened = defaults != nil;
        [defaults release];
        return opened;
    }
}
