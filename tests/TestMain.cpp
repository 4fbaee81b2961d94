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
#include <cstring>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
    // A private X server: started on a free display, DISPLAY pointed at it, and
    // stopped when the tests end.
    class XvfbSession final
    {
    public:
        XvfbSession()
        {
            int fds[2];

            if (pipe (fds) != 0)
                return;

            const auto testPid = getpid();
            serverPid = fork();

            if (serverPid == 0)
            {
                // A test process that dies without running destructors (a sanitizer's
                // report, a crash) must not leave the server running and holding the
                // output pipe CTest waits on.
                prctl (PR_SET_PDEATHSIG, SIGTERM);

                if (getppid() != testPid)
                    _exit (127);

                close (fds[0]);
                const auto fdText = std::to_string (fds[1]);
                execlp ("Xvfb", "Xvfb", "-displayfd", fdText.c_str(), "-screen", "0", "1280x1024x24",
                        "-nolisten", "tcp", "-noreset", static_cast<char*> (nullptr));
                _exit (127);
            }

            close (fds[1]);

            // Xvfb writes the display number once it accepts connections.
            std::string number;
            pollfd p { fds[0], POLLIN, 0 };
            char c = 0;

            while (serverPid > 0 && poll (&p, 1, 10000) > 0 && read (fds[0], &c, 1) == 1 && c != '\n')
                number += c;

            close (fds[0]);

            if (! number.empty())
                setenv ("DISPLAY", (":" + number).c_str(), 1);

            running = ! number.empty();
        }

        ~XvfbSession()
        {
            if (serverPid > 0)
            {
                kill (serverPid, SIGTERM);
                waitpid (serverPid, nullptr, 0);
            }
        }

        bool running = false;

    private:
        pid_t serverPid = -1;
    };

    // Without a window manager some requests fail harmlessly; JUCE installs its own
    // handlers only for a standalone application, so the tests install theirs.
    int ignoreXError (::Display*, XErrorEvent*)     { return 0; }
    int ignoreXIOError (::Display*)                 { return 0; }

    bool onlyListingTests (int argc, char** argv)
    {
        for (int i = 1; i < argc; ++i)
            if (std::strcmp (argv[i], "--gtest_list_tests") == 0)
                return true;

        return false;
    }
}

int main (int argc, char** argv)
{
    testing::InitGoogleTest (&argc, argv);

    if (onlyListingTests (argc, argv))
        return RUN_ALL_TESTS();

    XvfbSession xvfb;

    if (! xvfb.running)
    {
        std::fprintf (stderr, "Could not start Xvfb: is the package xvfb installed?\n");
        return 1;
    }

    int result = 0;

    {
        juce::ScopedJuceInitialiser_GUI juce;

        if (auto* windowSystem = juce::XWindowSystem::getInstance(); windowSystem->getDisplay() != nullptr)
        {
            juce::X11Symbols::getInstance()->xSetErrorHandler (ignoreXError);
            juce::X11Symbols::getInstance()->xSetIOErrorHandler (ignoreXIOError);
        }

        result = RUN_ALL_TESTS();
    }

    return result;
}
