// Times the decoder library as the programs use it: dlopen by path, the procedure by its
// exported name, one call per run writing the bitmap file. Prints the best of N in ms,
// first for a direct call, then for the call as the programs make it, in the decoder host
// beside the library, from a caller that holds 128 MB of memory (about what a running
// program holds, which made a forked child expensive to start).
//   qm_bench_decode path/to/djpeg32.so in.jpg out.bmp scaleClass colorCount runs
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "decoder/djpeg32.h"
#include "imagelib/decoder_call.h"

namespace {
// Best of `runs` in ms; a negative time when a call failed.
double BestOf(int runs, const std::function<HGLOBAL()>& call) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    auto start = std::chrono::steady_clock::now();
    HGLOBAL result = call();
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count();
    if (!result) return -1;
    if (ms < best) best = ms;
  }
  return best;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 7) {
    std::fprintf(stderr, "usage: %s djpeg32.so in.jpg out.bmp scaleClass colorCount runs\n",
                 argv[0]);
    return 2;
  }
  void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    std::fprintf(stderr, "%s\n", dlerror());
    return 1;
  }
  auto decode = reinterpret_cast<QmDecodeJpegProc>(dlsym(library, "QmDecodeJpeg"));
  if (!decode) {
    std::fprintf(stderr, "no QmDecodeJpeg in %s\n", argv[1]);
    return 1;
  }
  // The host beside the library, as in a program folder (this driver lives elsewhere).
  const std::string libraryPath = argv[1];
  SetDecoderHostForTesting(libraryPath.substr(0, libraryPath.rfind('/') + 1) + "quilldec");
  const int scaleClass = std::atoi(argv[4]), colors = std::atoi(argv[5]);
  const int runs = std::max(1, std::atoi(argv[6]));
  const double direct =
      BestOf(runs, [&] { return decode(argv[2], argv[3], nullptr, scaleClass, colors); });
  std::vector<char> ballast(128u << 20);
  std::memset(ballast.data(), 1, ballast.size());
  const double isolated = BestOf(
      runs, [&] { return CallDecodeJpeg(decode, argv[2], argv[3], nullptr, scaleClass, colors); });
  if (direct < 0 || isolated < 0) {
    std::fprintf(stderr, "decoding %s failed\n", argv[2]);
    return 1;
  }
  std::printf("%.1f %.1f %d\n", direct, isolated, ballast[ballast.size() / 2]);
  dlclose(library);
  return 0;
}
