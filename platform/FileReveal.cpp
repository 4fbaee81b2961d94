/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "FileReveal.h"

#if JUCE_MAC

void FileReveal::reveal (const juce::File& file)
{
    file.revealToUser();
}

#else

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <linux/close_range.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
    // Runs in a freshly forked child, so only calls that are safe there.
    [[noreturn]] void execOpener (char* const* argv)
    {
        // The opener must not inherit what this program ignores (SIGXFSZ during a
        // collection) or blocks. Exec itself resets signals that have handlers.
        for (int sig = 1; sig < NSIG; ++sig)
            ::signal (sig, SIG_DFL);

        sigset_t none;
        sigemptyset (&none);
        ::sigprocmask (SIG_SETMASK, &none, nullptr);

        // Nothing of ours stays open in it (the X connection, the archive), and a
        // hang-up of our terminal does not reach it. Closed at the exec rather than
        // now, so that the go-between can tell when it has happened.
        if (::syscall (SYS_close_range, 3u, ~0u, CLOSE_RANGE_CLOEXEC) != 0)
            for (int fd = 3; fd < ::getdtablesize(); ++fd)
                ::fcntl (fd, F_SETFD, FD_CLOEXEC);

        ::setsid();

        ::execvp (argv[0], argv);
        ::_exit (127);
    }
}

void FileReveal::reveal (const juce::File& file)
{
    const auto folder = file.isDirectory() ? file : file.getParentDirectory();

    if (! folder.isDirectory())
        return;

    // Everything the children need is made before forking.
    const auto folderPath = folder.getFullPathName().toStdString();
    char program[] = "xdg-open";
    char* const argv[] = { program, const_cast<char*> (folderPath.c_str()), nullptr };

    // A go-between starts the opener and ends as soon as the opener has started (its
    // end of the pipe closes at the exec): reaping it leaves the opener to init, which
    // reaps it in turn, so no zombie stays with us.
    const auto intermediate = ::fork();

    if (intermediate == 0)
    {
        int started[2];

        if (::pipe2 (started, O_CLOEXEC) == 0 && ::fork() == 0)
            execOpener (argv);

        ::close (started[1]);

        for (char c; ::read (started[0], &c, 1) < 0 && errno == EINTR;) {}

        ::_exit (0);
    }

    if (intermediate > 0)
        while (::waitpid (intermediate, nullptr, 0) < 0 && errno == EINTR) {}
}

#endif
