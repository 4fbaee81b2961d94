/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include <gtest/gtest.h>

#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include <juce_gui_basics/juce_gui_basics.h>
#include <X11/extensions/XTest.h>

#include "app/MainComponent.h"
#include "app/QuillonApplication.h"
#include "support/TestHome.h"

#include <csignal>
#include <poll.h>
#include <sys/socket.h>

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

TEST (QuillonApplication, AClickIsHandledWithoutWaitingForAnotherXEventWhateverThePaintPathDoes)
{
    TestHome home;

    for (auto* domain : { "com.tallowmere.Kestrava5", "com.tallowmere.Palvero2" })
        home.writeFile (juce::String ("Library/Preferences/") + domain + ".plist",
                        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                        "<key>ApplicationLogLevel</key><integer>7</integer></dict></plist>\n");

    QuillonApplication::MainWindow window ("Quillon");
    auto& toggle = dynamic_cast<MainComponent&> (*window.getContentComponent()).satLinkLoggingToggle;
    auto* display = juce::XWindowSystem::getInstance()->getDisplay();
    auto* x11 = juce::X11Symbols::getInstance();

    // The user's input comes from a connection of its own, as from a real pointer.
    std::unique_ptr<::Display, decltype (&XCloseDisplay)> input (XOpenDisplay (nullptr), &XCloseDisplay);
    ASSERT_NE (input, nullptr);

    const auto isViewable = [&]
    {
        XWindowAttributes attributes {};
        return XGetWindowAttributes (input.get(), (::Window) (juce::pointer_sized_uint) window.getPeer()->getNativeHandle(), &attributes)
                && attributes.map_state == IsViewable;
    };

    // Shown, and everything the server has sent so far handled, so that what arrives next is the click.
    pollfd socket { x11->xConnectionNumber (display), POLLIN, 0 };
    const auto isSettled = [&] { return isViewable() && window.isActiveWindow() && poll (&socket, 1, 0) == 0 && x11->xEventsQueued (display, QueuedAlready) == 0; };
    const auto centre = toggle.getScreenBounds().getCentre();

    for (int i = 0; i < 500 && ! isSettled(); ++i)
        juce::MessageManager::getInstance()->runDispatchLoopUntil (10);

    ASSERT_TRUE (isSettled());

    // The pointer arrives over the toggle and clicks at once; then nothing more happens on the display.
    XTestFakeMotionEvent (input.get(), -1, centre.x, centre.y, CurrentTime);
    XTestFakeButtonEvent (input.get(), 1, True, CurrentTime);
    XTestFakeButtonEvent (input.get(), 1, False, CurrentTime);
    XSync (input.get(), False);

    // The release has reached the program's socket (events are 32 bytes each; nothing else is read there).
    const auto releaseArrived = [&socket]
    {
        unsigned char bytes[4096];
        const auto size = recv (socket.fd, bytes, sizeof (bytes), MSG_PEEK | MSG_DONTWAIT);

        for (ssize_t at = 0; at + 32 <= size; at += 32)
            if ((bytes[at] & 0x7f) == ButtonRelease)
                return true;

        return false;
    };

    for (int i = 0; i < 500 && ! releaseArrived(); ++i)
        poll (nullptr, 0, 10);

    ASSERT_TRUE (releaseArrived()) << "the click never reached the program";

    // A repaint runs before the loop has seen the click.
    juce::Image image (juce::Image::ARGB, window.getWidth(), window.getHeight(), true);
    juce::Graphics g (image);
    window.paintEntireComponent (g, true);

    // The next turn of the loop handles it: it does not wait for something else to arrive.
    juce::MessageManager::getInstance()->runDispatchLoopUntil (0);
    EXPECT_TRUE (toggle.getToggleState());

    juce::MessageManager::getInstance()->runDispatchLoopUntil (500);
    EXPECT_TRUE (toggle.getToggleState());
    EXPECT_TRUE (home["Library/Preferences/com.tallowmere.Kestrava5.plist"].loadFileAsString().removeCharacters (" \t\n")
                   .contains ("<key>EnableSatLinkLogging</key><true/>"));
    EXPECT_EQ (x11->xEventsQueued (display, QueuedAlready), 0) << "events left in Xlib's queue";
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
