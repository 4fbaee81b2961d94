/*
  ==============================================================================

    Quillon - diagnostics helper
    Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

  ==============================================================================
*/

/*  A small `defaults` for systems that have none: "defaults delete <domain>"
    removes one preference domain of the current user, found by the same path rule
    as PreferenceDomain. Nothing else is offered. On macOS the system's own tool
    is used instead.
*/

#include "PreferenceDomain.h"
#include "StrictUtf8.h"

#include <cstring>
#include <iostream>

namespace
{
    enum ExitStatus
    {
        success     = 0,
        failure     = 1,
        badUsage    = 2
    };

    int fail (int status, const juce::String& message)
    {
        std::cerr << "defaults: " << message << std::endl;
        return status;
    }
}

int main (int argc, char** argv)
{
    if (argc != 3 || std::strcmp (argv[1], "delete") != 0)
        return fail (badUsage, "usage: defaults delete <domain>");

    const auto* rawName = argv[2];

    // A name that is not valid UTF-8 would be read as some other name and could
    // lead to a different file, so it is refused like any other bad name. The check
    // must be strict: a String made from an overlong form overruns its buffer.
    const auto name = StrictUtf8::toString (rawName, std::strlen (rawName));

    if (! name.has_value())
        return fail (failure, "refused domain name: not valid UTF-8");

    const auto& domain = *name;

    switch (PreferenceDomain::removeDomain (domain))
    {
        case PreferenceDomain::RemovalResult::removed:
            return success;

        case PreferenceDomain::RemovalResult::invalidName:
            return fail (failure, "refused domain name \"" + domain + "\": it must not be empty, contain \"/\" or start with \".\"");

        case PreferenceDomain::RemovalResult::notFound:
            return fail (failure, "domain " + domain + " does not exist");

        case PreferenceDomain::RemovalResult::failed:
            return fail (failure, "could not remove domain " + domain + " ("
                                      + PreferenceDomain::getFileForDomain (domain).getFullPathName() + ")");
    }

    return failure;
}
