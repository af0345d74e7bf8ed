#pragma once
// Test pictures made on the spot: JPEG files through the tests' one writer, bitmap files by hand.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/jpeg_maker.h"

// Writes a colour JPEG whose pixel (x, y) is colour(x, y) as 0xRRGGBB.
inline bool WriteJpeg(const std::string& path, int width, int height,
                      const std::function<std::uint32_t(int, int)>& colour) {
  try {
    MakeJpeg(path, width, height, JpegKind::Colour, [&](int x, int y) {
      const std::uint32_t rgb = colour(x, y);
      return Rgb{static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
                 static_cast<std::uint8_t>(rgb)};
    });
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

inline void PutLe(std::string& b, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b += static_cast<char>(v >> (8 * i) & 0xFF);
}

// A bitmap file: 24-bit when `palette` is empty, else 8-bit with that table; rows bottom-up
// unless topDown. pixel(x, y) is 0xRRGGBB (24-bit) or an index (8-bit), y counted from the top.
inline std::string MakeBitmap(int width, int height, const std::function<std::uint32_t(int, int)>& pixel,
                              const std::vector<std::uint32_t>& palette = {}, bool topDown = false) {
  const int bits = palette.empty() ? 24 : 8;
  const int stride = (bits * width + 31) / 32 * 4;
  const std::uint32_t table = static_cast<std::uint32_t>(palette.size() * 4);
  const std::uint32_t offset = 54 + table;
  std::string b = "BM";
  PutLe(b, offset + static_cast<std::uint32_t>(stride * height), 4);
  PutLe(b, 0, 4);
  PutLe(b, offset, 4);
  PutLe(b, 40, 4);
  PutLe(b, static_cast<std::uint32_t>(width), 4);
  PutLe(b, static_cast<std::uint32_t>(topDown ? -height : height), 4);
  PutLe(b, 1, 2);
  PutLe(b, static_cast<std::uint32_t>(bits), 2);
  PutLe(b, 0, 4);
  PutLe(b, static_cast<std::uint32_t>(stride * height), 4);
  PutLe(b, 0, 4);
  PutLe(b, 0, 4);
  PutLe(b, static_cast<std::uint32_t>(palette.size()), 4);
  PutLe(b, 0, 4);
  for (std::uint32_t c : palette) PutLe(b, c, 4);  // 0x00RRGGBB is blue, green, red, 0
  for (int r = 0; r < height; ++r) {
    const int y = topDown ? r : height - 1 - r;
    std::string row;
    for (int x = 0; x < width; ++x) {
      std::uint32_t v = pixel(x, y);
      if (bits == 8) row += static_cast<char>(v);
      else PutLe(row, v, 3);
    }
    row.resize(static_cast<std::size_t>(stride), '\0');
    b += row;
  }
  return b;
}
