#pragma once

#include <string>

#include "platform/registry.h"

class Console;

// The user whose IDE a run serves: the one running it, or the one that
// SORVANE_USER_SID names, as an installer running as the system names the
// user who started it.
struct IdeUser {
    RegKey root = HKEY_CURRENT_USER_KEY;  // HKEY_USERS_KEY for a named user
    std::string sid;                      // empty: the user running the run
    std::string profile;                  // a named user's, as the machine records it
};

// The path of a key of the user's settings below the user's root.
std::string UserSection(const IdeUser& user, const std::string& key);

// True when the text is a security identifier in its string form: "S-1-",
// the identifier authority, then one to fifteen sub-authorities, nothing
// else that could lead to another key.
bool IsWellFormedSid(const std::string& text);

// The user that SORVANE_USER_SID names, or, when it is empty, the user
// running the run. A SID that is malformed, or whose settings are not
// loaded on this machine, prints one error line and raises EAbort.
IdeUser FindIdeUser(RegistryAccessor& registry, Console& console);

// The user's local application data folder: where the user's settings
// put it for the user running the run, and in the profile for a named
// user; empty when it cannot be told.
std::string LocalAppDataOf(const IdeUser& user, RegistryAccessor& registry);
