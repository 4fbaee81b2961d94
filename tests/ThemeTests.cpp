/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include <gtest/gtest.h>

#include "theme/DarkLookAndFeel_TLM.h"

namespace
{
    const juce::Colour none, grey { 0xff959595 }, mid0 { 0xff53535c }, dark3 { 0xff1c1c1f }, fill { 0xff2060c0 }, green { 0xff00c000 };

    // JUCE caches glyphs by font name, style and height, not by typeface: each drawing starts with empty caches.
    juce::Image render (int w, int h, const std::function<void (juce::Graphics&)>& paint)
    {
        juce::Typeface::clearTypefaceCache();
        juce::Image image (juce::Image::ARGB, w, h, true);
        juce::Graphics g (image);
        paint (g);
        return image;
    }

    // JUCE rasterises in 1/256 of a pixel and reads pixels back unpremultiplied: a channel may be a few steps off.
    int distance (juce::Colour a, juce::Colour b)  { return juce::jmax (std::abs (a.getAlpha() - b.getAlpha()), std::abs (a.getRed() - b.getRed()), std::abs (a.getGreen() - b.getGreen()), std::abs (a.getBlue() - b.getBlue())); }

    void expectPixels (const juce::Image& image, const std::vector<std::tuple<int, int, juce::Colour>>& probes, const juce::String& context = {})
    {
        for (auto [x, y, colour] : probes)
            EXPECT_LE (distance (image.getPixelAt (x, y), colour), 3) << context << " (" << x << ", " << y << ") is 0x" << image.getPixelAt (x, y).toDisplayString (true);
    }

    // The pixels that differ from a reference drawing (by default none), and the most opaque of them, which on
    // a transparent image shows the colour drawn with its coverage taken out.
    struct Ink { juce::Rectangle<int> bounds; juce::Colour mostOpaque; };

    Ink findInk (const juce::Image& image, const juce::Image& reference = {})
    {
        Ink ink;

        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = 0; x < image.getWidth(); ++x)
                if (const auto c = image.getPixelAt (x, y); c != (reference.isValid() ? reference.getPixelAt (x, y) : none))
                    ink = { ink.bounds.getUnion ({ x, y, 1, 1 }), c.getAlpha() > ink.mostOpaque.getAlpha() ? c : ink.mostOpaque };

        return ink;
    }
}

//==============================================================================
TEST (Theme, ColoursFontsMetricsAndEachWidgetsLook)
{
    // Installed as JUCE's default, which keeps only a weak reference to it: it is taken back before the theme dies.
    DarkLookAndFeel_TLM theme;
    juce::LookAndFeel::setDefaultLookAndFeel (&theme);

    // The theme's own IDs by their fixed numbers, then the JUCE IDs the scheme sets, each followed by its colour;
    // copies hold their source's colour.
    const auto table = juce::StringArray::fromTokens (
        "c1b44d5c ff000000 61b5b603 ff0a0a0b df847051 ff131314 d5e9db03 ff1c1c1f 18b27b2c ff252529 91bc6298 ff2e2e33 8a991bca ff393940 1438a8fd ff53535c 6aaaad67 ff656565 7bac572c ff686868 592e6a0c ff6b6b6b ff6edf23 ff6e6e6e "
        "31b8fc57 ff737373 b3d47513 ff757575 8740c9ba ffffffff 24966dd8 fffafafc 064c2493 fff2f2f5 51174c3d ffededf0 214f5e5f ffe8e8eb cf42720a ffe3e3e6 3b5057a3 ffd4d4d6 9c616ecf ff53535c 716d4ab5 ffd4d4d6 96b48abb ff959595 "
        "01002800 ff131314 01003810 ff53535c 01003800 ffe3e3e6 01003820 ff2e2e33 01005800 ff2d2d2d 01005801 ff000000 01000280 ff0a0a0b 01000281 ffe3e3e6 01000282 00000000 01000283 ff3b3b3b 01000284 ffffffff 01000285 ff5c5c5c "
        "01000200 ff0a0a0b 01000205 ff53535c 01000201 ffe3e3e6 01000a00 ffd4d4d6 01000b00 ff53535c 01000c00 ff131314 01000e00 ff959595 01000700 ff53535c 01000600 ffd4d4d6 01000800 ff53535c 01000900 ffd4d4d6 01001200 ff53535c "
        "01001300 ffe3e3e6 01001310 ff1b7cb8 01001400 ffd4d4d6 01001500 ff0a0a0b 01001700 ff53535c 01000100 ff252529 01000101 ff15608f 01000102 ff959595 01000103 ffededf0 01006501 ffd4d4d6 01000400 ff186ea3 01001810 ffcccccc", false);

    for (int i = 0; i < table.size(); i += 2)
        EXPECT_EQ (theme.findColour (table[i].getHexValue32()).getARGB(), (juce::uint32) table[i + 1].getHexValue32()) << table[i];

    // A font as its name, height and style, and the family and style of the theme's typeface it resolves to, if any.
    const auto describe = [&] (const juce::Font& f)
    {
        const auto t = f.getTypefacePtr();
        return f.getTypefaceName() + " " + juce::String (f.getHeight()) + (f.isBold() ? " bold" : "") + (t == theme.shareTechTypeface || t == theme.assistantTypeface || t == theme.assistantBoldTypeface ? " in " + t->getName() + "/" + t->getStyle() : "");
    };

    juce::TextButton button ("Rescan MIDI"), rescan;
    button.setSize (100, 24);
    rescan.setComponentID ("PrefGeneral_RescanMIDI");
    juce::ComboBox box;
    box.setSize (120, 24);

    // A font made from a name reaches the theme through the default look-and-feel, and only the exact name decides;
    // one made from a typeface of the theme must still hold it once its style is set.
    for (const auto& [font, expected] : { std::pair<juce::Font, const char*> { { "Share-Tech", 16.0f, 0 }, "Share-Tech 16 in Share Tech/Regular" }, { { "Assistant", 16.0f, 1 }, "Assistant 16 bold in Assistant/Regular" },
                                          { { "Assistant Bold", 16.0f, 0 }, "Assistant Bold 16 in Assistant/Bold" }, { { "assistant bold", 16.0f, 0 }, "assistant bold 16" },
                                          { theme.getAlertWindowTitleFont(), "Assistant 18 bold in Assistant/Bold" }, { theme.getAlertWindowMessageFont(), "Assistant 16 in Assistant/Regular" },
                                          { theme.getAlertWindowFont(), "Assistant 14 in Assistant/Regular" }, { theme.getTextButtonFont (rescan, 60), "Assistant 15 in Assistant/Regular" },
                                          { theme.getPopupMenuFont(), "Arial Unicode MS 16 bold" }, { theme.getComboBoxFont (box), "Arial Unicode MS 16" },
                                          { theme.getTextButtonFont (button, 100), "<Sans-Serif> 16" }, { theme.getTextButtonFont (button, 28), "<Sans-Serif> 15.6" } })
        EXPECT_EQ (describe (font), expected);

    EXPECT_EQ (std::pair (theme.getAlertBoxWindowFlags(), theme.getAlertWindowButtonHeight()), std::pair (0x101, 28));

    // The combo box's own label: placed inside the box in the combo-box font, grey, with no outline even while edited.
    std::unique_ptr<juce::Label> label (theme.createComboBoxTextBox (box));
    theme.positionComboBoxText (box, *label);
    EXPECT_EQ (std::tuple (label->getBounds(), describe (label->getFont()), label->findColour (juce::Label::textColourId), label->findColour (juce::Label::outlineWhenEditingColourId).getAlpha()),
               std::tuple (juce::Rectangle<int> (3, 1, 90, 22), "Arial Unicode MS 16", juce::Colour (0xff9b9b9b), (juce::uint8) 0));

    // A tab's width follows the owning bar's exact ID, not the button's own.
    juce::TabbedButtonBar bar (juce::TabbedButtonBar::TabsAtLeft);
    bar.addTab ("A rather long tab title", grey, -1);
    bar.getTabButton (0)->setComponentID ("TopViewContainer_TabBar");
    const auto widthIn = [&] (const char* barId) { bar.setComponentID (barId); return theme.getTabButtonBestWidth (*bar.getTabButton (0), 30); };
    EXPECT_EQ (std::tuple (widthIn ("TopViewContainer_TabBar"), widthIn ("PrefADRCueSettingsTabBar"), widthIn ("topviewcontainer_tabbar")), std::tuple (84, 44, theme.juce::LookAndFeel_V2::getTabButtonBestWidth (*bar.getTabButton (0), 30)));

    button.setColour (themeOutlineColourId, green);

    struct Case { const char* id; int edges; bool enabled, over, down; juce::Colour centre, edge, corner, text; };

    for (const auto& c : {
             // The base body in the button's outline colour: a disabled one is dimmed before the hover tint but keeps its
             // outline; a connected edge squares only its own corners; an ID differing in case is not special.
             Case { "", 0, false, true, false, fill.withAlpha ((juce::uint8) 128).contrasting (0.05f), green, none, grey.withAlpha ((juce::uint8) 128) },
             Case { "alertboxbtnblue", juce::Button::ConnectedOnLeft, true, true, true, fill.contrasting (0.2f), green, green, grey },
             // The special looks: fixed colours, never dimmed, the outline on a pixel boundary.
             Case { "AlertBoxBtnBlue", 0, true, false, false, juce::Colour (0xff15608f), juce::Colour (0x801e89cc), none, juce::Colour (0xffe3e3e6) },
             Case { "PrefGeneral_RescanMIDI", 0, false, false, true, juce::Colour (0xff4b84a8), juce::Colour (0x801e89cc), none, juce::Colour (0xffe0e0e1) },
             Case { "AlertBoxBtnNormal", 0, true, false, false, none, juce::Colour (0x80959595), none, juce::Colour (0xffd4d4d6) } })
    {
        button.setComponentID (c.id);
        button.setEnabled (c.enabled);
        button.setConnectedEdges (c.edges);
        expectPixels (render (100, 24, [&] (auto& g) { theme.drawButtonBackground (g, button, fill, c.over, c.down); }), { { 50, 12, c.centre }, { 50, 0, c.edge }, { 0, 0, c.corner }, { 99, 0, none } }, c.id);
        EXPECT_LE (distance (findInk (render (100, 24, [&] (auto& g) { theme.drawButtonText (g, button, c.over, c.down); })).mostOpaque, c.text), 3) << c.id;
    }

    // Without text only the tick box, 16.5 pixels square in the middle; with text JUCE's toggle drawing in Assistant.
    juce::ToggleButton toggle;
    toggle.setSize (80, 30);
    const auto toggleDiffers = [&] (const std::function<void (juce::Graphics&)>& reference) { return ! findInk (render (80, 30, [&] (auto& g) { theme.drawToggleButton (g, toggle, false, false); }), render (80, 30, reference)).bounds.isEmpty(); };
    EXPECT_FALSE (toggleDiffers ([&] (auto& g) { theme.drawTickBox (g, toggle, 31.75f, 6.75f, 16.5f, 16.5f, false, true, false, false); }));
    toggle.setButtonText ("Wm");
    EXPECT_FALSE (toggleDiffers ([&] (auto& g) { g.setFont (theme.assistantTypeface); theme.juce::LookAndFeel_V4::drawToggleButton (g, toggle, false, false); }));

    // Only the exact ID drops a combo box's border; either way the same look whatever state and button area JUCE
    // passes, with the arrows centred on the height.
    box.setEnabled (false);

    for (auto [id, top, bottom] : { std::tuple { "noBorderComboBox", mid0, juce::Colour (0xff131314) }, { "NoBorderComboBox", none, mid0 } })
    {
        box.setComponentID (id);
        expectPixels (render (120, 24, [&] (auto& g) { theme.drawComboBox (g, 120, 24, true, 10, 3, 20, 5, box); }), { { 40, 0, top }, { 40, 23, bottom }, { 0, 12, mid0 }, { 110, 9, grey }, { 110, 12, mid0 }, { 110, 15, grey } }, id);
    }

    // A disabled label dims only its text.
    label->setText ("MW", juce::dontSendNotification);
    label->setColour (juce::Label::backgroundColourId, none);
    label->setColour (juce::Label::outlineColourId, green.withAlpha ((juce::uint8) 64));
    label->setEnabled (false);
    const auto labelImage = render (90, 22, [&] (auto& g) { theme.drawLabel (g, *label); });
    EXPECT_EQ ((std::pair<int, int> (labelImage.getPixelAt (50, 0).getAlpha(), findInk (labelImage).mostOpaque.getAlpha())), std::pair (64, 128));

    juce::AlertWindow alert ("Title", "Message", juce::MessageBoxIconType::WarningIcon);
    alert.setSize (300, 200);
    alert.setColour (juce::AlertWindow::outlineColourId, green);
    juce::TextLayout layout, empty;
    layout.createLayout (juce::AttributedString ("Wm"), 100.0f);

    // The band covers the frame's lowest 50 rows; inside, the body covers the band. The text starts at (95, 20)
    // whatever area JUCE passes.
    const auto alertBox = [&] (juce::TextLayout& l) { return render (300, 200, [&] (auto& g) { theme.drawAlertBox (g, alert, { 10, 10, 50, 50 }, l); }); };
    expectPixels (alertBox (layout), { { 0, 100, green }, { 0, 150, mid0 }, { 150, 175, dark3 } });
    EXPECT_TRUE (juce::Rectangle<int> (95, 20, 30, 15).contains (findInk (alertBox (layout), alertBox (empty)).bounds));

    juce::TableHeaderComponent header;
    const auto highlight = header.findColour (juce::TableHeaderComponent::highlightColourId), arrow = juce::Colour (0x99000000);
    const auto column = [&] (bool over, bool down, int flags, const juce::String& title = {}) { return render (120, 20, [&] (auto& g) { theme.drawTableHeaderColumn (g, header, title, 1, 120, 20, over, down, flags); }); };

    // Pressed gets the full highlight, hovered five eighths of it. Sorting puts the arrow in a strip half the
    // height wide at the right, apex up when forwards.
    expectPixels (column (true, true, juce::TableHeaderComponent::sortedForwards), { { 50, 10, highlight }, { 109, 11, highlight.overlaidWith (arrow) }, { 109, 8, highlight } });
    expectPixels (column (true, false, juce::TableHeaderComponent::sortedBackwards), { { 50, 10, highlight.withMultipliedAlpha (0.625f) }, { 109, 8, highlight.withMultipliedAlpha (0.625f).overlaidWith (arrow) } });

    // The title in Assistant Bold at six tenths of the height, left in the column less 4 pixels each side.
    EXPECT_TRUE (findInk (column (false, false, 0, "Wm"), render (120, 20, [&] (auto& g) { g.setColour (juce::Colour (0xffe3e3e6)); g.setFont (juce::Font (theme.assistantBoldTypeface).withHeight (12.0f));
                                                                                           g.drawFittedText ("Wm", { 4, 0, 112, 20 }, juce::Justification::centredLeft, 1, 0.0f); })).bounds.isEmpty());

    // A flat call-out body with a 2-pixel outline centred on the path, and no shadow outside it.
    juce::Component parent, content;
    juce::CallOutBox callOut (content, { 200, 200, 10, 10 }, &parent);
    juce::Path shape;
    shape.addRoundedRectangle (10.0f, 10.0f, 80.0f, 60.0f, 6.0f);
    juce::Image cached;
    expectPixels (render (100, 80, [&] (auto& g) { g.fillAll (green); theme.drawCallOutBoxBackground (callOut, g, shape, cached); }), { { 50, 40, juce::Colour (0xff393940) }, { 9, 40, mid0 }, { 10, 40, mid0 }, { 7, 40, green } });

    // The resizer bar, the tab bar and the line behind the front tab keep fixed colours whatever the table holds;
    // the line runs across the top whatever the bar's orientation, one pixel deep.
    for (auto id : { (int) dark0ColourId, (int) dark4ColourId, (int) juce::TabbedComponent::outlineColourId })
        theme.setColour (id, juce::Colours::yellow);

    expectPixels (render (30, 30, [&] (auto& g) { theme.drawStretchableLayoutResizerBar (g, 30, 30, true, true, true); }), { { 15, 15, juce::Colour (0xff3c3c3c) } });
    expectPixels (render (30, 30, [&] (auto& g) { theme.drawTabbedButtonBarBackground (bar, g); theme.drawTabAreaBehindFrontButton (bar, g, 30, 300); }),
                  { { 0, 0, juce::Colours::black }, { 29, 0, juce::Colours::black }, { 0, 1, juce::Colour (0xff252529) }, { 15, 15, juce::Colour (0xff252529) } });

    juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
}
