#pragma once
// Removing a whole set folder, as the old platform did it with FindFirstFile/FindNextFile
// over "<folder>\*.*", DeleteFile on every entry that is not a folder, FindClose and then
// RemoveDirectory: the plain files of one folder go, sub-folders are neither entered nor
// removed, single failures are ignored.
//
// Here the folder name comes from settings that other programs and installers write, so
// it is first checked to lie strictly inside a base folder; nothing is deleted otherwise.
#include <cstddef>
#include <string>

// True when `relative` (written with "\" or "/") is a relative path without ".."
// components that names an existing folder strictly below `base` once every symbolic link
// is resolved — not `base` itself, and not anywhere outside it. `resolved` receives the
// folder's canonical path. Absolute paths, drive-letter paths ("C:\...") and empty or
// "."-only paths are refused.
bool ResolveFolderInside(const std::string& base, const std::string& relative,
                         std::string& resolved);

// The lexical half of that check, for names that need not exist yet: true when
// `relative` is not absolute, has no drive letter, no ".." component and names at least
// one component other than ".".
bool IsPlainRelativePath(const std::string& relative);

// True when `relative` passes IsPlainRelativePath and what it names stays inside `base`
// once every symbolic link is followed: the path itself when it exists, else the nearest
// folder above it that does. Meant for the files of an image set, which are read, never
// created, through such a name. A `base` that does not exist holds nothing to escape to.
bool PathStaysInside(const std::string& base, const std::string& relative);

// Deletes the regular files and symbolic links (the links themselves, never what they
// point at) directly inside `folder`, then removes the folder when that leaves it empty.
// Sub-folders and anything below them are left alone. A symbolic link given as `folder`
// is not followed. True when the folder is gone afterwards.
bool DeleteFolderFiles(const std::string& folder);

// GetFileAttributes() failing with ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND: nothing
// is there (a file or folder that exists but cannot be read is not missing).
bool PathIsMissing(const std::string& path);

// The old platform's GetFileAttributes() != INVALID_FILE_ATTRIBUTES for a plain file:
// true when `path` (written with "\" or "/") names an existing regular file.
bool FileExists(const std::string& path);

// The old platform's file names ignore letter case, and sets written there name their
// folders and files in whatever case their author typed. Returns `relative` (in "/" form)
// with every component that does not exist under `base` as written replaced by the first
// entry, in byte order, of its folder whose name is the same ignoring ASCII letter case.
// From the first component that matches nothing on, the rest is kept as written. Only
// folder listings are read; whether the result stays inside `base` is the caller's check.
std::string FindIgnoringCase(const std::string& base, const std::string& relative);

// Reads a whole file of at most `limit` bytes the way the old platform opened a file with
// FILE_FLAG_OPEN_REPARSE_POINT: a symbolic link at `path` is not followed, and a special
// file (a pipe, a device) is neither waited on nor read. False, with the reason in `why`
// ("cannot be opened", "is not a plain file of a photo's size", "cannot be read") otherwise;
// an empty file counts as one that is not of a usable size.
bool ReadPlainFileNoFollow(const std::string& path, std::size_t limit, std::string& bytes,
                           std::string& why);
