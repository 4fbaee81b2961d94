/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include <gtest/gtest.h>

#include "app/MainComponent.h"
#include "app/MaintenanceActions.h"
#include "platform/StrictUtf8.h"
#include "support/TestHome.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <utility>

namespace
{
    const juce::String supportFolder = "Library/Application Support/";

    // Runs the built defaults through the shell, which passes the arguments' bytes on
    // unchanged (a juce::String could not hold malformed UTF-8). Gives the exit status
    // (the shell's 128 + signal for a crash) and what the tool wrote on stderr.
    std::pair<int, std::string> runDefaultsTool (const std::string& arguments)
    {
        auto* output = popen (("'" QUILLON_DEFAULTS_TOOL "' " + arguments + " 2>&1 >/dev/null").c_str(), "r");
        std::string err;
        char buffer[256];

        for (size_t n; output != nullptr && (n = std::fread (buffer, 1, sizeof (buffer), output)) > 0;)
            err.append (buffer, n);

        const auto status = output != nullptr ? pclose (output) : -1;
        return { WIFEXITED (status) ? WEXITSTATUS (status) : -1, err };
    }
}

//==============================================================================
TEST (DeletePreferences, EachCommandIsGivenOneSecondAndTheSecondAlwaysRuns)
{
    // A stand-in that logs its arguments, then runs until this test process has ended; or none at all.
    for (auto [script, atLeast, below, calls] : { std::tuple { "echo \"$*\" >> \"$HOME/calls.log\"; exec tail --pid=$PPID -f /dev/null", 1900.0, 3000.0,
                                                               "delete com.tallowmere.Kestrava5\ndelete com.tallowmere.Palvero2\n" },
                                                  std::tuple { "", 0.0, 800.0, "" } })
    {
        TestHome home;

        if (*script != 0)
            home.writeFile ("bin/defaults", "#!/bin/sh\n" + juce::String (script) + "\n").setExecutePermission (true);

        const auto previous = juce::SystemStats::getEnvironmentVariable ("PATH", {});
        setenv ("PATH", (home["bin"].getFullPathName() + (*script != 0 ? ":" + previous : juce::String())).toRawUTF8(), 1);
        const auto start = juce::Time::getMillisecondCounterHiRes();
        MaintenanceActions::deletePreferences();
        const auto elapsed = juce::Time::getMillisecondCounterHiRes() - start;
        setenv ("PATH", previous.toRawUTF8(), 1);

        EXPECT_TRUE (elapsed >= atLeast && elapsed < below) << elapsed;
        EXPECT_EQ (home["calls.log"].loadFileAsString(), calls);
    }
}

//==============================================================================
TEST (DeleteSettingsFiles, DeletesFilesEndingInTheEndingsDirectlyInEitherFolder)
{
    TestHome home;

    // With the first folder missing the second is still cleaned, and the missing one is not created.
    home.writeFile (supportFolder + "Palvero/Show.kspr", "x");
    MaintenanceActions::deleteSettingsFiles();
    EXPECT_FALSE (home[supportFolder + "Palvero/Show.kspr"].exists() || home[supportFolder + "Kestrava"].exists());

    const juce::StringArray deleted { "Kestrava/Show.ksdisp", "Kestrava/Showksar", "Kestrava/.hidden.kspr", "Palvero/Show.ksar" },
                            kept    { "Kestrava/Show.KSDISP", "Kestrava/Show.ksdisp.bak", "Kestrava/Sub/Inner.ksar", "Palvero/Show.txt" };

    for (auto* list : { &deleted, &kept })
        for (const auto& file : *list)
            home.writeFile (supportFolder + file, "x");

    // A package folder (empty, so that deleting it would succeed) and a link to it are not settings files.
    ASSERT_TRUE (home[supportFolder + "Kestrava/Bundle.ksdisp"].createDirectory());
    ASSERT_TRUE (home[supportFolder + "Kestrava/Bundle.ksdisp"].createSymbolicLink (home[supportFolder + "Kestrava/Linked.ksdisp"], false));

    // A name that is not UTF-8 is passed over, and must not upset the rest.
    const auto notUtf8 = (home[supportFolder + "Kestrava"].getFullPathName() + "/Show").toStdString() + "\xe9.ksar";
    std::ofstream (notUtf8) << "x";

    MainComponent().deleteSettingsFilesButton.onClick();

    EXPECT_TRUE (std::ifstream (notUtf8).good());

    for (auto* list : { &deleted, &kept })
        for (const auto& file : *list)
            EXPECT_EQ (home[supportFolder + file].exists(), list == &kept) << file;

    EXPECT_TRUE (home[supportFolder + "Kestrava/Bundle.ksdisp"].isDirectory() && home[supportFolder + "Kestrava/Linked.ksdisp"].isDirectory());
}

//==============================================================================
TEST (DefaultsTool, DeletesAnExistingDomainOnlyAndOtherwiseFailsWithOneLine)
{
    TestHome home;
    const auto domainFile = home.writeFile ("Library/Preferences/com.tallowmere.Palvero2.plist", "x");

    // The arguments and what the one line on stderr must mention; the last one succeeds silently.
    const std::pair<std::string, std::string> cases[]
    {
        { "delete com.tallowmere.Palvero",                          "com.tallowmere.Palvero" },     // missing
        { "delete ../escape",                                       "../escape" },                  // refused
        { "delete \xc0\x80",                                        "UTF-8" },                      // overlong NUL
        { "delete \xed\xa0\x80",                                    "UTF-8" },                      // surrogate
        { "delete \x80",                                            "UTF-8" },                      // stray continuation
        { "delete \xf4\x90\x80\x80",                                "UTF-8" },                      // above U+10FFFF
        { "delete \xe2\x82",                                        "UTF-8" },                      // truncated
        { "delete",                                                 "usage" },
        { "read com.tallowmere.Palvero2",                           "usage" },
        { "delete com.tallowmere.Palvero2 ApplicationLogLevel",     "usage" },
        { "delete com.tallowmere.Palvero2",                         {} }
    };

    for (const auto& [arguments, reason] : cases)
    {
        const auto [status, err] = runDefaultsTool (arguments);

        EXPECT_EQ (status, reason.empty() ? 0 : (reason == "usage" ? 2 : 1)) << arguments << ": " << err;
        EXPECT_TRUE (reason.empty() ? err.empty() : (err.find (reason) != std::string::npos && err.find ('\n') == err.size() - 1))
            << arguments << ": " << err;
        EXPECT_EQ (domainFile.exists(), ! reason.empty()) << arguments;
    }
}

TEST (DefaultsTool, NamesAreCheckedAsStrictUtf8WithinTheirLength)
{
    // Bytes past the given length do not count, however well they would complete a sequence.
    for (const auto& [bytes, length, valid] : { std::tuple { "\xe2\x82\xac", 3, true }, { "\xe2\x82\xac", 2, false }, { "a\0b", 3, false },
                                                { "\xf4\x8f\xbf\xbf", 4, true }, { "\xed\x9f\xbf", 3, true }, { "\xc2\x80", 2, true },
                                                { "\xe0\x80\xaf", 3, false } })
        EXPECT_EQ (StrictUtf8::isValid (bytes, (size_t) length), valid) << juce::String::toHexString (bytes, length);
}
