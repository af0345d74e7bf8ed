#include "config/logo.h"

#include <cstring>

#include "platform/scoped.h"

namespace {
void Fill(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
  RECT rect;
  SetRect(&rect, left, top, right, bottom);
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
}

void Text(HDC dc, const char* text, RECT rect, int height, int weight, bool italic, COLORREF colour, UINT format) {
  HFONT font = CreateFont(-height, 0, 0, 0, weight, italic ? 1 : 0, 0, 0, 0, 0, 0, ANTIALIASED_QUALITY, 0, "Arial");
  {
    SelectedObject selected(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    DrawText(dc, text, static_cast<int>(std::strlen(text)), &rect, format);
  }
  DeleteObject(font);
}
}  // namespace

void PaintLogo(HDC dc, int width, int height) {
  const COLORREF ink = RGB(0, 32, 96), gold = RGB(200, 150, 40), paper = RGB(250, 246, 232);
  Fill(dc, 0, 0, width, height, ink);
  Fill(dc, 3, 3, width - 3, height - 3, paper);
  // A quill: a slanted feather of short strokes rising from the band's lower left.
  for (int i = 0; i < 44; ++i) {
    int x = 18 + i / 2, y = height - 12 - i;
    int half = i < 8 ? 1 : (i < 36 ? 4 - (i - 8) / 10 : 1);
    Fill(dc, x - half, y, x + half + 1, y + 1, i < 6 ? ink : gold);
  }
  RECT name;
  SetRect(&name, 52, 6, width - 8, 52);
  Text(dc, "QuillMark", name, 40, FW_BOLD, true, ink, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  RECT line;
  SetRect(&line, 54, 50, width - 8, height - 6);
  Text(dc, "Pictures for your desktop", line, 14, 400, false, gold, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  Fill(dc, 52, 49, width - 12, 50, gold);
}
