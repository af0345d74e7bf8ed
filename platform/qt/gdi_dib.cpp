// Device-independent bitmaps: reading a header and its colour table, and drawing or
// storing its rows. The header is trusted for the size of the bits, as the old platform
// trusted it; its fields are checked so that no size computation overflows.
#include <algorithm>
#include <cstring>

#include "platform/gdi.h"
#include "platform/qt/gdi_internal.h"
#include "platform/qt/window_internal.h"

namespace {
struct Dib {
  int width = 0;
  int height = 0;  // rows, always positive
  bool topDown = false;
  int bpp = 0;
  long long stride = 0;
  std::vector<QRgb> colors;
  DWORD masks[3] = {0, 0, 0};
  const BYTE* bits = nullptr;
};

DWORD read32(const void* p) {
  DWORD v;
  std::memcpy(&v, p, 4);
  return v;
}

bool parse(const BITMAPINFO* info, UINT use, HDC dc, const void* bits, Dib* out) {
  if (!info || !bits || (use != DIB_RGB_COLORS && use != DIB_PAL_COLORS)) return false;
  const auto* raw = reinterpret_cast<const BYTE*>(info);
  DWORD headerSize = read32(raw);
  Dib d;
  DWORD colorCount = 0;
  const BYTE* table = raw + headerSize;
  int entrySize = 4;
  if (headerSize == sizeof(BITMAPCOREHEADER)) {
    BITMAPCOREHEADER h;
    std::memcpy(&h, raw, sizeof h);
    d.width = h.bcWidth;
    d.height = h.bcHeight;
    d.bpp = h.bcBitCount;
    entrySize = 3;
    if (d.bpp <= 8) colorCount = 1u << d.bpp;
  } else if (headerSize >= sizeof(BITMAPINFOHEADER)) {
    BITMAPINFOHEADER h;
    std::memcpy(&h, raw, sizeof h);
    if (h.biHeight == INT32_MIN) return false;
    d.width = h.biWidth;
    d.height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    d.topDown = h.biHeight < 0;
    d.bpp = h.biBitCount;
    if (h.biCompression == BI_BITFIELDS && (d.bpp == 16 || d.bpp == 32)) {
      for (int i = 0; i < 3; ++i) d.masks[i] = read32(raw + 40 + 4 * i);
      if (headerSize == sizeof(BITMAPINFOHEADER)) table += 12;
    } else if (h.biCompression != BI_RGB) {
      return false;  // compressed rows are not decoded here
    }
    if (d.bpp <= 8) colorCount = h.biClrUsed ? std::min<DWORD>(h.biClrUsed, 1u << d.bpp) : (1u << d.bpp);
  } else {
    return false;
  }
  if (d.bpp != 1 && d.bpp != 4 && d.bpp != 8 && d.bpp != 16 && d.bpp != 24 && d.bpp != 32) return false;
  if (d.width <= 0 || d.height <= 0 || d.width > (1 << 20) || d.height > (1 << 20)) return false;
  if (static_cast<long long>(d.width) * d.height > (1LL << 28)) return false;
  d.stride = (static_cast<long long>(d.bpp) * d.width + 31) / 32 * 4;
  d.bits = static_cast<const BYTE*>(bits);
  if (d.bpp == 16 && !d.masks[0] && !d.masks[1] && !d.masks[2]) {
    d.masks[0] = 0x7C00;
    d.masks[1] = 0x03E0;
    d.masks[2] = 0x001F;
  }
  d.colors.assign(colorCount, qRgb(0, 0, 0));
  for (DWORD i = 0; i < colorCount; ++i) {
    if (use == DIB_PAL_COLORS) {
      WORD index;
      std::memcpy(&index, table + 2 * i, 2);
      const PaletteImpl* pal = IsLiveDC(dc) ? dc->palette : nullptr;
      if (pal && index < pal->entries.size()) {
        const auto& e = pal->entries[index];
        d.colors[i] = qRgb(e.peRed, e.peGreen, e.peBlue);
      }
    } else {
      const BYTE* e = table + static_cast<size_t>(entrySize) * i;
      d.colors[i] = qRgb(e[2], e[1], e[0]);
    }
  }
  *out = std::move(d);
  return true;
}

int maskShift(DWORD mask) {
  int s = 0;
  while (mask && !(mask & 1)) { mask >>= 1; ++s; }
  return s;
}
BYTE maskValue(DWORD pixel, DWORD mask) {
  if (!mask) return 0;
  int shift = maskShift(mask);
  DWORD max = mask >> shift;
  return static_cast<BYTE>(((pixel & mask) >> shift) * 255 / max);
}

// Pixel (x, y) of the stored row (row 0 is the first row in memory).
QRgb pixelAt(const Dib& d, const BYTE* row, int x) {
  switch (d.bpp) {
    case 1:
    case 4:
    case 8: {
      long long bit = static_cast<long long>(x) * d.bpp;
      BYTE byte = row[bit / 8];
      int shift = 8 - d.bpp - static_cast<int>(bit % 8);
      unsigned index = (byte >> shift) & ((1u << d.bpp) - 1);
      return index < d.colors.size() ? d.colors[index] : qRgb(0, 0, 0);
    }
    case 16: {
      DWORD v = row[2 * x] | (row[2 * x + 1] << 8);
      return qRgb(maskValue(v, d.masks[0]), maskValue(v, d.masks[1]), maskValue(v, d.masks[2]));
    }
    case 24: {
      const BYTE* p = row + 3LL * x;
      return qRgb(p[2], p[1], p[0]);
    }
    default: {
      const BYTE* p = row + 4LL * x;
      if (d.masks[0] | d.masks[1] | d.masks[2]) {
        DWORD v = read32(p);
        return qRgb(maskValue(v, d.masks[0]), maskValue(v, d.masks[1]), maskValue(v, d.masks[2]));
      }
      return qRgb(p[2], p[1], p[0]);
    }
  }
}

// The stored row that holds picture row `top` (counted from the top), or nullptr when it
// is not among the rows given (startScan .. startScan + lines - 1, counted in storage order).
const BYTE* rowFromTop(const Dib& d, int top, UINT startScan, UINT lines) {
  if (top < 0 || top >= d.height) return nullptr;
  long long stored = d.topDown ? top : d.height - 1 - top;
  long long index = stored - static_cast<long long>(startScan);
  if (index < 0 || index >= static_cast<long long>(lines)) return nullptr;
  return d.bits + index * d.stride;
}
}  // namespace

int SetDIBitsToDevice(HDC dc, int xDest, int yDest, DWORD width, DWORD height, int xSrc, int ySrc,
                      UINT startScan, UINT lines, const void* bits, const BITMAPINFO* info,
                      UINT colorUse) {
  Dib d;
  if (!IsLiveDC(dc) || !parse(info, colorUse, dc, bits, &d)) return 0;
  if (width > static_cast<DWORD>(d.width) * 2 + 65536 || height > static_cast<DWORD>(d.height) * 2 + 65536)
    return 0;
  Target t = TargetOf(dc);
  UINT given = std::min<UINT>(lines, static_cast<UINT>(d.height));
  if (!t.image) return static_cast<int>(given);
  int w = static_cast<int>(width), h = static_cast<int>(height);
  // The source rectangle's first row from the top: a bottom-up DIB names its lower edge.
  int srcTop = d.topDown ? ySrc : d.height - ySrc - h;
  QRect dest(xDest + t.origin.x(), yDest + t.origin.y(), w, h);
  QRect area = dest & t.clip;
  for (int row = area.top(); row <= area.bottom(); ++row) {
    const BYTE* src = rowFromTop(d, srcTop + (row - dest.top()), startScan, lines);
    if (!src) continue;
    auto* out = reinterpret_cast<QRgb*>(t.image->scanLine(row));
    for (int col = area.left(); col <= area.right(); ++col) {
      int x = xSrc + (col - dest.left());
      if (x < 0 || x >= d.width) continue;
      out[col] = pixelAt(d, src, x);
    }
  }
  Touched(t, area);
  return static_cast<int>(given);
}

int StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                  int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info,
                  UINT colorUse, DWORD rop) {
  Dib d;
  if (!IsLiveDC(dc) || !parse(info, colorUse, dc, bits, &d)) return 0;
  if (rop >> 24) return GDI_ERROR;
  int sh = std::abs(srcHeight);
  int left = srcWidth < 0 ? xSrc + srcWidth + 1 : xSrc;
  int bottomOrTop = srcHeight < 0 ? ySrc + srcHeight + 1 : ySrc;
  int srcTop = d.topDown ? bottomOrTop : d.height - bottomOrTop - sh;
  auto fetch = [&](int c, int r, QRgb* out) {
    int x = left + c;
    if (x < 0 || x >= d.width) return false;
    const BYTE* row = rowFromTop(d, srcTop + r, 0, static_cast<UINT>(d.height));
    if (!row) return false;
    *out = pixelAt(d, row, x);
    return true;
  };
  if (!StretchPixels(dc, xDest, yDest, destWidth, destHeight, srcWidth, srcHeight, fetch, rop))
    return GDI_ERROR;
  return sh;
}
