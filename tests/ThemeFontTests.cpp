/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include <gtest/gtest.h>

#include "support/ThemeDrawing.h"

namespace
{
    class ThemeFonts : public InstalledThemeTest
    {
    protected:
        bool isThemeTypeface (const juce::Typeface::Ptr& typeface) const
        {
            return typeface == theme.shareTechTypeface
                || typeface == theme.assistantTypeface
                || typeface == theme.assistantBoldTypeface;
        }

        juce::Typeface::Ptr lookUp (const juce::String& name, int styleFlags = juce::Font::plain)
        {
            return theme.getTypefaceForFont (juce::Font (name, 16.0f, styleFlags));
        }
    };

    struct TestButton final : public juce::TextButton
    {
        explicit TestButton (const juce::String& componentId)  : juce::TextButton ("Rescan")
        {
            setComponentID (componentId);
        }
    };
}

//==============================================================================
TEST_F (ThemeFonts, EmbeddedTypefacesAreTheAssistantAndShareTechFaces)
{
    // Fonts made from the members take their names from these.
    EXPECT_EQ (theme.assistantTypeface->getName(), "Assistant");
    EXPECT_EQ (theme.assistantTypeface->getStyle(), "Regular");
    EXPECT_EQ (theme.assistantBoldTypeface->getName(), "Assistant");
    EXPECT_EQ (theme.assistantBoldTypeface->getStyle(), "Bold");
    EXPECT_EQ (theme.shareTechTypeface->getName(), "Share Tech");
}

TEST_F (ThemeFonts, TheThreeKeysGiveTheThreeMembers)
{
    EXPECT_EQ (lookUp ("Share-Tech"), theme.shareTechTypeface);
    EXPECT_EQ (lookUp ("Assistant"), theme.assistantTypeface);
    EXPECT_EQ (lookUp ("Assistant Bold"), theme.assistantBoldTypeface);
}

TEST_F (ThemeFonts, OnlyTheNameDecidesSoBoldAssistantIsStillRegular)
{
    EXPECT_EQ (lookUp ("Assistant", juce::Font::bold), theme.assistantTypeface);
    EXPECT_EQ (lookUp ("Assistant Bold", juce::Font::plain), theme.assistantBoldTypeface);
    EXPECT_EQ (lookUp ("Share-Tech", juce::Font::bold | juce::Font::italic), theme.shareTechTypeface);
}

TEST_F (ThemeFonts, NearMissesGoToJucesLookup)
{
    for (auto name : { "assistant", "ASSISTANT BOLD", "Assistant ", " Assistant", "Assistant-Bold",
                       "AssistantBold", "Share Tech", "ShareTech", "share-tech", "Share-Tech " })
    {
        SCOPED_TRACE (name);
        const auto typeface = lookUp (name);

        ASSERT_NE (typeface, nullptr);
        EXPECT_FALSE (isThemeTypeface (typeface));
    }
}

TEST_F (ThemeFonts, FontsResolvedByJuceReachTheThemeThroughTheDefaultLookAndFeel)
{
    // The typeface cache asks the default look-and-feel for fonts made from a name.
    EXPECT_EQ (juce::Font ("Assistant Bold", 20.0f, juce::Font::plain).getTypefacePtr(), theme.assistantBoldTypeface);
    EXPECT_EQ (juce::Font ("Assistant", 20.0f, juce::Font::bold).getTypefacePtr(), theme.assistantTypeface);
    EXPECT_EQ (juce::Font ("Share-Tech", 20.0f, juce::Font::plain).getTypefacePtr(), theme.shareTechTypeface);
    EXPECT_FALSE (isThemeTypeface (juce::Font (20.0f).getTypefacePtr()));
}

//==============================================================================
TEST_F (ThemeFonts, OrdinaryTextButtonFontGrowsWithHeightMinusTwoUpToSixteen)
{
    TestButton button ({});

    const std::pair<int, float> cases[] = { { 100, 16.0f }, { 30, 16.0f }, { 29, 16.0f },
                                            { 28, 15.6f }, { 24, 13.2f }, { 12, 6.0f } };

    for (auto [height, expected] : cases)
    {
        SCOPED_TRACE (height);
        const auto font = theme.getTextButtonFont (button, height);

        EXPECT_FLOAT_EQ (font.getHeight(), expected);
        EXPECT_EQ (font.getTypefaceName(), juce::Font::getDefaultSansSerifFontName());
        EXPECT_EQ (font.getStyleFlags(), juce::Font::plain);
        EXPECT_FALSE (isThemeTypeface (font.getTypefacePtr()));
    }
}

TEST_F (ThemeFonts, TextButtonHeightOfTwoOrLessGivesJucesSmallestFont)
{
    TestButton button ({});

    EXPECT_FLOAT_EQ (theme.getTextButtonFont (button, 2).getHeight(), 0.1f);
    EXPECT_FLOAT_EQ (theme.getTextButtonFont (button, -5).getHeight(), 0.1f);
}

TEST_F (ThemeFonts, RescanMidiButtonGetsAssistantRegularAtFifteenWhateverItsHeight)
{
    TestButton button ("PrefGeneral_RescanMIDI");

    for (auto height : { 8, 24, 28, 60 })
    {
        SCOPED_TRACE (height);
        const auto font = theme.getTextButtonFont (button, height);

        EXPECT_EQ (font.getTypefacePtr(), theme.assistantTypeface);
        EXPECT_FLOAT_EQ (font.getHeight(), 15.0f);
        EXPECT_EQ (font.getStyleFlags(), juce::Font::plain);
    }
}

TEST_F (ThemeFonts, RescanMidiIdMustMatchWholeAndInCase)
{
    for (auto id : { "prefgeneral_rescanmidi", "PrefGeneral_RescanMIDI ", "PrefGeneral_RescanMID", "" })
    {
        SCOPED_TRACE (id);
        TestButton button (id);
        const auto font = theme.getTextButtonFont (button, 28);

        EXPECT_FLOAT_EQ (font.getHeight(), 15.6f);
        EXPECT_FALSE (isThemeTypeface (font.getTypefacePtr()));
    }
}

//==============================================================================
TEST_F (ThemeFonts, AlertWindowMetrics)
{
    EXPECT_EQ (theme.getAlertBoxWindowFlags(), 0x101);
    EXPECT_EQ (theme.getAlertBoxWindowFlags(), juce::ComponentPeer::windowAppearsOnTaskbar
                                             | juce::ComponentPeer::windowHasDropShadow);
    EXPECT_EQ (theme.getAlertWindowButtonHeight(), 28);
}

TEST_F (ThemeFonts, AlertWindowFontsKeepTheirEmbeddedTypefaces)
{
    // Checked on the results: a style change that does not match the face would
    // have dropped it and left only the family name.
    const auto title = theme.getAlertWindowTitleFont();
    EXPECT_EQ (title.getTypefacePtr(), theme.assistantBoldTypeface);
    EXPECT_FLOAT_EQ (title.getHeight(), 18.0f);
    EXPECT_TRUE (title.isBold());

    const auto message = theme.getAlertWindowMessageFont();
    EXPECT_EQ (message.getTypefacePtr(), theme.assistantTypeface);
    EXPECT_FLOAT_EQ (message.getHeight(), 16.0f);
    EXPECT_FALSE (message.isBold());

    const auto general = theme.getAlertWindowFont();
    EXPECT_EQ (general.getTypefacePtr(), theme.assistantTypeface);
    EXPECT_FLOAT_EQ (general.getHeight(), 14.0f);
    EXPECT_FALSE (general.isBold());
}

TEST_F (ThemeFonts, PopupMenuAndComboBoxFontsAskForArialUnicodeByName)
{
    const auto popup = theme.getPopupMenuFont();
    EXPECT_EQ (popup.getTypefaceName(), "Arial Unicode MS");
    EXPECT_FLOAT_EQ (popup.getHeight(), 16.0f);
    EXPECT_EQ (popup.getStyleFlags(), juce::Font::bold);

    juce::ComboBox small ("small"), special ("special");
    small.setSize (40, 12);
    special.setSize (300, 40);
    special.setComponentID ("NoBorderComboBox");

    for (auto* box : { &small, &special })
    {
        const auto font = theme.getComboBoxFont (*box);
        EXPECT_EQ (font.getTypefaceName(), "Arial Unicode MS");
        EXPECT_FLOAT_EQ (font.getHeight(), 16.0f);
        EXPECT_EQ (font.getStyleFlags(), juce::Font::plain);
    }
}

TEST_F (ThemeFonts, ArialUnicodeFallsBackToJucesSystemLookup)
{
    // Not installed on Linux: whatever JUCE finds serves, never one of the theme's faces.
    juce::ComboBox box;
    const auto typeface = theme.getComboBoxFont (box).getTypefacePtr();

    ASSERT_NE (typeface, nullptr);
    EXPECT_FALSE (isThemeTypeface (typeface));
}

//==============================================================================
namespace
{
    class TabWidths : public ThemeFonts
    {
    protected:
        TabWidths()
        {
            bar.addTab ("A rather long tab title", juce::Colours::grey, -1);
            bar.addTab ("X", juce::Colours::grey, -1);
        }

        juce::TabBarButton& tab (int index)   { return *bar.getTabButton (index); }

        juce::TabbedButtonBar bar { juce::TabbedButtonBar::TabsAtTop };
        juce::LookAndFeel_V4 stock;
    };
}

TEST_F (TabWidths, TopViewContainerBarGivesEightyFourWhateverTextAndDepth)
{
    bar.setComponentID ("TopViewContainer_TabBar");

    for (auto depth : { 10, 30, 60 })
    {
        EXPECT_EQ (theme.getTabButtonBestWidth (tab (0), depth), 84);
        EXPECT_EQ (theme.getTabButtonBestWidth (tab (1), depth), 84);
    }
}

TEST_F (TabWidths, AdrCueSettingsBarGivesFortyFour)
{
    bar.setComponentID ("PrefADRCueSettingsTabBar");

    EXPECT_EQ (theme.getTabButtonBestWidth (tab (0), 30), 44);
    EXPECT_EQ (theme.getTabButtonBestWidth (tab (1), 12), 44);
}

TEST_F (TabWidths, OnlyTheOwningBarsIdCounts)
{
    bar.setComponentID ("topviewcontainer_tabbar");
    tab (0).setComponentID ("TopViewContainer_TabBar");

    for (auto depth : { 10, 30 })
    {
        const auto expected = stock.getTabButtonBestWidth (tab (0), depth);

        EXPECT_EQ (theme.getTabButtonBestWidth (tab (0), depth), expected);
        EXPECT_NE (expected, 84);
    }
}
