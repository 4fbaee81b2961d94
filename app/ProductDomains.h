/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#pragma once

#include <array>

//==============================================================================
/** The products' preference domains and the keys Quillon writes into them. */
namespace ProductDomains
{
    /** The six domains, in the order in which they are always handled. */
    inline constexpr std::array<const char*, 6> all
    {
        "com.tallowmere.Kestrava5",
        "com.tallowmere.Kestrava6",
        "com.tallowmere.Kestrava",
        "com.tallowmere.Palvero2",
        "com.tallowmere.Palvero3",
        "com.tallowmere.Palvero"
    };

    /** The first domain of each product: read at start, set by "Enable", reset. */
    inline constexpr std::array<const char*, 2> primary
    {
        "com.tallowmere.Kestrava5",
        "com.tallowmere.Palvero2"
    };

    /** The integer key holding the products' log level. */
    inline constexpr const char* logLevelKey = "ApplicationLogLevel";

    /** Log level meaning extended logging on. */
    inline constexpr int extendedLogLevel = 7;

    /** Log level meaning extended logging off. */
    inline constexpr int normalLogLevel = 3;
}
