#include "imagelib/dib.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/paths.h"
#include "platform/scoped.h"

namespace {

constexpr std::size_t kFileHeader = 14;
constexpr std::size_t kCoreHeader = 12;
constexpr std::size_t kInfoHeader = 40;

std::uint32_t U32(const BYTE* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
WORD U16(const BYTE* p) { return static_cast<WORD>(p[0] | p[1] << 8); }
void Put32(BYTE* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<BYTE>(v >> (8 * i));
}

bool IsCore(const void* dib) { return U32(static_cast<const BYTE*>(dib)) == kCoreHeader; }

// What a header says, checked against the bytes that follow it in a file. `available`
// counts from the start of the header.
struct Layout {
  std::size_t headerSize = 0;
  std::size_t tableBytes = 0;
  std::size_t rowBytes = 0;  // what the rows of width x height take
  int bits = 0;
};

bool ReadLayout(const BYTE* header, std::size_t available, Layout& layout) {
  if (available < 4) return false;
  const std::size_t size = U32(header);
  long long width, height;
  std::uint32_t colorsUsed = 0;
  if (size == kCoreHeader) {
    if (available < kCoreHeader) return false;
    width = U16(header + 4);
    height = U16(header + 6);
    layout.bits = U16(header + 10);
  } else {
    if (size < kInfoHeader || size > available) return false;
    width = static_cast<std::int32_t>(U32(header + 4));
    height = static_cast<std::int32_t>(U32(header + 8));
    layout.bits = U16(header + 14);
    if (U32(header + 16) != BI_RGB) return false;  // compressed rows are not drawn here
    colorsUsed = U32(header + 32);
    if (colorsUsed > 0xFFFF) return false;
  }
  const int b = layout.bits;
  if (width < 1 || height < 1) return false;
  if (b != 1 && b != 4 && b != 8 && b != 16 && b != 24 && b != 32) return false;
  layout.headerSize = size;
  layout.tableBytes = static_cast<std::size_t>(DIBNumColors(header)) * (size == kCoreHeader ? 3 : 4);
  const unsigned long long stride = (static_cast<unsigned long long>(width) * b + 31) / 32 * 4;
  const unsigned long long rows = stride * static_cast<unsigned long long>(height);
  if (rows > 0xFFFFFFFFull) return false;
  layout.rowBytes = static_cast<std::size_t>(rows);
  return true;
}


// ---- forms that today's tools write ------------------------------------------------------
// Thumbnails made by current image tools often come with colour masks (16 and 32 bits),
// top-down rows or run-length encoded rows. The rest of the suite draws only plain
// bottom-up rows, so such a file is rewritten into that form before it is read; the
// result is an ordinary file that the checks below then judge like any other.

constexpr std::size_t kMaxConvertedRows = 64u << 20;  // far beyond any thumbnail or picture

struct Mask {
  std::uint32_t mask = 0;
  int shift = 0, width = 0;
  explicit Mask(std::uint32_t m) : mask(m) {
    if (!m) return;
    while (!(m & 1)) { m >>= 1; ++shift; }
    while (m & 1) { m >>= 1; ++width; }
  }
  BYTE Take(std::uint32_t pixel) const {
    if (width == 0) return 0;
    const std::uint32_t v = (pixel & mask) >> shift;
    const std::uint32_t top = (1u << std::min(width, 31)) - 1;
    return static_cast<BYTE>(width >= 8 ? v >> (width - 8) : v * 255 / top);
  }
};

std::string PlainFile(std::int32_t width, std::int32_t height, int bits, const BYTE* table,
                      std::size_t tableEntries, const std::vector<BYTE>& rows) {
  const std::size_t offset = kFileHeader + kInfoHeader + tableEntries * 4;
  std::string out(offset, '\0');
  auto* p = reinterpret_cast<BYTE*>(out.data());
  p[0] = 'B';
  p[1] = 'M';
  Put32(p + 2, static_cast<std::uint32_t>(offset + rows.size()));
  Put32(p + 10, static_cast<std::uint32_t>(offset));
  BYTE* h = p + kFileHeader;
  Put32(h, kInfoHeader);
  Put32(h + 4, static_cast<std::uint32_t>(width));
  Put32(h + 8, static_cast<std::uint32_t>(height));
  h[12] = 1;
  h[14] = static_cast<BYTE>(bits);
  Put32(h + 20, static_cast<std::uint32_t>(rows.size()));
  Put32(h + 32, static_cast<std::uint32_t>(tableEntries));
  if (tableEntries) std::memcpy(h + kInfoHeader, table, tableEntries * 4);
  out.append(reinterpret_cast<const char*>(rows.data()), rows.size());
  return out;
}

// Decodes run-length rows into 8-bit bottom-up rows; false on data that runs out.
bool DecodeRunLength(const BYTE* data, std::size_t size, bool fourBits, std::size_t width,
                     std::size_t height, std::size_t stride, std::vector<BYTE>& rows) {
  std::size_t x = 0, y = 0, i = 0;
  auto put = [&](BYTE v) {
    if (x < width && y < height) rows[y * stride + x] = v;
    ++x;
  };
  while (i + 1 < size) {
    const BYTE count = data[i], value = data[i + 1];
    i += 2;
    if (count) {
      for (int n = 0; n < count; ++n)
        put(fourBits ? static_cast<BYTE>(n % 2 ? value & 15 : value >> 4) : value);
    } else if (value == 0) {
      x = 0;
      if (++y >= height) return true;
    } else if (value == 1) {
      return true;
    } else if (value == 2) {
      if (i + 1 >= size) return false;
      x += data[i];
      y += data[i + 1];
      i += 2;
      if (y >= height) return true;
    } else {
      const std::size_t bytes = fourBits ? (value + 1u) / 2 : value;
      if (bytes > size - i) return false;
      for (int n = 0; n < value; ++n)
        put(fourBits ? static_cast<BYTE>(n % 2 ? data[i + n / 2] & 15 : data[i + n / 2] >> 4)
                     : data[i + n]);
      i += (bytes + 1) & ~std::size_t{1};  // runs are padded to whole words
    }
  }
  return true;
}

// Rewrites `file` into plain bottom-up rows when it uses one of the other forms; a file
// that is already plain, or that cannot be understood, is left as it is.
void MakePlain(std::string& file) {
  if (file.size() < kFileHeader + kInfoHeader) return;
  const auto* bytes = reinterpret_cast<const BYTE*>(file.data());
  if (U16(bytes) != DIB_HEADER_MARKER) return;
  const BYTE* h = bytes + kFileHeader;
  const std::size_t headerSize = U32(h);
  if (headerSize < kInfoHeader || headerSize > file.size() - kFileHeader) return;
  const std::int32_t width = static_cast<std::int32_t>(U32(h + 4));
  const std::int32_t rawHeight = static_cast<std::int32_t>(U32(h + 8));
  const int bits = U16(h + 14);
  const std::uint32_t compression = U32(h + 16);
  const bool topDown = rawHeight < 0 && rawHeight != INT32_MIN;
  if (compression == BI_RGB && !topDown) return;
  if (width < 1 || rawHeight == 0 || rawHeight == INT32_MIN) return;
  const std::int32_t height = topDown ? -rawHeight : rawHeight;
  const std::size_t offset = U32(bytes + 10);
  if (offset > file.size()) return;
  const BYTE* data = bytes + offset;
  const std::size_t dataSize = file.size() - offset;
  const std::uint32_t used = U32(h + 32);

  // Output depth: palette pictures keep theirs (run-length rows become 8 bits), masked
  // ones become 24-bit colour.
  int outBits = bits;
  if (compression == BI_RLE8 || compression == BI_RLE4) outBits = 8;
  else if (compression == BI_BITFIELDS) outBits = 24;
  else if (compression != BI_RGB) return;
  if (compression == BI_BITFIELDS && bits != 16 && bits != 32) return;
  if ((compression == BI_RLE8 && bits != 8) || (compression == BI_RLE4 && bits != 4)) return;
  if (outBits != 1 && outBits != 4 && outBits != 8 && outBits != 16 && outBits != 24 && outBits != 32)
    return;
  const unsigned long long stride = (static_cast<unsigned long long>(width) * outBits + 31) / 32 * 4;
  const unsigned long long total = stride * static_cast<unsigned long long>(height);
  if (total > kMaxConvertedRows) return;

  std::size_t entries = 0;
  if (bits <= 8) entries = used ? used : (1u << bits);
  if (entries > 256) return;
  const BYTE* table = h + headerSize;
  if (entries * 4 > file.size() - kFileHeader - headerSize) return;

  std::vector<BYTE> rows(static_cast<std::size_t>(total), 0);
  const std::size_t w = static_cast<std::size_t>(width), ht = static_cast<std::size_t>(height);
  if (compression == BI_RLE8 || compression == BI_RLE4) {
    // Run-length rows are stored bottom-up; top-down run-length files do not exist.
    if (topDown) return;
    if (!DecodeRunLength(data, dataSize, compression == BI_RLE4, w, ht, stride, rows)) return;
  } else {
    const std::size_t inStride = (w * static_cast<std::size_t>(bits) + 31) / 32 * 4;
    if (inStride * ht > dataSize) return;
    for (std::size_t y = 0; y < ht; ++y) {
      const BYTE* in = data + (topDown ? ht - 1 - y : y) * inStride;
      BYTE* out = rows.data() + y * stride;
      if (compression == BI_RGB) {
        std::memcpy(out, in, std::min<std::size_t>(inStride, stride));
        continue;
      }
      // Masks follow a 40-byte header, or lie inside a larger one.
      const std::size_t masksAt = kFileHeader + kInfoHeader;
      if (masksAt + 12 > file.size()) return;
      const Mask red(U32(bytes + masksAt)), green(U32(bytes + masksAt + 4)),
          blue(U32(bytes + masksAt + 8));
      for (std::size_t x = 0; x < w; ++x) {
        const std::uint32_t pixel = bits == 16 ? U16(in + 2 * x) : U32(in + 4 * x);
        out[3 * x] = blue.Take(pixel);
        out[3 * x + 1] = green.Take(pixel);
        out[3 * x + 2] = red.Take(pixel);
      }
    }
  }
  file = PlainFile(width, height, outBits, table, entries, rows);
}

}  // namespace

WORD DIBNumColors(const void* dib) {
  const auto* p = static_cast<const BYTE*>(dib);
  int bits;
  if (IsCore(dib)) {
    bits = U16(p + 10);
  } else {
    const std::uint32_t used = U32(p + 32);
    if (used != 0) return static_cast<WORD>(used);
    bits = U16(p + 14);
  }
  switch (bits) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
  }
}

WORD PaletteSize(const void* dib) {
  return static_cast<WORD>(DIBNumColors(dib) * (IsCore(dib) ? 3 : 4));
}

const BYTE* FindDIBBits(const void* dib) {
  return static_cast<const BYTE*>(dib) + U32(static_cast<const BYTE*>(dib)) + PaletteSize(dib);
}
BYTE* FindDIBBits(void* dib) {
  return const_cast<BYTE*>(FindDIBBits(static_cast<const void*>(dib)));
}

DWORD DIBWidth(const void* dib) {
  const auto* p = static_cast<const BYTE*>(dib);
  return IsCore(dib) ? U16(p + 4) : U32(p + 4);
}

DWORD DIBHeight(const void* dib) {
  const auto* p = static_cast<const BYTE*>(dib);
  return IsCore(dib) ? U16(p + 6) : U32(p + 8);
}

HGLOBAL ReadDIBFile(const char* path) {
  std::string file;
  if (!path || !ReadWholeFile(NativePath(path), file)) return nullptr;
  MakePlain(file);
  if (file.size() < kFileHeader) return nullptr;
  const auto* bytes = reinterpret_cast<const BYTE*>(file.data());
  if (U16(bytes) != DIB_HEADER_MARKER) return nullptr;
  const BYTE* dib = bytes + kFileHeader;
  const std::size_t available = file.size() - kFileHeader;
  Layout layout;
  if (!ReadLayout(dib, available, layout)) return nullptr;

  // The rows normally follow the colour table; a file whose offset field leaves a gap
  // (padding, a colour profile) has them at that offset instead.
  const std::size_t packedStart = layout.headerSize + layout.tableBytes;
  std::size_t rowsAt = packedStart;
  const std::size_t offset = U32(bytes + 10);
  if (offset >= kFileHeader + packedStart && offset - kFileHeader <= available &&
      layout.rowBytes <= available - (offset - kFileHeader))
    rowsAt = offset - kFileHeader;
  if (packedStart > available || layout.rowBytes > available - rowsAt) return nullptr;

  const std::size_t blockBytes = packedStart + layout.rowBytes;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, blockBytes);
  if (!block) return nullptr;
  auto* out = static_cast<BYTE*>(GlobalLock(block));
  std::memcpy(out, dib, packedStart);
  std::memcpy(out + packedStart, dib + rowsAt, layout.rowBytes);
  GlobalUnlock(block);
  return block;
}

BOOL ReadDIBFileByHeader(const char* path, HGLOBAL& block, WORD& bitsOffset) {
  std::string file;
  if (!path || !ReadWholeFile(NativePath(path), file)) return 0;
  MakePlain(file);
  if (file.size() < kFileHeader + kInfoHeader) return 0;
  const auto* bytes = reinterpret_cast<const BYTE*>(file.data());
  if (U16(bytes) != DIB_HEADER_MARKER) return 0;
  const BYTE* header = bytes + kFileHeader;
  const std::size_t available = file.size() - kFileHeader;
  if (U32(header) == kCoreHeader) return 0;
  Layout layout;
  if (!ReadLayout(header, available, layout)) return 0;

  // The colour table is as long as colours-used says (or the depth implies), and the
  // image size is trusted only when it covers every row.
  const std::uint32_t colorsUsed = U32(header + 32);
  WORD entries = static_cast<WORD>(colorsUsed);
  if (entries == 0 && layout.bits < 16) entries = static_cast<WORD>(1u << layout.bits);
  const std::size_t tableBytes = std::size_t{entries} * 4;
  std::size_t imageSize = U32(header + 20);
  if (imageSize == 0) imageSize = layout.rowBytes;
  if (imageSize < layout.rowBytes) return 0;
  const std::size_t rowsStart = layout.headerSize + tableBytes;
  if (rowsStart > 0xFFFF) return 0;  // the offset is reported in 16 bits
  if (rowsStart > available) return 0;
  const std::size_t offset = U32(bytes + 10);
  const std::size_t rowsAt = offset != 0 ? offset : kFileHeader + rowsStart;
  if (rowsAt > file.size() || imageSize > file.size() - rowsAt) return 0;

  const std::size_t blockBytes = rowsStart + imageSize;
  HGLOBAL resized = block ? GlobalReAlloc(block, blockBytes, GMEM_MOVEABLE)
                          : GlobalAlloc(GMEM_MOVEABLE, blockBytes);
  if (!resized) {
    // The old block is of no use any more; let it go instead of losing the handle.
    GlobalFree(block);
    block = nullptr;
    return 0;
  }
  block = resized;
  auto* out = static_cast<BYTE*>(GlobalLock(block));
  std::memcpy(out, header, rowsStart);
  if (colorsUsed == 0) Put32(out + 32, entries);
  Put32(out + 20, static_cast<std::uint32_t>(imageSize));
  std::memcpy(out + rowsStart, bytes + rowsAt, imageSize);
  GlobalUnlock(block);
  bitsOffset = static_cast<WORD>(rowsStart);
  return 1;
}
