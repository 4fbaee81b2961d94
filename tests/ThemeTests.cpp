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
    class ThemeTest : public ::testing::Test
    {
    protected:
        ThemeTest()
        {
            juce::Typeface::clearTypefaceCache();
            juce::LookAndFeel::setDefaultLookAndFeel (&theme);
        }

        ~ThemeTest() override
        {
            juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
            juce::Typeface::clearTypefaceCache();
        }

        bool isThemeFace (const juce::Typeface::Ptr& t) const
        {
            return t == theme.shareTechTypeface || t == theme.assistantTypeface || t == theme.assistantBoldTypeface;
        }

        DarkLookAndFeel_TLM theme;
    };

    using ThemeFonts = ThemeTest;
    using ButtonDrawing = ThemeTest;
    using WidgetDrawing = ThemeTest;

    const juce::Colour none, red { juce::Colours::red }, yellow { juce::Colours::yellow }, grey { 0xff959595 };
    const juce::Colour fill { 0xff2060c0 }, outline { 0xffff0000 }, blue { 0xff15608f }, blueDown { 0xff4b84a8 };

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
        return close (a.getAlpha(), b.getAlpha()) && close (a.getRed(), b.getRed())
            && close (a.getGreen(), b.getGreen()) && close (a.getBlue(), b.getBlue());
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

    Ink findInk (const juce::Image& image, juce::Rectangle<int> area,
                 const std::function<bool (juce::Colour)>& isInk = [] (juce::Colour c) { return c.getAlpha() > 0; })
    {
        Ink ink;

        for (int y = area.getY(); y < area.getBottom(); ++y)
            for (int x = area.getX(); x < area.getRight(); ++x)
                if (const auto c = image.getPixelAt (x, y); isInk (c))
                {
                    ink.bounds = ink.bounds.getUnion ({ x, y, 1, 1 });
                    ink.mostOpaque = c.getAlpha() > ink.mostOpaque.getAlpha() ? c : ink.mostOpaque;
                }

        return ink;
    }
}

//==============================================================================
TEST_F (ThemeFonts, LookupKeysGiveTheEmbeddedFacesAndNearMissesGoToJuce)
{
    struct Case { const char* key; int style; juce::Typeface* face; const char* familyAndStyle; };

    for (const auto& c : { Case { "Share-Tech", juce::Font::plain, theme.shareTechTypeface.get(), "Share Tech/Regular" },
                           Case { "Assistant", juce::Font::bold, theme.assistantTypeface.get(), "Assistant/Regular" },
                           Case { "Assistant Bold", juce::Font::plain, theme.assistantBoldTypeface.get(), "Assistant/Bold" } })
    {
        // Fonts made from a name reach the theme through the default look-and-feel.
        const juce::Font font (c.key, 16.0f, c.style);
        EXPECT_EQ (font.getTypefacePtr().get(), c.face) << c.key;
        EXPECT_EQ (c.face->getName() + "/" + c.face->getStyle(), c.familyAndStyle);
    }

    for (auto key : { "assistant", "Assistant-Bold", "Share Tech" })
        EXPECT_FALSE (isThemeFace (theme.getTypefaceForFont (juce::Font (key, 16.0f, juce::Font::plain)))) << key;
}

TEST_F (ThemeFonts, TextButtonFontFollowsTheHeightButForTheRescanButton)
{
    struct Case { const char* id; int height; float fontHeight; bool assistant; };

    for (const auto& c : { Case { "", 100, 16.0f, false }, Case { "", 28, 15.6f, false }, Case { "", 12, 6.0f, false },
                           Case { "PrefGeneral_RescanMIDI", 8, 15.0f, true }, Case { "PrefGeneral_RescanMIDI", 60, 15.0f, true },
                           Case { "prefgeneral_rescanmidi", 28, 15.6f, false } })
    {
        SCOPED_TRACE (::testing::Message() << "'" << c.id << "' at " << c.height);
        juce::TextButton button;
        button.setComponentID (c.id);
        const auto font = theme.getTextButtonFont (button, c.height);

        EXPECT_FLOAT_EQ (font.getHeight(), c.fontHeight);
        EXPECT_EQ (font.getStyleFlags(), juce::Font::plain);
        EXPECT_TRUE (c.assistant ? font.getTypefacePtr() == theme.assistantTypeface : ! isThemeFace (font.getTypefacePtr()));
    }
}

TEST_F (ThemeFonts, AlertFontsKeepTheirEmbeddedFaces)
{
    // A style change that did not match the face would drop it and keep only the name.
    struct Case { juce::Font font; juce::Typeface* face; float height; bool bold; };

    for (const auto& c : { Case { theme.getAlertWindowTitleFont(), theme.assistantBoldTypeface.get(), 18.0f, true },
                           Case { theme.getAlertWindowMessageFont(), theme.assistantTypeface.get(), 16.0f, false },
                           Case { theme.getAlertWindowFont(), theme.assistantTypeface.get(), 14.0f, false } })
    {
        EXPECT_EQ (c.font.getTypefacePtr().get(), c.face);
        EXPECT_TRUE (c.font.getHeight() == c.height && c.font.isBold() == c.bold) << c.height;
    }
}

TEST_F (ThemeFonts, TabWidthFollowsTheOwningBarsIdNotTheButtons)
{
    juce::LookAndFeel_V4 stock;

    for (auto [barId, width] : { std::pair { "TopViewContainer_TabBar", 84 }, { "PrefADRCueSettingsTabBar", 44 }, { "topviewcontainer_tabbar", 0 } })
    {
        juce::TabbedButtonBar bar (juce::TabbedButtonBar::TabsAtTop);
        bar.setComponentID (barId);
        bar.addTab ("A rather long tab title", grey, -1);
        auto& tab = *bar.getTabButton (0);
        tab.setComponentID ("TopViewContainer_TabBar");

        for (auto depth : { 12, 30 })
            EXPECT_EQ (theme.getTabButtonBestWidth (tab, depth), width != 0 ? width : stock.getTabButtonBestWidth (tab, depth)) << barId;
    }
}

//==============================================================================
TEST_F (ButtonDrawing, FillOutlineAndTextByIdAndState)
{
    juce::TextButton button ("Rescan MIDI");
    button.setSize (100, 24);
    button.setColour (themeOutlineColourId, outline);
    button.setColour (light5ColourId, yellow);     // the special text colours come from the theme's table
    button.setColour (light6ColourId, yellow);

    struct Case { const char* id; bool enabled, over, down; juce::Colour centre, edge, text; };

    for (const auto& c : {
             // The base body: a disabled one is dimmed but keeps its outline; an ID differing in case is not special.
             Case { "", true, false, false, fill, outline, grey },
             Case { "", false, false, false, fill.withAlpha ((juce::uint8) 128), outline, grey.withAlpha ((juce::uint8) 128) },
             Case { "", true, true, false, fill.contrasting (0.05f), outline, grey },
             Case { "alertboxbtnblue", true, true, true, fill.contrasting (0.2f), outline, grey },
             // The special looks: fixed colours, never dimmed, the outline on a pixel boundary.
             Case { "AlertBoxBtnBlue", true, false, false, blue, juce::Colour (0x801e89cc), juce::Colour (0xffe3e3e6) },
             Case { "AlertBoxBtnBlue", true, false, true, blueDown, juce::Colour (0x801e89cc), juce::Colour (0xffebebed) },
             Case { "PrefGeneral_RescanMIDI", true, true, false, blue, juce::Colour (0x801e89cc), juce::Colour (0xffd4d4d6) },
             Case { "PrefGeneral_RescanMIDI", false, false, true, blueDown, juce::Colour (0x801e89cc), juce::Colour (0xffe0e0e1) },
             Case { "AlertBoxBtnNormal", true, false, false, none, juce::Colour (0x80959595), juce::Colour (0xffd4d4d6) },
             Case { "AlertBoxBtnNormal", true, false, true, none, juce::Colour (0x80959595), juce::Colour (0xffe0e0e1) } })
    {
        SCOPED_TRACE (::testing::Message() << "'" << c.id << "' enabled " << c.enabled << " over " << c.over << " down " << c.down);
        button.setComponentID (c.id);
        button.setEnabled (c.enabled);

        expectPixels (render (100, 24, [&] (auto& g) { theme.drawButtonBackground (g, button, fill, c.over, c.down); }),
                      { { 50, 12, c.centre }, { 50, 0, c.edge } });

        const auto text = render (100, 24, [&] (auto& g) { theme.drawButtonText (g, button, c.over, c.down); });
        const auto ink = findInk (text, text.getBounds());
        EXPECT_TRUE (near (ink.mostOpaque, c.text));
        EXPECT_NEAR ((float) ink.bounds.getWidth(), theme.getTextButtonFont (button, 24).getStringWidthFloat (button.getButtonText()), 2.0f);
    }
}

TEST_F (ButtonDrawing, ConnectedEdgesSquareTheirCorners)
{
    juce::TextButton button;
    button.setSize (100, 24);
    button.setColour (themeOutlineColourId, outline);
    struct Case { int edges; juce::Colour topLeft, topRight, bottomLeft, bottomRight; };

    for (const auto& c : { Case { 0, none, none, none, none }, Case { juce::Button::ConnectedOnLeft, outline, none, outline, none },
                           Case { juce::Button::ConnectedOnTop | juce::Button::ConnectedOnBottom, outline, outline, outline, outline } })
    {
        button.setConnectedEdges (c.edges);
        expectPixels (render (100, 24, [&] (auto& g) { theme.drawButtonBackground (g, button, fill, false, false); }),
                      { { 0, 0, c.topLeft }, { 99, 0, c.topRight }, { 0, 23, c.bottomLeft }, { 99, 23, c.bottomRight }, { 50, 12, fill } });
    }
}

TEST_F (ButtonDrawing, ToggleWithoutTextIsACentredTickBoxAndItsLabelIsAssistant)
{
    juce::ToggleButton toggle;
    toggle.setSize (30, 30);

    for (auto ticked : { false, true })
    {
        toggle.setToggleState (ticked, juce::dontSendNotification);
        const auto image = render (30, 30, [&] (auto& g) { toggle.paintEntireComponent (g, false); });

        // 16.5 pixels square in the middle, where JUCE's own drawing would put it at the left.
        EXPECT_EQ (findInk (image, image.getBounds()).bounds, juce::Rectangle<int> (6, 6, 18, 18));
        EXPECT_EQ (findInk (image, { 11, 11, 8, 8 }).bounds.isEmpty(), ! ticked);
    }

    // JUCE sets the height, 15 here, on the font the theme chose; the default sans is some 24 pixels wider.
    toggle.setButtonText ("Audio Logging");
    toggle.setSize (200, 20);
    const auto label = findInk (render (200, 20, [&] (auto& g) { toggle.paintEntireComponent (g, false); }), { 28, 0, 172, 20 }).bounds;
    const auto assistant = juce::Font (theme.assistantTypeface).withHeight (15.0f).getStringWidthFloat ("Audio Logging");
    EXPECT_NEAR ((float) label.getWidth(), assistant, 2.0f);
}

//==============================================================================
TEST_F (WidgetDrawing, ComboBoxBodyByIdAndArrowsCentredOnTheHeight)
{
    const juce::Colour body { 0xff53535c }, edge { 0xff131314 };
    const std::vector<Probe> rounded { { 40, 0, body }, { 40, 22, body }, { 40, 23, edge }, { 0, 12, body } };

    for (auto [id, probes] : { std::pair { "", rounded }, { "noBorderComboBox", rounded },
                               { "NoBorderComboBox", { { 40, 0, none }, { 0, 1, body }, { 40, 23, body } } } })
    {
        SCOPED_TRACE (id);
        juce::ComboBox box;
        box.setComponentID (id);
        box.setEnabled (false);
        box.setSize (120, 24);

        const auto& label = dynamic_cast<juce::Label&> (*box.getChildComponent (0));
        EXPECT_TRUE (label.getBounds() == juce::Rectangle<int> (3, 1, 90, 22) && label.getFont().getTypefaceName() == "Arial Unicode MS");

        // The same look in every state, whatever button area JUCE passes.
        const auto image = render (120, 24, [&] (auto& g) { theme.drawComboBox (g, 120, 24, true, 10, 3, 20, 5, box); });
        expectPixels (image, probes);
        expectPixels (image, { { 110, 4, body }, { 110, 9, grey }, { 110, 12, body }, { 110, 15, grey }, { 110, 20, body } });
    }
}

TEST_F (WidgetDrawing, LabelTextIsDimmedWhenDisabledAndHiddenWhileEditing)
{
    juce::Label label ({}, "MW");
    label.setBounds (0, 0, 100, 30);
    label.addToDesktop (0);     // an editor takes the focus, so the label must be on screen
    label.setVisible (true);
    label.setFont (juce::Font (20.0f));
    label.setColour (juce::Label::backgroundColourId, none);   // lets the text's own alpha show
    label.setColour (juce::Label::outlineColourId, juce::Colours::lime);

    for (auto [enabled, editing, textAlpha] : { std::tuple { true, false, 255 }, { false, false, 128 }, { true, true, 0 } })
    {
        label.setEnabled (enabled);

        if (editing)
            label.showEditor();

        ASSERT_EQ (label.isBeingEdited(), editing);
        const auto image = render (100, 30, [&] (auto& g) { theme.drawLabel (g, label); });
        EXPECT_EQ (findInk (image, { 4, 4, 92, 22 }).mostOpaque.getAlpha(), textAlpha);
        expectPixels (image, { { 50, 0, juce::Colours::lime } });
    }
}

TEST_F (WidgetDrawing, AlertBoxFrameBandBodyAndText)
{
    const juce::Colour frame { 0xff00c000 }, band { 0xff53535c }, body { 0xff1c1c1f };
    juce::AlertWindow alert ("Title", "Message", juce::MessageBoxIconType::WarningIcon);
    alert.setSize (300, 200);
    alert.setColour (juce::AlertWindow::outlineColourId, frame);
    alert.setColour (mid0ColourId, yellow);     // the band and body come from the theme's table
    alert.setColour (dark3ColourId, yellow);

    juce::AttributedString text ("Hello");
    juce::TextLayout layout;
    layout.createLayout (text, 200.0f);

    juce::Rectangle<int> clipAfterwards;
    const auto image = render (300, 200, [&] (auto& g) { theme.drawAlertBox (g, alert, {}, layout); clipAfterwards = g.getClipBounds(); });

    // The band covers the frame's lowest 50 rows; inside, the body covers the band.
    expectPixels (image, { { 150, 0, frame }, { 0, 100, frame }, { 0, 150, band }, { 150, 199, band }, { 150, 100, body }, { 150, 175, body } });
    EXPECT_EQ (clipAfterwards, juce::Rectangle<int> (1, 1, 298, 198));

    // Text from (95, 20) and nothing else inside the frame: no icon.
    const auto ink = findInk (image, { 1, 1, 298, 198 }, [=] (juce::Colour c) { return ! near (c, body); }).bounds;
    EXPECT_TRUE (juce::Rectangle<int> (95, 20, 4, 11).contains (ink.getPosition())) << ink.toString();
}

TEST_F (WidgetDrawing, TableHeaderHighlightAndSortStrip)
{
    const juce::Colour highlight { 0xff00a0ff };
    juce::TableHeaderComponent header;
    header.setColour (juce::TableHeaderComponent::highlightColourId, highlight);
    header.setColour (juce::TableHeaderComponent::textColourId, red);

    const auto column = [&] (bool over, bool down, int flags, const juce::String& title = {})
        { return render (120, 20, [&] (auto& g) { theme.drawTableHeaderColumn (g, header, title, 1, 120, 20, over, down, flags); }); };

    // Pressed gets the full highlight, hovered five eighths of it.
    expectPixels (column (true, true, 0), { { 50, 10, highlight } });
    expectPixels (column (true, false, 0), { { 50, 10, highlight.withAlpha ((juce::uint8) 159) } });
    expectPixels (column (false, false, 0), { { 50, 10, none } });

    // Sorting takes half the height from the right of the title for the arrow, apex up when forwards.
    const auto isText = [] (juce::Colour c) { return c.getAlpha() > 60 && c.getRed() > 150; };
    const auto isArrow = [] (juce::Colour c) { return c.getAlpha() > 60 && c.getRed() < 40; };
    const juce::String title ("A column title far too long for its column");
    const auto unsortedRight = findInk (column (false, false, 0, title), { 0, 0, 120, 20 }, isText).bounds.getRight();

    for (auto [flags, apexUp] : { std::pair { juce::TableHeaderComponent::sortedForwards, true },
                                  { juce::TableHeaderComponent::sortedBackwards, false } })
    {
        const auto image = column (false, false, flags, title);
        const auto upper = findInk (image, { 100, 0, 20, 10 }, isArrow).bounds, lower = findInk (image, { 100, 10, 20, 10 }, isArrow).bounds;

        EXPECT_NEAR (findInk (image, { 0, 0, 120, 20 }, isText).bounds.getRight(), unsortedRight - 10, 1);
        EXPECT_TRUE (juce::Rectangle<int> (108, 2, 6, 16).contains (upper.getUnion (lower)));
        EXPECT_EQ (upper.getWidth() < lower.getWidth(), apexUp);
    }
}

TEST_F (WidgetDrawing, CallOutBoxIsAFlatBodyWithATwoPixelOutlineAndNoShadow)
{
    const juce::Colour backdrop { 0xff0000ff }, body { 0xff393940 }, edge { 0xff53535c };
    juce::Component parent, content;
    juce::CallOutBox box (content, { 200, 200, 10, 10 }, &parent);
    for (auto id : { dark6ColourId, mid0ColourId })
        box.setColour (id, yellow);     // both colours come from the theme's table

    juce::Path shape;
    shape.addRoundedRectangle (10.0f, 10.0f, 80.0f, 60.0f, 6.0f);
    juce::Image cached;

    const auto image = render (100, 80, [&] (auto& g) { g.fillAll (backdrop); theme.drawCallOutBoxBackground (box, g, shape, cached); });
    expectPixels (image, { { 50, 40, body }, { 9, 40, edge }, { 10, 40, edge }, { 12, 40, body }, { 7, 40, backdrop }, { 0, 0, backdrop } });
}

TEST_F (WidgetDrawing, ResizerBarTabBarAndFrontTabLineKeepFixedColours)
{
    for (auto id : { (int) dark0ColourId, (int) dark4ColourId, (int) mid0ColourId, (int) themeNeutralColourId,
                     (int) juce::TabbedComponent::outlineColourId, (int) juce::TabbedButtonBar::tabOutlineColourId })
        theme.setColour (id, yellow);

    juce::TabbedButtonBar top (juce::TabbedButtonBar::TabsAtTop), left (juce::TabbedButtonBar::TabsAtLeft);
    const juce::Colour bar { 0xff3c3c3c }, tabs { 0xff252529 }, black { juce::Colours::black };
    const std::vector<Probe> topLine { { 0, 0, black }, { 29, 0, black }, { 0, 1, none }, { 15, 15, none } };

    for (const auto& [paint, probes] : { std::pair<std::function<void (juce::Graphics&)>, std::vector<Probe>>
             { [&] (auto& g) { theme.drawStretchableLayoutResizerBar (g, 30, 30, false, false, false); }, { { 0, 0, bar }, { 29, 29, bar } } },
             { [&] (auto& g) { theme.drawStretchableLayoutResizerBar (g, 30, 30, true, true, true); }, { { 0, 0, bar }, { 29, 29, bar } } },
             { [&] (auto& g) { theme.drawTabbedButtonBarBackground (top, g); }, { { 0, 0, tabs }, { 29, 29, tabs } } },
             // Across the top whatever the bar's orientation, and nothing more.
             { [&] (auto& g) { theme.drawTabAreaBehindFrontButton (top, g, 300, 30); }, topLine },
             { [&] (auto& g) { theme.drawTabAreaBehindFrontButton (left, g, 30, 300); }, topLine } })
        expectPixels (render (30, 30, paint), probes);
}
