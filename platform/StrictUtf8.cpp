/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "StrictUtf8.h"

bool StrictUtf8::isValid (const char* bytes, size_t numBytes) noexcept
{
    const auto* s = reinterpret_cast<const unsigned char*> (bytes);
    const auto* end = s + numBytes;

    while (s < end)
    {
        const auto lead = *s++;

        if (lead == 0)
            return false;

        if (lead < 0x80)
            continue;

        // The range of the first continuation byte is what rules out overlong forms,
        // surrogates and code points above U+10FFFF (RFC 3629's table).
        int continuations = 0;
        unsigned char low = 0x80, high = 0xbf;

        if      (lead >= 0xc2 && lead <= 0xdf)  { continuations = 1; }
        else if (lead == 0xe0)                  { continuations = 2; low = 0xa0; }
        else if (lead == 0xed)                  { continuations = 2; high = 0x9f; }
        else if (lead >= 0xe1 && lead <= 0xef)  { continuations = 2; }
        else if (lead == 0xf0)                  { continuations = 3; low = 0x90; }
        else if (lead >= 0xf1 && lead <= 0xf3)  { continuations = 3; }
        else if (lead == 0xf4)                  { continuations = 3; high = 0x8f; }
        else                                    { return false; }

        if (end - s < continuations || *s < low || *s > high)
            return false;

        for (int i = 0; i < continuations; ++i)
            if ((*s++ & 0xc0) != 0x80)
                return false;
    }

    return true;
}

std::optional<juce::String> StrictUtf8::toString (const char* bytes, size_t numBytes)
{
    if (! isValid (bytes, numBytes))
        return std::nullopt;

    return juce::String (juce::CharPointer_UTF8 (bytes), juce::CharPointer_UTF8 (bytes + numBytes));
}
