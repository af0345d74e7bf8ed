#include "config/arrows.h"

namespace {
const COLORREF kBackground = RGB(0, 255, 0);
const COLORREF kFace = RGB(0, 0, 128);
const COLORREF kShadow = RGB(0, 0, 0);

void Fill(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
  RECT rect;
  SetRect(&rect, left, top, right, bottom);
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
}

// A shaft and a head pointing down, drawn row by row; `flip` mirrors it top to bottom.
void PaintArrow(HDC dc, int width, int height, bool flip) {
  Fill(dc, 0, 0, width, height, kBackground);
  const int centre = width / 2;
  const int shaftHalf = width / 6;
  const int headTop = height / 2 - 1;
  auto row = [&](int y, int halfWidth, COLORREF colour) {
    int line = flip ? height - 1 - y : y;
    Fill(dc, centre - halfWidth, line, centre + halfWidth + 1, line + 1, colour);
  };
  for (int y = 1; y < headTop; ++y) {
    row(y, shaftHalf + 1, kShadow);
    row(y, shaftHalf, kFace);
  }
  const int headRows = height - 1 - headTop;
  for (int i = 0; i < headRows; ++i) {
    int half = (centre - 1) * (headRows - 1 - i) / (headRows - 1 > 0 ? headRows - 1 : 1);
    row(headTop + i, half + 1, kShadow);
    if (half > 0) row(headTop + i, half, kFace);
  }
}
}  // namespace

void PaintDownArrow(HDC dc, int width, int height) { PaintArrow(dc, width, height, false); }
void PaintUpArrow(HDC dc, int width, int height) { PaintArrow(dc, width, height, true); }
