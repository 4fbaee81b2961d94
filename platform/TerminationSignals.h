/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#pragma once

#include <juce_events/juce_events.h>

#include <functional>

//==============================================================================
/**
    Turns SIGTERM and SIGHUP (a logout, `kill`) into a request to quit, made on the
    message thread once the event it is handling has been dealt with: an action in
    progress completes instead of being cut off halfway. JUCE treats SIGINT this way
    itself. A signal that was ignored when the program started (nohup) stays ignored.

    On X11 systems only; elsewhere the windowing system delivers termination as a
    request to quit and this does nothing. Make one at a time, on the message thread,
    while the message loop exists.
*/
class TerminationSignals final
{
public:
    /** Installs the handlers; onQuitRequest is called on the message thread for each
        batch of signals that arrives.
    */
    explicit TerminationSignals (std::function<void()> onQuitRequest);

    /** Puts back the handlers that were there before. */
    ~TerminationSignals();

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TerminationSignals)
};
