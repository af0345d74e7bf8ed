// Reading the running session's signals for platform/desktop.h: the X desktop window, the
// session bus and the Wayland socket.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

#include "platform/desktop.h"
#include "platform/x11/display_connection.h"
#include "platform/x11/gio_calls.h"

namespace {

int ignoreXError(Display*, XErrorEvent*) { return 0; }

bool hasAtom(Display* display, Window window, Atom property, Atom wanted) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  bool found = false;
  if (XGetWindowProperty(display, window, property, 0, 32, False, XA_ATOM, &type, &format,
                         &count, &after, &data) == Success &&
      type == XA_ATOM && format == 32 && data) {
    const Atom* atoms = reinterpret_cast<const Atom*>(data);
    for (unsigned long i = 0; i < count && !found; ++i) found = atoms[i] == wanted;
  }
  if (data) XFree(data);
  return found;
}

unsigned long cardinal(Display* display, Window window, Atom property, unsigned long fallback) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  unsigned long value = fallback;
  if (XGetWindowProperty(display, window, property, 0, 1, False, XA_CARDINAL, &type, &format,
                         &count, &after, &data) == Success &&
      type == XA_CARDINAL && format == 32 && count == 1 && data)
    value = *reinterpret_cast<unsigned long*>(data);
  if (data) XFree(data);
  return value;
}

std::string programOfProcess(unsigned long pid) {
  if (!pid) return "";
  std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

// Looks at the root's children and their children: a window manager puts its frame
// between the root and a client, a desktop window without a manager sits on the root.
bool findDesktopWindow(Display* display, Window parent, int depth, Atom typeAtom,
                       Atom desktopAtom, Window& found) {
  Window rootReturn = None, parentReturn = None;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, parent, &rootReturn, &parentReturn, &children, &count)) return false;
  bool done = false;
  for (unsigned int i = count; i-- > 0 && !done;) {  // topmost first
    if (hasAtom(display, children[i], typeAtom, desktopAtom)) {
      found = children[i];
      done = true;
    } else if (depth > 1) {
      done = findDesktopWindow(display, children[i], depth - 1, typeAtom, desktopAtom, found);
    }
  }
  if (children) XFree(children);
  return done;
}

void readXSignals(DesktopSignals& s) {
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) return;
  const DisplayConnection connection;
  Display* display = connection.get();
  if (!display) return;
  s.xDisplay = true;
  auto previous = XSetErrorHandler(ignoreXError);
  // Both in one round trip.
  char* names[] = {const_cast<char*>("_NET_WM_WINDOW_TYPE"),
                   const_cast<char*>("_NET_WM_WINDOW_TYPE_DESKTOP")};
  Atom atoms[2] = {None, None};
  XInternAtoms(display, names, 2, False, atoms);
  const Atom typeAtom = atoms[0], desktopAtom = atoms[1];
  Window desktop = None;
  if (findDesktopWindow(display, DefaultRootWindow(display), 2, typeAtom, desktopAtom, desktop)) {
    s.desktopWindowProgram =
        programOfProcess(cardinal(display, desktop, XInternAtom(display, "_NET_WM_PID", False), 0));
    XClassHint hint{};
    if (XGetClassHint(display, desktop, &hint)) {
      s.desktopWindowClass = std::string(hint.res_name ? hint.res_name : "") + "." +
                             (hint.res_class ? hint.res_class : "");
      if (hint.res_name) XFree(hint.res_name);
      if (hint.res_class) XFree(hint.res_class);
    }
  }
  XSync(display, False);
  XSetErrorHandler(previous);
}

void readWaylandSignals(DesktopSignals& s) {
  s.wayland = UnixSocketAnswers(WaylandSocketPath());
  if (const char* sway = std::getenv("SWAYSOCK"); sway && *sway) s.swaySocket = UnixSocketAnswers(sway);
}

void readBusNames(DesktopSignals& s) {
  // Without an address GIO would try to start a bus of its own (dbus-launch): not ours to do.
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (!address || !*address) return;
  const GioCalls* gio = Gio();
  if (!gio) return;
  GError* error = nullptr;
  GDBusConnection* bus = gio->g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
  if (!bus) {
    gio->g_clear_error(&error);
    return;
  }
  GVariant* reply = gio->g_dbus_connection_call_sync(
      bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "ListNames",
      nullptr, reinterpret_cast<const GVariantType*>("(as)"), G_DBUS_CALL_FLAGS_NONE, 3000, nullptr, &error);
  if (reply) {
    GVariantIter* iter = nullptr;
    const gchar* name = nullptr;
    gio->g_variant_get(reply, "(as)", &iter);
    while (gio->g_variant_iter_loop(iter, "&s", &name))
      if (name[0] != ':') s.busNames.emplace_back(name);
    gio->g_variant_iter_free(iter);
    gio->g_variant_unref(reply);
  }
  gio->g_clear_error(&error);
  gio->g_object_unref(bus);
}

}  // namespace

DesktopSignals ReadDesktopSignals() {
  DesktopSignals s;
  if (const char* names = std::getenv("XDG_CURRENT_DESKTOP")) s.currentDesktop = names;
  readWaylandSignals(s);
  readXSignals(s);
  readBusNames(s);
  return s;
}
