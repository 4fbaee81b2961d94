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
    /** Serves "Share-Tech", "Assistant" and "Assistant Bold" from the embedded
        typefaces; any other name goes to JUCE's own lookup.
    */
    juce::Typeface::Ptr getTypefaceForFont (const juce::Font& font) override;

    /** Draws a push button's rounded body and outline, squared on connected edges. */
    void drawButtonBackground (juce::Graphics& g, juce::Button& button,
                               const juce::Colour& backgroundColour,
                               bool shouldDrawButtonAsHighlighted,
                               bool shouldDrawButtonAsDown) override;

    /** Assistant Regular at 15 for "PrefGeneral_RescanMIDI", otherwise the default
        sans-serif font sized from the button's height.
    */
    juce::Font getTextButtonFont (juce::TextButton& button, int buttonHeight) override;

    /** Draws a toggle with its label in Assistant Regular, or only a centred tick
        box when it has no text.
    */
    void drawToggleButton (juce::Graphics& g, juce::ToggleButton& button,
                           bool shouldDrawButtonAsHighlighted,
                           bool shouldDrawButtonAsDown) override;

    /** Draws an alert window's frame, footer band, body and text; no icon. */
    void drawAlertBox (juce::Graphics& g, juce::AlertWindow& alert,
                       const juce::Rectangle<int>& textArea,
                       juce::TextLayout& textLayout) override;

    /** Alert windows appear on the taskbar and cast a drop shadow. */
    int getAlertBoxWindowFlags() override;

    /** Alert-window buttons are 28 pixels high. */
    int getAlertWindowButtonHeight() override;

    /** Assistant Bold at 18. */
    juce::Font getAlertWindowTitleFont() override;

    /** Assistant Regular at 16. */
    juce::Font getAlertWindowMessageFont() override;

    /** Assistant Regular at 14. */
    juce::Font getAlertWindowFont() override;

    /** "Arial Unicode MS" at 16, bold. */
    juce::Font getPopupMenuFont() override;

    /** Draws a combo box's body and its two arrows, the same in every state. */
    void drawComboBox (juce::Graphics& g, int width, int height, bool isButtonDown,
                       int buttonX, int buttonY, int buttonW, int buttonH,
                       juce::ComboBox& box) override;

    /** "Arial Unicode MS" at 16, plain, for every combo box. */
    juce::Font getComboBoxFont (juce::ComboBox& box) override;

    /** Makes the label that shows a combo box's text; the caller owns it. */
    juce::Label* createComboBoxTextBox (juce::ComboBox& box) override;

    /** Places a combo box's label and gives it the combo-box font. */
    void positionComboBoxText (juce::ComboBox& box, juce::Label& label) override;

    /** Draws a label's rounded body, outline and text. */
    void drawLabel (juce::Graphics& g, juce::Label& label) override;

    /** Fills a layout resizer bar in one fixed grey, whatever its state. */
    void drawStretchableLayoutResizerBar (juce::Graphics& g, int w, int h,
                                          bool isVerticalBar, bool isMouseOver,
                                          bool isMouseDragging) override;

    /** Fixed widths for the tabs of two known tab bars, JUCE's otherwise. */
    int getTabButtonBestWidth (juce::TabBarButton& button, int tabDepth) override;

    /** Draws one table-header column with its title in Assistant Bold. */
    void drawTableHeaderColumn (juce::Graphics& g, juce::TableHeaderComponent& header,
                                const juce::String& columnName, int columnId,
                                int width, int height, bool isMouseOver,
                                bool isMouseDown, int columnFlags) override;

    /** Draws a call-out box as a flat dark body with a 2-pixel outline. */
    void drawCallOutBoxBackground (juce::CallOutBox& box, juce::Graphics& g,
                                   const juce::Path& path, juce::Image& cachedImage) override;

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
