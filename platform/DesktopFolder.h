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
    The user's Desktop folder.

    On Linux this is the folder that ~/.config/user-dirs.dirs names as
    XDG_DESKTOP_DIR when it exists, else ~/Desktop, as JUCE finds it; but JUCE reads
    that file whatever it is, so a FIFO in its place would block for good and a link
    to a device would be read without end. Here it is read only when it is a regular
    file of a sensible size. Elsewhere JUCE's answer is used.
*/
class DesktopFolder final
{
public:
    /** Finds the Desktop folder afresh; it may not exist. */
    static juce::File locate();

private:
    DesktopFolder() = delete;
};
