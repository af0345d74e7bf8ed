#pragma once
// What every block a bitmap reader hands out must hold, whatever file it came from: a
// header the measuring functions accept and every pixel row they will find. Each byte
// is read, so a block shorter than it claims shows up under the sanitizer.
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "imagelib/dib.h"

namespace fuzz {

inline std::uint32_t Le32(const BYTE* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

inline void CheckBlock(HGLOBAL block) {
  const std::size_t size = GlobalSize(block);
  const auto* dib = static_cast<const BYTE*>(GlobalLock(block));
  if (!dib || size < 12) Fail("a block was handed out without a header");
  const std::uint32_t header = Le32(dib);
  if (header != 12 && header < 40) Fail("a block with an unknown header size");
  const int bits = header == 12 ? (dib[10] | dib[11] << 8) : (dib[14] | dib[15] << 8);
  const std::uint64_t width = DIBWidth(dib), height = DIBHeight(dib);
  if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF)
    Fail("a block with an empty or negative size");
  const std::uint64_t rows = (width * static_cast<std::uint64_t>(bits) + 31) / 32 * 4 * height;
  const std::uint64_t start = static_cast<std::uint64_t>(FindDIBBits(dib) - dib);
  if (start != header + PaletteSize(dib)) Fail("the rows do not follow the colour table");
  if (start + rows > size) Fail("a block is shorter than its rows");
  volatile unsigned sum = 0;
  for (std::uint64_t i = 0; i < start + rows; ++i) sum = sum + dib[i];
  GlobalUnlock(block);
}

}  // namespace fuzz
