#include "platform/x11/input_watch.h"

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <cstdlib>

InputWatch::InputWatch() {
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) return;
  Display* display = XOpenDisplay(nullptr);
  if (!display) return;
  int event = 0, error = 0, major = 2, minor = 2;
  // Before 2.1 a grab kept raw events from everyone but the grabbing client.
  if (!XQueryExtension(display, "XInputExtension", &opcode_, &event, &error) ||
      XIQueryVersion(display, &major, &minor) != Success || major * 100 + minor < 201) {
    XCloseDisplay(display);
    return;
  }
  unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
  XISetMask(bits, XI_RawKeyPress);
  XISetMask(bits, XI_RawButtonPress);
  XISetMask(bits, XI_RawMotion);
  XIEventMask mask{XIAllDevices, static_cast<int>(sizeof bits), bits};
  XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
  XSync(display, False);
  display_ = display;
}

InputWatch::~InputWatch() {
  if (display_) XCloseDisplay(display_);
}

int InputWatch::Fd() const { return display_ ? ConnectionNumber(display_) : -1; }

void InputWatch::Forget() {
  if (display_) XSync(display_, True);
}

bool InputWatch::SaverEndingInput(int x0, int y0, int threshold) {
  if (!display_) return false;
  bool ends = false, moved = false;
  while (XPending(display_) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    XGenericEventCookie& cookie = event.xcookie;
    if (cookie.type != GenericEvent || cookie.extension != opcode_) continue;
    if (cookie.evtype == XI_RawKeyPress) {
      ends = true;
    } else if (cookie.evtype == XI_RawMotion) {
      moved = true;
    } else if (cookie.evtype == XI_RawButtonPress && XGetEventData(display_, &cookie)) {
      // Buttons 4 to 7 are the wheel, which does not end a saver.
      const int button = static_cast<const XIRawEvent*>(cookie.data)->detail;
      if (button < 4 || button > 7) ends = true;
      XFreeEventData(display_, &cookie);
    }
  }
  if (!ends && moved) {
    Window root = 0, child = 0;
    int x = 0, y = 0, windowX = 0, windowY = 0;
    unsigned int buttons = 0;
    if (XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &x, &y, &windowX,
                      &windowY, &buttons))
      ends = std::abs(x - x0) > threshold || std::abs(y - y0) > threshold;
  }
  return ends;
}
