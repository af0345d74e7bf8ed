#pragma once
// Whole-file reads and atomic replacement, for the settings files and the registry file.
// The old platform rewrote profile files in place; here a write goes to a temporary file
// in the same folder which is then renamed over the original, so a crash or a full disk
// leaves either the old or the new content, never a torn file.
#include <string>

#include <cstddef>

// False when the file does not exist or cannot be read; `bytes` is then empty.
bool ReadWholeFile(const std::string& path, std::string& bytes);
// The same for the first `limit` bytes of the file; the rest is not read.
bool ReadFileStart(const std::string& path, std::string& bytes, std::size_t limit);
// False (and the original untouched) when the folder is missing or not writable, or the
// disk is full; the failure is also recorded for the program to report
// (platform/write_failures.h). A symbolic link at `path` is followed: its target is
// replaced. A writer killed at any moment leaves no file of its own behind (where the file
// system has unnamed files). With `durable` the content and the rename reach the disk
// before the call returns; a file that can always be made again may skip that cost.
bool WriteFileAtomically(const std::string& path, const std::string& bytes, bool durable = true);
bool WriteFileAtomically(const std::string& path, const void* data, std::size_t size,
                         bool durable = true);
