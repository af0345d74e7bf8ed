// The desktop decision, free of any session: see platform/desktop.h.
#include "platform/desktop.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

std::vector<std::string> splitNames(const std::string& list) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(':', start);
    if (end == std::string::npos) end = list.size();
    if (end > start) names.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

// The program that draws a desktop window. Both the process name and the WM_CLASS are
// tried: a process name may be cut to 15 characters or be an interpreter (gjs).
DesktopKind fromDesktopWindow(const std::string& program, const std::string& windowClass) {
  auto is = [&](const char* name) {
    if (program == name) return true;
    const std::string n = name;
    return windowClass == n + "." + n || windowClass.rfind(n + ".", 0) == 0;
  };
  if (is("xfdesktop")) return DesktopKind::Xfce;
  if (is("pcmanfm-qt")) return DesktopKind::Lxqt;
  if (is("pcmanfm")) return DesktopKind::Lxde;
  if (is("caja") || windowClass == "desktop_window.Caja") return DesktopKind::Mate;
  if (is("nemo-desktop") || is("nemo")) return DesktopKind::Cinnamon;
  if (is("plasmashell")) return DesktopKind::Kde;
  if (is("nautilus") || is("gnome-flashback") ||
      windowClass.find("com.rastersoft.ding") != std::string::npos)  // GNOME 40+ desktop icons
    return DesktopKind::Gnome;
  return DesktopKind::NoDesktop;
}

DesktopKind fromCurrentDesktop(const std::string& list, bool wayland) {
  for (const std::string& name : splitNames(list)) {
    if (name == "GNOME" || name == "Unity" || name == "Budgie" || name == "Pantheon" ||
        name == "GNOME-Flashback" || name == "GNOME-Classic" || name == "ubuntu")
      return DesktopKind::Gnome;
    if (name == "X-Cinnamon" || name == "Cinnamon") return DesktopKind::Cinnamon;
    if (name == "MATE") return DesktopKind::Mate;
    if (name == "KDE") return DesktopKind::Kde;
    if (name == "sway" || name == "Hyprland" || name == "river" || name == "wlroots" ||
        name == "Wayfire" || name == "labwc")
      return DesktopKind::Wlroots;
    // These draw their desktop window themselves; on X without that window there is
    // nothing their setting would show, and the root is what the user sees.
    if (wayland) {
      if (name == "XFCE") return DesktopKind::Xfce;
      if (name == "LXQt") return DesktopKind::Lxqt;
      if (name == "LXDE") return DesktopKind::Lxde;
    }
  }
  return DesktopKind::NoDesktop;
}

DesktopKind fromBusNames(const std::vector<std::string>& names) {
  auto has = [&](const char* name) {
    return std::find(names.begin(), names.end(), name) != names.end();
  };
  if (has("org.kde.plasmashell")) return DesktopKind::Kde;
  if (has("org.Cinnamon")) return DesktopKind::Cinnamon;
  if (has("org.gnome.Shell")) return DesktopKind::Gnome;
  if (has("org.mate.SettingsDaemon")) return DesktopKind::Mate;
  return DesktopKind::NoDesktop;
}

}  // namespace

DesktopKind DesktopFromSignals(const DesktopSignals& s) {
  DesktopKind kind = fromDesktopWindow(s.desktopWindowProgram, s.desktopWindowClass);
  if (kind != DesktopKind::NoDesktop) return kind;
  if ((kind = fromCurrentDesktop(s.currentDesktop, s.wayland)) != DesktopKind::NoDesktop) {
    // A wlroots name in a session whose compositor cannot be reached is no help.
    if (kind != DesktopKind::Wlroots || s.swaySocket) return kind;
  }
  if ((kind = fromBusNames(s.busNames)) != DesktopKind::NoDesktop) return kind;
  if (s.wayland) return s.swaySocket ? DesktopKind::Wlroots : DesktopKind::WaylandUnknown;
  if (s.xDisplay) return DesktopKind::XRoot;
  return DesktopKind::NoDesktop;
}

const char* DesktopName(DesktopKind kind) {
  switch (kind) {
    case DesktopKind::NoDesktop: return "no display";
    case DesktopKind::XRoot: return "X root window";
    case DesktopKind::Xfce: return "Xfce";
    case DesktopKind::Lxde: return "LXDE";
    case DesktopKind::Lxqt: return "LXQt";
    case DesktopKind::Gnome: return "GNOME";
    case DesktopKind::Cinnamon: return "Cinnamon";
    case DesktopKind::Mate: return "MATE";
    case DesktopKind::Kde: return "KDE Plasma";
    case DesktopKind::Wlroots: return "wlroots compositor";
    case DesktopKind::WaylandUnknown: return "Wayland desktop";
  }
  return "desktop";
}

std::string WaylandSocketPath() {
  const char* name = std::getenv("WAYLAND_DISPLAY");
  if (!name || !*name) return "";
  if (name[0] == '/') return name;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  return runtime && *runtime ? std::string(runtime) + "/" + name : "";
}

bool UnixSocketAnswers(const std::string& path) {
  sockaddr_un address{};
  if (path.empty() || path.size() >= sizeof address.sun_path) return false;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), path.size());
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool connected = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return connected;
}
