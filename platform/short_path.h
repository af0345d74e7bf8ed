#pragma once
// The old platform's GetShortPathName, which turned a long path into its 8.3 form. File
// names here have no short form, so the short form of an existing file or folder is the
// path itself. As on the old platform the call fails (returns 0 and leaves the buffer
// alone) when the path names nothing, so a caller can tell a missing file.
#include "platform/types.h"

// Copies the short form of `longPath` into `shortPath` (a buffer of `size` bytes) and
// returns its length. When the buffer is too small nothing is copied and the size needed
// (with the NUL) is returned. 0 when the path names no existing file or folder.
DWORD GetShortPathName(const char* longPath, char* shortPath, DWORD size);
