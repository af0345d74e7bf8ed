#pragma once
// The size and colour depth of the whole screen, as the old platform reported them through
// GetSystemMetrics(SM_CXSCREEN / SM_CYSCREEN) and GetDeviceCaps(HORZRES, VERTRES, BITSPIXEL,
// PLANES) on a device context of the screen. Here they come from the X server named by
// DISPLAY: the default screen's size in pixels and the depth of its root window (24 on a
// true-colour screen, so that 1 << depth counts its colours). Planes are always 1, as on
// every display the old platform knew since packed pixels.
//
// Without a display (no DISPLAY, or the server cannot be reached) the documented default
// is 1024 x 768 pixels, 24 bits per pixel, 1 plane, so that programs that only size a
// picture for the screen still behave like on a common desktop.

#include <vector>

struct ScreenMetrics {
  int width = 1024;
  int height = 768;
  int bitsPerPixel = 24;
  int planes = 1;
  // False when the values are the default above rather than a real screen's.
  bool fromDisplay = false;
};

// Asks the display each time (a log-on program may run before the screen is resized).
ScreenMetrics GetScreenMetrics();

// One monitor of the screen, in pixels of the whole screen.
struct MonitorArea {
  int x = 0, y = 0;
  int width = 1024, height = 768;
  bool primary = false;
};

// The monitors that show the screen (RandR), the primary one first. The old platform had
// one screen; a server without RandR monitors (or none answering) counts as one monitor
// of the whole screen, as does no display (the default above).
std::vector<MonitorArea> GetMonitors();
// The monitor with the most pixels (the first of equals), which a picture for every
// monitor is sized for.
MonitorArea LargestMonitor();

// While one lives, this thread's questions to the display (the metrics and monitors above,
// the desktop's signals, the wallpaper) go through one connection to it, opened at the
// first of them, instead of each opening its own (a connection costs about a millisecond):
// for a program that asks several things in a row, as the log-on change does.
class SharedDisplayConnection {
 public:
  SharedDisplayConnection();
  ~SharedDisplayConnection();
  SharedDisplayConnection(const SharedDisplayConnection&) = delete;
  SharedDisplayConnection& operator=(const SharedDisplayConnection&) = delete;
};
