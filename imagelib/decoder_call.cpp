#include "imagelib/decoder_call.h"

#include <cstdio>
#include <string>
#include <vector>

#include "decoder/host_protocol.h"
#include "platform/isolated_call.h"
#include "platform/library.h"
#include "platform/paths.h"

namespace {
std::string& hostOverride() {
  static std::string path;
  return path;
}

// The decoder refuses up front any picture that would take long (its cost limits keep
// the largest accepted decode to a few seconds), so only a decoder that is stuck or
// broken meets this. It bounds how long quillrun can hold up a log-on, the configuration
// program its window, and a picture the saver's show.
constexpr int kTimeLimitSeconds = 6;

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

// The host loads the very file the caller took the procedure from: the caller loaded it
// from its program folder by full path.
IsolatedCall HostCall(const char* procedure, FARPROC proc, std::vector<std::string> texts,
                      const std::vector<long>& numbers) {
  DecoderHostArguments arguments{procedure, LibraryPathOf(proc), std::move(texts), numbers};
  return IsolatedCall{DecoderHostPath(), FormatDecoderHostArguments(arguments), nullptr};
}


// What the host answered for a decode, as the procedure would have answered.
HGLOBAL DecodeAnswer(IsolatedCallResult& result, const char* picturePath) {
  if (!result.completed) {
    ReportCrash(result, "decoding", picturePath);
    return nullptr;
  }
  if (result.value == kDecoderHostToFile) {
    GlobalFree(result.block);
    return QM_DECODED_TO_FILE;
  }
  if (result.value != kDecoderHostBlock) {
    GlobalFree(result.block);
    return nullptr;
  }
  // An empty picture still is a block.
  return result.block ? result.block : GlobalAlloc(GMEM_MOVEABLE, 0);
}

int WindowAnswer(IsolatedCallResult& result, const char* outputBitmapPath) {
  GlobalFree(result.block);
  if (!result.completed) {
    ReportCrash(result, "writing", outputBitmapPath);
    return 0;
  }
  return result.value != 0 ? 1 : 0;
}

std::vector<std::string> DecodeTexts(const char* picturePath, const char* outputBitmapPath) {
  return {picturePath ? picturePath : "", outputBitmapPath ? outputBitmapPath : ""};
}

}  // namespace

std::string DecoderHostPath() {
  if (!hostOverride().empty()) return hostOverride();
  return ExecutableFolder() + kDecoderHostName;
}

void PrestartDecoderHost() { PrestartIsolatedHost(DecoderHostPath()); }

void SetDecoderHostForTesting(const std::string& path) { hostOverride() = path; }

// Without its host (a program folder from before it), each call is made here, as the old
// platform made it.

HGLOBAL CallDecodeJpeg(QmDecodeJpegProc decode, const char* picturePath,
                       const char* outputBitmapPath, HWND window, int scaleClass,
                       int colorCount) {
  const IsolatedCall call = HostCall(kDecoderHostDecode, reinterpret_cast<FARPROC>(decode),
                                     DecodeTexts(picturePath, outputBitmapPath),
                                     {scaleClass, colorCount});
  IsolatedCallResult result = RunIsolated(call, kTimeLimitSeconds);
  if (result.notStarted) return decode(picturePath, outputBitmapPath, window, scaleClass, colorCount);
  return DecodeAnswer(result, picturePath);
}

HGLOBAL CallDecodeJpegForScreen(QmDecodeJpegForScreenProc decode, const char* picturePath,
                                const char* outputBitmapPath, int scaleClass, int colorCount,
                                const DecodeScreen& screen) {
  const IsolatedCall call =
      HostCall(kDecoderHostDecodeForScreen, reinterpret_cast<FARPROC>(decode),
               DecodeTexts(picturePath, outputBitmapPath),
               {scaleClass, colorCount, screen.width, screen.height, screen.panorama ? 1 : 0});
  IsolatedCallResult result = RunIsolated(call, kTimeLimitSeconds);
  if (result.notStarted)
    return decode(picturePath, outputBitmapPath, scaleClass, colorCount, screen.width,
                  screen.height, screen.panorama ? 1 : 0);
  return DecodeAnswer(result, picturePath);
}

int CallWritePanoramaWindow(QmWritePanoramaWindowProc writeWindow, const char* outputBitmapPath,
                            HGLOBAL packedDib, int origin) {
  IsolatedCall call = HostCall(kDecoderHostWindow, reinterpret_cast<FARPROC>(writeWindow),
                               {outputBitmapPath ? outputBitmapPath : ""}, {origin});
  call.input = packedDib;
  IsolatedCallResult result = RunIsolated(call, kTimeLimitSeconds);
  if (result.notStarted) return writeWindow(outputBitmapPath, packedDib, origin);
  return WindowAnswer(result, outputBitmapPath);
}

int CallWritePanoramaWindowForScreen(QmWritePanoramaWindowForScreenProc writeWindow,
                                     const char* outputBitmapPath, HGLOBAL packedDib,
                                     int origin, int scaleClass, const DecodeScreen& screen) {
  IsolatedCall call =
      HostCall(kDecoderHostWindowForScreen, reinterpret_cast<FARPROC>(writeWindow),
               {outputBitmapPath ? outputBitmapPath : ""},
               {origin, scaleClass, screen.width, screen.height});
  call.input = packedDib;
  IsolatedCallResult result = RunIsolated(call, kTimeLimitSeconds);
  if (result.notStarted)
    return writeWindow(outputBitmapPath, packedDib, origin, scaleClass, screen.width,
                       screen.height);
  return WindowAnswer(result, outputBitmapPath);
}
