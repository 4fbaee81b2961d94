/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#pragma once

#include "ColoredTitleBarWindow.h"
#include "platform/TerminationSignals.h"

//==============================================================================
/**
    The application object: makes the one main window in initialise() and deletes
    it in shutdown().
*/
class QuillonApplication final : public juce::JUCEApplication
{
public:
    /** Does nothing: the window is made in initialise(). */
    QuillonApplication();

    /** Deletes a main window that is still there. */
    ~QuillonApplication() override;

    /** Returns "Quillon". */
    const juce::String getApplicationName() override;

    /** Returns "1.0.0". */
    const juce::String getApplicationVersion() override;

    /** Any number of copies may run side by side. */
    bool moreThanOneInstanceAllowed() override;

    /** Creates, sets up and shows the main window, and lets SIGTERM and SIGHUP quit the
        program like the close button; the command line is ignored.
    */
    void initialise (const juce::String& commandLine) override;

    /** Deletes the main window and with it the panel; from here on SIGTERM and SIGHUP
        act as they did before.
    */
    void shutdown() override;

    /** Files or URLs handed to the running program are ignored. */
    void anotherInstanceStarted (const juce::String& commandLine) override;

    /** Stops the dispatch loop; asks nothing and cannot be refused. */
    void systemRequestedQuit() override;

    //==============================================================================
    /** The main window: holds the diagnostics panel at its fixed size. */
    class MainWindow final : public ColoredTitleBarWindow
    {
    public:
        /** Creates the window with its panel, sizes, centres and shows it. */
        explicit MainWindow (const juce::String& name);

        /** Destroys nothing of its own; the window deletes its panel. */
        ~MainWindow() override;

        /** Quits the application. */
        void closeButtonPressed() override;

    private:
        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainWindow)
    };

private:
    std::unique_ptr<MainWindow> mainWindow;
    std::unique_ptr<TerminationSignals> terminationSignals;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (QuillonApplication)
};
