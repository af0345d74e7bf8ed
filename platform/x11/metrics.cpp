#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>

#include "platform/screen.h"
#include "platform/x11/display_connection.h"
#include "platform/x11/monitors.h"

std::vector<MonitorArea> MonitorsOf(Display* display) {
  const int screen = DefaultScreen(display);
  MonitorArea whole;
  whole.width = DisplayWidth(display, screen);
  whole.height = DisplayHeight(display, screen);
  whole.primary = true;
  std::vector<MonitorArea> monitors;
  int event = 0, error = 0, major = 0, minor = 0;
  // Monitors (RandR 1.5) also cover those made with xrandr --setmonitor, and a monitor
  // spread over several outputs counts once.
  if (XRRQueryExtension(display, &event, &error) && XRRQueryVersion(display, &major, &minor) &&
      (major > 1 || (major == 1 && minor >= 5))) {
    int count = 0;
    XRRMonitorInfo* info = XRRGetMonitors(display, RootWindow(display, screen), True, &count);
    for (int i = 0; info && i < count; ++i) {
      MonitorArea m;
      m.x = info[i].x;
      m.y = info[i].y;
      m.width = info[i].width;
      m.height = info[i].height;
      m.primary = info[i].primary != 0;
      if (m.width > 0 && m.height > 0) monitors.push_back(m);
    }
    if (info) XRRFreeMonitors(info);
  }
  if (monitors.empty()) return {whole};
  std::stable_partition(monitors.begin(), monitors.end(), [](const MonitorArea& m) { return m.primary; });
  // Without a primary one the first monitor stands in for it, as the old single screen.
  monitors.front().primary = true;
  for (std::size_t i = 1; i < monitors.size(); ++i) monitors[i].primary = false;
  return monitors;
}

std::vector<MonitorArea> GetMonitors() {
  const DisplayConnection display;
  if (!display.get()) return {MonitorArea{0, 0, 1024, 768, true}};
  return MonitorsOf(display.get());
}

MonitorArea LargestMonitor() {
  const std::vector<MonitorArea> monitors = GetMonitors();
  auto pixels = [](const MonitorArea& m) { return static_cast<long long>(m.width) * m.height; };
  return *std::max_element(monitors.begin(), monitors.end(), [&](const MonitorArea& a, const MonitorArea& b) {
    return pixels(a) < pixels(b);
  });
}

ScreenMetrics GetScreenMetrics() {
  ScreenMetrics m;
  const DisplayConnection connection;
  Display* display = connection.get();
  if (!display) return m;
  int screen = DefaultScreen(display);
  m.width = DisplayWidth(display, screen);
  m.height = DisplayHeight(display, screen);
  m.bitsPerPixel = DefaultDepth(display, screen);
  m.planes = 1;
  m.fromDisplay = true;
  return m;
}

