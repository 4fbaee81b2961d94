/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#pragma once

#include <string>
#include <sys/types.h>

//==============================================================================
/**
    A private X server for the tests: starts Xvfb on a free display, points
    DISPLAY at it and stops it again on destruction.
*/
class XvfbSession final
{
public:
    /** Starts the server; isRunning() tells whether that worked. */
    XvfbSession();

    /** Stops the server. */
    ~XvfbSession();

    /** True once the server has reported its display number. */
    bool isRunning() const noexcept        { return serverPid > 0 && ! display.empty(); }

    /** The display name, such as ":7". */
    const std::string& getDisplay() const  { return display; }

    XvfbSession (const XvfbSession&) = delete;
    XvfbSession& operator= (const XvfbSession&) = delete;

private:
    pid_t serverPid = -1;
    std::string display;
};
