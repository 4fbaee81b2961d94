/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#pragma once

#include <cstdint>

//==============================================================================
/**
    The theme's own colour IDs, used with JUCE's colour table exactly like JUCE's
    own IDs (setColour / findColour).

    The values are fixed 32-bit numbers; those of 0x80000000 and above read as
    negative ints, which is what JUCE stores.
*/
enum ThemeColourIds : int
{
    dark0ColourId           = (int) 0xc1b44d5cu,
    dark1ColourId           = (int) 0x61b5b603u,
    dark2ColourId           = (int) 0xdf847051u,
    dark3ColourId           = (int) 0xd5e9db03u,
    dark4ColourId           = (int) 0x18b27b2cu,
    dark5ColourId           = (int) 0x91bc6298u,
    dark6ColourId           = (int) 0x8a991bcau,

    mid0ColourId            = (int) 0x1438a8fdu,
    mid1ColourId            = (int) 0x6aaaad67u,
    mid2ColourId            = (int) 0x7bac572cu,
    mid3ColourId            = (int) 0x592e6a0cu,
    mid4ColourId            = (int) 0xff6edf23u,
    mid5ColourId            = (int) 0x31b8fc57u,
    mid6ColourId            = (int) 0xb3d47513u,

    light0ColourId          = (int) 0x8740c9bau,
    light1ColourId          = (int) 0x24966dd8u,
    light2ColourId          = (int) 0x064c2493u,
    light3ColourId          = (int) 0x51174c3du,
    light4ColourId          = (int) 0x214f5e5fu,
    light5ColourId          = (int) 0xcf42720au,
    light6ColourId          = (int) 0x3b5057a3u,

    themeOutlineColourId    = (int) 0x9c616ecfu,
    themeTextColourId       = (int) 0x716d4ab5u,
    themeNeutralColourId    = (int) 0x96b48abbu
};
