/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include <gtest/gtest.h>

#include "app/MainComponent.h"
#include "app/MaintenanceActions.h"
#include "app/ProductDomains.h"
#include "platform/PreferenceDomain.h"
#include "support/MessagePump.h"
#include "support/TestHome.h"

#include <csignal>
#include <cstdlib>
#include <map>
#include <sys/wait.h>

namespace
{
    //==============================================================================
    /** Points PATH at the given text while it lives. */
    class ScopedSearchPath final
    {
    public:
        explicit ScopedSearchPath (const juce::String& path)
            : previous (juce::SystemStats::getEnvironmentVariable ("PATH", {}))
        {
            setenv ("PATH", path.toRawUTF8(), 1);
        }

        ~ScopedSearchPath()
        {
            setenv ("PATH", previous.toRawUTF8(), 1);
        }

        /** Puts a folder in front of the current search path. */
        static juce::String inFront (const juce::File& folder)
        {
            return folder.getFullPathName() + ":" + juce::SystemStats::getEnvironmentVariable ("PATH", {});
        }

    private:
        juce::String previous;

        JUCE_DECLARE_NON_COPYABLE (ScopedSearchPath)
    };

    //==============================================================================
    /**
        A folder holding a shell script named `defaults` that records its arguments and
        its process ID, then runs the given tail. Every stub still running at the end is
        killed by its recorded ID and collected.
    */
    class StubDefaults final
    {
    public:
        explicit StubDefaults (const juce::String& tail)
        {
            folder.createDirectory();

            const auto script = folder.getChildFile ("defaults");
            script.replaceWithText ("#!/bin/sh\n"
                                    "out=file; [ -p /dev/stdout ] && out=pipe\n"
                                    "err=file; [ -p /dev/stderr ] && err=pipe\n"
                                    "printf '%s|%s|%s\\n' \"$*\" \"$out\" \"$err\" >> '" + logFile().getFullPathName() + "'\n"
                                    "echo $$ >> '" + pidFile().getFullPathName() + "'\n"
                                    + tail + "\n",
                                    false, false, "\n");
            script.setExecutePermission (true);
        }

        ~StubDefaults()
        {
            // Only a child of ours that nobody has collected yet is killed: an ID that
            // was already collected may belong to another process by now.
            for (auto pid : getPids())
            {
                if (::waitpid (pid, nullptr, WNOHANG) == 0)
                {
                    ::kill (pid, SIGKILL);
                    ::waitpid (pid, nullptr, 0);
                }
            }

            folder.deleteRecursively();
        }

        juce::File getFolder() const                { return folder; }

        /** One line per run: the arguments, then where stdout and stderr went. */
        juce::StringArray getCalls() const
        {
            juce::StringArray lines;
            lines.addLines (logFile().loadFileAsString().trimEnd());
            lines.removeEmptyStrings();
            return lines;
        }

        juce::Array<pid_t> getPids() const
        {
            juce::StringArray lines;
            lines.addLines (pidFile().loadFileAsString());
            lines.removeEmptyStrings();

            juce::Array<pid_t> pids;

            for (const auto& line : lines)
                pids.add ((pid_t) line.getIntValue());

            return pids;
        }

    private:
        juce::File logFile() const  { return folder.getChildFile ("calls.log"); }
        juce::File pidFile() const  { return folder.getChildFile ("pids.log"); }

        juce::File folder { juce::File::getSpecialLocation (juce::File::tempDirectory)
                                .getNonexistentChildFile ("quillon-stub", {}, false) };

        JUCE_DECLARE_NON_COPYABLE (StubDefaults)
    };

    /** True while a process exists and has not ended (a zombie has ended). */
    bool isStillRunning (pid_t pid)
    {
        const auto stat = juce::File ("/proc/" + juce::String (pid) + "/stat").loadFileAsString();
        return stat.isNotEmpty() && stat.fromLastOccurrenceOf (")", false, false).trimStart()[0] != 'Z';
    }

    double millisecondsToRun (const std::function<void()>& action)
    {
        const auto start = juce::Time::getMillisecondCounterHiRes();
        action();
        return juce::Time::getMillisecondCounterHiRes() - start;
    }

    const juce::StringArray expectedCalls { "delete com.tallowmere.Kestrava5|pipe|pipe",
                                            "delete com.tallowmere.Palvero2|pipe|pipe" };

    //==============================================================================
    juce::File domainFile (const char* domain)
    {
        return PreferenceDomain::getFileForDomain (domain);
    }

    void writeAllDomains()
    {
        for (auto* domain : ProductDomains::all)
        {
            PreferenceDomain (domain).setInteger (ProductDomains::extendedLogLevel, ProductDomains::logLevelKey);
            PreferenceDomain (domain).setBool (true, "EnableAudioLogging");
        }
    }

    /** The contents of the four domains that are never reset. */
    std::map<juce::String, juce::String> otherDomains()
    {
        std::map<juce::String, juce::String> result;

        for (auto* domain : ProductDomains::all)
            if (std::find (ProductDomains::primary.begin(), ProductDomains::primary.end(), domain) == ProductDomains::primary.end())
                result[domain] = domainFile (domain).loadFileAsString();

        return result;
    }

    juce::File folderOfBuiltTool()
    {
        return juce::File (QUILLON_DEFAULTS_TOOL).getParentDirectory();
    }
}

//==============================================================================
TEST (DeletePreferences, OurDefaultsRemovesBothPrimaryDomainsOnly)
{
    TestHome home;
    ScopedSearchPath path (ScopedSearchPath::inFront (folderOfBuiltTool()));
    writeAllDomains();
    const auto othersBefore = otherDomains();

    MaintenanceActions::deletePreferences();

    for (auto* domain : ProductDomains::primary)
        EXPECT_FALSE (domainFile (domain).exists()) << domain;

    EXPECT_EQ (otherDomains(), othersBefore);

    // Both domains gone now: both commands fail at once and nothing else changes.
    EXPECT_LT (millisecondsToRun ([] { MaintenanceActions::deletePreferences(); }), 1500.0);
    EXPECT_EQ (otherDomains(), othersBefore);
}

TEST (DeletePreferences, RunsBothCommandsInOrderWithOutputIntoThePipe)
{
    TestHome home;
    StubDefaults stub ("exit 3");
    ScopedSearchPath path (ScopedSearchPath::inFront (stub.getFolder()));

    const auto elapsed = millisecondsToRun ([] { MaintenanceActions::deletePreferences(); });

    EXPECT_EQ (stub.getCalls(), expectedCalls);
    EXPECT_LT (elapsed, 1500.0) << "a command that ends at once must not be waited for in full";
}

TEST (DeletePreferences, AHangingCommandIsGivenOneSecondAndTheNextStillRuns)
{
    TestHome home;
    StubDefaults stub ("exec sleep 600");
    ScopedSearchPath path (ScopedSearchPath::inFront (stub.getFolder()));

    const auto elapsed = millisecondsToRun ([] { MaintenanceActions::deletePreferences(); });

    EXPECT_GE (elapsed, 1900.0);
    EXPECT_LT (elapsed, 3000.0);
    EXPECT_EQ (stub.getCalls(), expectedCalls);

    // Neither child was stopped: both go on by themselves.
    const auto pids = stub.getPids();
    ASSERT_EQ (pids.size(), 2);

    for (auto pid : pids)
        EXPECT_TRUE (isStillRunning (pid)) << pid;
}

TEST (DeletePreferences, ReturnsAtOnceWithNoDefaultsOnTheSearchPath)
{
    TestHome home;
    const auto emptyFolder = home["empty-bin"];
    emptyFolder.createDirectory();
    writeAllDomains();

    double elapsed = 0;

    {
        ScopedSearchPath path (emptyFolder.getFullPathName());
        elapsed = millisecondsToRun ([] { MaintenanceActions::deletePreferences(); });
    }

    EXPECT_LT (elapsed, 800.0);

    for (auto* domain : ProductDomains::all)
        EXPECT_TRUE (domainFile (domain).existsAsFile()) << domain;
}

//==============================================================================
namespace
{
    struct ControlState
    {
        bool enabled;
        bool ticked;

        bool operator== (const ControlState& other) const   { return enabled == other.enabled && ticked == other.ticked; }
    };

    std::map<juce::String, ControlState> controlStates (MainComponent& panel)
    {
        std::map<juce::String, ControlState> states;

        for (auto* child : panel.getChildren())
            if (auto* button = dynamic_cast<juce::Button*> (child))
                states[button->getButtonText()] = { button->isEnabled(), button->getToggleState() };

        return states;
    }

    std::ostream& operator<< (std::ostream& os, const ControlState& s)
    {
        return os << (s.enabled ? "enabled" : "disabled") << (s.ticked ? "+ticked" : "");
    }
}

TEST (DeletePreferences, PanelKeepsItsStatesAndARestartShowsExtendedLoggingOff)
{
    TestHome home;
    ScopedSearchPath path (ScopedSearchPath::inFront (folderOfBuiltTool()));

    for (auto* domain : ProductDomains::primary)
        PreferenceDomain (domain).setInteger (ProductDomains::extendedLogLevel, ProductDomains::logLevelKey);

    {
        MainComponent panel;
        ASSERT_TRUE (panel.disableExtendedLoggingButton.isEnabled());

        panel.satLinkLoggingToggle.setToggleState (true, juce::sendNotificationSync);
        panel.audioLoggingToggle.setToggleState (true, juce::sendNotificationSync);
        const auto before = controlStates (panel);
        ASSERT_EQ (before.size(), 13u);

        panel.deletePreferencesButton.triggerClick();

        ASSERT_TRUE (pumpMessagesUntil ([] { return ! domainFile (ProductDomains::primary[0]).exists()
                                                 && ! domainFile (ProductDomains::primary[1]).exists(); }));

        EXPECT_EQ (controlStates (panel), before);
    }

    MainComponent restarted;

    EXPECT_TRUE (restarted.enableExtendedLoggingButton.isEnabled());
    EXPECT_FALSE (restarted.disableExtendedLoggingButton.isEnabled());
    EXPECT_FALSE (restarted.satLinkLoggingToggle.isEnabled());
    EXPECT_FALSE (restarted.satLinkLoggingToggle.getToggleState());
    EXPECT_FALSE (restarted.audioLoggingToggle.isEnabled());
}

//==============================================================================
namespace
{
    const juce::String kestravaFolder = "Library/Application Support/Kestrava";
    const juce::String palveroFolder  = "Library/Application Support/Palvero";

    void clickDeleteSettingsFiles()
    {
        MainComponent panel;
        panel.deleteSettingsFilesButton.onClick();
    }
}

TEST (DeleteSettingsFiles, DeletesOnlyFilesEndingInTheThreeEndingsDirectlyInTheFolder)
{
    TestHome home;

    const std::map<juce::String, bool> shouldBeDeleted
    {
        { "Show.ksdisp",        true },
        { "Show.KSDISP",        false },
        { "Showksar",           true },
        { "Show.kspr",          true },
        { ".hidden.kspr",       true },
        { "ksar",               true },
        { "Show.ksdisp.bak",    false },
        { "Show.Ksar",          false },
        { "Show.ksprx",         false },
        { "Show.txt",           false }
    };

    for (const auto& [name, _] : shouldBeDeleted)
        home.writeFile (kestravaFolder + "/" + name, name);

    home.writeFile (kestravaFolder + "/Bundle.ksdisp/Contents.txt", "inside a folder");
    home.writeFile (kestravaFolder + "/Sub/Inner.ksar", "inside a sub-folder");

    clickDeleteSettingsFiles();

    for (const auto& [name, deleted] : shouldBeDeleted)
        EXPECT_EQ (home[kestravaFolder + "/" + name].exists(), ! deleted) << name;

    EXPECT_TRUE (home[kestravaFolder + "/Bundle.ksdisp"].isDirectory());
    EXPECT_TRUE (home[kestravaFolder + "/Bundle.ksdisp/Contents.txt"].existsAsFile());
    EXPECT_TRUE (home[kestravaFolder + "/Sub/Inner.ksar"].existsAsFile());
}

TEST (DeleteSettingsFiles, BothFoldersAreCleanedWithTheSameEndings)
{
    TestHome home;

    for (const auto& folder : { kestravaFolder, palveroFolder })
    {
        home.writeFile (folder + "/a.ksdisp", "x");
        home.writeFile (folder + "/b.ksar", "x");
        home.writeFile (folder + "/c.kspr", "x");
        home.writeFile (folder + "/keep.plist", "x");
    }

    clickDeleteSettingsFiles();

    for (const auto& folder : { kestravaFolder, palveroFolder })
    {
        EXPECT_EQ (home[folder].getNumberOfChildFiles (juce::File::findFilesAndDirectories), 1) << folder;
        EXPECT_TRUE (home[folder + "/keep.plist"].existsAsFile()) << folder;
    }
}

TEST (DeleteSettingsFiles, AMissingFolderIsSkippedAndNotCreated)
{
    for (const auto& [present, missing] : { std::pair { kestravaFolder, palveroFolder },
                                            std::pair { palveroFolder, kestravaFolder } })
    {
        TestHome home;
        home.writeFile (present + "/Show.ksar", "x");
        home.writeFile (present + "/keep.txt", "x");

        clickDeleteSettingsFiles();

        EXPECT_FALSE (home[present + "/Show.ksar"].exists()) << present;
        EXPECT_TRUE (home[present + "/keep.txt"].existsAsFile()) << present;
        EXPECT_FALSE (home[missing].exists()) << missing;
    }
}

TEST (DeleteSettingsFiles, LinksAreRemovedButNeverWhatTheyPointAt)
{
    TestHome home;
    const auto targetFile = home.writeFile ("Elsewhere/precious.txt", "keep me");
    const auto targetFolder = home["Elsewhere"];
    home[kestravaFolder].createDirectory();

    ASSERT_TRUE (targetFile.createSymbolicLink (home[kestravaFolder + "/link.ksar"], false));
    ASSERT_TRUE (targetFolder.createSymbolicLink (home[kestravaFolder + "/folderlink.ksdisp"], false));

    clickDeleteSettingsFiles();

    EXPECT_FALSE (home[kestravaFolder + "/link.ksar"].isSymbolicLink());
    EXPECT_EQ (targetFile.loadFileAsString(), "keep me");
    EXPECT_TRUE (home[kestravaFolder + "/folderlink.ksdisp"].isSymbolicLink());
}

TEST (DeleteSettingsFiles, DeletingWhileWalkingMissesNoFile)
{
    TestHome home;
    constexpr int count = 300;

    for (int i = 0; i < count; ++i)
    {
        home.writeFile (kestravaFolder + "/settings" + juce::String (i) + ".kspr", "x");
        home.writeFile (kestravaFolder + "/other" + juce::String (i) + ".txt", "x");
    }

    clickDeleteSettingsFiles();

    EXPECT_EQ (home[kestravaFolder].getNumberOfChildFiles (juce::File::findFiles), count);
    EXPECT_EQ (home[kestravaFolder].getNumberOfChildFiles (juce::File::findFiles, "*.kspr"), 0);
}
