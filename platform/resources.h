#pragma once
// Icon resources, as the old resource compiler linked them into a program: each icon has a
// numeric id and its image lives in the program itself. A program registers its icons
// (an XPM image, text that a C++ source can hold, or encoded PNG bytes) and loads them by
// id. Loaded icons are shared and live as long as the program, like the old LoadIcon's;
// they are never destroyed by their users.
#include <cstddef>

#include "platform/types.h"

struct IconObject;
using HICON = IconObject*;

// A null-terminated array of XPM lines (the "static const char* name[]" of an .xpm file).
void RegisterIconResource(UINT id, const char* const* xpm);
// Encoded image bytes (PNG, or any format the toolkit reads); not copied, must stay valid.
void RegisterIconResource(UINT id, const unsigned char* data, std::size_t size);

// The icon of that id; nullptr when none is registered or its image cannot be read.
HICON LoadIconResource(UINT id);
// Pixel size of a loaded icon (0, 0 for nullptr).
void GetIconSize(HICON icon, int* width, int* height);

// Registers at static-initialisation time, like a resource linked into the program.
struct IconResourceRegistration {
  IconResourceRegistration(UINT id, const char* const* xpm) { RegisterIconResource(id, xpm); }
};
