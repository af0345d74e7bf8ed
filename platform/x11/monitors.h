#pragma once
// The monitors of an open display, for the code that draws on the root window itself.
#include <X11/Xlib.h>

#include <vector>

#include "platform/screen.h"

std::vector<MonitorArea> MonitorsOf(Display* display);
