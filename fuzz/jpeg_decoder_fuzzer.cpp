// Any bytes as a picture for the decoder, in-process (its sources are linked in). Input:
// one byte choosing scale class, colour count and output form, then the file. A decoded
// block holds every row it promises; a bitmap file the decoder writes reads back through
// the suite's own bitmap reader; a failure writes no file.
#include <unistd.h>

#include <cstdint>

#include "decoder/djpeg32.h"
#include "fuzz/dib_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const int scaleClass = data[0] & 3;  // 0 counts as class 1
  const int colors = data[0] & 4 ? 256 : 0;
  const bool toFile = data[0] & 8;
  static const std::string picture = fuzz::ScratchPath("picture.jpg");
  static const std::string bitmap = fuzz::ScratchPath("picture.bmp");
  fuzz::WriteFile(picture, data + 1, size - 1);
  unlink(bitmap.c_str());

  if (!toFile) {
    HGLOBAL block = QmDecodeJpeg(picture.c_str(), "", nullptr, scaleClass, colors);
    if (!block) return 0;
    fuzz::CheckBlock(block);
    const auto* dib = static_cast<const BYTE*>(GlobalLock(block));
    if (DIBWidth(dib) > 32767 || DIBHeight(dib) > 32767) fuzz::Fail("decoded picture over the size limit");
    GlobalUnlock(block);
    GlobalFree(block);
    return 0;
  }
  HGLOBAL result = QmDecodeJpeg(picture.c_str(), bitmap.c_str(), nullptr, scaleClass, colors);
  if (!result) {
    if (access(bitmap.c_str(), F_OK) == 0) fuzz::Fail("a failed decode wrote a file");
    return 0;
  }
  if (result != QM_DECODED_TO_FILE) fuzz::Fail("a decode to a file returned a block");
  HGLOBAL block = ReadDIBFile(bitmap.c_str());
  if (!block) fuzz::Fail("the decoder wrote a bitmap file the suite cannot read");
  fuzz::CheckBlock(block);
  GlobalFree(block);
  return 0;
}
