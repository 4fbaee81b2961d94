/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "LookAndFeel_TLM.h"

#include <BinaryData.h>

namespace
{
    juce::Typeface::Ptr makeTypeface (const char* data, int size)
    {
        // Each font is handed over with its own file length, never the array's.
        return juce::Typeface::createSystemTypefaceFor (data, (size_t) size);
    }

    // Typeface first, then height, then style: JUCE drops a font's typeface when a
    // style change does not match it, so the flags must come last and agree with
    // the face.
    juce::Font makeFont (const juce::Typeface::Ptr& typeface, float height, int styleFlags)
    {
        juce::Font font (typeface);
        font.setHeight (height);
        font.setStyleFlags (styleFlags);
        return font;
    }

    const juce::String rescanMidiButtonId      { "PrefGeneral_RescanMIDI" };
    const juce::String noBorderComboBoxId      { "NoBorderComboBox" };
    const juce::String topViewTabBarId         { "TopViewContainer_TabBar" };
    const juce::String adrCueSettingsTabBarId  { "PrefADRCueSettingsTabBar" };
    const juce::String systemMenuFontName      { "Arial Unicode MS" };
}

//==============================================================================
LookAndFeel_TLM::LookAndFeel_TLM()
{
    shareTechTypeface     = makeTypeface (BinaryData::temp2, BinaryData::temp2Size);
    assistantTypeface     = makeTypeface (BinaryData::temp1, BinaryData::temp1Size);
    assistantBoldTypeface = makeTypeface (BinaryData::temp3, BinaryData::temp3Size);

    setUsingNativeAlertWindows (true);
}

LookAndFeel_TLM::~LookAndFeel_TLM()
{
    // Released in reverse order of declaration.
    assistantBoldTypeface = nullptr;
    assistantTypeface = nullptr;
    shareTechTypeface = nullptr;
}

//==============================================================================
juce::Typeface::Ptr LookAndFeel_TLM::getTypefaceForFont (const juce::Font& font)
{
    // Only the name decides: "Assistant" asked for in bold still gets the regular
    // face, the bold one is reached by its own name.
    const auto name = font.getTypefaceName();

    if (name == "Share-Tech")       return shareTechTypeface;
    if (name == "Assistant")        return assistantTypeface;
    if (name == "Assistant Bold")   return assistantBoldTypeface;

    return juce::LookAndFeel::getTypefaceForFont (font);
}

void LookAndFeel_TLM::drawButtonBackground (juce::Graphics& g, juce::Button& button,
                                            const juce::Colour& backgroundColour,
                                            bool shouldDrawButtonAsHighlighted,
                                            bool shouldDrawButtonAsDown)
{
    constexpr auto cornerSize = 6.0f;
    const auto bounds = button.getLocalBounds().toFloat().reduced (0.5f, 0.5f);

    auto colour = backgroundColour.withMultipliedAlpha (button.isEnabled() ? 1.0f : 0.5f);

    if (shouldDrawButtonAsDown || shouldDrawButtonAsHighlighted)
        colour = colour.contrasting (shouldDrawButtonAsDown ? 0.2f : 0.05f);

    g.setColour (colour);

    const auto flatOnLeft   = button.isConnectedOnLeft();
    const auto flatOnRight  = button.isConnectedOnRight();
    const auto flatOnTop    = button.isConnectedOnTop();
    const auto flatOnBottom = button.isConnectedOnBottom();

    if (! (flatOnLeft || flatOnRight || flatOnTop || flatOnBottom))
    {
        g.fillRoundedRectangle (bounds, cornerSize);

        // The outline is never dimmed: only the fill follows the enabled state.
        g.setColour (button.findColour (themeOutlineColourId));
        g.drawRoundedRectangle (bounds, cornerSize, 1.0f);
        return;
    }

    juce::Path path;
    path.addRoundedRectangle (bounds.getX(), bounds.getY(), bounds.getWidth(), bounds.getHeight(),
                              cornerSize, cornerSize,
                              ! (flatOnLeft  || flatOnTop),
                              ! (flatOnRight || flatOnTop),
                              ! (flatOnLeft  || flatOnBottom),
                              ! (flatOnRight || flatOnBottom));

    g.fillPath (path);

    g.setColour (button.findColour (themeOutlineColourId));
    g.strokePath (path, juce::PathStrokeType (1.0f));
}

juce::Font LookAndFeel_TLM::getTextButtonFont (juce::TextButton& button, int buttonHeight)
{
    if (button.getComponentID() == rescanMidiButtonId)
        return makeFont (assistantTypeface, 15.0f, juce::Font::plain);

    return { juce::jmin ((float) (buttonHeight - 2) * 0.6f, 16.0f), juce::Font::plain };
}

void LookAndFeel_TLM::drawToggleButton (juce::Graphics& g, juce::ToggleButton& button,
                                        bool shouldDrawButtonAsHighlighted,
                                        bool shouldDrawButtonAsDown)
{
    if (button.getButtonText().isEmpty())
    {
        const auto height = (float) button.getHeight();
        const auto tickSize = juce::jmin (0.75f * height, 15.0f) * 1.1f;

        drawTickBox (g, button,
                     ((float) button.getWidth() - tickSize) * 0.5f, (height - tickSize) * 0.5f,
                     tickSize, tickSize,
                     button.getToggleState(), button.isEnabled(),
                     shouldDrawButtonAsHighlighted, shouldDrawButtonAsDown);
        return;
    }

    // JUCE's toggle drawing only changes the height of the font already set, so
    // the label keeps this typeface.
    g.setFont (makeFont (assistantTypeface, 16.0f, juce::Font::plain));
    juce::LookAndFeel_V4::drawToggleButton (g, button, shouldDrawButtonAsHighlighted, shouldDrawButtonAsDown);
}

//==============================================================================
void LookAndFeel_TLM::drawAlertBox (juce::Graphics& g, juce::AlertWindow& alert,
                                    const juce::Rectangle<int>&, juce::TextLayout& textLayout)
{
    const auto w = alert.getWidth();
    const auto h = alert.getHeight();
    const auto innerW = juce::jmax (w - 2, 0);
    const auto innerH = juce::jmax (h - 2, 0);

    // A 2-pixel stroke centred on the edge leaves a 1-pixel frame inside.
    g.setColour (alert.findColour (juce::AlertWindow::outlineColourId));
    g.drawRoundedRectangle (0.0f, 0.0f, (float) w, (float) h, 0.0f, 2.0f);

    g.setColour (findColour (mid0ColourId));
    g.fillRect (0, h - 50, w, 50);

    // Left in force on purpose: whatever the window paints next stays inside the frame.
    g.reduceClipRegion (1, 1, innerW, innerH);

    g.setColour (findColour (dark3ColourId));
    g.fillRoundedRectangle (1.0f, 1.0f, (float) innerW, (float) innerH, 0.0f);

    textLayout.draw (g, { 95.0f, 20.0f, 0.0f, 0.0f });
}

int LookAndFeel_TLM::getAlertBoxWindowFlags()
{
    return juce::ComponentPeer::windowAppearsOnTaskbar
         | juce::ComponentPeer::windowHasDropShadow;
}

int LookAndFeel_TLM::getAlertWindowButtonHeight()
{
    return 28;
}

juce::Font LookAndFeel_TLM::getAlertWindowTitleFont()
{
    return makeFont (assistantBoldTypeface, 18.0f, juce::Font::bold);
}

juce::Font LookAndFeel_TLM::getAlertWindowMessageFont()
{
    return makeFont (assistantTypeface, 16.0f, juce::Font::plain);
}

juce::Font LookAndFeel_TLM::getAlertWindowFont()
{
    return makeFont (assistantTypeface, 14.0f, juce::Font::plain);
}

juce::Font LookAndFeel_TLM::getPopupMenuFont()
{
    return { systemMenuFontName, 16.0f, juce::Font::bold };
}

//==============================================================================
void LookAndFeel_TLM::drawComboBox (juce::Graphics& g, int width, int height, bool,
                                    int, int, int, int, juce::ComboBox& box)
{
    const auto w = (float) width;
    const auto h = (float) height;
    const auto background = box.findColour (juce::ComboBox::backgroundColourId);

    if (box.getComponentID() == noBorderComboBoxId)
    {
        g.setColour (background);
        g.fillRect (juce::Rectangle<float> (0.0f, 1.0f, w, h - 1.0f));
    }
    else
    {
        // The body covers the first fill but for its lowest row: a 1-pixel lower edge.
        g.setColour (box.findColour (juce::ComboBox::outlineColourId));
        g.fillRoundedRectangle (0.0f, 1.0f, w, h - 1.0f, 5.0f);

        g.setColour (background);
        g.fillRoundedRectangle (0.0f, 0.0f, w, h - 1.0f, 5.0f);
    }

    const auto centreY = h * 0.5f;

    juce::Path upArrow;
    upArrow.addTriangle (w - 13.0f, centreY - 2.0f, w - 7.0f, centreY - 2.0f, w - 10.0f, centreY - 6.0f);

    juce::Path downArrow;
    downArrow.addTriangle (w - 13.0f, centreY + 2.0f, w - 7.0f, centreY + 2.0f, w - 10.0f, centreY + 6.0f);

    g.setColour (box.findColour (juce::ComboBox::arrowColourId));
    g.fillPath (upArrow);
    g.fillPath (downArrow);
}

juce::Font LookAndFeel_TLM::getComboBoxFont (juce::ComboBox&)
{
    return { systemMenuFontName, 16.0f, juce::Font::plain };
}

juce::Label* LookAndFeel_TLM::createComboBoxTextBox (juce::ComboBox&)
{
    auto label = std::make_unique<juce::Label> (juce::String(), juce::String());

    label->setColour (juce::Label::outlineColourId, juce::Colours::transparentWhite);
    label->setColour (juce::Label::outlineWhenEditingColourId, juce::Colours::transparentWhite);
    label->setColour (juce::Label::textColourId, juce::Colour (0xff9b9b9b));

    return label.release();
}

void LookAndFeel_TLM::positionComboBoxText (juce::ComboBox& box, juce::Label& label)
{
    label.setBounds (3, 1, box.getWidth() - 30, box.getHeight() - 2);
    label.setFont (getComboBoxFont (box));
}

void LookAndFeel_TLM::drawLabel (juce::Graphics& g, juce::Label& label)
{
    const auto w = label.getWidth();
    const auto h = label.getHeight();

    g.setColour (label.findColour (juce::Label::backgroundColourId));
    g.fillRoundedRectangle (0.0f, 0.0f, (float) w, (float) h, 5.0f);

    g.setColour (label.findColour (juce::Label::outlineColourId));
    g.drawRoundedRectangle (0.5f, 0.5f, (float) juce::jmax (w - 1, 0), (float) juce::jmax (h - 1, 0), 5.0f, 1.0f);

    // While editing, the label's editor shows the text.
    if (label.isBeingEdited())
        return;

    const auto alpha = label.isEnabled() ? 1.0f : 0.5f;
    const auto font = getLabelFont (label);

    g.setColour (label.findColour (juce::Label::textColourId).withMultipliedAlpha (alpha));
    g.setFont (font);

    // The label's own border, not the look-and-feel's getLabelBorderSize().
    const auto border = label.getBorderSize();
    const juce::Rectangle<int> textArea (border.getLeft(), border.getTop(),
                                         w - border.getLeftAndRight(),
                                         h - border.getTopAndBottom());

    g.drawFittedText (label.getText(), textArea, label.getJustificationType(),
                      juce::jmax (1, (int) ((float) textArea.getHeight() / font.getHeight())),
                      label.getMinimumHorizontalScale());
}

//==============================================================================
void LookAndFeel_TLM::drawStretchableLayoutResizerBar (juce::Graphics& g, int, int, bool, bool, bool)
{
    g.fillAll (juce::Colour (0xff3c3c3c));
}

int LookAndFeel_TLM::getTabButtonBestWidth (juce::TabBarButton& button, int tabDepth)
{
    // The owning bar's ID decides, not the button's own.
    const auto barId = button.getTabbedButtonBar().getComponentID();

    if (barId == topViewTabBarId)         return 84;
    if (barId == adrCueSettingsTabBarId)  return 44;

    return juce::LookAndFeel_V2::getTabButtonBestWidth (button, tabDepth);
}

void LookAndFeel_TLM::drawTableHeaderColumn (juce::Graphics& g, juce::TableHeaderComponent& header,
                                             const juce::String& columnName, int,
                                             int width, int height, bool isMouseOver,
                                             bool isMouseDown, int columnFlags)
{
    const auto highlight = header.findColour (juce::TableHeaderComponent::highlightColourId);

    if (isMouseDown)
        g.fillAll (highlight);
    else if (isMouseOver)
        g.fillAll (highlight.withMultipliedAlpha (0.625f));

    auto area = juce::Rectangle<int> (width, height).reduced (4, 0);

    const auto sortFlags = juce::TableHeaderComponent::sortedForwards | juce::TableHeaderComponent::sortedBackwards;

    if ((columnFlags & sortFlags) != 0)
    {
        const auto forwards = (columnFlags & juce::TableHeaderComponent::sortedForwards) != 0;

        juce::Path sortArrow;
        sortArrow.addTriangle (0.0f, 0.0f, 0.5f, forwards ? -0.8f : 0.8f, 1.0f, 0.0f);

        const auto strip = area.removeFromRight (height / 2).reduced (2).toFloat();

        g.setColour (juce::Colour (0x99000000));
        g.fillPath (sortArrow, sortArrow.getTransformToScaleToFit (strip, true));
    }

    g.setColour (header.findColour (juce::TableHeaderComponent::textColourId));
    g.setFont (makeFont (assistantBoldTypeface, (float) height * 0.6f, juce::Font::bold));
    g.drawFittedText (columnName, area, juce::Justification::centredLeft, 1, 0.0f);
}

void LookAndFeel_TLM::drawCallOutBoxBackground (juce::CallOutBox&, juce::Graphics& g,
                                                const juce::Path& path, juce::Image&)
{
    g.setColour (juce::Colours::transparentBlack);
    g.fillAll();

    // Flat and opaque: no drop shadow, so the cached image is never made.
    g.setColour (findColour (dark6ColourId));
    g.fillPath (path);

    g.setColour (findColour (mid0ColourId));
    g.strokePath (path, juce::PathStrokeType (2.0f));
}
