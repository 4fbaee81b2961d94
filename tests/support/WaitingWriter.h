/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#pragma once

#include <juce_core/juce_core.h>

#include <sys/types.h>

//==============================================================================
/**
    A FIFO with a writer blocked in open(), as a program that logs into one leaves
    it. Opening the FIFO for reading, even without blocking, releases the writer;
    whether that has happened can be asked at any time, without a race.
*/
class WaitingWriter final
{
public:
    /** Makes the FIFO and a writer process, and waits until it is blocked in open(). */
    explicit WaitingWriter (const juce::File& fifo);

    /** Ends the writer. */
    ~WaitingWriter();

    /** True while the writer is still blocked in open(). */
    bool isStillWaiting() const;

private:
    pid_t writer = -1;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (WaitingWriter)
};
