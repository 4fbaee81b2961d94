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

namespace
{
    // JUCE expects an application object only in a program that has a factory for one.
    struct StandaloneSetUp
    {
        StandaloneSetUp()
        {
            juce::JUCEApplicationBase::createInstance = [] () -> juce::JUCEApplicationBase* { return nullptr; };
        }
    };

    const StandaloneSetUp standaloneSetUp;

    QuillonApplication::MainWindow* findMainWindow()
    {
        for (int i = 0; i < juce::TopLevelWindow::getNumTopLevelWindows(); ++i)
            if (auto* w = dynamic_cast<QuillonApplication::MainWindow*> (juce::TopLevelWindow::getTopLevelWindow (i)))
                return w;

        return nullptr;
    }
}

TEST (QuillonApplication, ShowsOneFixedSizeCentredWindowHoldingThePanel)
{
    TestHome home;
    QuillonApplication app;
    EXPECT_EQ (app.getApplicationVersion(), "1.0.0");
    EXPECT_TRUE (app.moreThanOneInstanceAllowed());

    app.initialise ("--some-flag /tmp/file.txt");
    app.anotherInstanceStarted ("/tmp/other.txt");

    auto* window = findMainWindow();
    ASSERT_NE (window, nullptr);
    EXPECT_EQ (juce::TopLevelWindow::getNumTopLevelWindows(), 1);

    EXPECT_EQ (window->getName(), "Quillon");
    EXPECT_TRUE (window->isVisible());
    EXPECT_TRUE (window->isUsingNativeTitleBar());
    EXPECT_TRUE (window->isResizable());
    EXPECT_EQ (window->getDesktopWindowStyleFlags() & juce::ComponentPeer::windowHasCloseButton,
               juce::ComponentPeer::windowHasCloseButton);
    EXPECT_NE (dynamic_cast<MainComponent*> (window->getContentComponent()), nullptr);

    EXPECT_EQ (window->getContentComponent()->getBounds(), juce::Rectangle<int> (0, 0, 580, 568));

    const auto screen = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay()->userArea;
    EXPECT_NEAR (window->getScreenBounds().getCentreX(), screen.getCentreX(), 1);
    EXPECT_NEAR (window->getScreenBounds().getCentreY(), screen.getCentreY(), 1);

    // Resize limits hold the window at its size.
    window->setBoundsConstrained (window->getBounds().withSize (800, 700));
    EXPECT_EQ (window->getBounds().getWidth() * 1000 + window->getHeight(), 580568);

    app.shutdown();
}

TEST (QuillonApplication, CloseButtonQuitsAndShutdownDeletesWindowAndPanelOnce)
{
    TestHome home;
    QuillonApplication app;
    app.initialise ({});

    juce::Component::SafePointer<juce::Component> window (findMainWindow());
    ASSERT_NE (window.getComponent(), nullptr);
    juce::Component::SafePointer<juce::Component> panel (findMainWindow()->getContentComponent());

    EXPECT_FALSE (juce::MessageManager::getInstance()->hasStopMessageBeenSent());
    findMainWindow()->closeButtonPressed();
    EXPECT_TRUE (juce::MessageManager::getInstance()->hasStopMessageBeenSent());

    // Closing only asks to quit: the window stays until shutdown.
    EXPECT_NE (window.getComponent(), nullptr);

    app.shutdown();
    EXPECT_EQ (window.getComponent(), nullptr);
    EXPECT_EQ (panel.getComponent(), nullptr);
    EXPECT_EQ (juce::TopLevelWindow::getNumTopLevelWindows(), 0);

    app.shutdown();
}
