/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include <gtest/gtest.h>

#include "theme/DarkLookAndFeel_TLM.h"

#include <set>

namespace
{
    juce::uint32 argb (const juce::LookAndFeel& lf, int colourId)
    {
        return lf.findColour (colourId).getARGB();
    }
}

TEST (ThemeColourTable, VocabularyIdsAreTheFixedValues)
{
    const int ids[] = { dark0ColourId, dark1ColourId, dark2ColourId, dark3ColourId, dark4ColourId,
                        dark5ColourId, dark6ColourId, mid0ColourId, mid1ColourId, mid2ColourId,
                        mid3ColourId, mid4ColourId, mid5ColourId, mid6ColourId, light0ColourId,
                        light1ColourId, light2ColourId, light3ColourId, light4ColourId, light5ColourId,
                        light6ColourId, themeOutlineColourId, themeTextColourId, themeNeutralColourId };

    EXPECT_EQ (std::set<int> (std::begin (ids), std::end (ids)).size(), 24u);
    EXPECT_EQ (dark0ColourId, -1045148324);
    EXPECT_EQ ((juce::uint32) mid4ColourId, 0xff6edf23u);
    EXPECT_EQ ((juce::uint32) light2ColourId, 0x064c2493u);
}

TEST (ThemeColourTable, DarkTableHoldsTheSchemeAndItsCopies)
{
    DarkLookAndFeel_TLM theme;

    const std::pair<int, juce::uint32> expected[] =
    {
        { dark1ColourId,                                  0xff0a0a0b },
        { dark5ColourId,                                  0xff2e2e33 },
        { themeOutlineColourId,                           0xff53535c },
        { themeTextColourId,                              0xffd4d4d6 },
        { themeNeutralColourId,                           0xff959595 },
        { juce::ComboBox::textColourId,                   0xffd4d4d6 },
        { juce::PopupMenu::textColourId,                  0xffd4d4d6 },
        { juce::PopupMenu::highlightedBackgroundColourId, 0xffd4d4d6 },
        { juce::PopupMenu::highlightedTextColourId,       0xff53535c },
        { juce::PopupMenu::backgroundColourId,            0xff53535c },
        { juce::Slider::textBoxTextColourId,              0xffd4d4d6 },
        { juce::ToggleButton::textColourId,               0xffd4d4d6 },
        { juce::TextButton::buttonColourId,               0xff252529 },
        { juce::TextButton::textColourOnId,               0xffededf0 },
        { juce::ListBox::backgroundColourId,              0xff131314 },
        { juce::TableHeaderComponent::outlineColourId,    0xff2e2e33 },
        { juce::TabbedComponent::outlineColourId,         0xff000000 },
        { juce::Label::outlineColourId,                   0x00000000 },
        { juce::Label::textColourId,                      0xffe3e3e6 },
        { juce::AlertWindow::textColourId,                0xffcccccc },
    };

    for (const auto& [id, colour] : expected)
        EXPECT_EQ (argb (theme, id), colour) << std::hex << id;
}

TEST (ThemeColourTable, CopiesDoNotFollowTheirSourceAfterwards)
{
    DarkLookAndFeel_TLM theme;
    theme.setColour (light6ColourId, juce::Colours::red);
    theme.setColour (mid0ColourId, juce::Colours::green);

    EXPECT_EQ (argb (theme, themeTextColourId), 0xffd4d4d6u);
    EXPECT_EQ (argb (theme, themeOutlineColourId), 0xff53535cu);
    EXPECT_EQ (argb (theme, juce::ToggleButton::textColourId), 0xffd4d4d6u);
    EXPECT_EQ (argb (theme, juce::ComboBox::backgroundColourId), 0xff53535cu);
}

TEST (ThemeColourTable, UnnamedJuceIdsKeepTheStockDefaults)
{
    DarkLookAndFeel_TLM theme;
    juce::LookAndFeel_V4 stock;

    for (auto id : { (int) juce::AlertWindow::outlineColourId,
                     (int) juce::TableHeaderComponent::highlightColourId,
                     (int) juce::ResizableWindow::backgroundColourId })
        EXPECT_EQ (argb (theme, id), argb (stock, id)) << std::hex << id;
}

TEST (ThemeColourTable, BareBaseHasNoThemeColoursButAllTypefaces)
{
    auto base = std::make_unique<LookAndFeel_TLM>();

    EXPECT_FALSE (base->isColourSpecified (themeTextColourId));
    EXPECT_FALSE (base->isColourSpecified (dark5ColourId));
    EXPECT_NE (base->shareTechTypeface, nullptr);
    EXPECT_NE (base->assistantTypeface, nullptr);
    EXPECT_NE (base->assistantBoldTypeface, nullptr);
}

TEST (ThemeColourTable, TypefacesComeFromTheEmbeddedFonts)
{
    DarkLookAndFeel_TLM theme;

    EXPECT_EQ (theme.shareTechTypeface->getName(), "Share Tech");
    EXPECT_EQ (theme.assistantTypeface->getName(), "Assistant");
    EXPECT_EQ (theme.assistantBoldTypeface->getName(), "Assistant");
    EXPECT_EQ (theme.assistantBoldTypeface->getStyle(), "Bold");
    EXPECT_NE (theme.assistantTypeface->getStyle(), "Bold");
}

TEST (ThemeColourTable, DestroyingThroughTheBasePointerReleasesTheTypefaces)
{
    std::shared_ptr<LookAndFeel_TLM> theme = std::make_shared<DarkLookAndFeel_TLM>();
    juce::Typeface::Ptr held[] = { theme->shareTechTypeface, theme->assistantTypeface, theme->assistantBoldTypeface };

    for (auto& t : held)
        EXPECT_GE (t->getReferenceCount(), 2);

    theme.reset();

    for (auto& t : held)
        EXPECT_EQ (t->getReferenceCount(), 1);
}
