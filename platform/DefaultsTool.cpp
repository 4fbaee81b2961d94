/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

#include "PreferenceDomain.h"

int main (int, char**)
{
    return 1;
}
