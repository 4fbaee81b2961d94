/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

// gtest must come before the X11 headers, whose macros clash with it.
#include <gtest/gtest.h>

#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include <juce_gui_basics/juce_gui_basics.h>

#include <csignal>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
    // Starts a private X server on a free display and points DISPLAY at it. It dies with
    // this process, also when a sanitizer's report or a crash skips every destructor, so
    // that it never keeps holding the output pipe CTest waits on.
    pid_t startXvfb()
    {
        int fds[2];
        const auto testPid = getpid();
        const auto server = pipe (fds) == 0 ? fork() : -1;

        if (server == 0)
        {
            prctl (PR_SET_PDEATHSIG, SIGTERM);

            if (getppid() == testPid)
                execlp ("Xvfb", "Xvfb", "-displayfd", std::to_string (fds[1]).c_str(), "-screen", "0", "1280x1024x24",
                        "-nolisten", "tcp", "-noreset", static_cast<char*> (nullptr));

            _exit (127);
        }

        // Xvfb writes the display number once it accepts connections.
        close (fds[1]);
        std::string number;
        pollfd p { fds[0], POLLIN, 0 };

        for (char c = 0; server > 0 && poll (&p, 1, 10000) > 0 && read (fds[0], &c, 1) == 1 && c != '\n';)
            number += c;

        close (fds[0]);

        if (number.empty())
            return -1;

        setenv ("DISPLAY", (":" + number).c_str(), 1);
        return server;
    }

    // Without a window manager some requests fail harmlessly; JUCE installs its own
    // handlers only for a standalone application, so the tests install theirs.
    int ignoreXError (::Display*, XErrorEvent*)     { return 0; }
    int ignoreXIOError (::Display*)                 { return 0; }
}

int main (int argc, char** argv)
{
    testing::InitGoogleTest (&argc, argv);

    if (testing::GTEST_FLAG (list_tests))
        return RUN_ALL_TESTS();

    const auto xvfb = startXvfb();

    if (xvfb < 0)
    {
        std::fprintf (stderr, "Could not start Xvfb: is the package xvfb installed?\n");
        return 1;
    }

    int result = 0;

    {
        juce::ScopedJuceInitialiser_GUI juce;
        juce::XWindowSystem::getInstance();
        juce::X11Symbols::getInstance()->xSetErrorHandler (ignoreXError);
        juce::X11Symbols::getInstance()->xSetIOErrorHandler (ignoreXIOError);
        result = RUN_ALL_TESTS();
    }

    kill (xvfb, SIGTERM);
    waitpid (xvfb, nullptr, 0);
    return result;
}
