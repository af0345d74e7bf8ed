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

// Pictures above this many pixels are refused (a 16k x 16k screen would still fit).
constexpr std::uint64_t kMaxBitmapPixels = 16384ull * 16384ull;

bool DecodeBitmapBytes(const std::string& bytes, RgbPicture& picture);
// The same checks without the pixels, for a desktop that is handed the file itself.
bool CheckBitmapBytes(const std::string& bytes);
// The same checks, and the picture's size.
bool BitmapSize(const std::string& bytes, int& width, int& height);
// Converts the pixels into memory of the caller's (width x height of them, as BitmapSize
// says), such as an image the X server reads directly.
bool DecodeBitmapInto(const std::string& bytes, std::uint32_t* pixels);
