// Any bytes as a picture for the decoder, in-process (its sources are linked in). Input:
// one byte choosing scale class, colour count, output form and whether the picture is
// decoded for a large monitor (and as a panorama), then the file. A decoded
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
  const bool forScreen = data[0] & 16;
  const int panorama = data[0] & 32 ? 1 : 0;
  static const std::string picture = fuzz::ScratchPath("picture.jpg");
  static const std::string bitmap = fuzz::ScratchPath("picture.bmp");
  fuzz::WriteFile(picture, data + 1, size - 1);
  unlink(bitmap.c_str());
  auto decode = [&](const char* output) {
    return forScreen ? QmDecodeJpegForScreen(picture.c_str(), output, scaleClass, colors, 3840,
                                             2160, panorama)
                     : QmDecodeJpeg(picture.c_str(), output, nullptr, scaleClass, colors);
  };

  if (!toFile) {
    HGLOBAL block = decode("");
    if (!block) return 0;
    fuzz::CheckBlock(block);
    const auto* dib = static_cast<const BYTE*>(GlobalLock(block));
    if (DIBWidth(dib) > 32767 || DIBHeight(dib) > 32767) fuzz::Fail("decoded picture over the size limit");
    GlobalUnlock(block);
    GlobalFree(block);
    return 0;
  }
  HGLOBAL result = decode(bitmap.c_str());
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
