// The drawing half of the packed-bitmap code: palettes and painting go through the
// platform's drawing functions, so they live apart from the readers (qm_imagelib_draw),
// and a program that only reads and writes bitmaps does not link the toolkit.
#include <cstdint>
#include <vector>

#include "imagelib/dib.h"
#include "platform/scoped.h"

namespace {
constexpr std::size_t kCoreHeader = 12;
constexpr std::size_t kInfoHeader = 40;

std::uint32_t U32(const BYTE* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
bool IsCore(const void* dib) { return U32(static_cast<const BYTE*>(dib)) == kCoreHeader; }
}  // namespace

BOOL CreateDIBPalette(HGLOBAL dib, HPALETTE& palette) {
  const GlobalLockScope locked(dib);
  const auto* p = static_cast<const BYTE*>(locked.data());
  if (!p) return FALSE;
  const std::size_t size = GlobalSize(dib);
  const bool core = size >= 4 && IsCore(p);
  const std::size_t headerSize = size >= 4 ? U32(p) : 0;
  const std::size_t entrySize = core ? 3 : 4;
  const std::size_t count = headerSize >= kCoreHeader && headerSize <= size ? DIBNumColors(p) : 0;
  if (count == 0 || headerSize + count * entrySize > size) return FALSE;
  std::vector<BYTE> memory(8 + 4 * count, 0);
  auto* log = reinterpret_cast<LOGPALETTE*>(memory.data());
  log->palVersion = 0x300;
  log->palNumEntries = static_cast<WORD>(count);
  const BYTE* table = p + headerSize;
  for (std::size_t i = 0; i < count; ++i) {
    const BYTE* e = table + i * entrySize;  // blue, green, red
    PALETTEENTRY* entry = &log->palPalEntry[0] + i;
    entry->peRed = e[2];
    entry->peGreen = e[1];
    entry->peBlue = e[0];
    entry->peFlags = 0;
  }
  if (palette) DeleteObject(palette);
  palette = CreatePalette(log);
  return palette != nullptr;
}

HPALETTE MakeDIBPalette(const void* dib) {
  if (!dib) return nullptr;
  const auto* p = static_cast<const BYTE*>(dib);
  if (U32(p) < kInfoHeader) return nullptr;
  const std::uint32_t used = U32(p + 32);
  if (used == 0) return static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
  if (used > 0xFFFF) return nullptr;
  std::vector<BYTE> memory(8 + 4 * std::size_t{used}, 0);
  auto* log = reinterpret_cast<LOGPALETTE*>(memory.data());
  log->palVersion = 0x300;
  log->palNumEntries = static_cast<WORD>(used);
  const BYTE* table = p + U32(p);
  for (std::size_t i = 0; i < used; ++i) {
    PALETTEENTRY* entry = &log->palPalEntry[0] + i;
    entry->peRed = table[i * 4 + 2];
    entry->peGreen = table[i * 4 + 1];
    entry->peBlue = table[i * 4 + 0];
    entry->peFlags = 0;
  }
  return CreatePalette(log);
}

int PaintDIB(HDC dc, const RECT& destination, HGLOBAL dib, const RECT& source,
             HPALETTE palette) {
  const GlobalLockScope locked(dib);
  void* p = locked.data();
  if (!p) return 0;
  const BYTE* bits = FindDIBBits(p);
  const auto* info = static_cast<const BITMAPINFO*>(p);
  HPALETTE previous = palette ? SelectPalette(dc, palette, TRUE) : nullptr;
  SetStretchBltMode(dc, COLORONCOLOR);
  const int destWidth = destination.right - destination.left;
  const int destHeight = destination.bottom - destination.top;
  const int sourceWidth = source.right - source.left;
  const int sourceHeight = source.bottom - source.top;
  const int height = static_cast<int>(DIBHeight(p));
  // Source rectangles count rows from the top of the picture; the DIB functions count
  // them from its bottom row.
  const int sourceY = height - source.bottom;
  int result;
  if (destWidth == sourceWidth && destHeight == sourceHeight) {
    result = SetDIBitsToDevice(dc, destination.left, destination.top,
                               static_cast<DWORD>(destWidth), static_cast<DWORD>(destHeight),
                               source.left, sourceY, 0, static_cast<WORD>(height), bits, info,
                               DIB_RGB_COLORS);
  } else {
    result = StretchDIBits(dc, destination.left, destination.top, destWidth, destHeight,
                           source.left, sourceY, sourceWidth, sourceHeight, bits, info,
                           DIB_RGB_COLORS, SRCCOPY);
  }
  if (previous) SelectPalette(dc, previous, TRUE);
  return result;
}
