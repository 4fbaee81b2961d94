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

#include "support/XvfbSession.h"

#include <cstring>

namespace
{
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

    if (! xvfb.isRunning())
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
