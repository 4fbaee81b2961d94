/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "WaitingWriter.h"

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

WaitingWriter::WaitingWriter (const juce::File& fifo)
{
    const auto path = fifo.getFullPathName().toStdString();

    if (::mkfifo (path.c_str(), 0644) != 0 || (writer = ::fork()) != 0)
    {
        for (int polls = 0; writer > 0 && polls < 10000 && ! isStillWaiting(); ++polls)
            ::usleep (1000);

        return;
    }

    ::prctl (PR_SET_PDEATHSIG, SIGKILL);
    ::_exit (::open (path.c_str(), O_WRONLY) >= 0 ? 0 : 1);
}

WaitingWriter::~WaitingWriter()
{
    if (writer > 0)
    {
        ::kill (writer, SIGKILL);
        ::waitpid (writer, nullptr, 0);
    }
}

bool WaitingWriter::isStillWaiting() const
{
    // The kernel shows the system call a process is blocked in; a writer that has been
    // released is runnable from that moment on, and shows "running".
    long number = -1;
    std::ifstream ("/proc/" + std::to_string (writer) + "/syscall") >> number;
    return number == SYS_openat;
}
