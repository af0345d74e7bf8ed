#pragma once
// String and bitmap resources, as the old resource compiler linked them into a program:
// each has a numeric id. Strings are 8-bit texts; bitmaps are drawn by the program's own
// code (a painter registered with the bitmap's size) whenever they are loaded.
//
// AfxMessageBox shows a text (or the string of an id) in the platform's message box with
// the running program's application title as the caption, as the framework's did.
#include <string>

#include "platform/gdi.h"
#include "platform/types.h"

void RegisterStringResource(UINT id, const char* text);
// "" for an unknown id (the old LoadString copied nothing).
std::string LoadStringResource(UINT id);
struct StringResourceRegistration {
  StringResourceRegistration(UINT id, const char* text) { RegisterStringResource(id, text); }
};

int AfxMessageBox(const std::string& text, UINT type);
int AfxMessageBox(UINT stringId, UINT type);

// Draws the bitmap's picture on a memory context holding a black bitmap of its size.
using BitmapPainter = void (*)(HDC dc, int width, int height);
void RegisterBitmapResource(UINT id, int width, int height, BitmapPainter painter);
// A new bitmap of the resource (the caller deletes it with DeleteObject); nullptr for an
// unknown id.
HBITMAP LoadBitmapResource(UINT id);

// Gives every pixel of the bitmap that has the colour of its top-left pixel the colour
// `color`, and leaves the others, so that a picture drawn on a plain background blends
// into a surface of that colour. The bitmap must not be selected into a context. (The
// old code did it with a monochrome mask and three blits: XOR, AND, XOR.)
void ReplaceBackgroundColor(HBITMAP bitmap, COLORREF color);
