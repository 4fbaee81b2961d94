/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#pragma once

#include "LookAndFeel_TLM.h"

//==============================================================================
/**
    The dark scheme of Quillon's theme: fills the colour table. This is the one
    theme object the program makes and installs.
*/
class DarkLookAndFeel_TLM final : public LookAndFeel_TLM
{
public:
    /** Fills the colour table with the dark scheme. */
    DarkLookAndFeel_TLM();

    /** Does nothing of its own. */
    ~DarkLookAndFeel_TLM() override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DarkLookAndFeel_TLM)
};
