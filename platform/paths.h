#pragma once

#include <array>
#include <string>
#include <vector>

// Which byte values start a double-byte character in the ANSI code page.
// All false in a single-byte code page.
using LeadBytes = std::array<bool, 256>;

// The lead bytes of the system's ANSI code page, read once.
const LeadBytes& SystemLeadBytes();

// Builds a table from the code page's ranges: pairs of first and last byte.
LeadBytes LeadBytesFromRanges(std::initializer_list<std::pair<unsigned char, unsigned char>> ranges);

// The path rules work on bytes and never touch the file system. They never
// take the second byte of a double-byte character for a delimiter.
std::string WithExtension(const std::string& path, const std::string& extension,
                          const LeadBytes& leadBytes = SystemLeadBytes());
std::string DirectoryPart(const std::string& path, const LeadBytes& leadBytes = SystemLeadBytes());
std::string NamePart(const std::string& path, const LeadBytes& leadBytes = SystemLeadBytes());
std::string StripTrailingBackslash(const std::string& text, const LeadBytes& leadBytes = SystemLeadBytes());

// True when the path lies below the folder, ignoring the case of ASCII
// letters but never the second byte of a double-byte character.
bool LiesBelow(const std::string& path, const std::string& folder, const LeadBytes& leadBytes = SystemLeadBytes());

// True when the path begins "X:\": a folder of a drive of this machine, not
// a network or device path.
bool StartsWithDrive(const std::string& path);

// Every folder of a full path below its root, from the top down, and the
// path itself: "C:\a\b" gives "C:\a" and "C:\a\b".
std::vector<std::string> StepsDown(const std::string& path, const LeadBytes& leadBytes = SystemLeadBytes());

// True when the path's name part holds a character that a directory search
// takes as a wildcard; such a name never names one particular file. The
// "?" of a "\\?\" prefix is no wildcard.
bool HoldsWildcard(const std::string& path);

// The absolute form of a path, without touching the file; the empty text
// when the platform cannot form it within 259 bytes.
std::string FullPath(const std::string& path);
