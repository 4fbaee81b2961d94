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

    const juce::Colour none, grey { 0xff959595 }, fill { 0xff2060c0 }, outline { 0xffff0000 }, blue { 0xff15608f }, blueDown { 0xff4b84a8 };

    juce::Image render (int w, int h, const std::function<void (juce::Graphics&)>& paint)
    {
        juce::Image image (juce::Image::ARGB, w, h, true);
        juce::Graphics g (image);
        paint (g);
        return image;
    }

    // JUCE rasterises in 1/256 of a pixel and reads pixels back unpremultiplied: a channel may be a few steps off.
    bool near (juce::Colour a, juce::Colour b)
    {
        const auto close = [] (int x, int y) { return std::abs (x - y) <= 3; };
        return close (a.getAlpha(), b.getAlpha()) && close (a.getRed(), b.getRed()) && close (a.getGreen(), b.getGreen()) && close (a.getBlue(), b.getBlue());
    }

    struct Probe { int x, y; juce::Colour colour; };

    void expectPixels (const juce::Image& image, const std::vector<Probe>& probes)
    {
        for (const auto& p : probes)
            EXPECT_TRUE (near (image.getPixelAt (p.x, p.y), p.colour)) << "(" << p.x << ", " << p.y << ") is 0x"
                << image.getPixelAt (p.x, p.y).toDisplayString (true) << ", not 0x" << p.colour.toDisplayString (true);
    }

    // On a transparent image the most opaque pixel shows the colour drawn, its coverage taken out.
    struct Ink { juce::Rectangle<int> bounds; juce::Colour mostOpaque; };

    Ink findInk (const juce::Image& image, juce::Rectangle<int> area)
    {
        Ink ink;

        for (int y = area.getY(); y < area.getBottom(); ++y)
            for (int x = area.getX(); x < area.getRight(); ++x)
                if (const auto c = image.getPixelAt (x, y); c.getAlpha() > 0)
                {
                    ink.bounds = ink.bounds.getUnion ({ x, y, 1, 1 });
                    ink.mostOpaque = c.getAlpha() > ink.mostOpaque.getAlpha() ? c : ink.mostOpaque;
                }

        return ink;
    }
}

//==============================================================================
TEST_F (Theme, LookupKeysGiveTheEmbeddedFacesAndANearMissGoesToJuce)
{
    struct Case { const char* key; int style; juce::Typeface* face; const char* familyAndStyle; };

    // Fonts made from a name reach the theme through the default look-and-feel; only the name decides.
    for (const auto& c : { Case { "Share-Tech", juce::Font::plain, theme.shareTechTypeface.get(), "Share Tech/Regular" },
                           Case { "Assistant", juce::Font::bold, theme.assistantTypeface.get(), "Assistant/Regular" },
                           Case { "Assistant Bold", juce::Font::plain, theme.assistantBoldTypeface.get(), "Assistant/Bold" } })
    {
        EXPECT_EQ (juce::Font (c.key, 16.0f, c.style).getTypefacePtr().get(), c.face) << c.key;
        EXPECT_EQ (c.face->getName() + "/" + c.face->getStyle(), c.familyAndStyle);
    }

    EXPECT_NE (theme.getTypefaceForFont (juce::Font ("assistant", 16.0f, juce::Font::plain)), theme.assistantTypeface);

    // A style change that did not match the face would drop it and keep only the name.
    EXPECT_EQ (theme.getAlertWindowTitleFont().getTypefacePtr(), theme.assistantBoldTypeface);
}

TEST_F (Theme, TextButtonFontAndTabWidthById)
{
    struct Case { const char* id; int height; float fontHeight; bool assistant; };

    for (const auto& c : { Case { "", 100, 16.0f, false }, Case { "", 28, 15.6f, false },
                           Case { "PrefGeneral_RescanMIDI", 60, 15.0f, true }, Case { "prefgeneral_rescanmidi", 28, 15.6f, false } })
    {
        juce::TextButton button;
        button.setComponentID (c.id);
        const auto font = theme.getTextButtonFont (button, c.height);

        EXPECT_FLOAT_EQ (font.getHeight(), c.fontHeight) << "'" << c.id << "' at " << c.height;
        EXPECT_TRUE (font.getStyleFlags() == juce::Font::plain && (font.getTypefacePtr() == theme.assistantTypeface) == c.assistant) << c.id;
    }

    // A tab's width follows the owning bar's ID, not the button's own.
    for (auto [barId, width] : { std::pair { "TopViewContainer_TabBar", 84 }, { "PrefADRCueSettingsTabBar", 44 }, { "topviewcontainer_tabbar", 0 } })
    {
        juce::TabbedButtonBar bar (juce::TabbedButtonBar::TabsAtTop);
        bar.setComponentID (barId);
        bar.addTab ("A rather long tab title", grey, -1);
        auto& tab = *bar.getTabButton (0);
        tab.setComponentID ("TopViewContainer_TabBar");
        EXPECT_EQ (theme.getTabButtonBestWidth (tab, 30), width != 0 ? width : theme.juce::LookAndFeel_V2::getTabButtonBestWidth (tab, 30)) << barId;
    }
}

//==============================================================================
TEST_F (Theme, ButtonBodyAndTextByIdAndState)
{
    juce::TextButton button ("Rescan MIDI");
    button.setSize (100, 24);
    button.setColour (themeOutlineColourId, outline);

    struct Case { const char* id; int edges; bool enabled, over, down; juce::Colour centre, edge, text; };

    for (const auto& c : {
             // The base body: a disabled one is dimmed but keeps its outline; a connected edge squares its corners;
             // an ID differing in case is not special.
             Case { "", 0, false, false, false, fill.withAlpha ((juce::uint8) 128), outline, grey.withAlpha ((juce::uint8) 128) },
             Case { "", 0, true, true, false, fill.contrasting (0.05f), outline, grey },
             Case { "alertboxbtnblue", juce::Button::ConnectedOnLeft, true, true, true, fill.contrasting (0.2f), outline, grey },
             // The special looks: fixed colours, never dimmed, the outline on a pixel boundary.
             Case { "AlertBoxBtnBlue", 0, true, false, false, blue, juce::Colour (0x801e89cc), juce::Colour (0xffe3e3e6) },
             Case { "PrefGeneral_RescanMIDI", 0, false, false, true, blueDown, juce::Colour (0x801e89cc), juce::Colour (0xffe0e0e1) },
             Case { "AlertBoxBtnNormal", 0, true, false, false, none, juce::Colour (0x80959595), juce::Colour (0xffd4d4d6) } })
    {
        SCOPED_TRACE (::testing::Message() << "'" << c.id << "' enabled " << c.enabled << " over " << c.over << " down " << c.down);
        button.setComponentID (c.id);
        button.setEnabled (c.enabled);
        button.setConnectedEdges (c.edges);

        expectPixels (render (100, 24, [&] (auto& g) { theme.drawButtonBackground (g, button, fill, c.over, c.down); }),
                      { { 50, 12, c.centre }, { 50, 0, c.edge }, { 0, 0, c.edges != 0 ? outline : none } });

        const auto text = render (100, 24, [&] (auto& g) { theme.drawButtonText (g, button, c.over, c.down); });
        EXPECT_TRUE (near (findInk (text, text.getBounds()).mostOpaque, c.text));
    }
}

TEST_F (Theme, ToggleWithoutTextIsACentredTickBox)
{
    juce::ToggleButton toggle;
    toggle.setSize (30, 30);
    toggle.setToggleState (true, juce::dontSendNotification);
    const auto image = render (30, 30, [&] (auto& g) { toggle.paintEntireComponent (g, false); });

    // 16.5 pixels square in the middle, where JUCE's own drawing would put it at the left; ticked as the button is.
    EXPECT_EQ (findInk (image, image.getBounds()).bounds, juce::Rectangle<int> (6, 6, 18, 18));
    EXPECT_FALSE (findInk (image, { 11, 11, 8, 8 }).bounds.isEmpty());
}

TEST_F (Theme, ComboBoxBodyByIdAndArrowsCentredOnTheHeight)
{
    const juce::Colour body { 0xff53535c }, edge { 0xff131314 };

    for (auto [id, probes] : { std::pair<const char*, std::vector<Probe>> { "noBorderComboBox", { { 40, 0, body }, { 40, 23, edge } } },
                               { "NoBorderComboBox", { { 40, 0, none }, { 40, 23, body } } } })
    {
        SCOPED_TRACE (id);
        juce::ComboBox box;
        box.setComponentID (id);

        // The same look whatever state and button area JUCE passes.
        const auto image = render (120, 24, [&] (auto& g) { theme.drawComboBox (g, 120, 24, true, 10, 3, 20, 5, box); });
        expectPixels (image, probes);
        expectPixels (image, { { 0, 12, body }, { 110, 9, grey }, { 110, 12, body }, { 110, 15, grey } });
    }
}

TEST_F (Theme, LabelTextIsDimmedWhenDisabledAndHiddenWhileEditing)
{
    juce::Label label ({}, "MW");
    label.setBounds (0, 0, 100, 30);
    label.addToDesktop (0);     // an editor takes the focus, so the label must be on screen
    label.setVisible (true);
    label.setColour (juce::Label::backgroundColourId, none);   // lets the text's own alpha show

    const auto textAlpha = [&] { return findInk (render (100, 30, [&] (auto& g) { theme.drawLabel (g, label); }), { 4, 4, 92, 22 }).mostOpaque.getAlpha(); };

    label.setEnabled (false);
    EXPECT_EQ (textAlpha(), 128);
    label.showEditor();
    ASSERT_TRUE (label.isBeingEdited());
    EXPECT_EQ (textAlpha(), 0);
}

TEST_F (Theme, AlertBoxAndCallOutFramesAndBodies)
{
    const juce::Colour frame { 0xff00c000 }, mid0 { 0xff53535c };
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
}

TEST_F (Theme, TableHeaderHighlightAndSortStrip)
{
    const juce::Colour highlight { 0xff00a0ff };
    juce::TableHeaderComponent header;
    header.setColour (juce::TableHeaderComponent::highlightColourId, highlight);

    const auto column = [&] (bool over, bool down, int flags)
        { return render (120, 20, [&] (auto& g) { theme.drawTableHeaderColumn (g, header, {}, 1, 120, 20, over, down, flags); }); };

    // Pressed gets the full highlight, hovered five eighths of it.
    expectPixels (column (true, true, 0), { { 50, 10, highlight } });
    expectPixels (column (true, false, 0), { { 50, 10, highlight.withAlpha ((juce::uint8) 159) } });

    // Sorting puts the arrow in a strip half the height wide at the right, apex up when forwards.
    for (auto [flags, apexUp] : { std::pair { juce::TableHeaderComponent::sortedForwards, true }, { juce::TableHeaderComponent::sortedBackwards, false } })
    {
        const auto image = column (false, false, flags);
        EXPECT_TRUE (juce::Rectangle<int> (108, 2, 6, 16).contains (findInk (image, image.getBounds()).bounds));
        EXPECT_EQ (findInk (image, { 0, 0, 120, 10 }).bounds.getWidth() < findInk (image, { 0, 10, 120, 10 }).bounds.getWidth(), apexUp);
    }
}

TEST_F (Theme, ResizerBarTabBarAndFrontTabLineKeepFixedColours)
{
    for (auto id : { (int) dark0ColourId, (int) dark4ColourId, (int) juce::TabbedComponent::outlineColourId })
        theme.setColour (id, juce::Colours::yellow);

    juce::TabbedButtonBar bar (juce::TabbedButtonBar::TabsAtLeft);

    expectPixels (render (30, 30, [&] (auto& g) { theme.drawStretchableLayoutResizerBar (g, 30, 30, true, true, true); }), { { 15, 15, juce::Colour (0xff3c3c3c) } });
    expectPixels (render (30, 30, [&] (auto& g) { theme.drawTabbedButtonBarBackground (bar, g); }), { { 15, 15, juce::Colour (0xff252529) } });

    // Across the top whatever the bar's orientation, and nothing more.
    expectPixels (render (30, 30, [&] (auto& g) { theme.drawTabAreaBehindFrontButton (bar, g, 30, 300); }),
                  { { 0, 0, juce::Colours::black }, { 29, 0, juce::Colours::black }, { 0, 1, none }, { 15, 15, none } });
}
