#pragma once

// Internal to the POSIX stand-in: drive Z: is the POSIX root, as under Wine.

#include <string>

// True when the path begins with a drive letter and ":".
bool HasDrive(const std::string& path);

// An absolute POSIX path as the Windows path on drive Z: that names it.
std::string OnDriveZ(const std::string& posixPath);

// The current directory as a Windows path on drive Z:.
std::string CurrentDirectoryOnDriveZ();

// Maps a Windows path to the POSIX path it names. False for a path on any
// drive other than Z:, or a network path: those name nothing here.
bool ToPosixPath(const std::string& windowsPath, std::string& posixPath);

// A file nobody may write is read-only, as on Windows; root included.
bool IsReadOnlyMode(unsigned mode);

// The folder that holds a POSIX path: "." for a bare name.
std::string PosixParentDirectory(const std::string& posixPath);
