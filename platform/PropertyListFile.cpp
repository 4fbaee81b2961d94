/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "PropertyListFile.h"

#include "GuardedFile.h"

namespace
{
    const char* const plistDoctype = "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                                     "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">";

    std::unique_ptr<juce::XmlElement> makeEmptyPlist()
    {
        auto plist = std::make_unique<juce::XmlElement> ("plist");
        plist->setAttribute ("version", "1.0");
        plist->createNewChildElement ("dict");
        return plist;
    }

    std::unique_ptr<juce::XmlElement> makeValue (const juce::String& tag, const juce::String& text)
    {
        auto value = std::make_unique<juce::XmlElement> (tag);

        if (text.isNotEmpty())
            value->addTextElement (text);

        return value;
    }

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
    : root (makeEmptyPlist()),
      dict (root->getChildByName ("dict"))
{
}

PropertyListFile::LoadResult PropertyListFile::load (const juce::File& file)
{
    juce::MemoryBlock data;
    const auto result = GuardedFile::read (file, maxFileSize, data);

    if (result != GuardedFile::ReadResult::read)
    {
        root = makeEmptyPlist();
        dict = root->getChildByName ("dict");
        return result == GuardedFile::ReadResult::missing ? LoadResult::missing : LoadResult::unreadable;
    }

    if (! parse (data.toString()))
        return LoadResult::unreadable;

    return LoadResult::loaded;
}

bool PropertyListFile::parse (const juce::String& document)
{
    juce::XmlDocument parser (document);
    auto parsed = parser.getDocumentElement();

    if (parsed == nullptr || parsed->getTagName() != "plist")
        return false;

    auto* parsedDict = parsed->getFirstChildElement();

    if (parsedDict == nullptr || parsedDict->getTagName() != "dict")
        return false;

    // Keys and values must alternate; otherwise replacing a value could overwrite
    // the key that follows a key without one.
    auto expectKey = true;

    for (auto* child : parsedDict->getChildIterator())
    {
        if ((child->getTagName() == "key") != expectKey)
            return false;

        expectKey = ! expectKey;
    }

    if (! expectKey)
        return false;

    root = std::move (parsed);
    dict = parsedDict;
    return true;
}

juce::XmlElement* PropertyListFile::findKey (const juce::String& key) const
{
    for (auto* child : dict->getChildIterator())
        if (child->getTagName() == "key" && child->getAllSubText() == key)
            return child;

    return nullptr;
}

const juce::XmlElement* PropertyListFile::getValue (const juce::String& key) const
{
    if (auto* keyElement = findKey (key))
        return keyElement->getNextElement();

    return nullptr;
}

juce::int64 PropertyListFile::getIntegerValue (const juce::String& key) const
{
    auto* value = getValue (key);

    if (value == nullptr)
        return 0;

    const auto& tag = value->getTagName();
    const auto text = value->getAllSubText().trim();

    if (tag == "integer")  return text.getLargeIntValue();
    if (tag == "true")     return 1;
    if (tag == "false")    return 0;
    if (tag == "real")     return (juce::int64) text.getDoubleValue();
    if (tag == "string")   return leadingInteger (value->getAllSubText());

    return 0;
}

void PropertyListFile::setValue (const juce::String& key, std::unique_ptr<juce::XmlElement> value)
{
    if (auto* keyElement = findKey (key))
    {
        dict->replaceChildElement (keyElement->getNextElement(), value.release());
        return;
    }

    dict->addChildElement (makeValue ("key", key).release());
    dict->addChildElement (value.release());
}

void PropertyListFile::setInteger (const juce::String& key, juce::int64 value)
{
    setValue (key, makeValue ("integer", juce::String (value)));
}

void PropertyListFile::setBool (const juce::String& key, bool value)
{
    setValue (key, makeValue (value ? "true" : "false", {}));
}

juce::String PropertyListFile::toString() const
{
    juce::XmlElement::TextFormat format;
    format.dtd = plistDoctype;
    return root->toString (format);
}

bool PropertyListFile::save (const juce::File& file) const
{
    const auto text = toString();
    return GuardedFile::replace (file, { text.toRawUTF8(), text.getNumBytesAsUTF8() });
}
