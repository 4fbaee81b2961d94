/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include <gtest/gtest.h>

#include "support/TestHome.h"

#include <cstdlib>
#include <sys/wait.h>
#include <utility>
#include <vector>

namespace
{
    struct ToolResult   { int status; juce::String out, err; };

    // Runs the built tool through the shell, each output stream into its own file.
    ToolResult runDefaults (const TestHome& home, const juce::String& arguments)
    {
        const auto out = home["tool-out.txt"], err = home["tool-err.txt"];
        const auto command = juce::String (QUILLON_DEFAULTS_TOOL).quoted ('\'') + " " + arguments
                               + " >" + out.getFullPathName().quoted ('\'') + " 2>" + err.getFullPathName().quoted ('\'');
        const auto state = std::system (command.toRawUTF8());

        return { WIFEXITED (state) ? WEXITSTATUS (state) : -1, out.loadFileAsString(), err.loadFileAsString() };
    }
}

//==============================================================================
TEST (DefaultsTool, DeletesAnExistingDomainOnlyAndOtherwiseFailsWithOneLine)
{
    TestHome home;
    const auto domainFile = home.writeFile ("Library/Preferences/com.tallowmere.Palvero2.plist", "x");
    const juce::File kept[] { home.writeFile ("Library/Preferences/com.tallowmere.Kestrava5.plist", "x"),
                              home.writeFile ("Library/escape.plist", "x") };

    // An empty folder in the file's place is no domain, and deleting it would succeed.
    const auto folder = home["Library/Preferences/com.tallowmere.Palvero3.plist"];
    ASSERT_TRUE (folder.createDirectory());

    // The arguments and what the one line on stderr must mention; the last one succeeds silently.
    const std::vector<std::pair<juce::String, juce::String>> cases
    {
        { "delete com.tallowmere.Palvero",                          "com.tallowmere.Palvero" },     // missing
        { "delete com.tallowmere.Palvero3",                         "com.tallowmere.Palvero3" },    // a folder
        { "delete ../escape",                                       "../escape" },                  // refused
        { "",                                                       "usage" },
        { "delete",                                                 "usage" },
        { "read com.tallowmere.Kestrava5",                          "usage" },
        { "delete com.tallowmere.Kestrava5 ApplicationLogLevel",    "usage" },
        { "delete com.tallowmere.Palvero2",                         {} }
    };

    for (const auto& [arguments, reason] : cases)
    {
        const auto r = runDefaults (home, arguments);

        EXPECT_EQ (r.status == 0, reason.isEmpty()) << arguments << " gave " << r.status;
        EXPECT_EQ (r.out, "") << arguments;
        EXPECT_EQ (r.err.indexOfChar ('\n'), r.err.length() - 1) << arguments << ": " << r.err;
        EXPECT_TRUE (reason.isEmpty() ? r.err.isEmpty() : r.err.contains (reason)) << arguments << ": " << r.err;
        EXPECT_EQ (domainFile.exists(), reason.isNotEmpty()) << arguments;
        EXPECT_TRUE (folder.isDirectory() && kept[0].existsAsFile() && kept[1].existsAsFile()) << arguments;
    }
}
