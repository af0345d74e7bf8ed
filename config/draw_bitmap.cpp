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
