/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include "ThemeColourIds.h"

//==============================================================================
/**
    The base of Quillon's theme: holds the three typefaces made from the embedded
    fonts and draws widgets by asking for colours by ID. It fills no colours of its
    own; a derived class provides the colour table.
*/
class LookAndFeel_TLM : public juce::LookAndFeel_V4
{
public:
    /** Makes the three typefaces and switches to the platform's native alert windows. */
    LookAndFeel_TLM();

    /** Releases the typefaces. */
    ~LookAndFeel_TLM() override;

    //==============================================================================
    /** "Share-Tech" Regular, made from the embedded resource temp2. */
    juce::Typeface::Ptr shareTechTypeface;

    /** "Assistant" Regular, made from the embedded resource temp1. */
    juce::Typeface::Ptr assistantTypeface;

    /** "Assistant" Bold, made from the embedded resource temp3. */
    juce::Typeface::Ptr assistantBoldTypeface;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (LookAndFeel_TLM)
};
