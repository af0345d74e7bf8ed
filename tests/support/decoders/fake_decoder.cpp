// A decoder library for tests: appends one line per call to $QM_FAKE_LOG, writes a 2 x 2
// bitmap where a file is asked for, and fails when $QM_FAKE_FAIL names the procedure.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/global_memory.h"
#include "platform/types.h"

namespace {
void note(const char* format, ...) __attribute__((format(printf, 1, 2)));
void note(const char* format, ...) {
  const char* log = std::getenv("QM_FAKE_LOG");
  if (!log) return;
  FILE* f = std::fopen(log, "a");
  if (!f) return;
  va_list args;
  va_start(args, format);
  std::vfprintf(f, format, args);
  va_end(args);
  std::fputc('\n', f);
  std::fclose(f);
}

bool failing(const char* what) {
  const char* fail = std::getenv("QM_FAKE_FAIL");
  return fail && std::strstr(fail, what);
}

bool writeTinyBitmap(const char* path) {
  static const unsigned char bmp[] = {
      'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,          // file header
      40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0,        // 2 x 2, 24 bits
      0, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
      0, 0, 255, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0};  // red rows
  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  bool ok = std::fwrite(bmp, sizeof bmp, 1, f) == 1;
  return std::fclose(f) == 0 && ok;
}
}  // namespace

extern "C" __attribute__((visibility("default"))) HGLOBAL QmDecodeJpeg(
    const char* picture, const char* output, HWND window, int scaleClass, int colorCount) {
  note("decode %s|%s|%p|%d|%d", picture, output, static_cast<void*>(window), scaleClass,
       colorCount);
  if (failing("decode")) return nullptr;
  if (output && *output) {
    writeTinyBitmap(output);
    return reinterpret_cast<HGLOBAL>(1);
  }
  return GlobalAlloc(GHND, 64);
}

#ifndef QM_FAKE_WITHOUT_WINDOW
extern "C" __attribute__((visibility("default"))) int QmWritePanoramaWindow(const char* output,
                                                                           HGLOBAL block,
                                                                           int origin) {
  note("window %s|%zu|%d", output, GlobalSize(block), origin);
  if (failing("window")) return 0;
  return writeTinyBitmap(output) ? 1 : 0;
}
#endif
