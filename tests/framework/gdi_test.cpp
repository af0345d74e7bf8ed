// Drawing: blits, DIBs, text measurement, handle checks and MulDiv.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/gdi.h"
#include "platform/gui.h"
#include "platform/scoped.h"
#include "platform/window.h"
#include "tests/framework/gdi_fixture.h"

namespace {
// A memory context with a bitmap of the given size selected; both freed at the end.
struct MemDC {
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
  MemDC(int w, int h) {
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateCompatibleBitmap(dc, w, h);
    old = SelectObject(dc, bitmap);
  }
  ~MemDC() {
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
};

// A packed DIB: header, colour table, rows.
struct Dib {
  std::vector<unsigned char> bytes;
  BITMAPINFO* info() { return reinterpret_cast<BITMAPINFO*>(bytes.data()); }
  const void* bits() const { return bytes.data() + bitsOffset; }
  size_t bitsOffset = 0;
};

// An 8-bit DIB of w x h whose pixel (x, y from the top) is index `pixel(x, y)`.
template <class F>
Dib make8(int w, int h, bool topDown, const std::vector<COLORREF>& colours, F pixel) {
  Dib d;
  int stride = (w + 3) / 4 * 4;
  d.bitsOffset = 40 + 4 * colours.size();
  d.bytes.assign(d.bitsOffset + static_cast<size_t>(stride) * h, 0);
  BITMAPINFOHEADER hdr;
  hdr.biSize = 40;
  hdr.biWidth = w;
  hdr.biHeight = topDown ? -h : h;
  hdr.biPlanes = 1;
  hdr.biBitCount = 8;
  hdr.biClrUsed = static_cast<DWORD>(colours.size());
  std::memcpy(d.bytes.data(), &hdr, 40);
  for (size_t i = 0; i < colours.size(); ++i) {
    unsigned char* e = d.bytes.data() + 40 + 4 * i;
    e[0] = GetBValue(colours[i]);
    e[1] = GetGValue(colours[i]);
    e[2] = GetRValue(colours[i]);
  }
  for (int y = 0; y < h; ++y) {
    int stored = topDown ? y : h - 1 - y;
    for (int x = 0; x < w; ++x) d.bytes[d.bitsOffset + static_cast<size_t>(stored) * stride + x] = pixel(x, y);
  }
  return d;
}

template <class F>
Dib make24(int w, int h, bool topDown, F colour) {
  Dib d;
  int stride = (w * 3 + 3) / 4 * 4;
  d.bitsOffset = 40;
  d.bytes.assign(40 + static_cast<size_t>(stride) * h, 0);
  BITMAPINFOHEADER hdr;
  hdr.biSize = 40;
  hdr.biWidth = w;
  hdr.biHeight = topDown ? -h : h;
  hdr.biPlanes = 1;
  hdr.biBitCount = 24;
  std::memcpy(d.bytes.data(), &hdr, 40);
  for (int y = 0; y < h; ++y) {
    int stored = topDown ? y : h - 1 - y;
    for (int x = 0; x < w; ++x) {
      COLORREF c = colour(x, y);
      unsigned char* p = d.bytes.data() + 40 + static_cast<size_t>(stored) * stride + 3 * x;
      p[0] = GetBValue(c);
      p[1] = GetGValue(c);
      p[2] = GetRValue(c);
    }
  }
  return d;
}

COLORREF distinct(int x, int y) { return RGB(static_cast<BYTE>(x * 10), static_cast<BYTE>(y * 10), 77); }
void blacken(HDC dc, int width, int height) {
  RECT all{0, 0, width, height};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}
}  // namespace

TEST(MulDiv, RoundsHalvesAwayFromZeroAndFailsOnZeroOrOverflow) {
  EXPECT_EQ(MulDiv(12, 96, 72), 16);
  EXPECT_EQ(MulDiv(5, 1, 2), 3);
  EXPECT_EQ(MulDiv(-5, 1, 2), -3);
  EXPECT_EQ(MulDiv(5, -1, 2), -3);
  EXPECT_EQ(MulDiv(-5, -1, -2), -3);
  EXPECT_EQ(MulDiv(7, 1, 3), 2);
  EXPECT_EQ(MulDiv(8, 1, 3), 3);
  EXPECT_EQ(MulDiv(1, 1, 0), -1);
  EXPECT_EQ(MulDiv(0x7FFFFFFF, 2, 1), -1);
  EXPECT_EQ(MulDiv(0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF), 0x7FFFFFFF) << "the product needs 64 bits";
}

TEST_F(GdiTest, DibsOfEveryLayoutLandPixelExact) {
  MemDC m(8, 6);
  std::vector<COLORREF> table{RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(10, 20, 30)};
  auto index = [](int x, int y) { return static_cast<unsigned char>((x + 2 * y) % 4); };
  for (bool topDown : {false, true}) {
    SCOPED_TRACE(topDown ? "top-down" : "bottom-up");
    blacken(m.dc, 8, 6);
    Dib d = make8(5, 3, topDown, table, index);
    // The whole picture: bottom-up rows are stored last row first.
    EXPECT_EQ(SetDIBitsToDevice(m.dc, 1, 2, 5, 3, 0, 0, 0, 3, d.bits(), d.info(), DIB_RGB_COLORS), 3);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) EXPECT_EQ(GetPixel(m.dc, 1 + x, 2 + y), table[index(x, y)]) << x << "," << y;
    EXPECT_EQ(GetPixel(m.dc, 0, 2), RGB(0, 0, 0)) << "nothing drawn outside the destination";
    EXPECT_EQ(GetPixel(m.dc, 6, 4), RGB(0, 0, 0));

    Dib t = make24(4, 4, topDown, distinct);
    blacken(m.dc, 8, 6);
    // Source rectangle (1, 1)-(3, 3) seen from the top: a bottom-up DIB names its lower
    // edge from the bottom (4 - 3 = 1), a top-down one its upper edge from the top.
    EXPECT_GT(SetDIBitsToDevice(m.dc, 0, 0, 2, 2, 1, 1, 0, 4, t.bits(), t.info(), DIB_RGB_COLORS), 0);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 2; ++x) EXPECT_EQ(GetPixel(m.dc, x, y), distinct(1 + x, 1 + y)) << x << "," << y;
  }
}

TEST_F(GdiTest, StretchDIBitsScalesMirrorsAndCountsBottomUpSourcesFromTheBottom) {
  MemDC m(8, 8);
  Dib d = make24(2, 2, false, distinct);
  SetStretchBltMode(m.dc, COLORONCOLOR);
  EXPECT_EQ(StretchDIBits(m.dc, 0, 0, 4, 4, 0, 0, 2, 2, d.bits(), d.info(), DIB_RGB_COLORS, SRCCOPY), 2);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(GetPixel(m.dc, x, y), distinct(x / 2, y / 2)) << x << "," << y;

  // A negative destination width mirrors the picture left to right.
  blacken(m.dc, 8, 8);
  StretchDIBits(m.dc, 1, 0, -2, 2, 0, 0, 2, 2, d.bits(), d.info(), DIB_RGB_COLORS, SRCCOPY);
  EXPECT_EQ(GetPixel(m.dc, 0, 0), distinct(1, 0));
  EXPECT_EQ(GetPixel(m.dc, 1, 0), distinct(0, 0));

  // Source y 0 with height 1 is the bottom row of a bottom-up DIB.
  Dib tall = make24(1, 3, false, distinct);
  StretchDIBits(m.dc, 5, 5, 1, 1, 0, 0, 1, 1, tall.bits(), tall.info(), DIB_RGB_COLORS, SRCCOPY);
  EXPECT_EQ(GetPixel(m.dc, 5, 5), distinct(0, 2));

  // Compressed and nonsense headers draw nothing.
  Dib rle = make8(2, 2, false, {RGB(1, 2, 3)}, [](int, int) { return 0; });
  rle.info()->bmiHeader.biCompression = BI_RLE8;
  EXPECT_EQ(StretchDIBits(m.dc, 0, 0, 2, 2, 0, 0, 2, 2, rle.bits(), rle.info(), DIB_RGB_COLORS, SRCCOPY), 0);
  Dib bad = make24(2, 2, false, distinct);
  bad.info()->bmiHeader.biBitCount = 7;
  EXPECT_EQ(SetDIBitsToDevice(m.dc, 0, 0, 2, 2, 0, 0, 0, 2, bad.bits(), bad.info(), DIB_RGB_COLORS), 0);
}

TEST_F(GdiTest, CoreHeaderAndPaletteIndexedColourTables) {
  MemDC m(4, 4);
  // Core header: 3-byte colour entries.
  std::vector<unsigned char> core(12 + 2 * 3 + 4, 0);
  BITMAPCOREHEADER ch{12, 2, 1, 1, 1};
  std::memcpy(core.data(), &ch, 12);
  const unsigned char table[6] = {0, 0, 255, 0, 255, 0};  // red, green (BGR)
  std::memcpy(core.data() + 12, table, 6);
  core[18] = 0x40;  // pixels 0 (red) then 1 (green)
  SetDIBitsToDevice(m.dc, 0, 0, 2, 1, 0, 0, 0, 1, core.data() + 18, reinterpret_cast<BITMAPINFO*>(core.data()),
                    DIB_RGB_COLORS);
  EXPECT_EQ(GetPixel(m.dc, 0, 0), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(m.dc, 1, 0), RGB(0, 255, 0));

  // DIB_PAL_COLORS: the table holds indices into the selected palette.
  std::vector<unsigned char> lp(sizeof(LOGPALETTE) + 2 * sizeof(PALETTEENTRY));
  auto* pal = reinterpret_cast<LOGPALETTE*>(lp.data());
  pal->palVersion = 0x300;
  pal->palNumEntries = 2;
  pal->palPalEntry[0] = PALETTEENTRY{1, 2, 3, 0};
  pal->palPalEntry[1] = PALETTEENTRY{200, 100, 50, 0};
  HPALETTE hp = CreatePalette(pal);
  ASSERT_NE(hp, nullptr);
  HPALETTE oldPal = SelectPalette(m.dc, hp, FALSE);
  EXPECT_EQ(oldPal, GetStockObject(DEFAULT_PALETTE));
  EXPECT_EQ(RealizePalette(m.dc), 0u);
  Dib d = make8(1, 1, false, {0}, [](int, int) { return 0; });
  WORD idx = 1;
  std::memcpy(d.bytes.data() + 40, &idx, 2);
  SetDIBitsToDevice(m.dc, 3, 3, 1, 1, 0, 0, 0, 1, d.bits(), d.info(), DIB_PAL_COLORS);
  EXPECT_EQ(GetPixel(m.dc, 3, 3), RGB(200, 100, 50));
  EXPECT_FALSE(DeleteObject(hp)) << "still selected";
  SelectPalette(m.dc, oldPal, FALSE);
  EXPECT_TRUE(DeleteObject(hp));
  EXPECT_TRUE(DeleteObject(GetStockObject(DEFAULT_PALETTE))) << "stock objects stay";
  EXPECT_EQ(GetObjectType(GetStockObject(DEFAULT_PALETTE)), static_cast<DWORD>(OBJ_PAL));
}

TEST_F(GdiTest, SelectedObjectIsSelectedOutAtTheEndOfItsScope) {
  MemDC m(2, 2);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
  {
    SelectedObject selected(m.dc, pen);
    EXPECT_FALSE(DeleteObject(pen)) << "still selected";
  }
  EXPECT_TRUE(DeleteObject(pen));
}

TEST_F(GdiTest, BitBltCopiesClipsAndRefusesOtherOperations) {
  MemDC src(4, 4), dst(4, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) SetPixel(src.dc, x, y, distinct(x, y));
  // A copy that hangs over both edges copies only what exists on both sides.
  EXPECT_TRUE(BitBlt(dst.dc, -1, 1, 4, 4, src.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(GetPixel(dst.dc, 0, 1), distinct(1, 0));
  EXPECT_EQ(GetPixel(dst.dc, 2, 3), distinct(3, 2));
  EXPECT_EQ(GetPixel(dst.dc, 3, 1), RGB(0, 0, 0)) << "no source pixel there";
  EXPECT_EQ(GetPixel(dst.dc, 0, 0), RGB(0, 0, 0));

  // A narrow strip moved onto itself by a pixel reads each source pixel before it is written.
  EXPECT_TRUE(BitBlt(src.dc, 1, 0, 3, 4, src.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(GetPixel(src.dc, 1, 2), distinct(0, 2));
  EXPECT_EQ(GetPixel(src.dc, 3, 2), distinct(2, 2));
  EXPECT_TRUE(BitBlt(src.dc, 1, 0, 3, 4, src.dc, 2, 0, SRCCOPY));
  EXPECT_EQ(GetPixel(src.dc, 1, 2), distinct(1, 2));

  // Copying is the one operation: another (here SRCAND) is refused, not drawn wrongly.
  EXPECT_FALSE(BitBlt(dst.dc, 0, 1, 1, 1, src.dc, 3, 3, 0x008800C6));
  EXPECT_EQ(GetPixel(dst.dc, 0, 1), distinct(1, 0));
  EXPECT_FALSE(BitBlt(dst.dc, 0, 0, 1, 1, nullptr, 0, 0, SRCCOPY)) << "SRCCOPY needs a source";

  // A bitmap lives in one memory context at a time and cannot be deleted while there.
  HDC other = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SelectObject(other, src.bitmap), nullptr);
  EXPECT_FALSE(DeleteObject(src.bitmap));
  DeleteDC(other);
  EXPECT_FALSE(DeleteObject(reinterpret_cast<HGDIOBJ>(&other))) << "an unknown handle";
  EXPECT_EQ(CreateCompatibleBitmap(nullptr, 0, 5), nullptr);
  EXPECT_EQ(CreateCompatibleBitmap(nullptr, 100000, 100000), nullptr);
}

// A screen-sized surface moved onto itself a pixel at a time, as the saver pans, ends up
// as plain copies would leave it: in every direction, for longer than any spare room it
// has, with the rows or columns a step leaves behind keeping their pixels.
TEST_F(GdiTest, ALargeSurfaceMovedOntoItselfStepByStepMatchesPlainCopies) {
  const int w = 1024, h = 768;
  auto colour = [](int x, int y) {
    return RGB(static_cast<BYTE>(x), static_cast<BYTE>(y), static_cast<BYTE>((x >> 8) | (y >> 8) << 4));
  };
  MemDC m(w, h);
  Dib d = make24(w, h, true, colour);
  ASSERT_EQ(SetDIBitsToDevice(m.dc, 0, 0, w, h, 0, 0, 0, h, d.bits(), d.info(), DIB_RGB_COLORS), h);
  std::vector<COLORREF> model(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) model[static_cast<size_t>(y) * w + x] = colour(x, y);

  struct Run { int dx, dy, steps; };
  for (const Run& run : {Run{1, 0, 300}, Run{0, 1, 300}, Run{0, -1, 200}, Run{-1, 0, 150}, Run{0, 1, 40}}) {
    for (int i = 0; i < run.steps; ++i) {
      // Destination = source - delta over the part whose source lies in the surface.
      const int x = std::max(0, -run.dx), y = std::max(0, -run.dy);
      ASSERT_TRUE(BitBlt(m.dc, x, y, w - std::abs(run.dx), h - std::abs(run.dy), m.dc, x + run.dx, y + run.dy, SRCCOPY));
      COLORREF* at = model.data();
      if (run.dy)
        std::memmove(at + static_cast<size_t>(y) * w, at + static_cast<size_t>(y + run.dy) * w,
                     sizeof(COLORREF) * w * static_cast<size_t>(h - std::abs(run.dy)));
      else
        for (int py = 0; py < h; ++py)
          std::memmove(at + static_cast<size_t>(py) * w + x, at + static_cast<size_t>(py) * w + x + run.dx,
                       sizeof(COLORREF) * static_cast<size_t>(w - std::abs(run.dx)));
    }
    int wrong = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (GetPixel(m.dc, x, y) != model[static_cast<size_t>(y) * w + x] && ++wrong <= 3)
          ADD_FAILURE() << "after moving by (" << run.dx << ", " << run.dy << ") " << run.steps << " times: pixel " << x << "," << y;
    ASSERT_EQ(wrong, 0);
  }
}

TEST_F(GdiTest, LinesLeaveOutTheEndPointAndRectanglesTheirFarEdges) {
  MemDC m(6, 6);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
  HGDIOBJ oldPen = SelectObject(m.dc, pen);
  MoveToEx(m.dc, -1, 3, nullptr);
  LineTo(m.dc, 3, -1);  // the diagonal of a hatching: (0,2) (1,1) (2,0)
  EXPECT_EQ(GetPixel(m.dc, 0, 2), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(m.dc, 1, 1), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(m.dc, 2, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(m.dc, 3, 0), RGB(0, 0, 0));
  SelectObject(m.dc, oldPen);
  EXPECT_TRUE(DeleteObject(pen));

  RECT r{1, 1, 4, 3};
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  EXPECT_EQ(FillRect(m.dc, &r, red), 1);
  EXPECT_EQ(GetPixel(m.dc, 3, 2), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(m.dc, 4, 2), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(m.dc, 3, 3), RGB(0, 0, 0));
  EXPECT_EQ(FillRect(m.dc, &r, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))), 1);
  EXPECT_EQ(GetPixel(m.dc, 3, 2), RGB(255, 0, 0)) << "the null brush paints nothing";
  DeleteObject(red);
}

TEST_F(GdiTest, DrawTextMeasuresWrapsAndDecodes) {
  HDC dc = GetDC(nullptr);
  HFONT font = CreateFont(-MulDiv(12, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET,
                          0, 0, 0, VARIABLE_PITCH | FF_SWISS, "Arial");
  HGDIOBJ oldFont = SelectObject(dc, font);
  TEXTMETRIC tm;
  ASSERT_TRUE(GetTextMetrics(dc, &tm));
  EXPECT_GT(tm.tmHeight, 12);

  RECT one{10, 20, 1000, 20};
  int h = DrawText(dc, "Sunset over the bay", -1, &one, DT_CALCRECT | DT_NOPREFIX | DT_WORDBREAK | DT_CENTER);
  EXPECT_EQ(h, tm.tmHeight);
  EXPECT_EQ(one.bottom, 20 + tm.tmHeight);
  SIZE extent;
  GetTextExtentPoint32(dc, "Sunset over the bay", 19, &extent);
  EXPECT_EQ(one.right, 10 + extent.cx) << "the rectangle shrinks to the line";

  // The same text in a narrow column: every word on its own line, no word split.
  RECT narrow{0, 0, 5, 0};
  h = DrawText(dc, "Sunset over the bay", -1, &narrow, DT_CALCRECT | DT_WORDBREAK);
  EXPECT_EQ(h, 4 * tm.tmHeight);
  GetTextExtentPoint32(dc, "Sunset", 6, &extent);
  EXPECT_EQ(narrow.right, extent.cx) << "a word wider than the rectangle widens it";

  RECT lines{0, 0, 1000, 0};
  EXPECT_EQ(DrawText(dc, "one\r\ntwo\r\n\r\nfour", -1, &lines, DT_CALCRECT), 4 * tm.tmHeight);
  RECT single{0, 0, 1000, 0};
  EXPECT_EQ(DrawText(dc, "one\r\ntwo", -1, &single, DT_CALCRECT | DT_SINGLELINE), tm.tmHeight);

  // "&" marks a mnemonic and takes no room, unless DT_NOPREFIX.
  RECT a{0, 0, 1000, 0}, b{0, 0, 1000, 0};
  DrawText(dc, "&File", -1, &a, DT_CALCRECT);
  DrawText(dc, "File", -1, &b, DT_CALCRECT);
  EXPECT_EQ(a.right, b.right);
  DrawText(dc, "&File", -1, &a, DT_CALCRECT | DT_NOPREFIX);
  EXPECT_GT(a.right, b.right);

  // Windows-1252 bytes and UTF-8 text of the same word measure the same.
  RECT latin{0, 0, 1000, 0}, utf8{0, 0, 1000, 0};
  DrawText(dc, "Caf\xE9", -1, &latin, DT_CALCRECT);
  DrawText(dc, "Caf\xC3\xA9", -1, &utf8, DT_CALCRECT);
  EXPECT_EQ(latin.right, utf8.right);
  SelectObject(dc, oldFont);
  DeleteObject(font);
  ReleaseDC(nullptr, dc);
}

TEST_F(GdiTest, TextIsDrawnInTheTextColourOnlyInsideItsRectangle) {
  MemDC m(200, 40);
  SetBkMode(m.dc, TRANSPARENT);
  SetTextColor(m.dc, RGB(255, 255, 255));
  RECT r{0, 0, 100, 40};
  DrawText(m.dc, "WWWWWWWWWWWWWWWWWWWW", -1, &r, DT_LEFT | DT_SINGLELINE);
  int lit = 0, outside = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 200; ++x) {
      if (GetPixel(m.dc, x, y) == RGB(0, 0, 0)) continue;
      (x < 100 ? lit : outside)++;
    }
  EXPECT_GT(lit, 50);
  EXPECT_EQ(outside, 0) << "clipped to the rectangle";
}

TEST_F(GdiTest, ShiftJisFontsDecodeShiftJis) {
  HDC dc = GetDC(nullptr);
  HFONT sjis = CreateFont(0, 0, 0, 0, 0, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0, nullptr);
  HGDIOBJ old = SelectObject(dc, sjis);
  // "日本" in Shift_JIS and in UTF-8 measure alike once decoded.
  SIZE a, b;
  GetTextExtentPoint32(dc, "\x93\xFA\x96\x7B", 4, &a);
  SelectObject(dc, old);
  GetTextExtentPoint32(dc, "\xE6\x97\xA5\xE6\x9C\xAC", 6, &b);
  EXPECT_EQ(a.cx, b.cx);
  DeleteObject(sjis);
  ReleaseDC(nullptr, dc);
}
