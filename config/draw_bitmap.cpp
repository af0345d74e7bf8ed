#include "config/draw_bitmap.h"

void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y, int width, int height) {
  if (!bitmap) return;
  HDC memory = CreateCompatibleDC(dc);
  if (!memory) return;
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(dc, x, y, width, height, memory, 0, 0, SRCCOPY);
  if (old) SelectObject(memory, old);
  DeleteDC(memory);
}
