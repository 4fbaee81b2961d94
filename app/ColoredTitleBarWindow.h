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
    A DocumentWindow that gives its native window a dark title bar each time it
    comes to the front.
*/
class ColoredTitleBarWindow : public juce::DocumentWindow
{
public:
    /** Passes everything on to DocumentWindow; does not restyle yet. */
    ColoredTitleBarWindow (const juce::String& name,
                           juce::Colour backgroundColour,
                           int requiredButtonFlags,
                           bool addToDesktop);

    /** Destroys nothing of its own. */
    ~ColoredTitleBarWindow() override;

    /** Shows or hides the window, exactly as Component::setVisible does. */
    void setVisible (bool shouldBeVisible) override;

    /** Restyles the native window. */
    void broughtToFront() override;

   #if JUCE_LINUX || JUCE_BSD
    /** On X11 the native window is never marked resizable, so that the window
        manager keeps the content at the window's own size.
    */
    int getDesktopWindowStyleFlags() const override;

    /** On X11, keeps a window whose resize limits fix its size at that size. */
    void resized() override;

    /** On X11, keeps the window manager's size limits after the window is placed. */
    void moved() override;

    /** On X11, also restores the window manager's size limits; see moved(). */
    void paint (juce::Graphics& g) override;
   #endif

private:
   #if JUCE_LINUX || JUCE_BSD
    void keepFixedSize();

    // Once a frame, events that JUCE's timers left in Xlib's queue go back to the loop.
    juce::VBlankAttachment queuedEventsDelivery;
   #endif

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ColoredTitleBarWindow)
};
