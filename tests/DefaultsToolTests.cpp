/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include <gtest/gtest.h>

#include "app/ProductDomains.h"
#include "platform/PreferenceDomain.h"
#include "support/TestHome.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

extern char** environ;

namespace
{
    struct ToolResult
    {
        int status = -1;
        juce::String out;
        juce::String err;
    };

    /** Runs the built tool with raw argument bytes (empty ones included), each
        output stream into its own file.
    */
    ToolResult runDefaults (const std::vector<std::string>& args)
    {
        const juce::TemporaryFile outFile, errFile;

        std::vector<char*> argv { const_cast<char*> (QUILLON_DEFAULTS_TOOL) };

        for (const auto& arg : args)
            argv.push_back (const_cast<char*> (arg.c_str()));

        argv.push_back (nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init (&actions);
        posix_spawn_file_actions_addopen (&actions, STDOUT_FILENO, outFile.getFile().getFullPathName().toRawUTF8(),
                                          O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen (&actions, STDERR_FILENO, errFile.getFile().getFullPathName().toRawUTF8(),
                                          O_WRONLY | O_CREAT | O_TRUNC, 0600);

        ToolResult result;
        pid_t pid = 0;

        if (posix_spawn (&pid, QUILLON_DEFAULTS_TOOL, &actions, nullptr, argv.data(), environ) == 0)
        {
            int state = 0;

            if (waitpid (pid, &state, 0) == pid && WIFEXITED (state))
                result.status = WEXITSTATUS (state);
        }

        posix_spawn_file_actions_destroy (&actions);

        result.out = outFile.getFile().loadFileAsString();
        result.err = errFile.getFile().loadFileAsString();
        return result;
    }

    /** A failure: non-zero status, nothing on stdout, exactly one line on stderr. */
    void expectOneLineFailure (const ToolResult& r, const std::string& what)
    {
        EXPECT_NE (r.status, 0) << what;
        EXPECT_NE (r.status, -1) << what << ": did not run or exit normally";
        EXPECT_TRUE (r.out.isEmpty()) << what << ": " << r.out;
        EXPECT_TRUE (r.err.endsWithChar ('\n')) << what << ": " << r.err;
        EXPECT_EQ (r.err.trimEnd().indexOfChar ('\n'), -1) << what << ": " << r.err;
        EXPECT_TRUE (r.err.trim().isNotEmpty()) << what;
    }

    std::map<juce::String, juce::String> allDomainFiles()
    {
        std::map<juce::String, juce::String> result;

        for (auto* domain : ProductDomains::all)
            result[domain] = PreferenceDomain::getFileForDomain (domain).loadFileAsString();

        return result;
    }
}

//==============================================================================
TEST (DefaultsTool, DeletesAnExistingDomainWholeAndNothingElse)
{
    TestHome home;

    for (auto* domain : ProductDomains::all)
    {
        PreferenceDomain (domain).setInteger (7, ProductDomains::logLevelKey);
        PreferenceDomain (domain).setBool (true, "EnableAudioLogging");
    }

    auto expected = allDomainFiles();
    expected.erase ("com.tallowmere.Palvero2");

    const auto r = runDefaults ({ "delete", "com.tallowmere.Palvero2" });

    EXPECT_EQ (r.status, 0);
    EXPECT_TRUE (r.out.isEmpty()) << r.out;
    EXPECT_TRUE (r.err.isEmpty()) << r.err;

    EXPECT_FALSE (home["Library/Preferences/com.tallowmere.Palvero2.plist"].exists());
    EXPECT_EQ (PreferenceDomain ("com.tallowmere.Palvero2").integerForKey (ProductDomains::logLevelKey), 0);

    auto remaining = allDomainFiles();
    remaining.erase ("com.tallowmere.Palvero2");
    EXPECT_EQ (remaining, expected);
}

TEST (DefaultsTool, AMissingDomainFailsWithOneLineOnStandardError)
{
    TestHome home;

    // No Preferences folder at all: it must not be created either.
    auto r = runDefaults ({ "delete", "com.tallowmere.Kestrava5" });
    expectOneLineFailure (r, "no folder");
    EXPECT_TRUE (r.err.contains ("com.tallowmere.Kestrava5")) << r.err;
    EXPECT_FALSE (home["Library/Preferences"].exists());

    // Another domain is there; a folder standing where the file would be is no domain.
    home.writeFile ("Library/Preferences/com.tallowmere.Palvero2.plist", "x");
    home["Library/Preferences/com.tallowmere.Kestrava5.plist"].createDirectory();

    r = runDefaults ({ "delete", "com.tallowmere.Kestrava5" });
    expectOneLineFailure (r, "folder in place of the file");
    EXPECT_TRUE (home["Library/Preferences/com.tallowmere.Kestrava5.plist"].isDirectory());
    EXPECT_TRUE (home["Library/Preferences/com.tallowmere.Palvero2.plist"].existsAsFile());
}

TEST (DefaultsTool, RefusedNamesTouchNothing)
{
    TestHome home;

    // Each name, next to the file a plain "<folder>/<name>.plist" would reach.
    const std::vector<std::pair<std::string, juce::String>> refused
    {
        { "",                   "Library/Preferences/.plist" },
        { "sub/domain",         "Library/Preferences/sub/domain.plist" },
        { "../escape",          "Library/escape.plist" },
        { ".hidden",            "Library/Preferences/.hidden.plist" },
        { "..",                 "Library/Preferences/...plist" },
        { "/abs",               "Library/Preferences/abs.plist" }
    };

    for (const auto& [name, path] : refused)
        home.writeFile (path, "keep");

    for (const auto& [name, path] : refused)
    {
        expectOneLineFailure (runDefaults ({ "delete", name }), "\"" + name + "\"");
        EXPECT_TRUE (home[path].existsAsFile()) << name;
    }

    // Bytes that are not UTF-8 would name a different file once decoded.
    const std::string rawName = "com.tallowmere.\xff";
    const auto rawPath = home["Library/Preferences"].getFullPathName().toStdString() + "/" + rawName + ".plist";
    const auto fd = ::open (rawPath.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE (fd, 0);
    ::close (fd);

    expectOneLineFailure (runDefaults ({ "delete", rawName }), "not UTF-8");

    struct stat info;
    EXPECT_EQ (::stat (rawPath.c_str(), &info), 0);
}

TEST (DefaultsTool, ALinkedDomainFileLosesTheLinkNotItsTarget)
{
    TestHome home;
    const auto target = home.writeFile ("Elsewhere/real.plist", "keep");
    home["Library/Preferences"].createDirectory();
    ASSERT_TRUE (target.createSymbolicLink (home["Library/Preferences/com.tallowmere.Kestrava.plist"], false));

    const auto r = runDefaults ({ "delete", "com.tallowmere.Kestrava" });

    EXPECT_EQ (r.status, 0) << r.err;
    EXPECT_FALSE (home["Library/Preferences/com.tallowmere.Kestrava.plist"].isSymbolicLink());
    EXPECT_EQ (target.loadFileAsString(), "keep");
}

TEST (DefaultsTool, BadUsagePrintsAUsageLineAndTouchesNothing)
{
    TestHome home;
    const auto file = home.writeFile ("Library/Preferences/com.tallowmere.Kestrava5.plist", "keep");

    const std::vector<std::vector<std::string>> badUsages
    {
        {},
        { "delete" },
        { "read", "com.tallowmere.Kestrava5" },
        { "Delete", "com.tallowmere.Kestrava5" },
        { "delete", "com.tallowmere.Kestrava5", "ApplicationLogLevel" },
        { "com.tallowmere.Kestrava5" }
    };

    for (const auto& args : badUsages)
    {
        std::string what;

        for (const auto& arg : args)
            what += (what.empty() ? "" : " ") + arg;

        const auto r = runDefaults (args);

        expectOneLineFailure (r, "'" + what + "'");
        EXPECT_TRUE (r.err.contains ("usage")) << what << ": " << r.err;
        EXPECT_TRUE (file.existsAsFile()) << what;
    }
}
