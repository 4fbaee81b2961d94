/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include <gtest/gtest.h>

#include "theme/DarkLookAndFeel_TLM.h"

#include <functional>

namespace
{
    // The theme installed as JUCE's default, which keeps only a weak reference to it:
    // it is taken back before the theme dies.
    struct Theme : public ::testing::Test
    {
        Theme()            { juce::Typeface::clearTypefaceCache(); juce::LookAndFeel::setDefaultLookAndFeel (&theme); }
        ~Theme() override  { juce::LookAndFeel::setDefaultLookAndFeel (nullptr); juce::Typeface::clearTypefaceCache(); }

        DarkLookAndFeel_TLM theme;
    };

    const juce::Colour none, grey { 0xff959595 }, mid0 { 0xff53535c }, fill { 0xff2060c0 };

    juce::Image render (int w, int h, const std::function<void (juce::Graphics&)>& paint)
    {
        juce::Image image (juce::Image::ARGB, w, h, true);
        juce::Graphics g (image);
        paint (g);
        return image;
    }

    // JUCE rasterises in 1/256 of a pixel and reads pixels back unpremultiplied: a channel may be a few steps off.
    void expectNear (juce::Colour actual, juce::Colour expected, const juce::String& where = {})
    {
        const auto close = [] (int x, int y) { return std::abs (x - y) <= 3; };
        EXPECT_TRUE (close (actual.getAlpha(), expected.getAlpha()) && close (actual.getRed(), expected.getRed()) && close (actual.getGreen(), expected.getGreen()) && close (actual.getBlue(), expected.getBlue()))
            << where << "0x" << actual.toDisplayString (true) << ", not 0x" << expected.toDisplayString (true);
    }

    void expectPixels (const juce::Image& image, const std::vector<std::tuple<int, int, juce::Colour>>& probes, const juce::String& context = {})
    {
        for (auto [x, y, colour] : probes)
            expectNear (image.getPixelAt (x, y), colour, context + " (" + juce::String (x) + ", " + juce::String (y) + ") is ");
    }

    // On a transparent image the most opaque pixel shows the colour drawn, its coverage taken out.
    struct Ink { juce::Rectangle<int> bounds; juce::Colour mostOpaque; };

    Ink findInk (const juce::Image& image, juce::Rectangle<int> area = {})
    {
        Ink ink;
        area = area.isEmpty() ? image.getBounds() : area;

        for (int y = area.getY(); y < area.getBottom(); ++y)
            for (int x = area.getX(); x < area.getRight(); ++x)
                if (const auto c = image.getPixelAt (x, y); c.getAlpha() > 0)
                    ink = { ink.bounds.getUnion ({ x, y, 1, 1 }), c.getAlpha() > ink.mostOpaque.getAlpha() ? c : ink.mostOpaque };

        return ink;
    }
}

//==============================================================================
TEST_F (Theme, TypefacesByNameTextButtonFontsAndTabWidthsById)
{
    struct Face { const char* key; int style; juce::Typeface* face; const char* familyAndStyle; };

    // Fonts made from a name reach the theme through the default look-and-feel; only the name decides,
    // and each name must get its own embedded file.
    for (const auto& c : { Face { "Share-Tech", juce::Font::plain, theme.shareTechTypeface.get(), "Share Tech/Regular" },
                           Face { "Assistant", juce::Font::bold, theme.assistantTypeface.get(), "Assistant/Regular" },
                           Face { "Assistant Bold", juce::Font::plain, theme.assistantBoldTypeface.get(), "Assistant/Bold" } })
        EXPECT_EQ (std::pair (juce::Font (c.key, 16.0f, c.style).getTypefacePtr().get(), c.face->getName() + "/" + c.face->getStyle()),
                   std::pair (c.face, juce::String (c.familyAndStyle))) << c.key;

    // A style change that did not match the face would drop it and keep only the name.
    EXPECT_EQ (theme.getAlertWindowTitleFont().getTypefacePtr(), theme.assistantBoldTypeface);

    struct Size { const char* id; int height; float fontHeight; bool assistant; };
    juce::TextButton button;

    for (const auto& c : { Size { "", 100, 16.0f, false }, Size { "", 28, 15.6f, false }, Size { "PrefGeneral_RescanMIDI", 60, 15.0f, true } })
    {
        button.setComponentID (c.id);
        const auto font = theme.getTextButtonFont (button, c.height);
        EXPECT_FLOAT_EQ (font.getHeight(), c.fontHeight) << "'" << c.id << "' at " << c.height;
        EXPECT_TRUE (font.getStyleFlags() == juce::Font::plain && (font.getTypefacePtr() == theme.assistantTypeface) == c.assistant) << c.id;
    }

    // A tab's width follows the owning bar's ID, not the button's own.
    juce::TabbedButtonBar bar (juce::TabbedButtonBar::TabsAtTop);
    bar.addTab ("A rather long tab title", grey, -1);
    bar.getTabButton (0)->setComponentID ("TopViewContainer_TabBar");

    for (auto [barId, width] : { std::pair { "TopViewContainer_TabBar", 84 }, { "PrefADRCueSettingsTabBar", 44 }, { "topviewcontainer_tabbar", 0 } })
    {
        bar.setComponentID (barId);
        auto& tab = *bar.getTabButton (0);
        EXPECT_EQ (theme.getTabButtonBestWidth (tab, 30), width != 0 ? width : theme.juce::LookAndFeel_V2::getTabButtonBestWidth (tab, 30)) << barId;
    }
}

//==============================================================================
TEST_F (Theme, ButtonBodiesAndTextByIdAndStateAndTheBareToggleBox)
{
    juce::TextButton button ("Rescan MIDI");
    button.setSize (100, 24);

    struct Case { const char* id; int edges; bool enabled, over, down; juce::Colour centre, edge, text; };

    for (const auto& c : {
             // The base body in the theme's outline: a disabled one is dimmed before the hover tint but keeps its
             // outline; a connected edge squares its corners; an ID differing in case is not special.
             Case { "", 0, false, true, false, fill.withAlpha ((juce::uint8) 128).contrasting (0.05f), mid0, grey.withAlpha ((juce::uint8) 128) },
             Case { "alertboxbtnblue", juce::Button::ConnectedOnLeft, true, true, true, fill.contrasting (0.2f), mid0, grey },
             // The special looks: fixed colours, never dimmed, the outline on a pixel boundary.
             Case { "AlertBoxBtnBlue", 0, true, false, false, juce::Colour (0xff15608f), juce::Colour (0x801e89cc), juce::Colour (0xffe3e3e6) },
             Case { "PrefGeneral_RescanMIDI", 0, false, false, true, juce::Colour (0xff4b84a8), juce::Colour (0x801e89cc), juce::Colour (0xffe0e0e1) },
             Case { "AlertBoxBtnNormal", 0, true, false, false, none, juce::Colour (0x80959595), juce::Colour (0xffd4d4d6) } })
    {
        SCOPED_TRACE (::testing::Message() << "'" << c.id << "' enabled " << c.enabled << " over " << c.over << " down " << c.down);
        button.setComponentID (c.id);
        button.setEnabled (c.enabled);
        button.setConnectedEdges (c.edges);

        expectPixels (render (100, 24, [&] (auto& g) { theme.drawButtonBackground (g, button, fill, c.over, c.down); }),
                      { { 50, 12, c.centre }, { 50, 0, c.edge }, { 0, 0, c.edges != 0 ? mid0 : none } });
        expectNear (findInk (render (100, 24, [&] (auto& g) { theme.drawButtonText (g, button, c.over, c.down); })).mostOpaque, c.text);
    }

    juce::ToggleButton toggle;
    toggle.setSize (30, 30);

    // Without text the tick box is 16.5 pixels square in the middle, where JUCE's own drawing would put it at the left.
    EXPECT_EQ (findInk (render (30, 30, [&] (auto& g) { toggle.paintEntireComponent (g, false); })).bounds, juce::Rectangle<int> (6, 6, 18, 18));
}

//==============================================================================
TEST_F (Theme, ComboBoxLabelAndTableHeader)
{
    juce::ComboBox box;

    // Only the exact ID drops the border; either way the same look whatever state and button area JUCE passes,
    // with the arrows centred on the height.
    for (auto [id, top, bottom] : { std::tuple { "noBorderComboBox", mid0, juce::Colour (0xff131314) }, { "NoBorderComboBox", none, mid0 } })
    {
        box.setComponentID (id);
        expectPixels (render (120, 24, [&] (auto& g) { theme.drawComboBox (g, 120, 24, true, 10, 3, 20, 5, box); }),
                      { { 40, 0, top }, { 40, 23, bottom }, { 0, 12, mid0 }, { 110, 9, grey }, { 110, 12, mid0 }, { 110, 15, grey } }, id);
    }

    juce::Label label ({}, "MW");
    label.setBounds (0, 0, 100, 30);
    label.setColour (juce::Label::backgroundColourId, none);   // lets the text's own alpha show
    label.setEnabled (false);
    EXPECT_EQ (findInk (render (100, 30, [&] (auto& g) { theme.drawLabel (g, label); }), { 4, 4, 92, 22 }).mostOpaque.getAlpha(), 128);

    const juce::Colour highlight { 0xff00a0ff };
    juce::TableHeaderComponent header;
    header.setColour (juce::TableHeaderComponent::highlightColourId, highlight);

    const auto column = [&] (bool over, bool down, int flags)
        { return render (120, 20, [&] (auto& g) { theme.drawTableHeaderColumn (g, header, {}, 1, 120, 20, over, down, flags); }); };

    // Pressed gets the full highlight, hovered five eighths of it.
    expectPixels (column (true, true, 0), { { 50, 10, highlight } });
    expectPixels (column (true, false, 0), { { 50, 10, highlight.withAlpha ((juce::uint8) 159) } });

    // Sorting puts the arrow in a strip half the height wide at the right, apex up when forwards.
    constexpr auto forwards = juce::TableHeaderComponent::sortedForwards, backwards = juce::TableHeaderComponent::sortedBackwards;
    const auto inkWidth = [&] (int flags, int top) { return findInk (column (false, false, flags), { 0, top, 120, 10 }).bounds.getWidth(); };
    EXPECT_TRUE (juce::Rectangle<int> (108, 2, 6, 16).contains (findInk (column (false, false, forwards)).bounds));
    EXPECT_LT (inkWidth (forwards, 0), inkWidth (forwards, 10));
    EXPECT_GT (inkWidth (backwards, 0), inkWidth (backwards, 10));
}

//==============================================================================
TEST_F (Theme, AlertBoxCallOutResizerAndTabBarColours)
{
    const juce::Colour frame { 0xff00c000 };
    juce::AlertWindow alert ("Title", "Message", juce::MessageBoxIconType::NoIcon);
    alert.setSize (300, 200);
    alert.setColour (juce::AlertWindow::outlineColourId, frame);
    juce::TextLayout layout;

    // The band covers the frame's lowest 50 rows; inside, the body covers the band.
    expectPixels (render (300, 200, [&] (auto& g) { theme.drawAlertBox (g, alert, {}, layout); }),
                  { { 0, 100, frame }, { 0, 150, mid0 }, { 150, 175, juce::Colour (0xff1c1c1f) } });

    juce::Component parent, content;
    juce::CallOutBox box (content, { 200, 200, 10, 10 }, &parent);
    juce::Path shape;
    shape.addRoundedRectangle (10.0f, 10.0f, 80.0f, 60.0f, 6.0f);
    juce::Image cached;

    // A flat body with a 2-pixel outline centred on the path, and no shadow outside it.
    expectPixels (render (100, 80, [&] (auto& g) { g.fillAll (frame); theme.drawCallOutBoxBackground (box, g, shape, cached); }),
                  { { 50, 40, juce::Colour (0xff393940) }, { 9, 40, mid0 }, { 10, 40, mid0 }, { 7, 40, frame } });

    // The resizer bar, the tab bar and the line behind the front tab keep fixed colours whatever the table holds.
    for (auto id : { (int) dark0ColourId, (int) dark4ColourId, (int) juce::TabbedComponent::outlineColourId })
        theme.setColour (id, juce::Colours::yellow);

    juce::TabbedButtonBar bar (juce::TabbedButtonBar::TabsAtLeft);
    expectPixels (render (30, 30, [&] (auto& g) { theme.drawStretchableLayoutResizerBar (g, 30, 30, true, true, true); }), { { 15, 15, juce::Colour (0xff3c3c3c) } });

    // The line runs across the top whatever the bar's orientation, one pixel deep.
    expectPixels (render (30, 30, [&] (auto& g) { theme.drawTabbedButtonBarBackground (bar, g); theme.drawTabAreaBehindFrontButton (bar, g, 30, 300); }),
                  { { 0, 0, juce::Colours::black }, { 29, 0, juce::Colours::black }, { 0, 1, juce::Colour (0xff252529) }, { 15, 15, juce::Colour (0xff252529) } });
}
