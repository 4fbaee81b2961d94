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

void NativeWindowStyle::applyDarkTitleBar (void* nativeHandle)
{
    if (nativeHandle == nullptr)
        return;

    auto* windowSystem = juce::XWindowSystem::getInstanceWithoutCreating();

    if (windowSystem == nullptr)
        return;

    auto* display = windowSystem->getDisplay();

    if (display == nullptr)
        return;

    const auto window = (::Window) (juce::pointer_sized_uint) nativeHandle;
    auto* x11 = juce::X11Symbols::getInstance();

    juce::XWindowSystemUtilities::ScopedXLock xLock;

    const auto themeVariant = juce::XWindowSystemUtilities::Atoms::getCreating (display, "_GTK_THEME_VARIANT");
    const auto utf8String   = juce::XWindowSystemUtilities::Atoms::getCreating (display, "UTF8_STRING");
    const char dark[] = "dark";

    x11->xChangeProperty (display, window, themeVariant, utf8String, 8, PropModeReplace,
                          reinterpret_cast<const unsigned char*> (dark), (int) sizeof (dark) - 1);

    // Seen in the frame's gaps while the window is mapped or resized.
    XSetWindowBackground (display, window, (37ul << 16) | (37ul << 8) | 41ul);

    x11->xFlush (display);
}

void NativeWindowStyle::fixWindowManagerSize (void* nativeHandle, int width, int height)
{
    auto* windowSystem = juce::XWindowSystem::getInstanceWithoutCreating();

    if (nativeHandle == nullptr || windowSystem == nullptr || windowSystem->getDisplay() == nullptr)
        return;

    auto* display = windowSystem->getDisplay();
    const auto window = (::Window) (juce::pointer_sized_uint) nativeHandle;
    auto* x11 = juce::X11Symbols::getInstance();

    juce::XWindowSystemUtilities::ScopedXLock xLock;

    if (auto* hints = x11->xAllocSizeHints())
    {
        // Keep the position and size JUCE has set, and add the limits if missing.
        long supplied = 0;
        XGetWMNormalHints (display, window, hints, &supplied);

        const auto hasLimits = (hints->flags & (PMinSize | PMaxSize)) == (PMinSize | PMaxSize)
                                && hints->min_width == width && hints->max_width == width
                                && hints->min_height == height && hints->max_height == height;

        if (! hasLimits)
        {
            hints->min_width  = hints->max_width  = width;
            hints->min_height = hints->max_height = height;
            hints->flags |= PMinSize | PMaxSize;

            x11->xSetWMNormalHints (display, window, hints);
            x11->xFlush (display);
        }

        x11->xFree (hints);
    }
}

#endif
