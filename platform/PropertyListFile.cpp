/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "PropertyListFile.h"

#include "GuardedFile.h"
#include "StrictUtf8.h"

#include <optional>
#include <string_view>

namespace
{
    constexpr std::string_view emptyDocument =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
        "<plist version=\"1.0\">\n<dict>\n</dict>\n</plist>\n";

    bool isSpace (char c) noexcept    { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

    bool isNameChar (char c, bool first) noexcept
    {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':'
            || (! first && ((c >= '0' && c <= '9') || c == '-' || c == '.'));
    }

    // Where the root dictionary and its children lie in the document's bytes.
    struct Outline
    {
        struct Child
        {
            std::string_view tag;
            size_t begin, end;
        };

        std::vector<Child> children;
        size_t dictBegin = 0, dictEnd = 0, dictCloseTag = 0;
        bool dictIsEmptyElement = false;
    };

    //==============================================================================
    /*  Walks a document once, without recursion, before JUCE's recursive parser sees
        it, and turns away what that parser would read differently from a conforming
        XML reader, or never finish: an internal DTD subset (JUCE expands its entities
        without limit), unknown entity references (JUCE puts the name in their place),
        a processing instruction inside an element (JUCE loops forever on one that text
        follows), another encoding, and nesting deeper than the bound.
    */
    class OutlineScanner final
    {
    public:
        OutlineScanner (const char* bytes, size_t numBytes) noexcept  : text (bytes, numBytes) {}

        std::optional<Outline> scan()
        {
            if (! StrictUtf8::isValid (text.data(), text.size()))
                return {};

            for (auto c : text)
                if ((unsigned char) c < 0x20 && ! isSpace (c))
                    return {};

            if (at ("<?xml") && text.size() > 5 && isSpace (text[5]) && ! skipDeclaration())
                return {};

            Outline outline;
            std::vector<std::string_view> open;
            bool seenDoctype = false, seenRoot = false, seenDict = false;

            while (pos < text.size())
            {
                const auto start = pos;

                if (text[pos] == '&')
                {
                    if (open.empty() || ! skipReference())
                        return {};
                }
                else if (text[pos] != '<')
                {
                    if (open.empty() && ! isSpace (text[pos]))
                        return {};

                    ++pos;
                }
                else if (skip ("<!--"))
                {
                    if (! skipPast ("-->"))
                        return {};
                }
                else if (skip ("<?"))
                {
                    if (! open.empty() || at ("xml") || ! skipPast ("?>"))
                        return {};
                }
                else if (skip ("<![CDATA["))
                {
                    if (open.empty() || ! skipPast ("]]>"))
                        return {};
                }
                else if (skip ("<!DOCTYPE"))
                {
                    if (seenDoctype || seenRoot || ! skipDoctype())
                        return {};

                    seenDoctype = true;
                }
                else if (at ("<!"))
                {
                    return {}; // entity, element or attribute-list declarations
                }
                else if (skip ("</"))
                {
                    const auto tag = name();
                    skipSpace();

                    if (open.empty() || tag != open.back() || ! skip (">"))
                        return {};

                    open.pop_back();

                    if (open.size() == 2)
                        outline.children.back().end = pos;
                    else if (open.size() == 1)
                        outline.dictCloseTag = start;
                }
                else
                {
                    ++pos;
                    const auto tag = name();
                    bool isEmptyElement = false;

                    if (! skipAttributes (isEmptyElement) || tag.empty() || open.size() >= PropertyListFile::maxDepth)
                        return {};

                    if (open.empty())
                    {
                        if (seenRoot || tag != "plist")
                            return {};

                        seenRoot = true;
                    }
                    else if (open.size() == 1)
                    {
                        if (seenDict || tag != "dict")
                            return {};

                        seenDict = true;
                        outline.dictBegin = start;
                        outline.dictEnd = pos;
                        outline.dictIsEmptyElement = isEmptyElement;
                    }
                    else if (open.size() == 2)
                    {
                        outline.children.push_back ({ tag, start, pos });
                    }

                    if (! isEmptyElement)
                        open.push_back (tag);
                }
            }

            if (! open.empty() || ! seenDict || outline.children.size() % 2 != 0)
                return {};

            // Keys and values must alternate; otherwise replacing a value could
            // overwrite the key that follows a key without one.
            for (size_t i = 0; i < outline.children.size(); ++i)
                if ((outline.children[i].tag == "key") != (i % 2 == 0))
                    return {};

            return outline;
        }

    private:
        bool at (std::string_view token) const noexcept    { return text.substr (pos, token.size()) == token; }

        bool skip (std::string_view token) noexcept
        {
            if (! at (token))
                return false;

            pos += token.size();
            return true;
        }

        bool skipPast (std::string_view token) noexcept
        {
            const auto found = text.find (token, pos);
            pos = found == std::string_view::npos ? text.size() : found + token.size();
            return found != std::string_view::npos;
        }

        bool skipSpace() noexcept
        {
            const auto start = pos;

            while (pos < text.size() && isSpace (text[pos]))
                ++pos;

            return pos > start;
        }

        std::string_view name() noexcept
        {
            const auto start = pos;

            while (pos < text.size() && isNameChar (text[pos], pos == start))
                ++pos;

            return text.substr (start, pos - start);
        }

        // Only the declaration's encoding matters: JUCE reads every document as UTF-8.
        bool skipDeclaration()
        {
            const auto end = text.find ("?>");

            if (end == std::string_view::npos)
                return false;

            const juce::String declaration (juce::CharPointer_UTF8 (text.data()), juce::CharPointer_UTF8 (text.data() + end));
            pos = end + 2;

            if (! declaration.contains ("encoding"))
                return true;

            const auto value = declaration.fromFirstOccurrenceOf ("encoding", false, false).trimStart();

            if (! value.startsWithChar ('='))
                return false;

            const auto quoted = value.substring (1).trimStart();
            const auto quote = quoted.substring (0, 1);

            return (quote == "\"" || quote == "'")
                && quoted.substring (1).upToFirstOccurrenceOf (quote, false, false).equalsIgnoreCase ("UTF-8");
        }

        bool skipDoctype() noexcept
        {
            for (char quote = 0; pos < text.size(); ++pos)
            {
                const auto c = text[pos];

                if (quote != 0)
                {
                    // JUCE ends the declaration at the first unbalanced '>', quoted or
                    // not, and would read whatever follows as the document.
                    if (c == '<' || c == '>')
                        return false;

                    if (c == quote)
                        quote = 0;
                }
                else if (c == '"' || c == '\'')
                {
                    quote = c;
                }
                else if (c == '[')
                {
                    return false;
                }
                else if (c == '>')
                {
                    ++pos;
                    return true;
                }
            }

            return false;
        }

        // The predefined entities, and character references to characters XML allows.
        bool skipReference() noexcept
        {
            const auto semicolon = text.find (';', pos);

            if (semicolon == std::string_view::npos || semicolon - pos > 10)
                return false;

            const auto reference = text.substr (pos + 1, semicolon - pos - 1);
            pos = semicolon + 1;

            if (reference == "amp" || reference == "lt" || reference == "gt" || reference == "quot" || reference == "apos")
                return true;

            const auto isHex = reference.substr (0, 2) == "#x";
            const auto digits = reference.substr (isHex ? 2 : 1);
            const auto base = isHex ? 16u : 10u;
            juce::uint32 code = 0;

            if (reference.substr (0, 1) != "#" || digits.empty())
                return false;

            for (auto c : digits)
            {
                const auto digit = juce::CharacterFunctions::getHexDigitValue ((juce::juce_wchar) (unsigned char) c);

                if (digit < 0 || (juce::uint32) digit >= base)
                    return false;

                code = code * base + (juce::uint32) digit;
            }

            return (code >= 0x20 || code == 0x9 || code == 0xa || code == 0xd)
                && (code < 0xd800 || code > 0xdfff) && code != 0xfffe && code != 0xffff && code <= 0x10ffff;
        }

        bool skipQuoted() noexcept
        {
            const auto quote = pos < text.size() ? text[pos] : '\0';

            if (quote != '"' && quote != '\'')
                return false;

            for (++pos; pos < text.size() && text[pos] != quote;)
            {
                if (text[pos] == '<')
                    return false;

                if (text[pos] != '&')
                    ++pos;
                else if (! skipReference())
                    return false;
            }

            return pos++ < text.size();
        }

        bool skipAttributes (bool& isEmptyElement) noexcept
        {
            for (;;)
            {
                const auto spaced = skipSpace();

                if (skip ("/>"))
                {
                    isEmptyElement = true;
                    return true;
                }

                if (skip (">"))
                    return true;

                if (! spaced || name().empty())
                    return false;

                skipSpace();

                if (! skip ("="))
                    return false;

                skipSpace();

                if (! skipQuoted())
                    return false;
            }
        }

        std::string_view text;
        size_t pos = 0;
    };

    // Mirrors how the preferences service reads a string as an integer: optional
    // leading blanks and sign, then digits; anything else gives 0.
    juce::int64 leadingInteger (const juce::String& text)
    {
        auto t = text.trimStart();
        auto negative = t.startsWithChar ('-');

        if (negative || t.startsWithChar ('+'))
            t = t.substring (1);

        juce::int64 result = 0;

        for (auto c : t)
        {
            if (! juce::CharacterFunctions::isDigit (c))
                break;

            result = result * 10 + (c - '0');
        }

        return negative ? -result : result;
    }
}

//==============================================================================
PropertyListFile::PropertyListFile()
{
    [[maybe_unused]] const auto parsed = parse ({ emptyDocument.data(), emptyDocument.size() });
    jassert (parsed);
}

PropertyListFile::LoadResult PropertyListFile::load (const juce::File& file)
{
    juce::MemoryBlock data;
    const auto result = GuardedFile::read (file, maxFileSize, data);

    if (result == GuardedFile::ReadResult::read && parse (data))
        return LoadResult::loaded;

    parse ({ emptyDocument.data(), emptyDocument.size() });
    return result == GuardedFile::ReadResult::missing ? LoadResult::missing : LoadResult::unreadable;
}

bool PropertyListFile::parse (const juce::MemoryBlock& newDocument)
{
    const auto* bytes = static_cast<const char*> (newDocument.getData());
    const auto outline = OutlineScanner (bytes, newDocument.getSize()).scan();

    if (! outline.has_value())
        return false;

    juce::XmlDocument parser (juce::String (juce::CharPointer_UTF8 (bytes),
                                            juce::CharPointer_UTF8 (bytes + newDocument.getSize())));
    // A string holding only a space or a tab is a value like any other.
    parser.setEmptyTextElementsIgnored (false);
    auto parsed = parser.getDocumentElement();

    if (parsed == nullptr)
        return false;

    std::vector<const juce::XmlElement*> children;

    for (auto* rootChild : parsed->getChildIterator())
    {
        if (rootChild->isTextElement())
            continue;

        for (auto* child : rootChild->getChildIterator())
            if (! child->isTextElement())
                children.push_back (child);

        break;
    }

    // The outline's byte ranges are only as good as its agreement with the parser.
    if (children.size() != outline->children.size())
        return false;

    std::vector<Entry> newEntries;

    for (size_t i = 0; i < children.size(); ++i)
    {
        const auto& expected = outline->children[i];

        if (children[i]->getTagName() != juce::String (expected.tag.data(), expected.tag.size()))
            return false;

        if (i % 2 == 1)
            newEntries.push_back ({ children[i - 1]->getAllSubText(), children[i], expected.begin, expected.end });
    }

    document = newDocument;
    root = std::move (parsed);
    entries = std::move (newEntries);
    dictIsEmptyElement = outline->dictIsEmptyElement;
    insertBegin = dictIsEmptyElement ? outline->dictBegin : outline->dictCloseTag;
    insertEnd = dictIsEmptyElement ? outline->dictEnd : outline->dictCloseTag;
    return true;
}

const PropertyListFile::Entry* PropertyListFile::findEntry (const juce::String& key) const
{
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry)
        if (entry->key == key)
            return &*entry;

    return nullptr;
}

juce::int64 PropertyListFile::getIntegerValue (const juce::String& key) const
{
    const auto* entry = findEntry (key);

    if (entry == nullptr)
        return 0;

    const auto& tag = entry->value->getTagName();
    const auto text = entry->value->getAllSubText().trim();

    if (tag == "integer")  return text.getLargeIntValue();
    if (tag == "true")     return 1;
    if (tag == "false")    return 0;
    if (tag == "real")     return (juce::int64) text.getDoubleValue();
    if (tag == "string")   return leadingInteger (entry->value->getAllSubText());

    return 0;
}

bool PropertyListFile::setValue (const juce::String& key, const juce::String& valueText)
{
    const auto* bytes = static_cast<const char*> (document.getData());
    auto begin = insertBegin, end = insertEnd;
    juce::String replacement;

    if (const auto* entry = findEntry (key))
    {
        begin = entry->valueBegin;
        end = entry->valueEnd;
        replacement = valueText;
    }
    else
    {
        // A new pair goes at the end of the dictionary, on lines of its own.
        replacement = "\t<key>" + key.replace ("&", "&amp;").replace ("<", "&lt;").replace (">", "&gt;")
                    + "</key>\n\t" + valueText + "\n";

        if (dictIsEmptyElement)
            replacement = "<dict>\n" + replacement + "</dict>";
        else if (begin > 0 && bytes[begin - 1] != '\n')
            replacement = "\n" + replacement;
    }

    juce::MemoryBlock edited (bytes, begin);
    edited.append (replacement.toRawUTF8(), replacement.getNumBytesAsUTF8());
    edited.append (bytes + end, document.getSize() - end);

    // Parsing the result again also proves it can be read back.
    return parse (edited);
}

bool PropertyListFile::setInteger (const juce::String& key, juce::int64 value)
{
    return setValue (key, "<integer>" + juce::String (value) + "</integer>");
}

bool PropertyListFile::setBool (const juce::String& key, bool value)
{
    return setValue (key, value ? "<true/>" : "<false/>");
}

bool PropertyListFile::save (const juce::File& file) const
{
    return GuardedFile::replace (file, document);
}
