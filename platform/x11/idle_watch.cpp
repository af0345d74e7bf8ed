#include "platform/x11/idle_watch.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>
#include <poll.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/dbus/idle_round.h"
#include "platform/dbus/locker_watch.h"
#include "platform/idle.h"

namespace {
// Windows come and go while we look at them; a BadWindow then is no fault of ours.
int ignoreXError(Display*, XErrorEvent*) { return 0; }

// The 32-bit items of a window property, whatever its type; empty when it is missing.
std::basic_string<unsigned long> longProperty(Display* display, Window window, Atom property) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::basic_string<unsigned long> items;
  if (XGetWindowProperty(display, window, property, 0, 4096, False, AnyPropertyType, &type, &format,
                         &count, &after, &data) == Success && data) {
    if (format == 32) items.assign(reinterpret_cast<unsigned long*>(data), count);
    XFree(data);
  }
  return items;
}

bool isFullscreen(Display* display, Window window, Atom state, Atom fullscreen) {
  if (window == None) return false;
  bool marked = false;
  for (unsigned long atom : longProperty(display, window, state))
    if (atom == fullscreen) marked = true;
  if (!marked) return false;
  XWindowAttributes attributes{};
  return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
}
}  // namespace

bool FullscreenWindowShown(Display* display) {
  Window root = DefaultRootWindow(display);
  Atom state = XInternAtom(display, "_NET_WM_STATE", False);
  Atom fullscreen = XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
  Atom active = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
  Atom clients = XInternAtom(display, "_NET_CLIENT_LIST", False);

  auto activeWindow = longProperty(display, root, active);
  if (!activeWindow.empty() && isFullscreen(display, activeWindow[0], state, fullscreen)) return true;

  auto list = longProperty(display, root, clients);
  if (list.empty()) {
    Window rootReturn = None, parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, root, &rootReturn, &parent, &children, &count) && children) {
      list.assign(children, count);
      XFree(children);
    }
  }
  for (unsigned long window : list)
    if (isFullscreen(display, window, state, fullscreen)) return true;
  return false;
}

bool QueryIdleScreen(Display* display, IdleScreenFacts& facts) {
  int eventBase = 0, errorBase = 0;
  if (!XScreenSaverQueryExtension(display, &eventBase, &errorBase)) return false;
  XScreenSaverInfo* info = XScreenSaverAllocInfo();
  if (!info) return false;
  Window root = DefaultRootWindow(display);
  bool ok = XScreenSaverQueryInfo(display, root, info) != 0;
  if (ok) {
    facts.idleMs = static_cast<long long>(info->idle);
    facts.serverSaverOn = info->state == ScreenSaverOn;
  }
  XFree(info);
  if (!ok) return false;

  int timeout = 0, interval = 0, blanking = 0, exposures = 0;
  XGetScreenSaver(display, &timeout, &interval, &blanking, &exposures);
  facts.serverTimeoutMs = timeout > 0 ? static_cast<long long>(timeout) * 1000 : 0;
  facts.fullscreen = FullscreenWindowShown(display);
  facts.otherSaverFramework = XscreensaverWindow(display) != 0;
  return true;
}

namespace {
bool hasProperty(Display* display, Window window, Atom property) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  bool found = XGetWindowProperty(display, window, property, 0, 1, False, AnyPropertyType, &type, &format, &count,
                                  &after, &data) == Success && type != None;
  if (data) XFree(data);
  return found;
}

// Depth-first below window, at most depth levels down.
unsigned long findCarrier(Display* display, Window window, Atom property, int depth) {
  if (hasProperty(display, window, property)) return window;
  if (depth == 0) return 0;
  Window rootReturn = None, parent = None;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, window, &rootReturn, &parent, &children, &count) || !children) return 0;
  unsigned long found = 0;
  for (unsigned int i = 0; i < count && !found; ++i) found = findCarrier(display, children[i], property, depth - 1);
  XFree(children);
  return found;
}
}  // namespace

unsigned long XscreensaverWindow(Display* display) {
  // Until the daemon has run once on this server the atom does not even exist.
  Atom version = XInternAtom(display, "_SCREENSAVER_VERSION", True);
  if (version == None) return 0;
  // Old daemons mark the root window; xscreensaver 6 marks a window of its own, an
  // unmapped child of the root (a window manager may have reparented it one level down).
  return findCarrier(display, DefaultRootWindow(display), version, 3);
}

namespace {
// The display to count on, with the extension the count needs; nullptr (and why on
// stderr) without them.
Display* OpenIdleDisplay(const char* name) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "quillidle: cannot open display %s\n", name);
    return nullptr;
  }
  int eventBase = 0, errorBase = 0;
  if (!XScreenSaverQueryExtension(display, &eventBase, &errorBase)) {
    std::fprintf(stderr, "quillidle: display %s has no MIT-SCREEN-SAVER extension\n", name);
    XCloseDisplay(display);
    return nullptr;
  }
  XSetErrorHandler(ignoreXError);
  // The server's own saver coming on wakes us at once instead of at the next poll.
  XScreenSaverSelectInput(display, DefaultRootWindow(display), ScreenSaverNotifyMask);
  return display;
}

// Sleeps until the next check is due or the display or a locker has something to say,
// and takes in what they said. False when the display is gone or the wait failed.
bool WaitForNextCheck(Display* display, LockerWatch& lockers, int wait) {
  std::vector<pollfd> fds{pollfd{ConnectionNumber(display), POLLIN, 0}};
  lockers.Prepare(fds, wait);
  int ready = poll(fds.data(), fds.size(), wait);
  if (ready < 0 && errno != EINTR) return false;
  if (ready > 0 && (fds[0].revents & (POLLHUP | POLLERR))) {
    std::fprintf(stderr, "quillidle: the display closed\n");
    return false;
  }
  lockers.Dispatch(fds);
  while (XPending(display) > 0) {
    XEvent event;
    XNextEvent(display, &event);
  }
  return true;
}
}  // namespace

int RunIdleWatcher() {
  // Under Wayland the X server hears only the input of X programs: the slideshow would
  // come up while the user types into any other window. The desktop has to count.
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const char* session = std::getenv("XDG_SESSION_TYPE");
  if ((wayland && *wayland) || (session && std::string(session) == "wayland")) return RunWaylandIdleWatcher();
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) {
    std::fprintf(stderr, "quillidle: no X display (DISPLAY is not set)\n");
    return 1;
  }
  IdleWatcherLock lock(name);
  if (!lock.Acquire()) {
    std::fprintf(stderr, "quillidle: another watcher already runs for display %s\n", name);
    return 0;
  }
  Display* display = OpenIdleDisplay(name);
  if (!display) return 1;

  // Started from a terminal, the watcher outlives it; the session's end closes the
  // display connection, which ends the watcher anyway.
  InstallIdleStopSignals();

  LockerWatch lockers;
  if (!lockers.WatchesSessionBus()) std::fprintf(stderr, "quillidle: no session bus; desktop lockers are not heard\n");

  SaverProcess saver;
  IdleRound round;
  bool suspendedByUs = false;
  int status = 0;

  while (!IdleStopRequested()) {
    IdleScreenFacts facts;
    if (!QueryIdleScreen(display, facts)) {
      std::fprintf(stderr, "quillidle: the display stopped answering idle queries\n");
      status = 1;
      break;
    }
    bool running = saver.Running();
    if (!running && suspendedByUs) {
      XScreenSaverSuspend(display, False);
      suspendedByUs = false;
    }
    IdleObservation seen;
    seen.idleMs = facts.idleMs;
    seen.serverTimeoutMs = facts.serverTimeoutMs;
    seen.serverSaverOn = facts.serverSaverOn;
    seen.fullscreen = facts.fullscreen;
    bool started = false;
    const IdleDecision decision =
        round.Run(seen, facts.otherSaverFramework ? "xscreensaver" : IdleLockerProgramRunning(name), running,
                  lockers, saver, started);
    if (decision.action == IdleAction::Exit) break;
    if (started) {
      // The server's blanking would hide the slideshow; while it runs, keep it off.
      if (facts.serverSaverOn) XForceScreenSaver(display, ScreenSaverReset);
      XScreenSaverSuspend(display, True);
      suspendedByUs = true;
    }
    XFlush(display);

    if (!WaitForNextCheck(display, lockers, decision.nextCheckMs)) break;
  }
  if (suspendedByUs) XScreenSaverSuspend(display, False);
  XCloseDisplay(display);
  return status;
}
