/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#pragma once

#include <juce_core/juce_core.h>

//==============================================================================
/**
    Shows a file to the user in the system's file manager.

    On macOS this is File::revealToUser. On Linux JUCE hands the path to /bin/sh
    inside double quotes, so a folder name holding $(...), a backtick or a quote
    runs commands; it also chains browser fallbacks and never reaps the shell.
    Here `xdg-open <folder>` is started with an argument list instead: no shell,
    no fallbacks, default signal dispositions, and no child left behind.
*/
class FileReveal final
{
public:
    /** Opens the folder holding the file (or the folder itself). Returns once the
        opener has been started; its outcome is not waited for.
    */
    static void reveal (const juce::File& file);

private:
    FileReveal() = delete;
};
