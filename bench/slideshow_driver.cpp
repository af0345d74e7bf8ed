// Times the saver's drawing on a view of the given size, through the same transition and
// pan code the saver runs, on the platform's memory drawing surfaces:
//   each transition effect: the CPU its drawing takes (thread CPU time, so the effect's
//   own sleeps do not count) against the sleeps it asks for;
//   one pan step (a scroll of the view by one pixel and a new strip), wide and tall.
//   qm_bench_slideshow WIDTH HEIGHT
// Prints one line per effect "effect N cpu_ms sleep_ms" and "pan wide|tall us_per_step".
#include <time.h>

#include <cstdio>
#include <cstdlib>

#include "imagelib/info_file.h"
#include "platform/gdi.h"
#include "platform/gui.h"
#include "platform/window.h"
#include "saver/transitions.h"

namespace {
double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Surface {
  HDC dc;
  HBITMAP bitmap;
  Surface(int w, int h) : dc(CreateCompatibleDC(nullptr)), bitmap(CreateCompatibleBitmap(dc, w, h)) {
    SelectObject(dc, bitmap);
    const RECT all{0, 0, w, h};
    HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
    FillRect(dc, &all, white);
    DeleteObject(white);
  }
};
}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s WIDTH HEIGHT\n", argv[0]);
    return 2;
  }
  const int w = std::atoi(argv[1]), h = std::atoi(argv[2]);
  int toolkitArgc = 1;
  StartUserInterface(toolkitArgc, argv);
  // The screen copy holds the picture in full: three views high for a tall panorama.
  Surface view(w, h), copy(w * 2, h * 3);
  for (UINT effect = TRANSITION_VERTICAL_BLINDS; effect <= TRANSITION_BOXED_IN; ++effect) {
    DWORD sleeps = 0;
    RunTransition(effect, static_cast<WORD>(w), static_cast<WORD>(h),
                  TransitionSteps{[](int, int, int, int) {}, [&](DWORD ms) { sleeps += ms; }});
    const double start = CpuMs();
    DrawWithEffect(view.dc, effect, copy.dc, static_cast<WORD>(w), static_cast<WORD>(h), 0, 0, 0, 0);
    std::printf("effect %u %.1f %lu\n", effect, CpuMs() - start, static_cast<unsigned long>(sleeps));
  }
  const int steps = 100;
  for (int direction : {PAN_LEFTTORIGHT, PAN_TOPTOBOTTOM}) {
    int nextRow = h, nextColumn = w;
    const double start = CpuMs();
    for (int i = 0; i < steps; ++i)
      PanViewOneStep(view.dc, copy.dc, direction, w, h, 0, 0, PanSource{0, 0, w * 2, h * 3}, nextRow, nextColumn);
    std::printf("pan %s %.1f\n", direction == PAN_LEFTTORIGHT ? "wide" : "tall",
                (CpuMs() - start) * 1000 / steps);
  }
  StopUserInterface();
  return 0;
}
