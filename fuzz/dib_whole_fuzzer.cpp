// Any bytes as a bitmap file for the configuration program's reader, then its palette.
#include <cstdint>

#include "fuzz/dib_check.h"
#include "platform/gdi.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string file = fuzz::ScratchPath("whole.bmp");
  fuzz::WriteFile(file, data, size);
  HGLOBAL block = ReadDIBFile(file.c_str());
  if (!block) return 0;
  fuzz::CheckBlock(block);
  HPALETTE palette = nullptr;
  if (CreateDIBPalette(block, palette) && palette) DeleteObject(palette);
  GlobalFree(block);
  return 0;
}
