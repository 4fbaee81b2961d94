/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "ColoredTitleBarWindow.h"

#include "platform/NativeWindowStyle.h"

//==============================================================================
ColoredTitleBarWindow::ColoredTitleBarWindow (const juce::String& name,
                                              juce::Colour backgroundColour,
                                              int requiredButtonFlags,
                                              bool addToDesktop)
    : juce::DocumentWindow (name, backgroundColour, requiredButtonFlags, addToDesktop)
   #if JUCE_LINUX || JUCE_BSD
    , queuedEventsDelivery (this, [this]
                            {
                                if (auto* peer = getPeer())
                                    NativeWindowStyle::deliverQueuedEvents (peer->getNativeHandle());
                            })
   #endif
{
}

ColoredTitleBarWindow::~ColoredTitleBarWindow() = default;

void ColoredTitleBarWindow::setVisible (bool shouldBeVisible)
{
    juce::Component::setVisible (shouldBeVisible);
}

void ColoredTitleBarWindow::broughtToFront()
{
    auto* peer = getPeer();
    NativeWindowStyle::applyDarkTitleBar (peer != nullptr ? peer->getNativeHandle() : nullptr);
}

#if JUCE_LINUX || JUCE_BSD
int ColoredTitleBarWindow::getDesktopWindowStyleFlags() const
{
    // The window's size is fixed by its resize limits. Marked resizable, JUCE's X11
    // peer would hand the window manager those limits less the frame, and the
    // content would come out smaller than it is; unmarked, it hands over its own
    // size. JUCE's constrainer still applies to the window as before.
    return juce::DocumentWindow::getDesktopWindowStyleFlags() & ~juce::ComponentPeer::windowIsResizable;
}

void ColoredTitleBarWindow::resized()
{
    juce::DocumentWindow::resized();
    keepFixedSize();
}

void ColoredTitleBarWindow::moved()
{
    juce::DocumentWindow::moved();
    keepFixedSize();
}

void ColoredTitleBarWindow::paint (juce::Graphics& g)
{
    juce::DocumentWindow::paint (g);

    // JUCE places the native window once more, unannounced, when it first paints it.
    keepFixedSize();
}

void ColoredTitleBarWindow::keepFixedSize()
{
    auto* limits = getConstrainer();

    if (limits == nullptr
         || limits->getMinimumWidth() != limits->getMaximumWidth()
         || limits->getMinimumHeight() != limits->getMaximumHeight())
        return;

    const auto fixedWidth  = limits->getMinimumWidth();
    const auto fixedHeight = limits->getMinimumHeight();

    // JUCE's constrainer counts the X11 frame inside the resize limits, so once the
    // window manager has framed the window it shrinks the content by the frame.
    // The limits are meant for the content: put the fixed size back.
    if (getWidth() != fixedWidth || getHeight() != fixedHeight)
    {
        setSize (fixedWidth, fixedHeight);
        return;
    }

    // Each time JUCE places the native window it hands the window manager a size
    // but no limits; add them so that the window manager refuses to resize it.
    if (auto* peer = getPeer())
        NativeWindowStyle::fixWindowManagerSize (peer->getNativeHandle(),
                                                 juce::Desktop::getInstance().getDisplays().logicalToPhysical (peer->getBounds()));
}
#endif
