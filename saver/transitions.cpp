#include "saver/transitions.h"

#include <vector>

#include "imagelib/info_file.h"
#include "platform/window.h"

namespace {
void CopyColumn(const TransitionSteps& s, int column, int height) { s.copy(column, 0, 1, height); }
void CopyRow(const TransitionSteps& s, int row, int width) { s.copy(0, row, width, 1); }

void VerticalBlinds(int w, int h, const TransitionSteps& s) {
  const int strip = w / 16;
  for (int i = 0; i < strip; ++i) {
    for (int k = 0; k < 16; ++k) CopyColumn(s, i + k * strip, h);
    s.pause(9);
  }
}

void HorizontalBlinds(int w, int h, const TransitionSteps& s) {
  const int strip = h / 12;
  for (int i = 0; i < strip; ++i) {
    for (int k = 0; k < 12; ++k) CopyRow(s, i + k * strip, w);
    s.pause(18);
  }
}

void VerticalSweep(int w, int h, const TransitionSteps& s) {
  for (int r = 0; r < h; ++r) {
    CopyRow(s, r, w);
    if (r % 6 == 5) s.pause(1);
  }
}

void HorizontalSweep(int w, int h, const TransitionSteps& s) {
  for (int c = 0; c < w; ++c) {
    CopyColumn(s, c, h);
    if (c % 9 == 8) s.pause(1);
  }
}

// One-pixel rings from the edge inwards. Each ring's edges are only drawn where they
// have a positive size: on a view narrower than it is high the inner rings would
// otherwise ask for negative widths.
void BoxedIn(int w, int h, const TransitionSteps& s) {
  if (h < 2) return;
  for (int k = 0;; ++k) {
    const int top = k, bottom = h - 1 - k, left = k, right = w - 1 - k;
    if (w - 1 - 2 * k > 0) s.copy(left, top, w - 1 - 2 * k, 1);
    if (right >= 0 && bottom - top + 1 > 0) s.copy(right, top, 1, bottom - top + 1);
    if (w - 2 * k > 0) s.copy(left, bottom, w - 2 * k, 1);
    if (left < w && bottom - top - 1 > 0) s.copy(left, top + 1, 1, bottom - top - 1);
    if (k % 4 == 3) s.pause(9);
    if (!(k + 1 < h - 2 - k)) break;
  }
}
}  // namespace

void RunTransition(UINT code, WORD width, WORD height, const TransitionSteps& steps) {
  const int w = width, h = height;
  switch (code) {
    case TRANSITION_VERTICAL_BLINDS: VerticalBlinds(w, h, steps); break;
    case TRANSITION_HORIZONTAL_BLINDS: HorizontalBlinds(w, h, steps); break;
    case TRANSITION_VERTICAL_SWEEP: VerticalSweep(w, h, steps); break;
    case TRANSITION_HORIZONTAL_SWEEP: HorizontalSweep(w, h, steps); break;
    case TRANSITION_BOXED_IN: BoxedIn(w, h, steps); break;
    default: steps.copy(0, 0, w, h); break;
  }
}

void DrawWithEffect(HDC dc, UINT code, HDC screenCopy, WORD width, WORD height, int x0, int y0,
                    int sx, int sy) {
  // Strips are copied onto the view when the screen is next due a picture, not at every
  // pause: each refresh shows the same, and strips that join up meanwhile (a sweep's
  // columns, each blind's columns over several steps) are copied as one rectangle, a row
  // at a time instead of one column after another down a large view.
  struct Strip {
    int dx = 0, dy = 0, w = 0, h = 0;
  };
  constexpr std::size_t kMostStrips = 64;
  std::vector<Strip> pending;
  auto flush = [&] {
    for (const Strip& s : pending)
      BitBlt(dc, x0 + s.dx, y0 + s.dy, s.w, s.h, screenCopy, sx + s.dx, sy + s.dy, SRCCOPY);
    pending.clear();
  };
  TransitionSteps steps;
  steps.copy = [&](int dx, int dy, int w, int h) {
    if (w <= 0 || h <= 0) return;
    for (Strip& s : pending) {
      if (dy == s.dy && h == s.h && dx == s.dx + s.w) {
        s.w += w;
        return;
      }
      if (dx == s.dx && w == s.w && dy == s.dy + s.h) {
        s.h += h;
        return;
      }
    }
    if (pending.size() == kMostStrips) flush();
    pending.push_back({dx, dy, w, h});
  };
  // Pauses that end before the screen is next due a picture show nothing new: they are
  // slept together, when it is due, and the effect still lasts as long.
  DWORD owed = 0;
  steps.pause = [&](DWORD ms) {
    owed += ms;
    if (!ScreenRefreshDue(owed)) return;
    flush();
    Sleep(owed);
    owed = 0;
  };
  RunTransition(code, width, height, steps);
  flush();
  if (owed) Sleep(owed);
}

UINT NextCycledEffect(UINT current) {
  UINT next = current + 1;
  return next > TRANSITION_BOXED_IN ? TRANSITION_VERTICAL_BLINDS : next;
}

bool PanViewOneStep(HDC dc, HDC copy, int direction, int w, int h, int x0, int y0,
                    const PanSource& source, int& nextRow, int& nextColumn) {
  // A backward pan draws the row or column before the view's start in the copy first.
  const int backRow = source.top - h - 1, backColumn = source.left - w - 1;
  switch (direction) {
    case PAN_TOPTOBOTTOM:
      if (nextRow < source.height) {
        BitBlt(dc, x0, y0, w, h - 1, dc, x0, y0 + 1, SRCCOPY);
        BitBlt(dc, x0, y0 + h - 1, w, 1, copy, source.left, nextRow, SRCCOPY);
        ++nextRow;
      }
      return nextRow >= source.height;
    case PAN_BOTTOMTOTOP:
      if (nextRow + backRow >= 0) {
        BitBlt(dc, x0, y0 + 1, w, h - 1, dc, x0, y0, SRCCOPY);
        BitBlt(dc, x0, y0, w, 1, copy, source.left, nextRow + backRow, SRCCOPY);
        --nextRow;
      }
      return nextRow + backRow < 0;
    case PAN_LEFTTORIGHT:
      if (nextColumn < source.width) {
        BitBlt(dc, x0, y0, w - 1, h, dc, x0 + 1, y0, SRCCOPY);
        BitBlt(dc, x0 + w - 1, y0, 1, h, copy, nextColumn, source.top, SRCCOPY);
        ++nextColumn;
      }
      return nextColumn >= source.width;
    case PAN_RIGHTTOLEFT:
      if (nextColumn + backColumn >= 0) {
        BitBlt(dc, x0 + 1, y0, w - 1, h, dc, x0, y0, SRCCOPY);
        BitBlt(dc, x0, y0, 1, h, copy, nextColumn + backColumn, source.top, SRCCOPY);
        --nextColumn;
      }
      return nextColumn + backColumn < 0;
    default:
      return true;
  }
}
