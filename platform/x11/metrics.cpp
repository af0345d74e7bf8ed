#include <X11/Xlib.h>

#include "platform/screen.h"

ScreenMetrics GetScreenMetrics() {
  ScreenMetrics m;
  Display* display = XOpenDisplay(nullptr);
  if (!display) return m;
  int screen = DefaultScreen(display);
  m.width = DisplayWidth(display, screen);
  m.height = DisplayHeight(display, screen);
  m.bitsPerPixel = DefaultDepth(display, screen);
  m.planes = 1;
  m.fromDisplay = true;
  XCloseDisplay(display);
  return m;
}

int ScreenWidth() { return GetScreenMetrics().width; }
int ScreenBitsPerPixel() { return GetScreenMetrics().bitsPerPixel; }
int ScreenPlanes() { return GetScreenMetrics().planes; }
