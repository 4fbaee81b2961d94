/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "DarkLookAndFeel_TLM.h"

namespace
{
    const juce::String rescanMidiButtonId   { "PrefGeneral_RescanMIDI" };
    const juce::String alertNormalButtonId  { "AlertBoxBtnNormal" };
    const juce::String alertBlueButtonId    { "AlertBoxBtnBlue" };

    bool hasSpecialLook (const juce::Button& button)
    {
        const auto& id = button.getComponentID();
        return id == rescanMidiButtonId || id == alertNormalButtonId || id == alertBlueButtonId;
    }
}

//==============================================================================
DarkLookAndFeel_TLM::DarkLookAndFeel_TLM()
{
    using namespace juce;

    // Copies take the source's value at this moment: changing a source later
    // does not change the colours copied from it.
    const auto copyOf = [this] (int sourceId) { return findColour (sourceId); };

    setColour (dark0ColourId,  Colour (0xff000000));
    setColour (dark1ColourId,  Colour (0xff0a0a0b));
    setColour (dark2ColourId,  Colour (0xff131314));
    setColour (dark3ColourId,  Colour (0xff1c1c1f));
    setColour (dark4ColourId,  Colour (0xff252529));
    setColour (dark5ColourId,  Colour (0xff2e2e33));
    setColour (dark6ColourId,  Colour (0xff393940));

    setColour (mid0ColourId,   Colour (0xff53535c));
    setColour (mid1ColourId,   Colour (0xff656565));
    setColour (mid2ColourId,   Colour (0xff686868));
    setColour (mid3ColourId,   Colour (0xff6b6b6b));
    setColour (mid4ColourId,   Colour (0xff6e6e6e));
    setColour (mid5ColourId,   Colour (0xff737373));
    setColour (mid6ColourId,   Colour (0xff757575));

    setColour (light0ColourId, Colour (0xffffffff));
    setColour (light1ColourId, Colour (0xfffafafc));
    setColour (light2ColourId, Colour (0xfff2f2f5));
    setColour (light3ColourId, Colour (0xffededf0));
    setColour (light4ColourId, Colour (0xffe8e8eb));
    setColour (light5ColourId, Colour (0xffe3e3e6));
    setColour (light6ColourId, Colour (0xffd4d4d6));

    setColour (themeOutlineColourId, copyOf (mid0ColourId));
    setColour (themeTextColourId,    copyOf (light6ColourId));
    setColour (themeNeutralColourId, Colour (0xff959595));

    setColour (ListBox::backgroundColourId,                   copyOf (dark2ColourId));

    setColour (TableHeaderComponent::backgroundColourId,      copyOf (mid0ColourId));
    setColour (TableHeaderComponent::textColourId,            copyOf (light5ColourId));
    setColour (TableHeaderComponent::outlineColourId,         copyOf (dark5ColourId));

    setColour (TabbedComponent::backgroundColourId,           Colour (0xff2d2d2d));
    setColour (TabbedComponent::outlineColourId,              Colours::black);

    setColour (Label::backgroundColourId,                     copyOf (dark1ColourId));
    setColour (Label::textColourId,                           copyOf (light5ColourId));
    setColour (Label::outlineColourId,                        Colours::transparentBlack);
    setColour (Label::backgroundWhenEditingColourId,          Colour (0xff3b3b3b));
    setColour (Label::textWhenEditingColourId,                Colours::white);
    setColour (Label::outlineWhenEditingColourId,             Colour (0xff5c5c5c));

    setColour (TextEditor::backgroundColourId,                copyOf (dark1ColourId));
    setColour (TextEditor::outlineColourId,                   copyOf (mid0ColourId));
    setColour (TextEditor::textColourId,                      copyOf (light5ColourId));

    setColour (ComboBox::textColourId,                        copyOf (themeTextColourId));
    setColour (ComboBox::backgroundColourId,                  copyOf (mid0ColourId));
    setColour (ComboBox::outlineColourId,                     copyOf (dark2ColourId));
    setColour (ComboBox::arrowColourId,                       Colour (0xff959595));

    setColour (PopupMenu::backgroundColourId,                 copyOf (mid0ColourId));
    setColour (PopupMenu::textColourId,                       copyOf (themeTextColourId));
    setColour (PopupMenu::highlightedTextColourId,            copyOf (mid0ColourId));
    setColour (PopupMenu::highlightedBackgroundColourId,      copyOf (themeTextColourId));

    setColour (Slider::backgroundColourId,                    copyOf (mid0ColourId));
    setColour (Slider::thumbColourId,                         copyOf (light5ColourId));
    setColour (Slider::trackColourId,                         Colour (0xff1b7cb8));
    setColour (Slider::textBoxTextColourId,                   copyOf (themeTextColourId));
    setColour (Slider::textBoxBackgroundColourId,             copyOf (dark1ColourId));
    setColour (Slider::textBoxOutlineColourId,                copyOf (mid0ColourId));

    setColour (TextButton::buttonColourId,                    copyOf (dark4ColourId));
    setColour (TextButton::buttonOnColourId,                  Colour (0xff15608f));
    setColour (TextButton::textColourOffId,                   Colour (0xff959595));
    setColour (TextButton::textColourOnId,                    copyOf (light3ColourId));

    setColour (ToggleButton::textColourId,                    copyOf (themeTextColourId));

    setColour (ScrollBar::thumbColourId,                      Colour (0xff186ea3));

    setColour (AlertWindow::textColourId,                     Colour (0xffcccccc));
}

DarkLookAndFeel_TLM::~DarkLookAndFeel_TLM() = default;

//==============================================================================
void DarkLookAndFeel_TLM::drawButtonBackground (juce::Graphics& g, juce::Button& button,
                                                const juce::Colour& backgroundColour,
                                                bool shouldDrawButtonAsHighlighted,
                                                bool shouldDrawButtonAsDown)
{
    if (! hasSpecialLook (button))
    {
        LookAndFeel_TLM::drawButtonBackground (g, button, backgroundColour,
                                               shouldDrawButtonAsHighlighted, shouldDrawButtonAsDown);
        return;
    }

    // Fixed colours: the passed colour, hover, enablement and connected edges play no part.
    const auto isNormal = button.getComponentID() == alertNormalButtonId;

    auto fill = isNormal ? juce::Colours::transparentBlack : juce::Colour (0xff15608f);
    const auto outline = isNormal ? juce::Colour (0xff959595) : juce::Colour (0xff1e89cc);

    if (shouldDrawButtonAsDown)
        fill = fill.brighter (0.3f);

    juce::Path body;
    body.addRoundedRectangle (1.0f, 1.0f, (float) (button.getWidth() - 2), (float) (button.getHeight() - 2),
                              5.0f, 5.0f);

    g.setColour (fill);
    g.fillPath (body);

    g.setColour (outline);
    g.strokePath (body, juce::PathStrokeType (1.0f));
}

void DarkLookAndFeel_TLM::drawButtonText (juce::Graphics& g, juce::TextButton& button,
                                          bool shouldDrawButtonAsHighlighted,
                                          bool shouldDrawButtonAsDown)
{
    g.setFont (getTextButtonFont (button, button.getHeight()));

    if (! hasSpecialLook (button))
    {
        juce::LookAndFeel_V2::drawButtonText (g, button, shouldDrawButtonAsHighlighted, shouldDrawButtonAsDown);
        return;
    }

    const auto& id = button.getComponentID();
    juce::Colour colour;

    if (id == alertNormalButtonId)
    {
        colour = juce::Colour (shouldDrawButtonAsDown ? 0xffe0e0e1 : 0xffd4d4d6);
    }
    else
    {
        // From the theme's own table: a colour set on the button does not count.
        colour = findColour (id == rescanMidiButtonId ? light6ColourId : light5ColourId);

        if (shouldDrawButtonAsDown)
            colour = colour.brighter (0.4f);
    }

    // A disabled special button is not dimmed.
    g.setColour (colour);
    g.drawFittedText (button.getButtonText(), button.getLocalBounds(),
                      juce::Justification::centred, 1, 0.0f);
}

void DarkLookAndFeel_TLM::drawTabbedButtonBarBackground (juce::TabbedButtonBar&, juce::Graphics& g)
{
    // Fixed, not looked up: the bar keeps this grey whatever the table holds.
    g.fillAll (juce::Colour (0xff252529));
}

void DarkLookAndFeel_TLM::drawTabAreaBehindFrontButton (juce::TabbedButtonBar&, juce::Graphics& g,
                                                        int w, int)
{
    // Across the top whatever the bar's orientation.
    g.setColour (juce::Colours::black);
    g.fillRect (0, 0, w, 1);
}
