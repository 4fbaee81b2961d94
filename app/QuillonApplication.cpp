/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "QuillonApplication.h"
#include "MainComponent.h"

//==============================================================================
QuillonApplication::QuillonApplication() = default;

QuillonApplication::~QuillonApplication()
{
    mainWindow = nullptr;
}

const juce::String QuillonApplication::getApplicationName()       { return "Quillon"; }
const juce::String QuillonApplication::getApplicationVersion()    { return "1.0.0"; }
bool QuillonApplication::moreThanOneInstanceAllowed()             { return true; }

void QuillonApplication::initialise (const juce::String&)
{
    mainWindow = std::make_unique<MainWindow> (getApplicationName());
    terminationSignals = std::make_unique<TerminationSignals> ([this] { systemRequestedQuit(); });
}

void QuillonApplication::shutdown()
{
    terminationSignals = nullptr;
    mainWindow = nullptr;
}

void QuillonApplication::anotherInstanceStarted (const juce::String&)
{
}

void QuillonApplication::systemRequestedQuit()
{
    juce::MessageManager::getInstance()->stopDispatchLoop();
}

//==============================================================================
QuillonApplication::MainWindow::MainWindow (const juce::String& name)
    : ColoredTitleBarWindow (name,
                             juce::Desktop::getInstance().getDefaultLookAndFeel()
                                 .findColour (juce::ResizableWindow::backgroundColourId),
                             juce::DocumentWindow::allButtons,
                             true)
{
    setUsingNativeTitleBar (true);
    setContentOwned (new MainComponent(), true);
    setResizable (true, true);

    const auto* content = getContentComponent();
    setResizeLimits (content->getWidth(), content->getHeight(),
                     content->getWidth(), content->getHeight());

    centreWithSize (getWidth(), getHeight());
    setVisible (true);
}

QuillonApplication::MainWindow::~MainWindow() = default;

void QuillonApplication::MainWindow::closeButtonPressed()
{
    juce::JUCEApplication::getInstance()->systemRequestedQuit();
}
