/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include <gtest/gtest.h>

#include "platform/PreferenceDomain.h"
#include "platform/PropertyListFile.h"
#include "support/PlistReader.h"
#include "support/TestHome.h"

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
    const juce::String domain = "com.example.Fixture";
    const juce::String domainPath = "Library/Preferences/" + domain + ".plist";
    const juce::String levelKey = "ApplicationLogLevel";

    // Runs body in a forked child, so that a crash or a hang fails one check rather
    // than the whole run. Returns its exit status, or -1 if it died or was still
    // running when the bound ran out.
    int runInChild (const std::function<int()>& body, double boundMs = 2000.0)
    {
        const auto child = fork();

        if (child == 0)
            _exit (body());

        const auto deadline = juce::Time::getMillisecondCounterHiRes() + boundMs;
        int status = 0;

        while (waitpid (child, &status, WNOHANG) == 0)
        {
            if (juce::Time::getMillisecondCounterHiRes() > deadline)
            {
                kill (child, SIGKILL);
                waitpid (child, &status, 0);
                return -1;
            }

            juce::Thread::sleep (5);
        }

        return WIFEXITED (status) ? WEXITSTATUS (status) : -1;
    }

    // What a refused write must leave as it was, without reading a FIFO or a device.
    juce::String snapshot (const juce::File& file)
    {
        struct stat st;

        if (lstat (file.getFullPathName().toRawUTF8(), &st) != 0)
            return "missing";

        if (S_ISLNK (st.st_mode))
            return "link to " + file.getLinkedTarget().getFullPathName();

        return juce::String ((int) st.st_mode) + " "
             + (S_ISREG (st.st_mode) ? juce::String::toHexString (file.loadFileAsString().hashCode64()) : "");
    }

    int countEntries (const juce::File& folder)
    {
        return folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories);
    }

    juce::String plistHolding (const juce::String& body,
                               const juce::String& prolog = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n")
    {
        return prolog + "<plist version=\"1.0\"><dict><key>" + levelKey + "</key><integer>5</integer>"
             + body + "</dict></plist>\n";
    }

    std::function<void (const juce::File&)> textFile (const juce::String& text)
    {
        return [text] (const juce::File& file) { file.replaceWithText (text, false, false, "\n"); };
    }

    juce::String entityBomb()
    {
        juce::String dtd ("<!DOCTYPE plist [<!ENTITY e0 \"lol\">");

        for (int i = 1; i < 10; ++i)
            dtd << "<!ENTITY e" << i << " \"" << juce::String::repeatedString ("&e" + juce::String (i - 1) + ";", 10) << "\">";

        return dtd + "]>\n";
    }
}

TEST (PreferenceDomain, ReadsIntegersTheWayThePreferencesServiceAnswers)
{
    TestHome home;
    EXPECT_EQ (PreferenceDomain (domain).integerForKey ("int"), 0);

    PlistReader::write (home[domainPath],
                        "<key>int</key><integer>-12</integer><key>yes</key><true/><key>no</key><false/>"
                        "<key>real</key><real>-2.9</real><key>numeric</key><string> 42abc</string>"
                        "<key>word</key><string>seven</string><key>array</key><array><integer>7</integer></array>");

    const std::pair<const char*, juce::int64> expected[] =
        { { "int", -12 }, { "yes", 1 }, { "no", 0 }, { "real", -2 }, { "numeric", 42 }, { "word", 0 },
          { "array", 0 }, { "absent", 0 } };

    for (const auto& [key, value] : expected)
        EXPECT_EQ (PreferenceDomain (domain).integerForKey (key), value) << key;
}

TEST (PreferenceDomain, HostileFilesAreReadQuicklyAndNeverWritten)
{
    struct Row
    {
        const char* what;
        std::function<void (const juce::File&)> make;
        juce::int64 expectedRead = 0;
        bool unwritable = false;
    };

    const Row rows[] = {
        { "nested entities", textFile (plistHolding ("<key>bomb</key><string>&e9;</string>", entityBomb())) },
        { "an internal entity", textFile (plistHolding ("", "<!DOCTYPE plist [<!ENTITY x \"1\">]>\n")) },
        { "20,000 nested arrays", textFile (plistHolding ("<key>deep</key>" + juce::String::repeatedString ("<array>", 20000)
                                                          + juce::String::repeatedString ("</array>", 20000))) },
        { "a processing instruction in a value", textFile (plistHolding ("<key>note</key><string>a<?pi?>b</string>")) },
        { "a FIFO", [] (const juce::File& file) { mkfifo (file.getFullPathName().toRawUTF8(), 0644); } },
        { "a link to a device", [] (const juce::File& file) { juce::File ("/dev/zero").createSymbolicLink (file, true); } },
        { "a file over the size cap", textFile (plistHolding ("<key>pad</key><string>" + juce::String::repeatedString ("x", PropertyListFile::maxFileSize) + "</string>")) },
        { "a foreign encoding", textFile (plistHolding ("", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n")) },
        { "a binary plist", textFile ("bplist00\x01\x02") },
        { "keys that do not alternate", textFile ("<plist><dict><key>a</key><key>b</key><integer>1</integer></dict></plist>") },
        { "a file this user may not write",
          [] (const juce::File& file)
          {
              textFile (plistHolding ({})) (file);
              chmod (file.getFullPathName().toRawUTF8(), 0444);

              // Root may write anything, so the write runs as another user who owns the folder.
              if (getuid() == 0)
              {
                  chmod (file.getParentDirectory().getParentDirectory().getParentDirectory().getFullPathName().toRawUTF8(), 0755);
                  chown (file.getParentDirectory().getFullPathName().toRawUTF8(), 65534, 65534);
              }
          }, 5, true },
    };

    for (const auto& row : rows)
    {
        TestHome home;
        const auto file = home[domainPath];
        file.getParentDirectory().createDirectory();
        row.make (file);
        const auto before = snapshot (file);

        // 0 when the read gives what it should and the write is refused.
        const auto status = runInChild ([&row]
        {
            if (row.unwritable && getuid() == 0 && (setgid (65534) != 0 || setuid (65534) != 0))
                return 4;

            const auto read = PreferenceDomain (domain).integerForKey (levelKey);
            return (read == row.expectedRead ? 0 : 1) + (PreferenceDomain (domain).setInteger (7, levelKey) ? 2 : 0);
        });

        EXPECT_EQ (status, 0) << row.what;
        EXPECT_EQ (snapshot (file), before) << row.what;
        EXPECT_EQ (countEntries (file.getParentDirectory()), 1) << row.what;
    }
}

TEST (PreferenceDomain, WritesKeepEveryOtherKeyAsAnOutsideReaderReadsIt)
{
    // Compares, type for type, the original's keys plus the two written with what the file holds now.
    const auto compare = "import ast, plistlib, sys\n"
                         "def typed(v):\n"
                         "    if isinstance(v, dict): return {k: typed(x) for k, x in v.items()}\n"
                         "    if isinstance(v, list): return [typed(x) for x in v]\n"
                         "    return (type(v).__name__, v)\n"
                         "load = lambda path: plistlib.load(open(path, 'rb'))\n"
                         "expected = load(sys.argv[1]) if sys.argv[1] != '-' else {}\n"
                         "expected.update(ast.literal_eval(sys.argv[3]))\n"
                         "actual = load(sys.argv[2])\n"
                         "print('same' if typed(actual) == typed(expected) else '%r\\n!= %r' % (actual, expected))\n";

    const char* const documents[] = {
        nullptr,
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
        "<plist version=\"1.0\">\n<dict>\n"
        "\t<key>ApplicationLogLevel</key>\n\t<string>old</string>\n"
        "\t<key>space</key>\n\t<string> </string>\n\t<key>tab</key>\n\t<string>\t</string>\n"
        "\t<key>newline</key>\n\t<string>\n</string>\n\t<key>empty</key>\n\t<string/>\n"
        "\t<key>markup</key>\n\t<string>A &amp; B &lt; C &#233; <![CDATA[<&>]]></string>\n"
        "\t<!-- kept -->\n"
        "\t<key>text</key>\n\t<string>Grüße, 日本, 😀</string>\n"
        "\t<key>when</key>\n\t<date>2025-01-02T03:04:05Z</date>\n"
        "\t<key>blob</key>\n\t<data>\n\tAAEC\n\t/w==\n\t</data>\n"
        "\t<key>numbers</key>\n\t<array><integer>-12</integer><real>-0.5</real><real>1e3</real><false/></array>\n"
        "\t<key>window</key>\n\t<dict><key>frame</key><dict><key>x</key><array><integer>1</integer></array></dict></dict>\n"
        "\t<key>ApplicationLogLevel</key>\n\t<integer>1</integer>\n"
        "</dict>\n</plist>\n",
        "<?xml version='1.0' encoding='utf-8'?><plist version=\"1.0\"><!-- kept --><dict><key>a\r\nb</key>"
        "<string>c\r\nd</string><key>nested</key><dict/></dict></plist>",
        "<plist version=\"1.0\"><!-- kept --><dict/></plist>",
    };

    for (const auto* document : documents)
    {
        TestHome home;
        const auto file = home[domainPath];
        const auto original = home["original.plist"];

        if (document != nullptr)
        {
            original.replaceWithText (juce::String::fromUTF8 (document), false, false, nullptr);
            file.getParentDirectory().createDirectory();
            original.copyFileTo (file);
        }

        EXPECT_TRUE (PreferenceDomain (domain).setInteger (3, levelKey));
        EXPECT_TRUE (PreferenceDomain (domain).setBool (true, "EnableAudioLogging"));
        EXPECT_EQ (PreferenceDomain (domain).integerForKey (levelKey), 3);

        juce::ChildProcess python;
        ASSERT_TRUE (python.start (juce::StringArray { "python3", "-c", compare,
                                                       document != nullptr ? original.getFullPathName() : "-",
                                                       file.getFullPathName(),
                                                       "{'ApplicationLogLevel': 3, 'EnableAudioLogging': True}" }));
        EXPECT_EQ (python.readAllProcessOutput().trim(), "same") << (document != nullptr ? document : "no file");
        EXPECT_EQ (file.loadFileAsString().contains ("<!-- kept -->"), document != nullptr);
        EXPECT_EQ (countEntries (file.getParentDirectory()), 1);
    }
}

TEST (PreferenceDomain, AWriteCutShortByAFileSizeLimitLeavesTheDomainAsItWas)
{
    TestHome home;
    juce::String keys;

    for (int i = 0; i < 200; ++i)
        keys << "<key>Key" << i << "</key><string>value " << i << "</string>\n";

    const auto file = PlistReader::write (home[domainPath], keys);
    const auto before = file.loadFileAsString();
    ASSERT_GT (before.length(), 4096);

    // The signal that a write past the limit raises must not end the program either.
    const auto status = runInChild ([]
    {
        const rlimit limit { 4096, 4096 };
        setrlimit (RLIMIT_FSIZE, &limit);
        std::signal (SIGXFSZ, SIG_DFL);
        return PreferenceDomain (domain).setInteger (3, levelKey) ? 1 : 0;
    });

    EXPECT_EQ (status, 0);
    EXPECT_EQ (file.loadFileAsString(), before);
    EXPECT_EQ (countEntries (file.getParentDirectory()), 1);
}

TEST (PreferenceDomain, WritesKeepTheModeAndGoThroughALink)
{
    for (const auto& [mode, throughLink] : { std::pair (0600, false), std::pair (0640, true) })
    {
        TestHome home;
        const auto domainFile = home[domainPath];
        const auto target = throughLink ? home["Elsewhere/real.plist"] : domainFile;
        PlistReader::write (target, "<key>Other</key><integer>1</integer>");
        chmod (target.getFullPathName().toRawUTF8(), (mode_t) mode);

        if (throughLink)
        {
            domainFile.getParentDirectory().createDirectory();
            ASSERT_EQ (symlink ("../../Elsewhere/real.plist", domainFile.getFullPathName().toRawUTF8()), 0);
        }

        EXPECT_TRUE (PreferenceDomain (domain).setInteger (3, levelKey));

        struct stat st;
        ASSERT_EQ (stat (target.getFullPathName().toRawUTF8(), &st), 0);
        EXPECT_EQ (st.st_mode & 0777, (mode_t) mode);
        EXPECT_EQ (domainFile.isSymbolicLink(), throughLink);
        EXPECT_EQ (PlistReader::read (target), (std::map<juce::String, juce::String> { { "Other", "integer:1" }, { levelKey, "integer:3" } }));
        EXPECT_EQ (countEntries (target.getParentDirectory()), 1);
        EXPECT_EQ (countEntries (domainFile.getParentDirectory()), 1);
    }
}

TEST (PreferenceDomain, RefusesNamesThatCannotStandForADomain)
{
    TestHome home;

    for (const auto* name : { "", "../escape", "a/b", ".hidden" })
    {
        EXPECT_FALSE (PreferenceDomain::isValidDomainName (name)) << name;
        EXPECT_FALSE (PreferenceDomain (name).setInteger (7, levelKey)) << name;
    }

    EXPECT_FALSE (home.getFolder().getSiblingFile ("escape.plist").exists());
}
