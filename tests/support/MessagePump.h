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
/** Runs the message loop until a condition holds or a time limit passes;
    returns whether the condition held.
*/
inline bool pumpMessagesUntil (const std::function<bool()>& condition, int timeoutMs = 5000)
{
    const auto deadline = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;

    while (! condition())
    {
        if (juce::Time::getMillisecondCounter() > deadline)
            return false;

        juce::MessageManager::getInstance()->runDispatchLoopUntil (5);
    }

    return true;
}

/** Runs the message loop until every message already posted has been handled. */
inline void drainMessages()
{
    struct Flag final : public juce::CallbackMessage
    {
        explicit Flag (bool& d) : done (d) {}
        void messageCallback() override   { done = true; }
        bool& done;
    };

    bool done = false;
    (new Flag (done))->post();
    pumpMessagesUntil ([&] { return done; });
}
