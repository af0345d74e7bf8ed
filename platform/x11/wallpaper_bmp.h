#pragma once
// Reading a bitmap file into plain RGB pixels for the desktop background. Only what the
// desktop showed on the old platform is accepted: uncompressed bitmaps (BI_RGB, and
// BI_BITFIELDS at 16 and 32 bits) of 1, 4, 8, 16, 24 or 32 bits per pixel with an
// information header (40 bytes or one of its longer successors) or a core header (12).
// Every offset and size is checked against the file before use, so a broken or hostile
// file gives false, never a read past its end or a giant allocation.
#include <cstdint>
#include <string>
#include <vector>

struct RgbPicture {
  int width = 0;
  int height = 0;
  // Top row first, each pixel 0x00RRGGBB.
  std::vector<std::uint32_t> pixels;
};

// What a bitmap's header says, once checked: enough to convert its rows.
struct BitmapFormat {
  std::int64_t width = 0, height = 0;
  bool topDown = false;
  unsigned bitCount = 0;
  std::uint32_t masks[3] = {0, 0, 0};
  std::vector<std::uint32_t> palette;
  std::uint64_t stride = 0, dataStart = 0;
};

// Pictures above this many pixels are refused (a 16k x 16k screen would still fit).
constexpr std::uint64_t kMaxBitmapPixels = 16384ull * 16384ull;

bool DecodeBitmapBytes(const std::string& bytes, RgbPicture& picture);
// The same checks without the pixels, for a desktop that is handed the file itself.
bool CheckBitmapBytes(const std::string& bytes);

// The same checks for a file read in parts: its header and colour table must lie among its
// first `headSize` bytes, `head`; its rows are checked against its size.
bool ReadBitmapFormat(const char* head, std::size_t headSize, std::uint64_t fileSize,
                      BitmapFormat& format);
// Where in the file the picture's rows [firstRow, firstRow + count) lie, top row 0: one
// stretch of the file, bottom-up or top-down.
std::uint64_t BitmapRowsOffset(const BitmapFormat& format, std::int64_t firstRow, std::int64_t count);
// Converts those rows, given the file's bytes from that offset, into count rows of pixels.
void ConvertBitmapRows(const BitmapFormat& format, const unsigned char* rows,
                       std::int64_t firstRow, std::int64_t count, std::uint32_t* pixels);
