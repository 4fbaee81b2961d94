/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include <gtest/gtest.h>

#include "app/MainComponent.h"
#include "app/QuillonApplication.h"
#include "support/TestHome.h"

#include <csignal>

// JUCE expects an application object only in a program that has a factory for one.
static const bool standalone = (juce::JUCEApplicationBase::createInstance = [] () -> juce::JUCEApplicationBase* { return nullptr; },
                                true);

TEST (QuillonApplication, ShowsOneFixedSizeCentredWindowThatQuitsOnCloseAndGoesAtShutdown)
{
    TestHome home;
    QuillonApplication app;
    EXPECT_EQ (app.getApplicationVersion(), "1.0.0");
    EXPECT_TRUE (app.moreThanOneInstanceAllowed());

    app.initialise ("--some-flag /tmp/file.txt");
    app.anotherInstanceStarted ("/tmp/other.txt");

    ASSERT_EQ (juce::TopLevelWindow::getNumTopLevelWindows(), 1);
    auto* window = dynamic_cast<QuillonApplication::MainWindow*> (juce::TopLevelWindow::getTopLevelWindow (0));
    ASSERT_NE (window, nullptr);
    juce::Component::SafePointer<juce::Component> panel (window->getContentComponent());

    EXPECT_EQ (window->getName(), "Quillon");
    EXPECT_TRUE (window->isVisible() && window->isOnDesktop() && window->isUsingNativeTitleBar() && window->isResizable());
    const auto buttons = juce::ComponentPeer::windowHasMinimiseButton | juce::ComponentPeer::windowHasMaximiseButton
                          | juce::ComponentPeer::windowHasCloseButton;
    EXPECT_EQ (window->getDesktopWindowStyleFlags() & buttons, buttons);
    EXPECT_NE (dynamic_cast<MainComponent*> (panel.getComponent()), nullptr);
    EXPECT_EQ (panel->getBounds(), juce::Rectangle<int> (0, 0, 580, 568));

    const auto screen = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay()->userArea;
    EXPECT_EQ (window->getScreenBounds().getCentre(), screen.getCentre());

    // Resize limits hold the window at its size.
    window->setBoundsConstrained (window->getBounds().withSize (800, 700));
    EXPECT_EQ (window->getLocalBounds(), juce::Rectangle<int> (580, 568));

    // Closing only asks to quit: the window stays until shutdown.
    window->closeButtonPressed();
    EXPECT_TRUE (juce::MessageManager::getInstance()->hasStopMessageBeenSent());
    EXPECT_NE (panel.getComponent(), nullptr);

    app.shutdown();
    EXPECT_EQ (panel.getComponent(), nullptr);
    EXPECT_EQ (juce::TopLevelWindow::getNumTopLevelWindows(), 0);
}

TEST (TerminationSignals, TurnSigtermIntoAQuitRequestLeaveAnIgnoredSighupAloneAndPutTheOldHandlersBack)
{
    const auto handlerOf = [] (int number) { struct sigaction action {}; sigaction (number, nullptr, &action); return action.sa_handler; };
    std::signal (SIGHUP, SIG_IGN);  // as under nohup
    int requests = 0;

    {
        TerminationSignals signals ([&requests] { ++requests; });
        EXPECT_EQ (handlerOf (SIGHUP), SIG_IGN);

        std::raise (SIGTERM);

        for (int i = 0; i < 200 && requests == 0; ++i)
            juce::MessageManager::getInstance()->runDispatchLoopUntil (10);

        EXPECT_EQ (requests, 1);
    }

    EXPECT_EQ (handlerOf (SIGTERM), SIG_DFL);
    EXPECT_EQ (handlerOf (SIGHUP), SIG_IGN);
}
