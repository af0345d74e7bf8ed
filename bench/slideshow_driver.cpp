// Times the saver's drawing on a view of the given size, through the same transition and
// pan code the saver runs, on the platform's memory drawing surfaces:
//   each transition effect: the CPU its drawing takes (thread CPU time, so the effect's
//   own sleeps do not count) against the sleeps it asks for, the median of three runs (on
//   a shared machine one run now and then takes twice as long);
//   one pan step (a scroll of the view by one pixel and a new strip), wide and tall.
//   qm_bench_slideshow WIDTH HEIGHT
// Prints one line per effect "effect N cpu_ms sleep_ms" and "pan wide|tall us_per_step".
// With a third argument "window" it does the same on a real top-level window of that size,
// shown on the display as the saver shows it (the transitions at each screen refresh that
// falls within them, each pan step at once), and prints
// "windoweffect N cpu_ms sleep_ms" and "window wide|tall cpu_us wall_us server_us" per step (the X server's CPU when
// QM_BENCH_SERVER_PID names it).
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

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

// The median CPU time in ms of three runs of `draw`.
template <typename Draw>
double MedianCpuMs(Draw draw) {
  double used[3];
  for (double& u : used) {
    const double start = CpuMs();
    draw();
    u = CpuMs() - start;
  }
  std::sort(used, used + 3);
  return used[1];
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
// The CPU time in ms that the X server (its pid in QM_BENCH_SERVER_PID) has used so far;
// 0 when it is not known.
double ServerCpuMs() {
  const char* pid = std::getenv("QM_BENCH_SERVER_PID");
  if (!pid) return 0;
  std::FILE* f = std::fopen(("/proc/" + std::string(pid) + "/stat").c_str(), "r");
  if (!f) return 0;
  char text[1024] = {};
  const std::size_t n = std::fread(text, 1, sizeof text - 1, f);
  std::fclose(f);
  text[n] = 0;
  const char* rest = std::strrchr(text, ')');  // the program name may hold spaces
  unsigned long user = 0, system = 0;
  if (!rest || std::sscanf(rest + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &user, &system) != 2)
    return 0;
  return (user + system) * 1000.0 / sysconf(_SC_CLK_TCK);
}

double WallMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// The transitions and the pan as the saver runs them on a full-screen window, drawn on the
// window's own context: a transition shown at each refresh, each pan step at once.
void PanWindow(int w, int h) {
  WNDCLASS wc;
  wc.lpfnWndProc = DefWindowProc;
  wc.lpszClassName = "PanBench";
  RegisterClass(&wc);
  HWND window = CreateWindowEx(0, "PanBench", "pan", WS_POPUP, 0, 0, w, h, nullptr, nullptr,
                               GetModuleHandle(nullptr), nullptr);
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  PumpMessages(500);
  Surface copy(w * 2, h * 3);
  for (UINT effect = TRANSITION_VERTICAL_BLINDS; effect <= TRANSITION_BOXED_IN; ++effect) {
    DWORD sleeps = 0;
    RunTransition(effect, static_cast<WORD>(w), static_cast<WORD>(h),
                  TransitionSteps{[](int, int, int, int) {}, [&](DWORD ms) { sleeps += ms; }});
    HDC dc = GetDC(window);
    const double used = MedianCpuMs(
        [&] { DrawWithEffect(dc, effect, copy.dc, static_cast<WORD>(w), static_cast<WORD>(h), 0, 0, 0, 0); });
    ReleaseDC(window, dc);
    PumpMessages(0);
    std::printf("windoweffect %u %.1f %lu\n", effect, used, static_cast<unsigned long>(sleeps));
  }
  const int steps = 200;
  for (int direction : {PAN_LEFTTORIGHT, PAN_TOPTOBOTTOM}) {
    int nextRow = h, nextColumn = w;
    const double cpu = CpuMs(), wall = WallMs(), server = ServerCpuMs();
    for (int i = 0; i < steps; ++i) {
      HDC dc = GetDC(window);
      PanViewOneStep(dc, copy.dc, direction, w, h, 0, 0, PanSource{0, 0, w * 2, h * 3}, nextRow, nextColumn);
      ReleaseDC(window, dc);  // shows the step
      PumpMessages(0);
    }
    std::printf("window %s %.1f %.1f %.1f\n", direction == PAN_LEFTTORIGHT ? "wide" : "tall",
                (CpuMs() - cpu) * 1000 / steps, (WallMs() - wall) * 1000 / steps,
                (ServerCpuMs() - server) * 1000 / steps);
    std::fflush(stdout);
  }
  DestroyWindow(window);
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: %s WIDTH HEIGHT [window]\n", argv[0]);
    return 2;
  }
  const int w = std::atoi(argv[1]), h = std::atoi(argv[2]);
  int toolkitArgc = 1;
  StartUserInterface(toolkitArgc, argv);
  if (argc == 4 && std::string(argv[3]) == "window") {
    PanWindow(w, h);
    StopUserInterface();
    return 0;
  }
  // The screen copy holds the picture in full: three views high for a tall panorama.
  Surface view(w, h), copy(w * 2, h * 3);
  for (UINT effect = TRANSITION_VERTICAL_BLINDS; effect <= TRANSITION_BOXED_IN; ++effect) {
    DWORD sleeps = 0;
    RunTransition(effect, static_cast<WORD>(w), static_cast<WORD>(h),
                  TransitionSteps{[](int, int, int, int) {}, [&](DWORD ms) { sleeps += ms; }});
    const double used = MedianCpuMs(
        [&] { DrawWithEffect(view.dc, effect, copy.dc, static_cast<WORD>(w), static_cast<WORD>(h), 0, 0, 0, 0); });
    std::printf("effect %u %.1f %lu\n", effect, used, static_cast<unsigned long>(sleeps));
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
