#include "config/draw_bitmap.h"

#include "platform/scoped.h"

void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y, int width, int height) {
  if (!bitmap) return;
  HDC memory = CreateCompatibleDC(dc);
  if (!memory) return;
  {
    SelectedObject selected(memory, bitmap);
    BitBlt(dc, x, y, width, height, memory, 0, 0, SRCCOPY);
  }
  DeleteDC(memory);
}

void StretchBitmap(HDC dc, HBITMAP bitmap, const RECT& place) {
  BITMAP info;
  if (!bitmap || !GetObject(bitmap, sizeof info, &info)) return;
  HDC memory = CreateCompatibleDC(dc);
  if (!memory) return;
  {
    SelectedObject selected(memory, bitmap);
    SetStretchBltMode(dc, HALFTONE);
    StretchBlt(dc, place.left, place.top, place.right - place.left, place.bottom - place.top, memory, 0, 0,
               info.bmWidth, info.bmHeight, SRCCOPY);
  }
  DeleteDC(memory);
}
