// Times the decoder library sized for a given screen, as the programs call it for a
// large monitor: dlopen by path, QmDecodeJpegForScreen by name, one call per run writing
// the bitmap file. Prints the best of N in ms and the output size.
//   qm_bench_screen_decode path/to/djpeg32.so in.jpg out.bmp scaleClass colorCount
//                          screenWidth screenHeight runs
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "decoder/djpeg32.h"

int main(int argc, char** argv) {
  if (argc != 9) {
    std::fprintf(stderr,
                 "usage: %s djpeg32.so in.jpg out.bmp scaleClass colorCount screenWidth "
                 "screenHeight runs\n",
                 argv[0]);
    return 2;
  }
  void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    std::fprintf(stderr, "%s\n", dlerror());
    return 1;
  }
  auto decode = reinterpret_cast<QmDecodeJpegForScreenProc>(
      dlsym(library, kQmDecodeJpegForScreenName));
  if (!decode) {
    std::fprintf(stderr, "no %s in %s\n", kQmDecodeJpegForScreenName, argv[1]);
    return 1;
  }
  const int scaleClass = std::atoi(argv[4]), colors = std::atoi(argv[5]);
  const int width = std::atoi(argv[6]), height = std::atoi(argv[7]);
  const int runs = std::max(1, std::atoi(argv[8]));
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    auto start = std::chrono::steady_clock::now();
    HGLOBAL result = decode(argv[2], argv[3], scaleClass, colors, width, height, 0);
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count();
    if (!result) {
      std::fprintf(stderr, "decoding %s failed\n", argv[2]);
      return 1;
    }
    best = std::min(best, ms);
  }
  std::printf("%.1f\n", best);
  dlclose(library);
  return 0;
}
