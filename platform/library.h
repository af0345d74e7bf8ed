#pragma once
// Loading a library at run time and taking its procedures, as the old platform's
// LoadLibrary / GetProcAddress / FreeLibrary did. Libraries are loaded by full path only
// (a name is never searched for), which is how the suite loads its decoder from the
// program folder. Procedures can be taken by ordinal, as the old decoder exported them:
// a library built for this suite exports fixed names, and the ordinals map onto them:
//
//   ordinal 2  "QmDecodeJpeg"           (decode a picture to a bitmap file or a memory block)
//   ordinal 3  "QmWritePanoramaWindow"  (write a window of a decoded panorama as a bitmap file)
//
// Any other ordinal names no procedure. Each LoadLibrary counts a reference; the library
// goes away with the last FreeLibrary.
#include <string>

#include "platform/types.h"

// The same handle type as a module instance in platform/window.h (the old platform did
// not tell the two apart); redeclaring the aliases identically keeps both headers usable
// together.
struct InstanceObject;
using HINSTANCE = InstanceObject*;
using HMODULE = HINSTANCE;
using FARPROC = void (*)();

// nullptr when the file is missing or is not a loadable library (the reason is kept for
// LibraryErrorText). A path without any separator is taken relative to the current
// folder, never looked up on a search path.
HMODULE LoadLibrary(const char* path);
// A procedure by name, or by ordinal when `name` is an ordinal packed into the pointer
// the old platform's way (a value below 0x10000); nullptr when there is none.
FARPROC GetProcAddress(HMODULE module, const char* name);
FARPROC GetProcAddress(HMODULE module, WORD ordinal);
// TRUE when the handle was a loaded library.
BOOL FreeLibrary(HMODULE module);

// The file of the loaded library that holds `procedure`, as it was loaded (by full path),
// or an empty string when no loaded library holds it.
std::string LibraryPathOf(FARPROC procedure);

// The exported name behind an ordinal, or nullptr for an ordinal without one.
const char* ProcedureNameForOrdinal(WORD ordinal);
// Why the last LoadLibrary or GetProcAddress failed (empty after a success).
const char* LibraryErrorText();
