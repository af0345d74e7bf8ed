#pragma once
// Test pictures made on the spot: JPEG files through libjpeg, bitmap files by hand.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <jpeglib.h>

// Writes a colour JPEG whose pixel (x, y) is colour(x, y) as 0xRRGGBB.
inline bool WriteJpeg(const std::string& path, int width, int height,
                      const std::function<std::uint32_t(int, int)>& colour) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, f);
  c.image_width = static_cast<JDIMENSION>(width);
  c.image_height = static_cast<JDIMENSION>(height);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 95, TRUE);
  jpeg_start_compress(&c, TRUE);
  std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint32_t rgb = colour(x, y);
      row[3 * x] = static_cast<JSAMPLE>(rgb >> 16);
      row[3 * x + 1] = static_cast<JSAMPLE>(rgb >> 8);
      row[3 * x + 2] = static_cast<JSAMPLE>(rgb);
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&c, rows, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  return std::fclose(f) == 0;
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
