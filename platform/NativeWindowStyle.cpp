/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include <juce_core/system/juce_TargetPlatform.h>

#if JUCE_LINUX || JUCE_BSD

 #define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
 #include "NativeWindowStyle.h"

// JUCE's message loop hands X events to the program only when poll() finds the X
// socket readable. Any Xlib call that reads from the socket outside JUCE's own X
// event callback (from paint, moved, resized, broughtToFront or a timer) moves
// whatever input has arrived into Xlib's private queue, where poll() cannot see it:
// a click read that way waits for the next X event, which may never come. Such
// calls are every request that waits for a reply (XGetWMNormalHints, XSync, ...)
// and, with Xlib over XCB, XFlush too. So the requests here are one-way and left
// for JUCE's next flush, which comes within a frame; where a reply cannot be
// avoided, the loop is woken to handle what Xlib has queued. JUCE's own repaint and
// focus timers read the socket in the same way now and then; deliverQueuedEvents()
// is for those.

namespace
{
    struct X11Window
    {
        ::Display* display = nullptr;
        ::Window window = 0;
    };

    X11Window x11WindowFor (void* nativeHandle)
    {
        auto* windowSystem = juce::XWindowSystem::getInstanceWithoutCreating();

        if (nativeHandle == nullptr || windowSystem == nullptr || windowSystem->getDisplay() == nullptr)
            return {};

        return { windowSystem->getDisplay(), (::Window) (juce::pointer_sized_uint) nativeHandle };
    }

    // Events left in Xlib's queue are handled once something more arrives on the
    // socket; an event sent to our own window is that something, and JUCE ignores a
    // client message of no type. The flush that sends it may read more input into
    // the queue, which the same wake-up then handles.
    void wakeEventLoopIfEventsAreQueued (const X11Window& target)
    {
        auto* x11 = juce::X11Symbols::getInstance();

        if (x11->xEventsQueued (target.display, QueuedAlready) == 0)
            return;

        XEvent wake {};
        wake.xclient.type = ClientMessage;
        wake.xclient.window = target.window;
        wake.xclient.message_type = None;
        wake.xclient.format = 32;

        x11->xSendEvent (target.display, target.window, False, NoEventMask, &wake);
        x11->xFlush (target.display);
    }
}

void NativeWindowStyle::applyDarkTitleBar (void* nativeHandle)
{
    const auto target = x11WindowFor (nativeHandle);

    if (target.display == nullptr)
        return;

    auto* x11 = juce::X11Symbols::getInstance();
    juce::XWindowSystemUtilities::ScopedXLock xLock;

    // Interning waits for the server the first time; Xlib keeps the answer.
    const auto themeVariant = juce::XWindowSystemUtilities::Atoms::getCreating (target.display, "_GTK_THEME_VARIANT");
    const auto utf8String = juce::XWindowSystem::getInstance()->getAtoms().utf8String;
    const char dark[] = "dark";

    x11->xChangeProperty (target.display, target.window, themeVariant, utf8String, 8, PropModeReplace,
                          reinterpret_cast<const unsigned char*> (dark), (int) sizeof (dark) - 1);

    // Seen in the frame's gaps while the window is mapped or resized.
    XSetWindowBackground (target.display, target.window, (37ul << 16) | (37ul << 8) | 41ul);

    wakeEventLoopIfEventsAreQueued (target);
}

void NativeWindowStyle::fixWindowManagerSize (void* nativeHandle, juce::Rectangle<int> physicalBounds)
{
    const auto target = x11WindowFor (nativeHandle);

    if (target.display == nullptr)
        return;

    auto* x11 = juce::X11Symbols::getInstance();
    juce::XWindowSystemUtilities::ScopedXLock xLock;

    // Everything JUCE last wrote (the position and size) is known, so the hints are
    // written whole rather than read back and amended: reading them would be a round trip.
    if (auto* hints = x11->xAllocSizeHints())
    {
        hints->flags = USPosition | USSize | PMinSize | PMaxSize;
        hints->x = physicalBounds.getX();
        hints->y = physicalBounds.getY();
        hints->width  = hints->min_width  = hints->max_width  = physicalBounds.getWidth();
        hints->height = hints->min_height = hints->max_height = physicalBounds.getHeight();

        x11->xSetWMNormalHints (target.display, target.window, hints);
        x11->xFree (hints);
    }
}

void NativeWindowStyle::deliverQueuedEvents (void* nativeHandle)
{
    const auto target = x11WindowFor (nativeHandle);

    if (target.display != nullptr)
    {
        juce::XWindowSystemUtilities::ScopedXLock xLock;
        wakeEventLoopIfEventsAreQueued (target);
    }
}

#endif
