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

    //==============================================================================
    /** Gives "PrefGeneral_RescanMIDI", "AlertBoxBtnNormal" and "AlertBoxBtnBlue"
        their own bodies; every other button gets the base body.
    */
    void drawButtonBackground (juce::Graphics& g, juce::Button& button,
                               const juce::Colour& backgroundColour,
                               bool shouldDrawButtonAsHighlighted,
                               bool shouldDrawButtonAsDown) override;

    /** Draws the special buttons' text centred in light colours; every other
        button gets JUCE's classic text drawing.
    */
    void drawButtonText (juce::Graphics& g, juce::TextButton& button,
                         bool shouldDrawButtonAsHighlighted,
                         bool shouldDrawButtonAsDown) override;

    /** Fills a tab bar in one fixed dark grey. */
    void drawTabbedButtonBarBackground (juce::TabbedButtonBar& bar, juce::Graphics& g) override;

    /** Draws a 1-pixel black line across the top of the tab area. */
    void drawTabAreaBehindFrontButton (juce::TabbedButtonBar& bar, juce::Graphics& g,
                                       int w, int h) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DarkLookAndFeel_TLM)
};
