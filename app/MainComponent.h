/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#pragma once

#include "theme/LookAndFeel_TLM.h"

//==============================================================================
/**
    The diagnostics panel: thirteen controls in two columns under a header band.

    It owns the theme and installs it as JUCE's default look-and-feel. Its text
    buttons carry their actions in onClick; the logging toggles report to
    buttonClicked(). Running out of memory ends a click's action, not the program.
*/
class MainComponent final : public juce::Component,
                            public juce::Button::Listener
{
public:
    /** Builds the whole panel and reads the extended-logging state. */
    MainComponent();

    /** Releases the banner, then the controls, then the theme. */
    ~MainComponent() override;

    /** Draws the background, header band, banner, separators and headings. */
    void paint (juce::Graphics& g) override;

    /** Does nothing: the layout is fixed when the panel is made. */
    void resized() override;

    /** Writes the clicked logging toggle's new state into all six domains. */
    void buttonClicked (juce::Button* button) override;

    /** Gathers the products' logs into "TLM_Logs.zip" on the Desktop. */
    void collectTLMLogs();

    //==============================================================================
    std::shared_ptr<LookAndFeel_TLM> themeLookAndFeel;

    juce::TextButton enableExtendedLoggingButton;
    juce::TextButton disableExtendedLoggingButton;
    juce::TextButton collectTLMAppLogsButton;
    juce::TextButton collectProToolsLogsButton;

    juce::ToggleButton satLinkLoggingToggle;
    juce::ToggleButton mtcMmcLoggingToggle;
    juce::ToggleButton audioLoggingToggle;
    juce::ToggleButton internalVideoDeviceLoggingToggle;
    juce::ToggleButton fullscreenVideoDeviceLoggingToggle;
    juce::ToggleButton blackmagicDeviceLoggingToggle;
    juce::ToggleButton ajaDeviceLoggingToggle;

    juce::TextButton deletePreferencesButton;
    juce::TextButton deleteSettingsFilesButton;

    juce::Image bannerImage;

private:
    struct LoggingFlag
    {
        juce::ToggleButton MainComponent::* toggle;
        const char* key;
    };

    static const std::array<LoggingFlag, 7> loggingFlags;

    void enableExtendedLogging();
    void disableExtendedLogging();
    void setExtendedLoggingControls (bool extendedLoggingOn);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainComponent)
};
