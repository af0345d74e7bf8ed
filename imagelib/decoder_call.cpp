#include "imagelib/decoder_call.h"

#include <cstdio>
#include <cstring>
#include <functional>

#include "platform/isolated_call.h"

namespace {

// How the child tells what the decoder answered.
enum : long { kNoPicture = 0, kToFile = 1, kBlock = 2 };

// The decoder refuses up front any picture that would take long (its cost limits keep
// the largest accepted decode to a few seconds), so only a decoder that is stuck or
// broken meets this. It still bounds how long quillrun can hold up a log-on, or the
// configuration program its window, and how long a picture can cost the saver's show.
constexpr int kTimeLimitSeconds = 15;

void ReportCrash(const IsolatedCallResult& result, const char* what, const char* path) {
  if (result.interrupted)
    std::fprintf(stderr, "the decoder library was stopped, the program is ending, while %s \"%s\"\n",
                 what, path ? path : "");
  else if (result.timedOut)
    std::fprintf(stderr, "the decoder library was stopped after %d s while %s \"%s\"\n",
                 kTimeLimitSeconds, what, path ? path : "");
  else if (result.signal != 0)
    std::fprintf(stderr, "the decoder library died of signal %d while %s \"%s\"\n",
                 result.signal, what, path ? path : "");
  else
    std::fprintf(stderr, "the decoder library ended without answering while %s \"%s\"\n",
                 what, path ? path : "");
}

HGLOBAL DecodeIsolated(const std::function<HGLOBAL()>& decode, const char* picturePath) {
  IsolatedCallResult result = RunIsolated([&](std::vector<unsigned char>& data) -> long {
    HGLOBAL block = decode();
    if (!block) return kNoPicture;
    if (block == QM_DECODED_TO_FILE) return kToFile;
    const std::size_t size = GlobalSize(block);
    const void* bytes = GlobalLock(block);
    if (!bytes && size > 0) return kNoPicture;
    data.assign(static_cast<const unsigned char*>(bytes),
                static_cast<const unsigned char*>(bytes) + size);
    GlobalUnlock(block);
    GlobalFree(block);
    return kBlock;
  }, kTimeLimitSeconds);
  if (!result.completed) {
    ReportCrash(result, "decoding", picturePath);
    return nullptr;
  }
  if (result.value == kToFile) return QM_DECODED_TO_FILE;
  if (result.value != kBlock) return nullptr;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, result.data.size());
  if (!block) return nullptr;
  if (!result.data.empty()) {
    std::memcpy(GlobalLock(block), result.data.data(), result.data.size());
    GlobalUnlock(block);
  }
  return block;
}

int WriteIsolated(const std::function<int()>& writeWindow, const char* outputBitmapPath) {
  IsolatedCallResult result = RunIsolated([&](std::vector<unsigned char>&) -> long {
    return writeWindow() != 0 ? 1 : 0;
  }, kTimeLimitSeconds);
  if (!result.completed) {
    ReportCrash(result, "writing", outputBitmapPath);
    return 0;
  }
  return static_cast<int>(result.value);
}

}  // namespace

HGLOBAL CallDecodeJpeg(QmDecodeJpegProc decode, const char* picturePath,
                       const char* outputBitmapPath, HWND window, int scaleClass,
                       int colorCount) {
  return DecodeIsolated(
      [&] { return decode(picturePath, outputBitmapPath, window, scaleClass, colorCount); },
      picturePath);
}

HGLOBAL CallDecodeJpegForScreen(QmDecodeJpegForScreenProc decode, const char* picturePath,
                                const char* outputBitmapPath, int scaleClass, int colorCount,
                                const DecodeScreen& screen) {
  return DecodeIsolated([&] {
    return decode(picturePath, outputBitmapPath, scaleClass, colorCount, screen.width,
                  screen.height, screen.panorama ? 1 : 0);
  }, picturePath);
}

int CallWritePanoramaWindow(QmWritePanoramaWindowProc writeWindow, const char* outputBitmapPath,
                            HGLOBAL packedDib, int origin) {
  return WriteIsolated([&] { return writeWindow(outputBitmapPath, packedDib, origin); },
                       outputBitmapPath);
}

int CallWritePanoramaWindowForScreen(QmWritePanoramaWindowForScreenProc writeWindow,
                                     const char* outputBitmapPath, HGLOBAL packedDib,
                                     int origin, int scaleClass, const DecodeScreen& screen) {
  return WriteIsolated([&] {
    return writeWindow(outputBitmapPath, packedDib, origin, scaleClass, screen.width,
                       screen.height);
  }, outputBitmapPath);
}
