#pragma once
// Which desktop is running, and so which interface sets its background. The old platform
// had one desktop; a Linux session has one of many, and most of them cover the X root
// window with a desktop window of their own, so the root background alone stays unseen.
//
// The answer comes from what really runs, in this order of trust:
// 1. the owner of a window of type _NET_WM_WINDOW_TYPE_DESKTOP on the X display (its
//    program name through _NET_WM_PID, else its WM_CLASS): that window is what the user
//    sees, whatever the session variables say;
// 2. XDG_CURRENT_DESKTOP (colon-separated names); Xfce, LXDE and LXQt count only under
//    Wayland: on X their desktop window (1.) tells, and without it their setting shows nothing;
// 3. the names owned on the session bus (org.kde.plasmashell, org.gnome.Shell, ...);
// 4. a Wayland display (WAYLAND_DISPLAY answering): a wlroots compositor when SWAYSOCK
//    names its socket, else a Wayland desktop that cannot be set;
// 5. an X display that answers: the bare root window (a plain window manager);
// 6. nothing: there is no desktop, the wallpaper can only be recorded.
#include <string>
#include <vector>

enum class DesktopKind {
  NoDesktop,       // no display at all (not "None": Xlib defines that)
  XRoot,           // X root window background (bare window managers)
  Xfce,            // xfdesktop, through xfconf
  Lxde,            // pcmanfm --desktop
  Lxqt,            // pcmanfm-qt --desktop
  Gnome,           // GNOME, GNOME Flashback, Unity, Budgie, Pantheon: org.gnome.desktop.background
  Cinnamon,        // org.cinnamon.desktop.background
  Mate,            // org.mate.background
  Kde,             // Plasma shell scripting over D-Bus
  Wlroots,         // sway and friends: the compositor's own background command
  WaylandUnknown,  // a Wayland session none of the above recognises
};

struct DesktopSignals {
  std::string currentDesktop;        // XDG_CURRENT_DESKTOP
  std::string desktopWindowProgram;  // program name of the desktop window's process
  std::string desktopWindowClass;    // its WM_CLASS, instance and class joined by a '.'
  std::vector<std::string> busNames;
  bool xDisplay = false;             // DISPLAY answers
  bool wayland = false;              // WAYLAND_DISPLAY answers
  bool swaySocket = false;           // SWAYSOCK names a socket
};

// The decision above, without looking at the session.
DesktopKind DesktopFromSignals(const DesktopSignals& seen);
// The session's signals as they are now (asks the X server and the session bus).
DesktopSignals ReadDesktopSignals();
// WAYLAND_DISPLAY as a socket path (a bare name lives in XDG_RUNTIME_DIR); "" when there
// is none, or a bare name without a runtime folder.
std::string WaylandSocketPath();
// A Unix socket at `path` accepts a connection: the compositor (or sway's IPC) is alive, not
// only named by a variable a previous session left behind.
bool UnixSocketAnswers(const std::string& path);
// A short name for messages: "Xfce", "KDE Plasma", "X root window", ...
const char* DesktopName(DesktopKind kind);
