#pragma once

#include <string>

// The value of one of this process's environment variables; empty when it
// is not set.
std::string EnvironmentVariable(const std::string& name);

// The text with every %NAME% of a set variable replaced by its value, as
// Windows expands REG_EXPAND_SZ data; a reference to an unset variable stays
// as it is.
std::string ExpandEnvironmentText(const std::string& text);

// Asks the system not to follow, in this process, a junction that no
// administrator made (Windows 10 22H2 and 11). Elsewhere it does nothing.
void EnableRedirectionGuard();

// True when this run may have more rights than the folders it works in
// grant their users: elevated, an administrator's on a system without User
// Account Control, or the system's.
bool RunIsPrivileged();

// The profile folder that the machine records for a user (the profile
// list), expanded, as the ANSI calls can open it (AnsiPathOf on Windows);
// empty where none is recorded.
std::string ProfileFolderOf(const std::string& sid);
