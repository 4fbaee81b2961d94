/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "TerminationSignals.h"

#if JUCE_LINUX || JUCE_BSD

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace
{
    constexpr std::array<int, 2> quitSignals { SIGTERM, SIGHUP };

    // A signal handler may do next to nothing, so it only writes a byte into this
    // pipe; the message loop watches the other end. The state is global because the
    // handler has nowhere else to find it.
    volatile std::sig_atomic_t pipeWriteEnd = -1;
    int pipeReadEnd = -1;
    std::array<struct sigaction, quitSignals.size()> previousActions;
    std::array<bool, quitSignals.size()> installed {};

    extern "C" void writeQuitRequest (int)
    {
        const auto savedErrno = errno;
        const char request = 1;

        // A full pipe already holds enough requests.
        [[maybe_unused]] const auto written = ::write (pipeWriteEnd, &request, 1);
        errno = savedErrno;
    }
}

TerminationSignals::TerminationSignals (std::function<void()> onQuitRequest)
{
    jassert (pipeReadEnd < 0);

    int ends[2];

    // Close-on-exec: children started later must not hold the pipe open.
    if (::pipe2 (ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;

    pipeReadEnd = ends[0];
    pipeWriteEnd = ends[1];

    juce::LinuxEventLoop::registerFdCallback (pipeReadEnd, [onQuitRequest = std::move (onQuitRequest)] (int fd)
    {
        char requests[64];

        while (::read (fd, requests, sizeof (requests)) > 0)
        {
        }

        onQuitRequest();
    });

    struct sigaction action {};
    action.sa_handler = writeQuitRequest;
    sigemptyset (&action.sa_mask);

    // Restarted calls: a signal arriving during a collection must not make one of its
    // reads or writes fail.
    action.sa_flags = SA_RESTART;

    for (size_t i = 0; i < quitSignals.size(); ++i)
    {
        if (::sigaction (quitSignals[i], nullptr, &previousActions[i]) != 0
             || previousActions[i].sa_handler == SIG_IGN)
            continue;

        installed[i] = ::sigaction (quitSignals[i], &action, nullptr) == 0;
    }
}

TerminationSignals::~TerminationSignals()
{
    if (pipeReadEnd < 0)
        return;

    for (size_t i = 0; i < quitSignals.size(); ++i)
        if (std::exchange (installed[i], false))
            ::sigaction (quitSignals[i], &previousActions[i], nullptr);

    juce::LinuxEventLoop::unregisterFdCallback (pipeReadEnd);

    const int writeEnd = pipeWriteEnd;
    pipeWriteEnd = -1;
    ::close (writeEnd);
    ::close (std::exchange (pipeReadEnd, -1));
}

#else

TerminationSignals::TerminationSignals (std::function<void()>)
{
}

TerminationSignals::~TerminationSignals() = default;

#endif
