/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#pragma once

#include <gtest/gtest.h>

#include "theme/DarkLookAndFeel_TLM.h"

#include <functional>

//==============================================================================
/**
    A test fixture that holds a dark theme installed as JUCE's default
    look-and-feel, with an empty typeface cache on both sides of the test.

    JUCE keeps only a weak reference to the default look-and-feel, so the
    fixture takes it back before the theme dies.
*/
class InstalledThemeTest : public ::testing::Test
{
public:
    InstalledThemeTest()
    {
        juce::Typeface::clearTypefaceCache();
        juce::LookAndFeel::setDefaultLookAndFeel (&theme);
    }

    ~InstalledThemeTest() override
    {
        juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
        juce::Typeface::clearTypefaceCache();
    }

protected:
    DarkLookAndFeel_TLM theme;
};

//==============================================================================
namespace ThemeDrawing
{
    /** An ARGB image of the given size, filled with one colour (transparent by default). */
    inline juce::Image makeImage (int width, int height, juce::Colour fill = juce::Colours::transparentBlack)
    {
        juce::Image image (juce::Image::ARGB, width, height, true);

        if (! fill.isTransparent())
            juce::Graphics (image).fillAll (fill);

        return image;
    }

    /** Draws into a fresh image with the given painter. */
    inline juce::Image render (int width, int height, const std::function<void (juce::Graphics&)>& paint,
                               juce::Colour fill = juce::Colours::transparentBlack)
    {
        auto image = makeImage (width, height, fill);
        juce::Graphics g (image);
        paint (g);
        return image;
    }

    /** Paints a component and its children the way its peer would. */
    inline juce::Image renderComponent (juce::Component& component,
                                        juce::Colour fill = juce::Colours::transparentBlack)
    {
        return render (component.getWidth(), component.getHeight(),
                       [&] (juce::Graphics& g) { component.paintEntireComponent (g, false); },
                       fill);
    }

    /** Checks a colour channel by channel, within a tolerance for antialiasing and rounding. */
    inline ::testing::AssertionResult coloursMatch (juce::Colour actual, juce::Colour expected, int tolerance = 0)
    {
        const auto differs = [tolerance] (int a, int b) { return std::abs (a - b) > tolerance; };

        if (differs (actual.getAlpha(), expected.getAlpha())
             || differs (actual.getRed(), expected.getRed())
             || differs (actual.getGreen(), expected.getGreen())
             || differs (actual.getBlue(), expected.getBlue()))
        {
            return ::testing::AssertionFailure() << "colour 0x" << actual.toDisplayString (true)
                                                 << " where 0x" << expected.toDisplayString (true)
                                                 << " (tolerance " << tolerance << ") was expected";
        }

        return ::testing::AssertionSuccess();
    }

    /** Checks the pixel at (x, y). */
    inline ::testing::AssertionResult pixelIs (const juce::Image& image, int x, int y,
                                               juce::Colour expected, int tolerance = 0)
    {
        auto result = coloursMatch (image.getPixelAt (x, y), expected, tolerance);

        if (! result)
            result << " at (" << x << ", " << y << ")";

        return result;
    }

    /** Checks two images of the same size pixel by pixel. */
    inline ::testing::AssertionResult imagesMatch (const juce::Image& actual, const juce::Image& expected,
                                                   int tolerance = 0)
    {
        if (actual.getBounds() != expected.getBounds())
            return ::testing::AssertionFailure() << "the images differ in size";

        for (int y = 0; y < actual.getHeight(); ++y)
            for (int x = 0; x < actual.getWidth(); ++x)
                if (auto result = pixelIs (actual, x, y, expected.getPixelAt (x, y), tolerance); ! result)
                    return result;

        return ::testing::AssertionSuccess();
    }

    /** True when at least one pixel differs by more than the tolerance. */
    inline bool imagesDiffer (const juce::Image& a, const juce::Image& b, int tolerance = 0)
    {
        return ! imagesMatch (a, b, tolerance);
    }

    /** The smallest rectangle holding every pixel that passes the test (empty if none does). */
    inline juce::Rectangle<int> boundsOfPixels (const juce::Image& image,
                                                const std::function<bool (juce::Colour)>& test)
    {
        juce::Rectangle<int> bounds;
        bool found = false;

        for (int y = 0; y < image.getHeight(); ++y)
        {
            for (int x = 0; x < image.getWidth(); ++x)
            {
                if (! test (image.getPixelAt (x, y)))
                    continue;

                const juce::Rectangle<int> pixel (x, y, 1, 1);
                bounds = found ? bounds.getUnion (pixel) : pixel;
                found = true;
            }
        }

        return bounds;
    }

    /** The pixel with the highest alpha in an area: on a transparent image, the colour
        of whatever was drawn there with its coverage taken out.
    */
    inline juce::Colour mostOpaquePixel (const juce::Image& image, juce::Rectangle<int> area)
    {
        juce::Colour best (juce::Colours::transparentBlack);

        for (int y = area.getY(); y < area.getBottom(); ++y)
            for (int x = area.getX(); x < area.getRight(); ++x)
                if (auto c = image.getPixelAt (x, y); c.getAlpha() > best.getAlpha())
                    best = c;

        return best;
    }
}
