/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include <gtest/gtest.h>

#include "theme/DarkLookAndFeel_TLM.h"

TEST (ThemeColourTable, DarkTableHoldsTheSchemeAsCopiesNotLinks)
{
    EXPECT_EQ (dark0ColourId, -1045148324);

    DarkLookAndFeel_TLM theme;
    theme.setColour (light6ColourId, juce::Colours::red);
    theme.setColour (mid0ColourId, juce::Colours::green);

    const std::pair<int, juce::uint32> expected[] =
    {
        { dark5ColourId, 0xff2e2e33 }, { themeOutlineColourId, 0xff53535c }, { themeTextColourId, 0xffd4d4d6 },
        { juce::ComboBox::textColourId, 0xffd4d4d6 }, { juce::PopupMenu::highlightedBackgroundColourId, 0xffd4d4d6 },
        { juce::PopupMenu::highlightedTextColourId, 0xff53535c }, { juce::ToggleButton::textColourId, 0xffd4d4d6 },
        { juce::TextButton::buttonColourId, 0xff252529 }, { juce::TabbedComponent::outlineColourId, 0xff000000 },
        { juce::Label::outlineColourId, 0x00000000 }, { juce::AlertWindow::textColourId, 0xffcccccc },
    };

    for (const auto& [id, colour] : expected)
        EXPECT_EQ (theme.findColour (id).getARGB(), colour) << std::hex << id;

    juce::LookAndFeel_V4 stock;

    for (int id : { (int) juce::AlertWindow::outlineColourId, (int) juce::TableHeaderComponent::highlightColourId })
        EXPECT_EQ (theme.findColour (id), stock.findColour (id)) << std::hex << id;
}

TEST (ThemeColourTable, TypefacesComeFromTheEmbeddedFontsAndDieWithTheTheme)
{
    EXPECT_FALSE (LookAndFeel_TLM().isColourSpecified (themeTextColourId));

    std::shared_ptr<LookAndFeel_TLM> theme = std::make_shared<DarkLookAndFeel_TLM>();
    juce::Typeface::Ptr held[] = { theme->shareTechTypeface, theme->assistantTypeface, theme->assistantBoldTypeface };

    EXPECT_EQ (held[0]->getName(), "Share Tech");
    EXPECT_EQ (held[1]->getName() + "/" + held[1]->getStyle(), "Assistant/Regular");
    EXPECT_EQ (held[2]->getName() + "/" + held[2]->getStyle(), "Assistant/Bold");

    theme.reset();

    for (auto& t : held)
        EXPECT_EQ (t->getReferenceCount(), 1);
}
