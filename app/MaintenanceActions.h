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
    /** Resets the first preference domain of each product by running
        "defaults delete <domain>" for each, one after the other, giving each command
        at most a second. On Linux the "defaults" lying beside the program is run
        when there is one. Outcomes are ignored and the panel is not touched.
    */
    static void deletePreferences();

    /** Deletes the files lying directly in the products' Application Support folders
        whose names end in "ksdisp", "ksar" or "kspr". Outcomes are ignored.
    */
    static void deleteSettingsFiles();

private:
    MaintenanceActions() = delete;
};
