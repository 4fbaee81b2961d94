/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include <gtest/gtest.h>

#include "support/ThemeDrawing.h"

using namespace ThemeDrawing;

namespace
{
    const juce::Colour fill        { 0xff2060c0 };   // saturated, so a saturation change would show
    const juce::Colour outline     { 0xffff0000 };
    const juce::Colour blueFill    { 0xff15608f };
    const juce::Colour blueOutline { 0xff1e89cc };

    // JUCE's rasteriser works in 1/256 of a pixel, so a line that should cover a pixel
    // whole can leave it at alpha 253 or 254 on the right and lower edges.
    constexpr int edgeTolerance = 3;

    class ButtonDrawing : public InstalledThemeTest
    {
    protected:
        ButtonDrawing()
        {
            button.setSize (100, 24);
            button.setColour (themeOutlineColourId, outline);
        }

        juce::Image background (bool highlighted, bool down, juce::Colour colour = fill)
        {
            return render (button.getWidth(), button.getHeight(), [&] (juce::Graphics& g)
            {
                theme.drawButtonBackground (g, button, colour, highlighted, down);
            });
        }

        juce::Image text (bool down)
        {
            return render (button.getWidth(), button.getHeight(), [&] (juce::Graphics& g)
            {
                theme.drawButtonText (g, button, false, down);
            });
        }

        juce::Image wholeButton (bool down)
        {
            return render (button.getWidth(), button.getHeight(), [&] (juce::Graphics& g)
            {
                theme.drawButtonBackground (g, button, fill, false, down);
                theme.drawButtonText (g, button, false, down);
            });
        }

        juce::Colour textColour (bool down)
        {
            return mostOpaquePixel (text (down), button.getLocalBounds()).withAlpha ((juce::uint8) 255);
        }

        juce::TextButton button { "Rescan MIDI" };
    };
}

//==============================================================================
TEST_F (ButtonDrawing, BaseBodyIsARoundedRectangleInsetByHalfAPixel)
{
    const auto image = background (false, false);

    const auto expected = render (100, 24, [] (juce::Graphics& g)
    {
        g.setColour (fill);
        g.fillRoundedRectangle ({ 0.5f, 0.5f, 99.0f, 23.0f }, 6.0f);
        g.setColour (outline);
        g.drawRoundedRectangle ({ 0.5f, 0.5f, 99.0f, 23.0f }, 6.0f, 1.0f);
    });

    EXPECT_TRUE (imagesMatch (image, expected));

    // The same figures as probes: the fill unchanged in the middle, a full-pixel
    // outline on every edge, nothing outside the rounded corners.
    EXPECT_TRUE (pixelIs (image, 50, 12, fill));
    EXPECT_TRUE (pixelIs (image, 50, 0, outline, edgeTolerance));
    EXPECT_TRUE (pixelIs (image, 50, 23, outline, edgeTolerance));
    EXPECT_TRUE (pixelIs (image, 0, 12, outline, edgeTolerance));
    EXPECT_TRUE (pixelIs (image, 99, 12, outline, edgeTolerance));
    EXPECT_EQ (image.getPixelAt (0, 0).getAlpha(), 0);
    EXPECT_EQ (image.getPixelAt (99, 23).getAlpha(), 0);
}

TEST_F (ButtonDrawing, DisabledButtonFillsAtHalfAlphaButKeepsItsOutline)
{
    button.setEnabled (false);
    const auto image = background (false, false);

    EXPECT_EQ (image.getPixelAt (50, 12).getAlpha(), 128);
    EXPECT_TRUE (coloursMatch (image.getPixelAt (50, 12).withAlpha ((juce::uint8) 255), fill, 2));
    EXPECT_TRUE (pixelIs (image, 50, 0, outline, edgeTolerance));
}

TEST_F (ButtonDrawing, ButtonInsideADisabledParentCountsAsDisabled)
{
    juce::Component parent;
    parent.addAndMakeVisible (button);
    parent.setEnabled (false);

    EXPECT_EQ (background (false, false).getPixelAt (50, 12).getAlpha(), 128);
}

TEST_F (ButtonDrawing, DownAndHighlightedContrastTheFill)
{
    EXPECT_TRUE (pixelIs (background (true, true), 50, 12, fill.contrasting (0.2f)));
    EXPECT_TRUE (pixelIs (background (false, true), 50, 12, fill.contrasting (0.2f)));
    EXPECT_TRUE (pixelIs (background (true, false), 50, 12, fill.contrasting (0.05f)));
    EXPECT_NE (fill.contrasting (0.2f), fill.contrasting (0.05f));
}

TEST_F (ButtonDrawing, ConnectedEdgesSquareTheirCorners)
{
    button.setConnectedEdges (juce::Button::ConnectedOnLeft);
    auto image = background (false, false);

    EXPECT_TRUE (pixelIs (image, 0, 0, outline, edgeTolerance));
    EXPECT_TRUE (pixelIs (image, 0, 23, outline, edgeTolerance));
    EXPECT_EQ (image.getPixelAt (99, 0).getAlpha(), 0);
    EXPECT_EQ (image.getPixelAt (99, 23).getAlpha(), 0);

    button.setConnectedEdges (juce::Button::ConnectedOnTop | juce::Button::ConnectedOnBottom);
    image = background (false, false);

    for (auto corner : { juce::Point<int> (0, 0), { 99, 0 }, { 0, 23 }, { 99, 23 } })
        EXPECT_TRUE (pixelIs (image, corner.x, corner.y, outline, edgeTolerance));

    EXPECT_TRUE (pixelIs (image, 50, 12, fill));
}

TEST_F (ButtonDrawing, PanelTextButtonIsDrawnInTheThemeThroughJuce)
{
    // What the panel's buttons get: the dark table's body colour, the theme's
    // outline and JUCE's classic text in the "off" text colour.
    juce::TextButton panelButton ("Collect");
    panelButton.setSize (100, 24);

    const auto image = renderComponent (panelButton);

    EXPECT_TRUE (pixelIs (image, 4, 12, juce::Colour (0xff252529)));
    EXPECT_TRUE (pixelIs (image, 50, 0, juce::Colour (0xff53535c), edgeTolerance));

    const auto textPixel = boundsOfPixels (image, [] (juce::Colour c)
    {
        return coloursMatch (c, juce::Colour (0xff959595), 6);
    });

    EXPECT_FALSE (textPixel.isEmpty());
}

//==============================================================================
TEST_F (ButtonDrawing, AlertBoxBtnBlueBodyIsInsetByOnePixelWithCornerFive)
{
    button.setComponentID ("AlertBoxBtnBlue");
    const auto image = background (false, false);

    const auto expected = render (100, 24, [] (juce::Graphics& g)
    {
        juce::Path body;
        body.addRoundedRectangle (1.0f, 1.0f, 98.0f, 22.0f, 5.0f, 5.0f);
        g.setColour (blueFill);
        g.fillPath (body);
        g.setColour (blueOutline);
        g.strokePath (body, juce::PathStrokeType (1.0f));
    });

    EXPECT_TRUE (imagesMatch (image, expected));

    // The 1-pixel line sits on a pixel boundary, so it covers two rows by half
    // each; the base body's line fills row 0 completely.
    EXPECT_TRUE (pixelIs (image, 50, 12, blueFill));
    EXPECT_TRUE (coloursMatch (image.getPixelAt (50, 0), blueOutline.withAlpha ((juce::uint8) 128), 3));
}

TEST_F (ButtonDrawing, SpecialBodiesBrightenWhenDown)
{
    for (auto id : { "AlertBoxBtnBlue", "PrefGeneral_RescanMIDI" })
    {
        SCOPED_TRACE (id);
        button.setComponentID (id);

        const auto image = background (false, true);
        EXPECT_TRUE (pixelIs (image, 50, 12, juce::Colour (0xff4b84a8)));   // 0xff15608f brightened by 0.3
        EXPECT_TRUE (coloursMatch (image.getPixelAt (50, 0), blueOutline.withAlpha ((juce::uint8) 128), 3));
    }
}

TEST_F (ButtonDrawing, AlertBoxBtnNormalShowsOnlyItsGreyOutline)
{
    button.setComponentID ("AlertBoxBtnNormal");

    for (auto down : { false, true })
    {
        const auto image = background (false, down);

        EXPECT_EQ (image.getPixelAt (50, 12).getAlpha(), 0);
        EXPECT_TRUE (coloursMatch (image.getPixelAt (50, 1), juce::Colour (0xff959595).withAlpha ((juce::uint8) 128), 3));
    }
}

TEST_F (ButtonDrawing, SpecialTextColoursAtRestAndDown)
{
    struct Case { const char* id; juce::uint32 atRest, down; };

    const Case cases[] = { { "PrefGeneral_RescanMIDI", 0xffd4d4d6, 0xffe0e0e1 },
                           { "AlertBoxBtnNormal",      0xffd4d4d6, 0xffe0e0e1 },
                           { "AlertBoxBtnBlue",        0xffe3e3e6, 0xffebebed } };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.id);
        button.setComponentID (c.id);

        // Unpremultiplying an antialiased pixel may be off by one or two.
        EXPECT_TRUE (coloursMatch (textColour (false), juce::Colour (c.atRest), 2));
        EXPECT_TRUE (coloursMatch (textColour (true), juce::Colour (c.down), 2));
    }
}

TEST_F (ButtonDrawing, SpecialTextColoursComeFromTheThemeNotTheButton)
{
    button.setComponentID ("AlertBoxBtnBlue");
    button.setColour (light5ColourId, juce::Colours::red);
    button.setColour (juce::TextButton::textColourOffId, juce::Colours::red);

    EXPECT_TRUE (coloursMatch (textColour (false), juce::Colour (0xffe3e3e6), 2));
}

TEST_F (ButtonDrawing, RescanMidiTextIsAssistantAtFifteenCentredOnOneLine)
{
    button.setComponentID ("PrefGeneral_RescanMIDI");

    const auto drawText = [&] (const juce::Font& font)
    {
        return render (100, 24, [&] (juce::Graphics& g)
        {
            g.setColour (juce::Colour (0xffd4d4d6));
            g.setFont (font);
            g.drawFittedText (button.getButtonText(), { 0, 0, 100, 24 }, juce::Justification::centred, 1, 0.0f);
        });
    };

    const auto assistant15 = juce::Font (theme.assistantTypeface).withHeight (15.0f);

    EXPECT_TRUE (imagesMatch (text (false), drawText (assistant15)));
    ASSERT_TRUE (imagesDiffer (drawText (assistant15), drawText (juce::Font (15.0f))));
    ASSERT_TRUE (imagesDiffer (drawText (assistant15), drawText (assistant15.withHeight (16.0f))));
}

TEST_F (ButtonDrawing, SpecialButtonsIgnoreEnablementHoverConnectionsAndThePassedColour)
{
    button.setComponentID ("PrefGeneral_RescanMIDI");
    const auto enabled = wholeButton (false);
    const auto atRest = background (false, false);

    button.setEnabled (false);
    EXPECT_TRUE (imagesMatch (wholeButton (false), enabled));

    button.setConnectedEdges (juce::Button::ConnectedOnLeft);
    EXPECT_TRUE (imagesMatch (background (true, false, juce::Colours::yellow), atRest));
}

TEST_F (ButtonDrawing, IdsDifferingInCaseOrBlanksTakeTheGeneralLook)
{
    const auto general = wholeButton (true);

    for (auto id : { "alertboxbtnblue", "AlertBoxBtnBlue ", "ALERTBOXBTNNORMAL", "PrefGeneral_RescanMidi" })
    {
        SCOPED_TRACE (id);
        button.setComponentID (id);
        EXPECT_TRUE (imagesMatch (wholeButton (true), general));
    }

    button.setComponentID ("AlertBoxBtnBlue");
    EXPECT_TRUE (imagesDiffer (wholeButton (true), general));
}

//==============================================================================
namespace
{
    class ToggleDrawing : public InstalledThemeTest
    {
    protected:
        juce::Image tickBoxAlone (float x, float y, float size, bool ticked)
        {
            return render (toggle.getWidth(), toggle.getHeight(), [&] (juce::Graphics& g)
            {
                theme.drawTickBox (g, toggle, x, y, size, size, ticked, true, false, false);
            });
        }

        juce::Image label (const juce::Font& font)
        {
            // JUCE's toggle drawing: text after the tick box and a 10-pixel gap.
            const auto tickWidth = juce::jmin (15.0f, (float) toggle.getHeight() * 0.75f) * 1.1f;

            return render (toggle.getWidth(), toggle.getHeight(), [&] (juce::Graphics& g)
            {
                g.setColour (juce::Colour (0xffd4d4d6));
                g.setFont (font);
                g.drawFittedText (toggle.getButtonText(),
                                  toggle.getLocalBounds().withTrimmedLeft (juce::roundToInt (tickWidth) + 10)
                                                         .withTrimmedRight (2),
                                  juce::Justification::centredLeft, 10);
            });
        }

        static juce::Image labelArea (const juce::Image& image)
        {
            return image.getClippedImage (image.getBounds().withTrimmedLeft (28)).createCopy();
        }

        juce::ToggleButton toggle;
    };
}

TEST_F (ToggleDrawing, EmptyToggleDrawsOnlyACentredTickBox)
{
    toggle.setSize (30, 30);

    for (auto ticked : { false, true })
    {
        toggle.setToggleState (ticked, juce::dontSendNotification);

        EXPECT_TRUE (imagesMatch (renderComponent (toggle), tickBoxAlone (6.75f, 6.75f, 16.5f, ticked)));
    }
}

TEST_F (ToggleDrawing, LabelIsAssistantRegularAtThreeQuartersOfTheHeightUpToFifteen)
{
    toggle.setButtonText ("Audio Logging");

    for (auto [height, fontHeight] : { std::pair { 20, 15.0f }, std::pair { 16, 12.0f }, std::pair { 40, 15.0f } })
    {
        SCOPED_TRACE (height);
        toggle.setSize (200, height);

        const auto assistant = juce::Font (theme.assistantTypeface).withHeight (fontHeight);
        const auto drawn = labelArea (renderComponent (toggle));

        EXPECT_TRUE (imagesMatch (drawn, labelArea (label (assistant))));
        EXPECT_TRUE (imagesDiffer (drawn, labelArea (label (juce::Font (fontHeight)))));
        EXPECT_TRUE (imagesDiffer (drawn, labelArea (label (assistant.withHeight (16.0f)))));
    }
}
