#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "platform/file_ops.h"

// The rules of a run's disk steps, built once on the steps that each
// platform provides.

// How long a file that another program holds is waited for, in all.
const std::chrono::milliseconds kHolderWait(3000);

// Runs the step, and again after growing delays (50 ms, doubling) for as
// long as another program holds the file, kHolderWait in all. True when it
// was done.
bool WaitOutHolders(FileOps& files, const std::function<FileStep()>& step);

// The name a run writes a file's new bytes to before they take its place,
// which no editor uses for backups: the machine's lock keeps every other
// run away while a run writes there.
std::string TemporaryPathOf(const std::string& path);

// Deletes a file, read-only or not, or a link itself; never the file that a
// link leads to, nor anything else at the name. Silent: no caller examines
// the result.
void RemoveFile(const std::string& path, FileOps& files);

// Makes the name free for a new file: a plain file there, read-only or not,
// is removed, as a killed run leaves one. False when the name holds
// anything else (a directory, a link), which stays as it is.
bool ClearLeftover(const std::string& path, FileOps& files);

// Copies a file over the destination, also a read-only, hidden or system
// one; the copy has normal attributes, so that a later copy or deletion can
// replace it. A link there is never written through: a copy made beside it
// takes its place in one durable step. Silent: no caller examines the
// result.
void CopyOver(const std::string& source, const std::string& destination, FileOps& files);

// The file operations of `files` for a folder, given by its final path,
// that another user may change at will, such as a user's VirtualStore: every
// new file, replace and deletion is made through handles found in the
// folder at that step (CreateNewWithin, RenameWithin, DeleteWithin), and
// files are read, and copies made, only through such handles.
std::unique_ptr<FileOps> ConfinedTo(FileOps& files, const std::string& folder);

// Where a change of the file lands: its final path, or, where nothing is at
// the name or a link there is to be replaced or deleted itself
// (`followName` false), its folder's final path with its name; the full
// path where the system cannot tell (Windows 2000 and XP have no final
// paths).
std::string PlaceOf(const std::string& path, bool followName, FileOps& files);
