/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "XvfbSession.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

XvfbSession::XvfbSession()
{
    int fds[2];

    if (pipe (fds) != 0)
        return;

    serverPid = fork();

    if (serverPid == 0)
    {
        close (fds[0]);
        const auto fdText = std::to_string (fds[1]);
        execlp ("Xvfb", "Xvfb", "-displayfd", fdText.c_str(), "-screen", "0", "1280x1024x24",
                "-nolisten", "tcp", "-noreset", static_cast<char*> (nullptr));
        _exit (127);
    }

    close (fds[1]);

    if (serverPid < 0)
    {
        close (fds[0]);
        return;
    }

    // Xvfb writes the display number once it accepts connections.
    std::string number;
    pollfd p { fds[0], POLLIN, 0 };

    while (poll (&p, 1, 10000) > 0)
    {
        char c = 0;

        if (read (fds[0], &c, 1) != 1 || c == '\n')
            break;

        number += c;
    }

    close (fds[0]);

    if (number.empty())
        return;

    display = ":" + number;
    setenv ("DISPLAY", display.c_str(), 1);
}

XvfbSession::~XvfbSession()
{
    if (serverPid > 0)
    {
        kill (serverPid, SIGTERM);
        int status = 0;
        while (waitpid (serverPid, &status, 0) < 0 && errno == EINTR) {}
    }
}
