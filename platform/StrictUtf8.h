/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#pragma once

#include <juce_core/juce_core.h>

#include <optional>

//==============================================================================
/**
    A strict UTF-8 check for bytes that come from outside (file names, command-line
    arguments). JUCE's own check lets overlong forms through and its String sizes
    itself by decoding, so only bytes that pass this one may become a juce::String.
*/
class StrictUtf8 final
{
public:
    /** True when the bytes are well-formed UTF-8 holding no NUL: no overlong form,
        no surrogate, nothing above U+10FFFF, no stray or missing continuation byte.
    */
    static bool isValid (const char* bytes, size_t numBytes) noexcept;

    /** The bytes as a String when they pass isValid(), otherwise nothing. */
    static std::optional<juce::String> toString (const char* bytes, size_t numBytes);

private:
    StrictUtf8() = delete;
};
