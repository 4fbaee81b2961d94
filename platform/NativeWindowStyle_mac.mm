/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "NativeWindowStyle.h"

#import <AppKit/AppKit.h>

void NativeWindowStyle::applyDarkTitleBar (void* nativeHandle)
{
    // Messages to nil do nothing, so a missing peer needs no test.
    NSView* view = (NSView*) nativeHandle;
    NSWindow* window = [view window];

    [window setTitlebarAppearsTransparent: YES];
    [window setBackgroundColor: [NSColor colorWithSRGBRed: (double) (37.0f / 255.0f)
                                                    green: (double) (37.0f / 255.0f)
                                                     blue: (double) (41.0f / 255.0f)
                                                    alpha: 1.0]];
    [window setAppearance: [NSAppearance appearanceNamed: NSAppearanceNameVibrantDark]];
}

void NativeWindowStyle::fixWindowManagerSize (void*, juce::Rectangle<int>)
{
}

void NativeWindowStyle::deliverQueuedEvents (void*)
{
}
