/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "DesktopFolder.h"

#if JUCE_LINUX || JUCE_BSD

#include "GuardedFile.h"
#include "StrictUtf8.h"

juce::File DesktopFolder::locate()
{
    juce::MemoryBlock settings;

    if (GuardedFile::read (juce::File ("~/.config/user-dirs.dirs"), 64 * 1024, settings) == GuardedFile::ReadResult::read)
    {
        const auto text = StrictUtf8::toString (static_cast<const char*> (settings.getData()), settings.getSize());
        juce::StringArray lines;
        lines.addLines (text.value_or (juce::String()));

        // The same reading as JUCE's: the first such line that names an existing folder.
        for (const auto& line : lines)
        {
            if (! line.trimStart().startsWith ("XDG_DESKTOP_DIR"))
                continue;

            const juce::File folder (line.replace ("$HOME", juce::File ("~").getFullPathName())
                                         .fromFirstOccurrenceOf ("=", false, false).trim().unquoted());

            if (folder.isDirectory())
                return folder;
        }
    }

    return juce::File ("~/Desktop");
}

#else

juce::File DesktopFolder::locate()
{
    return juce::File::getSpecialLocation (juce::File::userDesktopDirectory);
}

#endif
