#pragma once
// The pages paint their bitmaps (the monitor, the arrows, the logo) from the bitmap's
// top-left corner into a rectangle of the page, through a memory context: unscaled, or
// stretched to the rectangle (the monitor, which grows with the page's text).
#include "platform/gdi.h"

void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y, int width, int height);
inline void DrawBitmap(HDC dc, HBITMAP bitmap, const RECT& place) {
  DrawBitmap(dc, bitmap, place.left, place.top, place.right - place.left, place.bottom - place.top);
}
void StretchBitmap(HDC dc, HBITMAP bitmap, const RECT& place);
