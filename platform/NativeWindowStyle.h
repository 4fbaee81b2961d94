/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

//==============================================================================
/**
    Restyles a top-level window's native window for the dark theme: a title bar
    drawn for a dark background over the background colour RGB (37, 37, 41).

    On macOS: a transparent title bar, that background colour and the dark vibrant
    appearance. On X11: the _GTK_THEME_VARIANT property set to "dark", which desktop
    window managers honour with a dark title bar, and that background colour.
*/
class NativeWindowStyle final
{
public:
    /** Applies the style to the native window behind a peer's native handle;
        does nothing when the handle is null.
    */
    static void applyDarkTitleBar (void* nativeHandle);

    /** Tells the window manager that the native window's size is fixed: its minimum
        and maximum size become the size of the given bounds, which are the position
        and size (in physical pixels) JUCE has given the window. Needed on X11 only,
        where JUCE replaces the size hints whenever it places the window; elsewhere
        it does nothing.
    */
    static void fixWindowManagerSize (void* nativeHandle, juce::Rectangle<int> physicalBounds);

    /** Hands events that Xlib has already read from the X server, and that JUCE's
        message loop therefore cannot see, back to the loop. On X11 only; elsewhere
        it does nothing.
    */
    static void deliverQueuedEvents (void* nativeHandle);

private:
    NativeWindowStyle() = delete;
};
