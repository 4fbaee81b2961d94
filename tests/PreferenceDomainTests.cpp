/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/


#include <gtest/gtest.h>

#include "platform/PreferenceDomain.h"
#include "support/TestHome.h"
#include "support/WaitingWriter.h"

#include <csignal>
#include <functional>
#include <optional>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
    const juce::String domain = "com.example.Fixture", levelKey = "ApplicationLogLevel", domainPath = "Library/Preferences/" + domain + ".plist";

    // How many entries the domain's folder holds, where the domain leads, its mode and,
    // if asked, the bytes of a regular file in its place; what a link leads to is never opened.
    juce::String snapshot (const juce::File& path, bool withContents)
    {
        struct stat st {};
        juce::MemoryBlock data;
        const auto entries = path.getParentDirectory().getNumberOfChildFiles (juce::File::findFilesAndDirectories);
        const auto where = juce::String (entries) + " " + path.getLinkedTarget().getFileName();
        return stat (path.getFullPathName().toRawUTF8(), &st) != 0 ? where : where + " " + juce::String ((int) st.st_mode)
             + (withContents && S_ISREG (st.st_mode) && ! path.isSymbolicLink() && path.loadFileAsData (data) ? " " + data.toBase64Encoding() : "");
    }

    std::string repeated (const juce::String& text, int times)   { return juce::String::repeatedString (text, times).toStdString(); }

    // A domain holding level 5, then body.
    std::string plist (const std::string& body, const std::string& prolog = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n")
        { return prolog + "<plist version=\"1.0\"><dict><key>ApplicationLogLevel</key><integer>5</integer>" + body + "</dict></plist>\n"; }

    std::string nested (int depth)     { return plist ("<key>deep</key>" + repeated ("<array>", depth - 2) + repeated ("</array>", depth - 2)); }

    auto file (const std::string& text, mode_t mode = 0644)
        { return [=] (const juce::File& path) { path.replaceWithData (text.data(), text.size()); chmod (path.getFullPathName().toRawUTF8(), mode); }; }

    auto link (const char* target)   { return [=] (const juce::File& path) { symlink (target, path.getFullPathName().toRawUTF8()); }; }
}

TEST (PreferenceDomain, ReadsLikeThePreferencesServiceAndNeverHangsOnOrWritesAHostileFile)
{
    // Each row: what the level reads, and whether a write of 7 goes through; one that
    // does not must leave the Preferences folder exactly as it was.
    struct Row { const char* what; std::function<void (const juce::File&)> make; juce::int64 read = 0; bool writes = false; rlim_t sizeLimit = RLIM_INFINITY; bool writerWaits = false; };
    std::vector<Row> rows {
        { "no level", file ("<plist version=\"1.0\"><dict/></plist>"), 0, true },
        { "a key that differs in case", file (plist ("<key>applicationloglevel</key><integer>9</integer>")), 5, true },
        { "nesting as deep as the bound", file (nested (128)), 5, true },
        { "a 0600 file", file (plist (""), 0600), 5, true },
        { "a link to a 0640 file", [] (const juce::File& path) { file (plist (""), 0640) (path.getSiblingFile ("real")); link ("real") (path); }, 5, true },
        { "a file this user may not write", file (plist (""), 0444), 5 },
        { "a write cut short by a file-size limit", file (plist (repeated ("<key>k</key><string>some value</string>\n", 200))), 5, false, 4096 },
        { "nested entity declarations", file (plist ("", "<!DOCTYPE plist [<!ENTITY a \"lol\"><!ENTITY b \"&a;&a;&a;\">]>\n")) },
        { "a DOCTYPE hiding a document", file (plist ("", "<!DOCTYPE plist SYSTEM \"><plist><dict><key>ApplicationLogLevel</key><integer>7</integer></dict></plist><!--\">")) },
        { "a declaration after the document", file (plist ("") + "<!ENTITY x \"1\">") },
        { "an undeclared entity", file (plist ("<key>x</key><string>&x;</string>")) },
        { "a reference to a control character", file (plist ("<key>x</key><string>&#1;</string>")) },
        { "a control character", file (plist ("<key>x</key><string>\x1b</string>")) },
        { "Latin-1 text", file (plist ("<key>x</key><string>\xe9t\xe9</string>")) },
        { "a foreign encoding", file (plist ("", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n")) },
        { "a processing instruction in a value", file (plist ("<key>x</key><string>a<?pi?>b</string>")) },
        { "nesting one deeper than the bound", file (nested (129)) },
        { "20,000 nested arrays", file (nested (20000)) },
        { "a file over the size cap", file (plist ("<!--" + std::string (4 << 20, 'x') + "-->")) },
        { "a binary plist", file ("bplist00\x01\x02") },
        { "keys that do not alternate", file (plist ("<key>a</key><key>b</key><integer>1</integer><integer>2</integer>")) },
        { "a FIFO", [] (const juce::File& path) { mkfifo (path.getFullPathName().toRawUTF8(), 0644); } },
        { "a FIFO with a writer waiting in open, which must stay so", nullptr, 0, false, RLIM_INFINITY, true },
        { "a link to a device", link ("/dev/zero") },
        { "a dangling link", link ("nowhere") },
       #ifndef __SANITIZE_ADDRESS__
        { "a file larger than it says", link ("/proc/self/pagemap") },  // slow under the sanitizer's vast mappings
       #endif
    };

    // Values of the level, each with what it reads as; the last of two keys counts.
    const std::pair<const char*, juce::int64> levels[] = {
        { "<integer>-12</integer>", -12 }, { "<integer>8589934599</integer>", 8589934599 }, { "<true/>", 1 }, { "<false/>", 0 },
        { "<real>-2.9</real>", -2 }, { "<string> 42abc</string>", 42 }, { "<string>-7 days</string>", -7 }, { "<string>seven</string>", 0 },
        { "<array><integer>7</integer></array>", 0 } };

    for (const auto& [value, read] : levels)
        rows.push_back ({ value, file (plist ("<key>ApplicationLogLevel</key>" + std::string (value))), read, true });

    for (const auto& row : rows)
    {
        TestHome home;
        home[domainPath].getParentDirectory().createDirectory();
        std::optional<WaitingWriter> writer;

        if (row.writerWaits)
            writer.emplace (home[domainPath]);
        else
            row.make (home[domainPath]);

        // Root may write anything: under root the rows run as another user, who owns the home folder.
        ASSERT_TRUE (getuid() != 0 || std::system (("chown -hR 65534:65534 " + home.getFolder().getFullPathName().quoted ('\'')).toRawUTF8()) == 0);

        const auto before = snapshot (home[domainPath], ! row.writes);

        // The child bounds a crash or a hang to the row; its exit status tells what went wrong.
        const auto child = fork();

        if (child == 0)
        {
            alarm (2);
            std::signal (SIGXFSZ, SIG_DFL); // a write past the limit must not end the program either
            const rlimit limit { row.sizeLimit, row.sizeLimit };
            const auto limited = row.sizeLimit == RLIM_INFINITY || setrlimit (RLIMIT_FSIZE, &limit) == 0;

            if (! limited || (getuid() == 0 && (setgid (65534) != 0 || setuid (65534) != 0)))
                _exit (8);

            prctl (PR_SET_DUMPABLE, 1);     // keeps /proc/self readable after the change of user

            const auto read = PreferenceDomain (domain).integerForKey (levelKey);
            const auto wrote = PreferenceDomain (domain).setInteger (7, levelKey);
            _exit ((read != row.read ? 1 : 0) + (wrote != row.writes ? 2 : 0) + (PreferenceDomain (domain).integerForKey (levelKey) != (wrote ? 7 : read) ? 4 : 0));
        }

        int status = -1;
        waitpid (child, &status, 0);
        EXPECT_EQ (status, 0) << row.what;
        EXPECT_EQ (snapshot (home[domainPath], ! row.writes), before) << row.what;
        EXPECT_TRUE (! writer || writer->isStillWaiting()) << row.what;
    }
}

TEST (PreferenceDomain, WritesChangeOnlyTheirOwnValueAsAnOutsideReaderSees)
{
    const auto compare = "import plistlib, sys\n"
                         "expected = plistlib.loads(sys.argv[2].encode()) if sys.argv[2:] and sys.argv[2] else {}\n"
                         "expected.update(ApplicationLogLevel=3, EnableAudioLogging=True)\n"
                         "actual, expected = repr(plistlib.load(open(sys.argv[1], 'rb'))), repr(expected)\n" // repr tells True from 1
                         "print('same' if actual == expected else actual + '\\n!= ' + expected)\n";

    // Each document, and the bytes it must hold after the two writes where they are given.
    const std::pair<const char*, const char*> documents[] = {
        { nullptr, nullptr },
        { "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
          "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<plist version=\"1.0\">\n<dict>\n"
          "<key>ApplicationLogLevel</key><string>old</string><key>space</key><string> </string><key>tab</key><string>\t</string><key>newline</key><string>\n</string>"
          "<key>empty</key><string/><!-- kept --><key>text</key><string>Grüße, 日本, 😀</string><key>when</key><date>2025-01-02T03:04:05Z</date>\n"
          "<key>markup</key><string>A &amp; B &lt; C &#233; <![CDATA[<&>]]></string><key>blob</key><data>\n\tAAEC\n\t/w==\n\t</data>\n"
          "<key>numbers</key><array><integer>-12</integer><real>-0.5</real><real>1e3</real><false/></array><key>window</key><dict><key>frame</key>"
          "<dict><key>x</key><array><integer>1</integer></array></dict></dict>\n<key>ApplicationLogLevel</key><integer>1</integer></dict>\n</plist>\n", nullptr },
        { "<?xml version='1.0' encoding='utf-8'?><plist version=\"1.0\"><!-- kept --><dict><key>a\r\nb</key><string>c\r\nd</string>"
          "<key>ApplicationLogLevel</key><integer>1</integer><key>nested</key><dict/></dict></plist>",
          "<?xml version='1.0' encoding='utf-8'?><plist version=\"1.0\"><!-- kept --><dict><key>a\r\nb</key><string>c\r\nd</string>"
          "<key>ApplicationLogLevel</key><integer>3</integer><key>nested</key><dict/>\n\t<key>EnableAudioLogging</key>\n\t<true/>\n</dict></plist>" },
    };

    for (const auto& [document, after] : documents)
    {
        TestHome home;

        if (document != nullptr && home[domainPath].getParentDirectory().createDirectory())
            file (document) (home[domainPath]);

        EXPECT_TRUE (PreferenceDomain (domain).setInteger (3, levelKey) && PreferenceDomain (domain).setBool (true, "EnableAudioLogging"));

        juce::ChildProcess python;
        ASSERT_TRUE (python.start (juce::StringArray { "python3", "-c", compare, home[domainPath].getFullPathName(), juce::String::fromUTF8 (document) }));
        EXPECT_EQ (python.readAllProcessOutput().trim(), "same") << (document != nullptr ? document : "no file");
        EXPECT_TRUE (after == nullptr || home[domainPath].loadFileAsString() == juce::String::fromUTF8 (after)) << home[domainPath].loadFileAsString();
    }
}

TEST (PreferenceDomain, RemovesOnlyAFileOrALinkInADomainsPlaceAndRefusesNamesThatCannotStandForOne)
{
    TestHome home;
    const auto target = home.writeFile ("Elsewhere/target.plist", "x"), folder = home.writeFile (domainPath, "x").getSiblingFile ("folder.plist");
    folder.createDirectory();
    target.createSymbolicLink (folder.getSiblingFile ("link.plist"), true);

    using Result = PreferenceDomain::RemovalResult;
    const std::pair<const char*, Result> names[] = {
        { "com.example.Fixture", Result::removed }, { "link", Result::removed }, { "folder", Result::notFound }, { "missing", Result::notFound },
        { "", Result::invalidName }, { "../escape", Result::invalidName }, { "a/b", Result::invalidName }, { ".hidden", Result::invalidName } };

    // A name that is refused is refused for writing too, and nothing is made for it.
    for (const auto& [name, result] : names)
        EXPECT_TRUE (PreferenceDomain::removeDomain (name) == result && (result != Result::invalidName || ! PreferenceDomain (name).setInteger (7, levelKey))) << name;

    // Library holds only the Preferences folder, and it only the folder in it.
    EXPECT_TRUE (target.existsAsFile() && folder.isDirectory() && home["Library"].findChildFiles (juce::File::findFilesAndDirectories, true).size() == 2);
}
