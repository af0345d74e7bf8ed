// A decoder library that dies inside its procedures, as a broken or hostile build of the
// real one could. It dies on every picture whose path contains $QM_CRASH_ON (on every
// picture when that is unset); any other picture comes out as a plain grey 640 x 480
// bitmap, in a file or a memory block as asked, so a test can see the programs carry on.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/global_memory.h"

#define QM_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

bool DiesOn(const char* path) {
  const char* marker = std::getenv("QM_CRASH_ON");
  return !marker || !*marker || (path && std::strstr(path, marker));
}

void Put32(unsigned char* at, std::uint32_t v) { std::memcpy(at, &v, 4); }

// The packed DIB: header and 24-bit rows of grey.
std::vector<unsigned char> GreyDib() {
  const int width = 640, height = 480, stride = width * 3;
  std::vector<unsigned char> dib(40 + static_cast<std::size_t>(stride) * height, 0x80);
  std::memset(dib.data(), 0, 40);
  Put32(&dib[0], 40);
  Put32(&dib[4], width);
  Put32(&dib[8], height);
  dib[12] = 1;
  dib[14] = 24;
  Put32(&dib[20], static_cast<std::uint32_t>(stride * height));
  return dib;
}

}  // namespace

QM_EXPORT HGLOBAL QmDecodeJpeg(const char* picture, const char* output, void*, int, int) {
  if (DiesOn(picture)) std::abort();
  const std::vector<unsigned char> dib = GreyDib();
  if (output && *output) {
    unsigned char header[14] = {'B', 'M'};
    Put32(header + 2, static_cast<std::uint32_t>(14 + dib.size()));
    Put32(header + 10, 14 + 40);
    std::FILE* file = std::fopen(output, "wb");
    if (!file) return nullptr;
    const bool written = std::fwrite(header, sizeof header, 1, file) == 1 &&
                         std::fwrite(dib.data(), dib.size(), 1, file) == 1;
    if (std::fclose(file) != 0 || !written) return nullptr;
    return reinterpret_cast<HGLOBAL>(static_cast<std::uintptr_t>(1));
  }
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, dib.size());
  if (!block) return nullptr;
  std::memcpy(GlobalLock(block), dib.data(), dib.size());
  GlobalUnlock(block);
  return block;
}

QM_EXPORT int QmWritePanoramaWindow(const char* output, HGLOBAL, int) {
  if (DiesOn(output)) std::abort();
  return 0;
}
