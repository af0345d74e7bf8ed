#include "platform/x11/saver_window.h"

#include <X11/Xlib.h>

namespace {
bool failed = false;
int noteError(Display*, XErrorEvent*) {
  failed = true;
  return 0;
}
}  // namespace

bool ForeignWindowSize(unsigned long window, int* width, int* height) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  failed = false;
  // A window id from the command line may name nothing: that is an answer, not a crash.
  XErrorHandler previous = XSetErrorHandler(noteError);
  XWindowAttributes attributes;
  Status ok = XGetWindowAttributes(display, static_cast<Window>(window), &attributes);
  XSync(display, False);
  XSetErrorHandler(previous);
  XCloseDisplay(display);
  if (!ok || failed || attributes.width <= 0 || attributes.height <= 0) return false;
  *width = attributes.width;
  *height = attributes.height;
  return true;
}
