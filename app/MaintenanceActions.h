/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#pragma once

#include <juce_core/juce_core.h>

//==============================================================================
/** The two clean-up actions of the panel's settings row. */
class MaintenanceActions final
{
public:
    /** Resets the first preference domain of each product with the `defaults` tool. */
    static void deletePreferences();

    /** Deletes the products' settings files from their Application Support folders. */
    static void deleteSettingsFiles();

private:
    MaintenanceActions() = delete;
};
