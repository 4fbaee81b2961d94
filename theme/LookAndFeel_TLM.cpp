/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "LookAndFeel_TLM.h"

#include <BinaryData.h>

namespace
{
    juce::Typeface::Ptr makeTypeface (const char* data, int size)
    {
        // Each font is handed over with its own file length, never the array's.
        return juce::Typeface::createSystemTypefaceFor (data, (size_t) size);
    }
}

//==============================================================================
LookAndFeel_TLM::LookAndFeel_TLM()
{
    shareTechTypeface     = makeTypeface (BinaryData::temp2, BinaryData::temp2Size);
    assistantTypeface     = makeTypeface (BinaryData::temp1, BinaryData::temp1Size);
    assistantBoldTypeface = makeTypeface (BinaryData::temp3, BinaryData::temp3Size);

    setUsingNativeAlertWindows (true);
}

LookAndFeel_TLM::~LookAndFeel_TLM()
{
    // Released in reverse order of declaration.
    assistantBoldTypeface = nullptr;
    assistantTypeface = nullptr;
    shareTechTypeface = nullptr;
}
