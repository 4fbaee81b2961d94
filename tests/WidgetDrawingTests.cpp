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
    // JUCE's rasteriser works in 1/256 of a pixel: an edge that should cover a pixel
    // whole can leave it a few steps short of opaque.
    constexpr int edgeTolerance = 3;

    const juce::Colour comboBackground { 0xff53535c };
    const juce::Colour comboEdge       { 0xff131314 };
    const juce::Colour comboArrow      { 0xff959595 };

    bool isReddish (juce::Colour c)
    {
        return c.getAlpha() > 60 && c.getRed() > 150 && c.getGreen() < 90 && c.getBlue() < 90;
    }
}

//==============================================================================
namespace
{
    class ComboBoxDrawing : public InstalledThemeTest
    {
    protected:
        ComboBoxDrawing()
        {
            box.setSize (120, 24);
        }

        juce::Image body (bool buttonDown = false, juce::Rectangle<int> buttonArea = { 90, 0, 30, 24 })
        {
            return render (box.getWidth(), box.getHeight(), [&] (juce::Graphics& g)
            {
                theme.drawComboBox (g, box.getWidth(), box.getHeight(), buttonDown,
                                    buttonArea.getX(), buttonArea.getY(),
                                    buttonArea.getWidth(), buttonArea.getHeight(), box);
            });
        }

        juce::ComboBox box;
    };
}

TEST_F (ComboBoxDrawing, NormalBodyIsRoundedWithAOnePixelLowerEdge)
{
    const auto image = body();

    EXPECT_TRUE (pixelIs (image, 40, 0, comboBackground));
    EXPECT_TRUE (pixelIs (image, 40, 12, comboBackground));
    EXPECT_TRUE (pixelIs (image, 40, 22, comboBackground));
    EXPECT_TRUE (pixelIs (image, 40, 23, comboEdge));
    EXPECT_TRUE (pixelIs (image, 0, 12, comboBackground));     // no outline on the sides
    EXPECT_LT (image.getPixelAt (0, 0).getAlpha(), 128);        // rounded corner
}

TEST_F (ComboBoxDrawing, NoBorderComboBoxIsFlatAndLeavesTheTopRowEmpty)
{
    box.setComponentID ("NoBorderComboBox");
    const auto image = body();

    EXPECT_EQ (image.getPixelAt (40, 0).getAlpha(), 0);
    EXPECT_TRUE (pixelIs (image, 0, 1, comboBackground));       // square corners
    EXPECT_TRUE (pixelIs (image, 40, 23, comboBackground));     // no lower edge
}

TEST_F (ComboBoxDrawing, IdsNearNoBorderComboBoxGetTheNormalBody)
{
    const auto normal = body();

    for (auto id : { "noBorderComboBox", "NoBorderComboBox ", "NOBORDERCOMBOBOX", "NoBorder" })
    {
        SCOPED_TRACE (id);
        box.setComponentID (id);
        EXPECT_TRUE (imagesMatch (body(), normal));
    }
}

TEST_F (ComboBoxDrawing, DisabledOrPressedBoxLooksLikeOneAtRest)
{
    const auto atRest = body();

    EXPECT_TRUE (imagesMatch (body (true), atRest));

    box.setEnabled (false);
    EXPECT_TRUE (imagesMatch (body (false), atRest));
    EXPECT_TRUE (imagesMatch (body (true), atRest));
}

TEST_F (ComboBoxDrawing, ArrowsAreCentredOnTheBoxHeightWhateverTheButtonArea)
{
    for (auto height : { 24, 25 })
    {
        SCOPED_TRACE (height);
        box.setSize (120, height);

        const auto cy = (float) height * 0.5f;
        const auto expected = render (120, height, [cy] (juce::Graphics& g)
        {
            juce::Path up, down;
            up.addTriangle (107.0f, cy - 2.0f, 113.0f, cy - 2.0f, 110.0f, cy - 6.0f);
            down.addTriangle (107.0f, cy + 2.0f, 113.0f, cy + 2.0f, 110.0f, cy + 6.0f);
            g.setColour (comboArrow);
            g.fillPath (up);
            g.fillPath (down);
        });

        const auto arrowsOnly = [] (const juce::Image& image)
        {
            return image.getClippedImage ({ 104, 0, 12, image.getHeight() }).createCopy();
        };

        const auto drawn = body (false, { 10, 3, 20, 5 });

        // Over the body, so compare the arrow pixels, then probe the gaps.
        for (int y = 0; y < height; ++y)
        {
            for (int x = 104; x < 116; ++x)
            {
                if (expected.getPixelAt (x, y).getAlpha() == 255)
                {
                    EXPECT_TRUE (pixelIs (drawn, x, y, comboArrow));
                }
            }
        }

        EXPECT_TRUE (imagesMatch (arrowsOnly (drawn), arrowsOnly (body (false, { 90, 0, 30, height }))));
        EXPECT_TRUE (pixelIs (drawn, 110, juce::roundToInt (cy - 7.5f), comboBackground));   // above the up apex
        EXPECT_TRUE (pixelIs (drawn, 110, (int) cy, comboBackground));                       // between the bases
        EXPECT_TRUE (pixelIs (drawn, 110, juce::roundToInt (cy + 7.0f), comboBackground));   // below the down apex
    }
}

TEST_F (ComboBoxDrawing, ColoursSetOnTheBoxWin)
{
    box.setColour (juce::ComboBox::backgroundColourId, juce::Colours::red);
    box.setColour (juce::ComboBox::outlineColourId, juce::Colours::lime);
    box.setColour (juce::ComboBox::arrowColourId, juce::Colours::blue);

    const auto image = body();

    EXPECT_TRUE (pixelIs (image, 40, 12, juce::Colours::red));
    EXPECT_TRUE (pixelIs (image, 40, 23, juce::Colours::lime));
    EXPECT_TRUE (pixelIs (image, 110, 9, juce::Colours::blue));
}

TEST_F (ComboBoxDrawing, NewTextBoxHasTransparentOutlinesAndGreyText)
{
    const std::unique_ptr<juce::Label> label (theme.createComboBoxTextBox (box));

    ASSERT_NE (label, nullptr);
    EXPECT_TRUE (label->getName().isEmpty());
    EXPECT_TRUE (label->getText().isEmpty());
    EXPECT_EQ (label->findColour (juce::Label::outlineColourId), juce::Colours::transparentWhite);
    EXPECT_EQ (label->findColour (juce::Label::outlineWhenEditingColourId), juce::Colours::transparentWhite);
    EXPECT_EQ (label->findColour (juce::Label::textColourId), juce::Colour (0xff9b9b9b));
}

TEST_F (ComboBoxDrawing, BoxPlacesItsLabelAndGivesItTheComboBoxFont)
{
    juce::ComboBox real;
    real.setSize (200, 30);

    ASSERT_EQ (real.getNumChildComponents(), 1);
    auto* label = dynamic_cast<juce::Label*> (real.getChildComponent (0));
    ASSERT_NE (label, nullptr);

    EXPECT_EQ (label->getBounds(), juce::Rectangle<int> (3, 1, 170, 28));
    EXPECT_EQ (label->getFont().getTypefaceName(), "Arial Unicode MS");
    EXPECT_FLOAT_EQ (label->getFont().getHeight(), 16.0f);
}

TEST_F (ComboBoxDrawing, PlacingTheTextHonoursAnOverriddenComboBoxFont)
{
    struct LargerComboFont final : public LookAndFeel_TLM
    {
        juce::Font getComboBoxFont (juce::ComboBox&) override   { return juce::Font (30.0f); }
    };

    LargerComboFont custom;
    juce::Label label;
    custom.positionComboBoxText (box, label);

    EXPECT_EQ (label.getBounds(), juce::Rectangle<int> (3, 1, 90, 22));
    EXPECT_FLOAT_EQ (label.getFont().getHeight(), 30.0f);
}

//==============================================================================
namespace
{
    class LabelDrawing : public InstalledThemeTest
    {
    protected:
        LabelDrawing()
        {
            label.setSize (100, 30);
            label.setColour (juce::Label::outlineColourId, juce::Colours::lime);
            label.setColour (juce::Label::textColourId, juce::Colours::red);
        }

        juce::Image drawn()
        {
            return render (label.getWidth(), label.getHeight(), [&] (juce::Graphics& g) { theme.drawLabel (g, label); });
        }

        juce::Rectangle<int> textBounds()
        {
            return boundsOfPixels (drawn(), isReddish);
        }

        juce::Label label { {}, "MW" };
    };
}

TEST_F (LabelDrawing, BodyIsRoundedWithAOnePixelOutline)
{
    label.setText ({}, juce::dontSendNotification);
    const auto image = drawn();

    const auto expected = render (100, 30, [] (juce::Graphics& g)
    {
        g.setColour (juce::Colour (0xff0a0a0b));
        g.fillRoundedRectangle (0.0f, 0.0f, 100.0f, 30.0f, 5.0f);
        g.setColour (juce::Colours::lime);
        g.drawRoundedRectangle (0.5f, 0.5f, 99.0f, 29.0f, 5.0f, 1.0f);
    });

    EXPECT_TRUE (imagesMatch (image, expected));
    EXPECT_TRUE (pixelIs (image, 50, 15, juce::Colour (0xff0a0a0b)));
    EXPECT_TRUE (pixelIs (image, 50, 0, juce::Colours::lime, edgeTolerance));
    EXPECT_EQ (image.getPixelAt (0, 0).getAlpha(), 0);
}

TEST_F (LabelDrawing, DisabledLabelDimsItsTextButNotItsBody)
{
    label.setFont (juce::Font (28.0f));

    // Opaque text on a transparent body: the most opaque text pixel shows the text's alpha.
    label.setColour (juce::Label::backgroundColourId, juce::Colours::transparentBlack);
    EXPECT_EQ (mostOpaquePixel (drawn(), { 8, 4, 60, 22 }).getAlpha(), 255);

    label.setEnabled (false);
    EXPECT_EQ (mostOpaquePixel (drawn(), { 8, 4, 60, 22 }).getAlpha(), 128);

    label.removeColour (juce::Label::backgroundColourId);
    const auto image = drawn();
    EXPECT_TRUE (pixelIs (image, 95, 15, juce::Colour (0xff0a0a0b)));
    EXPECT_TRUE (pixelIs (image, 50, 0, juce::Colours::lime, edgeTolerance));
}

TEST_F (LabelDrawing, LabelBeingEditedShowsBodyAndOutlineButNoText)
{
    juce::Component parent;
    parent.setSize (100, 30);
    parent.addAndMakeVisible (label);
    parent.addToDesktop (0);
    parent.setVisible (true);

    label.setEditable (true);
    label.showEditor();
    ASSERT_TRUE (label.isBeingEdited());

    const auto editing = drawn();
    label.hideEditor (true);

    EXPECT_TRUE (boundsOfPixels (editing, isReddish).isEmpty());
    EXPECT_TRUE (pixelIs (editing, 50, 15, juce::Colour (0xff0a0a0b)));
    EXPECT_TRUE (pixelIs (editing, 50, 0, juce::Colours::lime, edgeTolerance));

    EXPECT_FALSE (textBounds().isEmpty());
}

TEST_F (LabelDrawing, TextSitsInsideTheLabelsOwnBorder)
{
    label.setJustificationType (juce::Justification::topLeft);
    label.setBorderSize ({ 12, 40, 0, 0 });

    const auto text = textBounds();

    ASSERT_FALSE (text.isEmpty());
    EXPECT_GE (text.getX(), 40);
    EXPECT_LE (text.getX(), 42);
    EXPECT_GE (text.getY(), 12);
}

TEST_F (LabelDrawing, TextAreaLowerThanALineStillGetsOneLine)
{
    label.setFont (juce::Font (20.0f));
    label.setSize (100, 12);

    EXPECT_FALSE (textBounds().isEmpty());
}

//==============================================================================
namespace
{
    class AlertBoxDrawing : public InstalledThemeTest
    {
    protected:
        AlertBoxDrawing()
        {
            juce::AttributedString text;
            text.append ("Hello", juce::Font (20.0f), juce::Colours::red);
            layout.createLayout (text, 200.0f);

            alert.setColour (juce::AlertWindow::outlineColourId, frame);
        }

        juce::Image drawn (const std::function<void (juce::Graphics&)>& afterwards = {})
        {
            return render (alert.getWidth(), alert.getHeight(), [&] (juce::Graphics& g)
            {
                theme.drawAlertBox (g, alert, { 10, 10, 50, 50 }, layout);

                if (afterwards)
                    afterwards (g);
            });
        }

        const juce::Colour frame { 0xff00c000 };
        const juce::Colour band  { 0xff53535c };
        const juce::Colour inner { 0xff1c1c1f };

        juce::AlertWindow alert { "Title", "Message", juce::MessageBoxIconType::WarningIcon };
        juce::TextLayout layout;
    };
}

TEST_F (AlertBoxDrawing, FrameIsInTheOutlineColourAboveTheLowestFiftyRows)
{
    alert.setSize (300, 200);
    const auto image = drawn();

    EXPECT_TRUE (pixelIs (image, 150, 0, frame));
    EXPECT_TRUE (pixelIs (image, 0, 100, frame));
    EXPECT_TRUE (pixelIs (image, 299, 149, frame, edgeTolerance));

    EXPECT_TRUE (pixelIs (image, 0, 150, band));
    EXPECT_TRUE (pixelIs (image, 299, 175, band, edgeTolerance));
    EXPECT_TRUE (pixelIs (image, 150, 199, band));

    // No footer band shows inside: the body covers it.
    EXPECT_TRUE (pixelIs (image, 1, 1, inner));
    EXPECT_TRUE (pixelIs (image, 150, 100, inner));
    EXPECT_TRUE (pixelIs (image, 150, 175, inner));
    EXPECT_TRUE (pixelIs (image, 298, 198, inner, edgeTolerance));
}

TEST_F (AlertBoxDrawing, LowAlertIsFramedAllInTheBandColour)
{
    alert.setSize (300, 50);
    const auto image = drawn();

    EXPECT_TRUE (pixelIs (image, 150, 0, band));
    EXPECT_TRUE (pixelIs (image, 0, 25, band));
    EXPECT_TRUE (pixelIs (image, 150, 25, inner));
}

TEST_F (AlertBoxDrawing, BandAndBodyComeFromTheThemeNotTheWindow)
{
    alert.setSize (300, 200);
    alert.setColour (mid0ColourId, juce::Colours::yellow);
    alert.setColour (dark3ColourId, juce::Colours::yellow);

    const auto image = drawn();

    EXPECT_TRUE (pixelIs (image, 0, 175, band));
    EXPECT_TRUE (pixelIs (image, 150, 100, inner));
}

TEST_F (AlertBoxDrawing, TextStartsAtNinetyFiveTwentyAndNoIconIsDrawn)
{
    alert.setSize (300, 200);
    const auto image = drawn();

    const auto text = boundsOfPixels (image, isReddish);

    ASSERT_FALSE (text.isEmpty());
    EXPECT_GE (text.getX(), 95);
    EXPECT_LE (text.getX(), 98);
    EXPECT_GE (text.getY(), 20);
    EXPECT_LE (text.getY(), 30);

    // Everything left of the text, inside the frame, is plain body: no icon.
    for (int y = 1; y < 199; ++y)
        for (int x = 1; x < 95; ++x)
            ASSERT_TRUE (pixelIs (image, x, y, inner));
}

TEST_F (AlertBoxDrawing, ClipStaysInsideTheFrameAfterwards)
{
    alert.setSize (300, 200);
    const auto image = drawn ([] (juce::Graphics& g) { g.fillAll (juce::Colours::blue); });

    EXPECT_TRUE (pixelIs (image, 0, 100, frame));
    EXPECT_TRUE (pixelIs (image, 150, 199, band));
    EXPECT_TRUE (pixelIs (image, 1, 1, juce::Colours::blue));
    EXPECT_TRUE (pixelIs (image, 298, 198, juce::Colours::blue));
}

//==============================================================================
namespace
{
    class TableHeaderDrawing : public InstalledThemeTest
    {
    protected:
        TableHeaderDrawing()
        {
            header.setColour (juce::TableHeaderComponent::highlightColourId, highlight);
            header.setColour (juce::TableHeaderComponent::textColourId, juce::Colours::red);
        }

        juce::Image column (const juce::String& name, int width, int height,
                            bool over = false, bool down = false, int flags = 0)
        {
            return render (width, height, [&] (juce::Graphics& g)
            {
                theme.drawTableHeaderColumn (g, header, name, 1, width, height, over, down, flags);
            });
        }

        static bool isArrow (juce::Colour c)
        {
            return c.getAlpha() > 60 && c.getRed() < 40;
        }

        const juce::Colour highlight { 0xff00a0ff };
        const juce::String longName { "A column title far too long for its column" };
        juce::TableHeaderComponent header;
    };
}

TEST_F (TableHeaderDrawing, PressedGetsTheFullHighlightAndHoveredFiveEighths)
{
    EXPECT_TRUE (pixelIs (column ({}, 100, 20, false, true), 50, 10, highlight));
    EXPECT_TRUE (pixelIs (column ({}, 100, 20, true, true), 50, 10, highlight));
    EXPECT_TRUE (pixelIs (column ({}, 100, 20, true, false), 50, 10, highlight.withAlpha ((juce::uint8) 159), 3));
    EXPECT_EQ (column ({}, 100, 20).getPixelAt (50, 10).getAlpha(), 0);
}

TEST_F (TableHeaderDrawing, TitleIsAssistantBoldAtSixTenthsOfTheHeight)
{
    const auto reference = [&] (const juce::Font& font)
    {
        return render (120, 30, [&] (juce::Graphics& g)
        {
            g.setColour (juce::Colours::red);
            g.setFont (font);
            g.drawFittedText ("Name", { 4, 0, 112, 30 }, juce::Justification::centredLeft, 1, 0.0f);
        });
    };

    const auto assistantBold = juce::Font (theme.assistantBoldTypeface).withHeight (18.0f);

    EXPECT_TRUE (imagesMatch (column ("Name", 120, 30), reference (assistantBold)));
    ASSERT_TRUE (imagesDiffer (reference (assistantBold), reference (juce::Font (15.0f, juce::Font::bold))));
}

TEST_F (TableHeaderDrawing, SortedTitleAreaIsNarrowerByHalfTheHeight)
{
    const auto right = [this] (int flags)
    {
        return boundsOfPixels (column (longName, 120, 20, false, false, flags), isReddish).getRight();
    };

    const auto unsorted = right (0);

    EXPECT_LE (unsorted, 116);
    EXPECT_GE (unsorted, 112);
    // Squeezed text ends within a pixel of its area's right edge.
    EXPECT_NEAR (right (juce::TableHeaderComponent::sortedForwards), unsorted - 10, 1);
    EXPECT_NEAR (right (juce::TableHeaderComponent::sortedBackwards), unsorted - 10, 1);
}

TEST_F (TableHeaderDrawing, SortArrowPointsUpForwardsAndDownBackwards)
{
    const auto arrowRows = [this] (int flags)
    {
        const auto image = column ({}, 120, 20, false, false, flags);
        const auto arrow = boundsOfPixels (image, isArrow);

        // Count the arrow's pixels on its top and bottom rows: the base is the wider.
        int top = 0, bottom = 0;

        for (int x = arrow.getX(); x < arrow.getRight(); ++x)
        {
            top    += isArrow (image.getPixelAt (x, arrow.getY()))          ? 1 : 0;
            bottom += isArrow (image.getPixelAt (x, arrow.getBottom() - 1)) ? 1 : 0;
        }

        return std::make_tuple (arrow, top, bottom);
    };

    const auto [upArea, upTop, upBottom] = arrowRows (juce::TableHeaderComponent::sortedForwards);
    const auto [downArea, downTop, downBottom] = arrowRows (juce::TableHeaderComponent::sortedBackwards);

    // Inside the strip at the right, shrunk by 2: x 108 to 114, y 2 to 18.
    for (auto area : { upArea, downArea })
    {
        ASSERT_FALSE (area.isEmpty());
        EXPECT_TRUE (juce::Rectangle<int> (108, 2, 6, 16).contains (area));
    }

    EXPECT_LT (upTop, upBottom);
    EXPECT_GT (downTop, downBottom);
    EXPECT_TRUE (boundsOfPixels (column ({}, 120, 20), isArrow).isEmpty());
}

TEST_F (TableHeaderDrawing, ColumnEightPixelsWideOrLessGetsNoTitle)
{
    for (auto width : { 8, 5 })
        EXPECT_TRUE (boundsOfPixels (column ("Wide title", width, 20), isReddish).isEmpty());

    EXPECT_FALSE (boundsOfPixels (column ("Wide title", 9, 20), isReddish).isEmpty());
}

//==============================================================================
namespace
{
    class CallOutBoxDrawing : public InstalledThemeTest
    {
    protected:
        CallOutBoxDrawing()
        {
            outline.addRoundedRectangle (10.0f, 10.0f, 80.0f, 60.0f, 6.0f);
        }

        juce::Image drawn (juce::CallOutBox& box)
        {
            juce::Image cached;

            return render (100, 80, [&] (juce::Graphics& g)
            {
                theme.drawCallOutBoxBackground (box, g, outline, cached);
            }, backdrop);
        }

        const juce::Colour backdrop { 0xff0000ff };
        juce::Path outline;
        juce::Component parent, content;
    };
}

TEST_F (CallOutBoxDrawing, FlatDarkBodyWithATwoPixelOutlineAndNoShadow)
{
    parent.setSize (400, 400);
    content.setSize (100, 50);
    juce::CallOutBox box (content, { 200, 200, 10, 10 }, &parent);

    // Both colours come from the theme's own table, not from the box.
    box.setColour (dark6ColourId, juce::Colours::yellow);
    box.setColour (mid0ColourId, juce::Colours::yellow);

    const auto image = drawn (box);

    EXPECT_TRUE (pixelIs (image, 50, 40, juce::Colour (0xff393940)));
    EXPECT_TRUE (pixelIs (image, 9, 40, juce::Colour (0xff53535c)));
    EXPECT_TRUE (pixelIs (image, 10, 40, juce::Colour (0xff53535c)));
    EXPECT_TRUE (pixelIs (image, 12, 40, juce::Colour (0xff393940)));

    // Outside the outline the backdrop is untouched: no shadow, no transparent fill.
    EXPECT_TRUE (pixelIs (image, 7, 40, backdrop));
    EXPECT_TRUE (pixelIs (image, 50, 74, backdrop));
    EXPECT_TRUE (pixelIs (image, 0, 0, backdrop));
}

TEST_F (CallOutBoxDrawing, RealBoxPaintsThroughTheTheme)
{
    parent.setSize (400, 400);
    content.setSize (100, 50);
    juce::CallOutBox box (content, { 200, 200, 10, 10 }, &parent);

    const auto image = renderComponent (box);
    const auto centre = content.getBounds().getCentre();

    EXPECT_TRUE (pixelIs (image, centre.x, centre.y, juce::Colour (0xff393940)));
    EXPECT_EQ (image.getPixelAt (0, 0).getAlpha(), 0);
}

//==============================================================================
namespace
{
    class FixedColourDrawing : public InstalledThemeTest
    {
    protected:
        void scrambleTheColourTable()
        {
            for (auto id : { dark4ColourId, dark0ColourId, mid0ColourId, themeNeutralColourId })
                theme.setColour (id, juce::Colours::yellow);

            theme.setColour (juce::TabbedComponent::outlineColourId, juce::Colours::yellow);
            theme.setColour (juce::TabbedButtonBar::tabOutlineColourId, juce::Colours::yellow);
        }

        static bool allPixels (const juce::Image& image, juce::Colour colour)
        {
            return boundsOfPixels (image, [colour] (juce::Colour c) { return c != colour; }).isEmpty();
        }

        /** True when the area behind the front tab is one black row across the top and nothing else. */
        bool drawsOnlyATopLine (juce::TabbedButtonBar& bar)
        {
            const auto w = bar.getWidth();
            const auto h = bar.getHeight();
            const auto image = render (w, h, [&] (juce::Graphics& g) { theme.drawTabAreaBehindFrontButton (bar, g, w, h); });

            return allPixels (image.getClippedImage ({ 0, 0, w, 1 }).createCopy(), juce::Colours::black)
                && allPixels (image.getClippedImage ({ 0, 1, w, h - 1 }).createCopy(), juce::Colours::transparentBlack);
        }
    };
}

TEST_F (FixedColourDrawing, ResizerBarIsTheSameGreyInEveryState)
{
    scrambleTheColourTable();

    for (int state = 0; state < 8; ++state)
    {
        const auto image = render (8, 60, [&] (juce::Graphics& g)
        {
            theme.drawStretchableLayoutResizerBar (g, 8, 60, (state & 1) != 0, (state & 2) != 0, (state & 4) != 0);
        });

        EXPECT_TRUE (allPixels (image, juce::Colour (0xff3c3c3c))) << "state " << state;
    }

    juce::StretchableLayoutManager layout;
    juce::StretchableLayoutResizerBar bar (&layout, 0, true);
    bar.setSize (8, 60);

    EXPECT_TRUE (allPixels (renderComponent (bar), juce::Colour (0xff3c3c3c)));
}

TEST_F (FixedColourDrawing, TabBarBackgroundAndFrontTabLineKeepTheirColours)
{
    scrambleTheColourTable();

    juce::TabbedButtonBar bar (juce::TabbedButtonBar::TabsAtTop);
    bar.setSize (300, 30);

    const auto background = render (300, 30, [&] (juce::Graphics& g) { theme.drawTabbedButtonBarBackground (bar, g); });
    EXPECT_TRUE (allPixels (background, juce::Colour (0xff252529)));
    EXPECT_TRUE (drawsOnlyATopLine (bar));
}

TEST_F (FixedColourDrawing, VerticalTabBarStillGetsItsLineAcrossTheTop)
{
    juce::TabbedButtonBar bar (juce::TabbedButtonBar::TabsAtLeft);
    bar.setSize (30, 300);
    EXPECT_TRUE (drawsOnlyATopLine (bar));
}

TEST_F (FixedColourDrawing, RealTabBarPaintsThroughTheTheme)
{
    juce::TabbedButtonBar bar (juce::TabbedButtonBar::TabsAtTop);
    bar.setSize (300, 30);
    bar.addTab ("One", juce::Colours::grey, -1);
    bar.addTab ("Two", juce::Colours::grey, -1);
    bar.setCurrentTabIndex (0);

    const auto image = renderComponent (bar);

    EXPECT_TRUE (pixelIs (image, 295, 15, juce::Colour (0xff252529)));
    EXPECT_TRUE (pixelIs (image, 295, 0, juce::Colours::black));
}
