/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#pragma once

#include <juce_core/juce_core.h>

#include <map>

//==============================================================================
/**
    What a folder holds, for checking that something was left unchanged: every
    file and folder below it (links not followed) with its content, or a plain
    file on its own.
*/
class TreeSnapshot final
{
public:
    /** Relative path (or the file's name) to content; folders map to "<folder>". */
    using Contents = std::map<juce::String, juce::String>;

    /** Reads a folder tree or a single file; only regular files are read. */
    static Contents take (const juce::File& root);

private:
    TreeSnapshot() = delete;
};
