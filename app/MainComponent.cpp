/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "MainComponent.h"

#include "LogArchive.h"
#include "MaintenanceActions.h"
#include "ProductDomains.h"
#include "platform/PreferenceDomain.h"
#include "theme/DarkLookAndFeel_TLM.h"

#include <BinaryData.h>

#include <new>

namespace
{
    constexpr int panelWidth = 580;
    constexpr int panelHeight = 568;
    constexpr int controlWidth = 210;
    constexpr int controlHeight = 28;
    constexpr int headerHeight = 50;

    bool readExtendedLoggingState()
    {
        // Both domains are always read, even when the first already says "off".
        auto allExtended = true;

        for (auto* domain : ProductDomains::primary)
        {
            const auto level = PreferenceDomain (domain).integerForKey (ProductDomains::logLevelKey);
            allExtended = allExtended && level == ProductDomains::extendedLogLevel;
        }

        return allExtended;
    }

    // Running out of memory ends a click's action, not the program. What the action
    // had done stays, since every file it writes is replaced whole or not at all, and
    // the rest is left undone: in particular the panel keeps its controls, so the same
    // click can be made again. Unwinding only frees, so nothing here can throw again.
    template <typename Action>
    void endOnAllocationFailure (const Action& action) noexcept
    {
        try
        {
            action();
        }
        catch (const std::bad_alloc&)
        {
        }
    }
}

// The switch order: the order in which a clicked toggle is looked up and in which
// the extended-logging actions enable or disable the toggles.
const std::array<MainComponent::LoggingFlag, 7> MainComponent::loggingFlags
{{
    { &MainComponent::satLinkLoggingToggle,               "EnableSatLinkLogging" },
    { &MainComponent::audioLoggingToggle,                 "EnableAudioLogging" },
    { &MainComponent::internalVideoDeviceLoggingToggle,   "EnableInternalVideoDeviceLogging" },
    { &MainComponent::fullscreenVideoDeviceLoggingToggle, "EnableFullscreenVideoDeviceLogging" },
    { &MainComponent::blackmagicDeviceLoggingToggle,      "EnableBlackmagicVideoDeviceLogging" },
    { &MainComponent::ajaDeviceLoggingToggle,             "EnableAJAVideoDeviceLogging" },
    { &MainComponent::mtcMmcLoggingToggle,                "EnableMTCMMCLogging" }
}};

//==============================================================================
MainComponent::MainComponent()
{
    // Every x position below depends on the width, so the size comes first.
    setSize (panelWidth, panelHeight);

    themeLookAndFeel = std::make_shared<DarkLookAndFeel_TLM>();
    juce::LookAndFeel::setDefaultLookAndFeel (themeLookAndFeel.get());

    const auto extendedLoggingOn = readExtendedLoggingState();

    const auto left  = getWidth() / 2 - 220;
    const auto right = getWidth() / 2 + 10;

    const auto place = [this] (juce::Button& button, const char* text, int x, int y)
    {
        addAndMakeVisible (button);
        button.setButtonText (text);
        button.setBounds (x, y, controlWidth, controlHeight);
    };

    const auto placeButton = [&] (juce::TextButton& button, const char* text, int x, int y, auto action)
    {
        place (button, text, x, y);
        button.onClick = [action] { endOnAllocationFailure (action); };
    };

    const auto placeToggle = [&] (juce::ToggleButton& toggle, const char* text, int x, int y)
    {
        place (toggle, text, x, y);
        toggle.setEnabled (extendedLoggingOn);
        toggle.addListener (this);
    };

    placeButton (enableExtendedLoggingButton, "Enable Extended Logging", left, 106, [this] { enableExtendedLogging(); });
    enableExtendedLoggingButton.setEnabled (! extendedLoggingOn);

    placeButton (disableExtendedLoggingButton, "Disable Extended Logging", right, 106, [this] { disableExtendedLogging(); });
    disableExtendedLoggingButton.setEnabled (extendedLoggingOn);

    const auto firstToggleRow = enableExtendedLoggingButton.getBottom() + 30;
    placeToggle (satLinkLoggingToggle,               "Enable Satellite Link Logging",          left,  firstToggleRow);
    placeToggle (mtcMmcLoggingToggle,                "Enable MTC/MMC Logging",                 right, firstToggleRow);
    placeToggle (internalVideoDeviceLoggingToggle,   "Enable Internal Video Device Logging",   left,  mtcMmcLoggingToggle.getBottom());
    placeToggle (fullscreenVideoDeviceLoggingToggle, "Enable Fullscreen Video Device Logging", right, mtcMmcLoggingToggle.getBottom());
    placeToggle (blackmagicDeviceLoggingToggle,      "Enable Blackmagic Device Logging",       left,  fullscreenVideoDeviceLoggingToggle.getBottom());
    placeToggle (ajaDeviceLoggingToggle,             "Enable AJA Device Logging",              right, fullscreenVideoDeviceLoggingToggle.getBottom());
    placeToggle (audioLoggingToggle,                 "Enable Audio Logging",                   left,  blackmagicDeviceLoggingToggle.getBottom());

    const auto collectRow = audioLoggingToggle.getBottom() + 80;
    placeButton (collectTLMAppLogsButton, "Collect TLM App Logs", left, collectRow, [this] { collectTLMLogs(); });
    placeButton (collectProToolsLogsButton, "Collect Pro Tools Logs", right, collectRow, [] { LogArchive::collectProToolsLogs(); });

    const auto settingsRow = collectTLMAppLogsButton.getBottom() + 80;
    placeButton (deletePreferencesButton, "Delete Preferences", left, settingsRow, [] { MaintenanceActions::deletePreferences(); });
    placeButton (deleteSettingsFilesButton, "Delete Settings Files", right, settingsRow, [] { MaintenanceActions::deleteSettingsFiles(); });

    bannerImage = juce::ImageCache::getFromMemory (BinaryData::temp4, BinaryData::temp4Size);
}

MainComponent::~MainComponent()
{
    // The controls die with the members; the theme, declared first, goes last.
    bannerImage = {};
}

//==============================================================================
void MainComponent::paint (juce::Graphics& g)
{
    auto& theme = static_cast<LookAndFeel_TLM&> (juce::LookAndFeel::getDefaultLookAndFeel());

    g.fillAll (findColour (dark5ColourId));

    g.setColour (findColour (dark1ColourId));
    g.fillRect (0, 0, getWidth(), headerHeight);

    if (bannerImage.isValid())
        g.drawImage (bannerImage, 20, 12, 209, 25,
                     0, 0, bannerImage.getWidth(), bannerImage.getHeight(), false);

    const auto left = enableExtendedLoggingButton.getX();
    g.fillRect (left, enableExtendedLoggingButton.getBottom() + 15, getWidth() - 2 * left, 1);
    g.fillRect (0, audioLoggingToggle.getBottom() + 20, getWidth(), 1);
    g.fillRect (0, collectTLMAppLogsButton.getBottom() + 20, getWidth(), 1);

    juce::Font headingFont (theme.assistantBoldTypeface);
    headingFont.setHeight (18.0f);
    headingFont.setStyleFlags (juce::Font::bold);
    g.setFont (headingFont);

    g.setColour (findColour (themeTextColourId));

    const auto heading = [&g] (const char* text, int y)
    {
        g.drawText (text, juce::Rectangle<float> (20.0f, (float) y, 300.0f, 22.0f),
                    juce::Justification::centredLeft, true);
    };

    heading ("TOGGLE LOGGING", 70);
    heading ("COLLECT LOGS", audioLoggingToggle.getBottom() + 40);
    heading ("SETTINGS", collectTLMAppLogsButton.getBottom() + 40);
}

void MainComponent::resized()
{
}

//==============================================================================
void MainComponent::buttonClicked (juce::Button* button)
{
    endOnAllocationFailure ([this, button]
    {
        for (const auto& flag : loggingFlags)
        {
            if (button != &(this->*flag.toggle))
                continue;

            // The toggle has already changed its state, so this is the new one.
            const auto state = button->getToggleState();

            for (auto* domain : ProductDomains::all)
                PreferenceDomain (domain).setBool (state, flag.key);

            return;
        }
    });
}

void MainComponent::collectTLMLogs()
{
    LogArchive::collectProductLogs();
}

void MainComponent::enableExtendedLogging()
{
    for (auto* domain : ProductDomains::primary)
        PreferenceDomain (domain).setInteger (ProductDomains::extendedLogLevel, ProductDomains::logLevelKey);

    setExtendedLoggingControls (true);
}

void MainComponent::disableExtendedLogging()
{
    for (auto* domain : ProductDomains::all)
        PreferenceDomain (domain).setInteger (ProductDomains::normalLogLevel, ProductDomains::logLevelKey);

    setExtendedLoggingControls (false);
}

void MainComponent::setExtendedLoggingControls (bool extendedLoggingOn)
{
    enableExtendedLoggingButton.setEnabled (! extendedLoggingOn);
    disableExtendedLoggingButton.setEnabled (extendedLoggingOn);

    for (const auto& flag : loggingFlags)
        (this->*flag.toggle).setEnabled (extendedLoggingOn);
}
