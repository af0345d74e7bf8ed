#include "platform/x11/wallpaper_bmp.h"

#include <cstring>

namespace {
std::uint32_t u32(const char* b, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}
// A 32-bit value as read from little-endian bytes.
std::uint32_t le32(std::uint32_t v) {
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  return __builtin_bswap32(v);
#else
  return v;
#endif
}
std::uint16_t u16(const char* b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                    static_cast<unsigned char>(b[at + 1]) << 8);
}

// A colour channel described by a bit mask, widened to 8 bits.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  int bits = 0;
  explicit Channel(std::uint32_t m) : mask(m) {
    if (!m) return;
    while (!((m >> shift) & 1u)) ++shift;
    while (shift + bits < 32 && ((m >> (shift + bits)) & 1u)) ++bits;
  }
  std::uint32_t take(std::uint32_t v) const {
    if (!bits) return 0;
    std::uint32_t c = (v & mask) >> shift;
    if (bits >= 8) return c >> (bits - 8);
    // Spread a short channel over the whole byte (31 -> 255 for 5 bits).
    std::uint32_t wide = 0;
    for (int filled = 0; filled < 8; filled += bits) wide = (wide << bits) | c;
    return wide >> (((8 + bits - 1) / bits) * bits - 8);
  }
};
}  // namespace

namespace {
// Checks every offset and size: the header and colour table against the `size` bytes of
// `b`, the rows against the file's `fileSize`.
bool readFormat(const char* b, std::uint64_t size, std::uint64_t fileSize, BitmapFormat& f) {
  if (size < 14 + 12 || size > fileSize || b[0] != 'B' || b[1] != 'M') return false;
  const std::uint32_t bitsOffset = u32(b, 10);
  const std::uint32_t headerSize = u32(b, 14);
  const bool core = headerSize == 12;
  if (!core && (headerSize < 40 || 14ull + headerSize > size)) return false;

  std::int64_t width, height;
  unsigned bitCount;
  std::uint32_t compression = 0, colorsUsed = 0;
  if (core) {
    width = u16(b, 18);
    height = u16(b, 20);
    bitCount = u16(b, 24);
  } else {
    width = static_cast<std::int32_t>(u32(b, 18));
    height = static_cast<std::int32_t>(u32(b, 22));
    bitCount = u16(b, 28);
    compression = u32(b, 30);
    colorsUsed = u32(b, 46);
  }
  f.topDown = height < 0;
  if (f.topDown) height = -height;
  if (width <= 0 || height <= 0 ||
      static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > kMaxBitmapPixels)
    return false;

  std::uint64_t tableStart = 14ull + headerSize;
  if (compression == 3 && (bitCount == 16 || bitCount == 32)) {
    if (14ull + 40 + 12 > size) return false;
    for (int i = 0; i < 3; ++i) f.masks[i] = u32(b, 54 + 4 * i);
    if (headerSize == 40) tableStart += 12;
  } else if (compression != 0) {
    return false;  // compressed bitmaps are not shown
  } else if (bitCount == 16) {
    f.masks[0] = 0x7C00, f.masks[1] = 0x03E0, f.masks[2] = 0x001F;
  } else if (bitCount == 32) {
    f.masks[0] = 0xFF0000, f.masks[1] = 0xFF00, f.masks[2] = 0xFF;
  }
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
      bitCount != 32)
    return false;

  if (bitCount <= 8) {
    std::uint64_t entries = 1ull << bitCount;
    if (!core && colorsUsed != 0 && colorsUsed < entries) entries = colorsUsed;
    const std::uint64_t entrySize = core ? 3 : 4;
    if (tableStart + entries * entrySize > size) return false;
    f.palette.assign(1u << bitCount, 0);  // indices past a short table read as black
    for (std::uint64_t i = 0; i < entries; ++i) {
      std::size_t at = static_cast<std::size_t>(tableStart + i * entrySize);
      f.palette[i] = static_cast<unsigned char>(b[at + 2]) << 16 |
                     static_cast<unsigned char>(b[at + 1]) << 8 | static_cast<unsigned char>(b[at]);
    }
    tableStart += entries * entrySize;
  }

  f.stride = (static_cast<std::uint64_t>(bitCount) * width + 31) / 32 * 4;
  f.dataStart = bitsOffset ? bitsOffset : tableStart;
  if (f.dataStart > fileSize || f.stride * height > fileSize - f.dataStart) return false;
  f.width = width;
  f.height = height;
  f.bitCount = bitCount;
  return true;
}
}  // namespace

std::uint64_t BitmapRowsOffset(const BitmapFormat& f, std::int64_t firstRow, std::int64_t count) {
  const std::int64_t firstInFile = f.topDown ? firstRow : f.height - firstRow - count;
  return f.dataStart + static_cast<std::uint64_t>(firstInFile) * f.stride;
}

void ConvertBitmapRows(const BitmapFormat& f, const unsigned char* rows, std::int64_t firstRow,
                       std::int64_t count, std::uint32_t* pixels) {
  const Channel red(f.masks[0]), green(f.masks[1]), blue(f.masks[2]);
  const std::int64_t width = f.width;
  const unsigned bitCount = f.bitCount;
  const std::uint64_t start = BitmapRowsOffset(f, firstRow, count);
  for (std::int64_t y = firstRow; y < firstRow + count; ++y) {
    const auto* row = rows + (BitmapRowsOffset(f, y, 1) - start);
    std::uint32_t* out = pixels + static_cast<std::size_t>((y - firstRow) * width);
    if (bitCount == 24) {  // what the suite's own bitmaps are: one tight loop
      // Four bytes from each pixel's first (blue, green, red and the next one's blue) are
      // its value once the fourth is dropped; the last pixel of a row is read by bytes, as
      // its fourth may lie past the end of the rows.
      std::int64_t x = 0;
      for (; x + 1 < width; ++x, row += 3) {
        std::uint32_t v;
        std::memcpy(&v, row, 4);
        out[x] = le32(v) & 0xFFFFFFu;
      }
      out[x] = static_cast<std::uint32_t>(row[2]) << 16 | row[1] << 8 | row[0];
      continue;
    }
    for (std::int64_t x = 0; x < width; ++x) {
      std::uint32_t rgb = 0;
      switch (bitCount) {
        case 1: rgb = f.palette[(row[x >> 3] >> (7 - (x & 7))) & 1]; break;
        case 4: rgb = f.palette[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF]; break;
        case 8: rgb = f.palette[row[x]]; break;
        case 16:
        case 32: {
          std::uint32_t v = 0;
          if (bitCount == 16) v = row[2 * x] | row[2 * x + 1] << 8;
          else v = static_cast<std::uint32_t>(row[4 * x]) | row[4 * x + 1] << 8 |
                   row[4 * x + 2] << 16 | static_cast<std::uint32_t>(row[4 * x + 3]) << 24;
          rgb = red.take(v) << 16 | green.take(v) << 8 | blue.take(v);
          break;
        }
      }
      out[x] = rgb;
    }
  }
}

namespace {
bool readFormat(const std::string& bytes, BitmapFormat& format) {
  return readFormat(bytes.data(), bytes.size(), bytes.size(), format);
}
void convert(const std::string& bytes, const BitmapFormat& f, std::uint32_t* pixels) {
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  ConvertBitmapRows(f, data + BitmapRowsOffset(f, 0, f.height), 0, f.height, pixels);
}
}  // namespace

bool ReadBitmapFormat(const char* head, std::size_t headSize, std::uint64_t fileSize,
                      BitmapFormat& format) {
  format = BitmapFormat{};
  return readFormat(head, headSize, fileSize, format);
}

bool DecodeBitmapBytes(const std::string& bytes, RgbPicture& picture) {
  picture = RgbPicture{};
  BitmapFormat format;
  if (!readFormat(bytes, format)) return false;
  picture.width = static_cast<int>(format.width);
  picture.height = static_cast<int>(format.height);
  picture.pixels.resize(static_cast<std::size_t>(format.width * format.height));
  convert(bytes, format, picture.pixels.data());
  return true;
}

bool CheckBitmapBytes(const std::string& bytes) {
  BitmapFormat format;
  return readFormat(bytes, format);
}
