// Any bytes as a bitmap file for the screen saver's reader: once into a new block, once
// into a block that is already there (the saver reuses its block from picture to
// picture), then the saver's palette.
#include <cstdint>

#include "fuzz/dib_check.h"
#include "platform/gdi.h"

namespace {

void CheckRead(HGLOBAL block, WORD bitsOffset) {
  fuzz::CheckBlock(block);
  const auto* dib = static_cast<const BYTE*>(GlobalLock(block));
  if (FindDIBBits(dib) - dib != bitsOffset) fuzz::Fail("the reported row offset is wrong");
  HPALETTE palette = MakeDIBPalette(dib);
  GlobalUnlock(block);
  if (palette && palette != static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE))) DeleteObject(palette);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string file = fuzz::ScratchPath("header.bmp");
  fuzz::WriteFile(file, data, size);

  HGLOBAL block = nullptr;
  WORD bitsOffset = 0;
  if (ReadDIBFileByHeader(file.c_str(), block, bitsOffset)) {
    CheckRead(block, bitsOffset);
  } else if (block) {
    fuzz::Fail("a failed read into a new block left a block behind");
  }

  HGLOBAL reused = GlobalAlloc(GMEM_MOVEABLE, 64);
  if (ReadDIBFileByHeader(file.c_str(), reused, bitsOffset)) CheckRead(reused, bitsOffset);
  if (reused) GlobalFree(reused);
  if (block) GlobalFree(block);
  return 0;
}
