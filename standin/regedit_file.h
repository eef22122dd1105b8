#pragma once

// The registry stand-in's storage: one root in the REGEDIT4 text format
// that regedit exports and imports.

#include <cstdint>
#include <string>
#include <vector>

struct RegeditValue {
    std::string name;  // empty for the key's default value
    std::uint32_t type = 0;
    std::string data;  // the exact bytes
    bool operator==(const RegeditValue& other) const
    {
        return name == other.name && type == other.type && data == other.data;
    }
};

struct RegeditKey {
    std::string path;  // below the root; empty for the root itself
    std::vector<RegeditValue> values;
    bool operator==(const RegeditKey& other) const { return path == other.path && values == other.values; }
};

using RegeditHive = std::vector<RegeditKey>;

// Reads a file of the root named `rootName` (HKEY_CURRENT_USER, say). Keys
// and value names match case-insensitively; a later line for the same key
// or value adds to it or replaces it, as an import does. Raises
// ERegistryException for anything that is not REGEDIT4.
RegeditHive ParseRegeditFile(const std::string& text, const std::string& rootName);

// Writes the hive so that ParseRegeditFile gives it back unchanged: a value
// that a quoted string cannot carry exactly is written as hex(N):.
std::string FormatRegeditFile(const RegeditHive& hive, const std::string& rootName);

// The key or value of that name, matched case-insensitively, or null.
RegeditKey* FindRegeditKey(RegeditHive& hive, const std::string& path);
RegeditValue* FindRegeditValue(RegeditKey& key, const std::string& name);
