#pragma once
// What the desktop's own screen savers and lockers say over D-Bus, for the idle watcher.
//
// On the session bus: the saver/locker services org.freedesktop.ScreenSaver (KDE,
// light-locker and others), org.gnome.ScreenSaver, org.cinnamon.ScreenSaver,
// org.mate.ScreenSaver and org.xfce.ScreenSaver. Each says with "ActiveChanged(b)" when its
// blanking or lock screen comes on and goes off; it is asked once ("GetActive") when the
// watch begins. On the system bus: logind's "Lock" signal for this session (what
// `loginctl lock-session` and suspending send to the session's locker), and the session's
// "LockedHint", which lockers set while their lock screen is up.
//
// A bus that is not there is simply not watched: no error, no autolaunch of a bus. The
// session bus is DBUS_SESSION_BUS_ADDRESS, else $XDG_RUNTIME_DIR/bus; the system bus is
// DBUS_SYSTEM_BUS_ADDRESS, else /run/dbus/system_bus_socket.
#include <poll.h>

#include <string>
#include <vector>

class LockerWatch {
 public:
  LockerWatch();
  ~LockerWatch();
  LockerWatch(const LockerWatch&) = delete;
  LockerWatch& operator=(const LockerWatch&) = delete;

  // The descriptors to wait on before the next Dispatch (appended to fds), and a bound on
  // the wait in milliseconds (timeoutMs is lowered, never raised).
  void Prepare(std::vector<pollfd>& fds, int& timeoutMs);
  // Handles what arrived; fds as filled by Prepare and then polled.
  void Dispatch(std::vector<pollfd>& fds);

  // A saver or locker service says its screen saver or lock screen is on.
  bool ServiceActive() const;
  // logind says the session is locked (LockedHint).
  bool SessionLocked() const;
  // True once for each lock request that came since the last call.
  bool TakeLockRequest();
  // Which service is active or asked to lock, for the log; "" when none.
  std::string Who() const;
  bool WatchesSessionBus() const;
  bool WatchesLogind() const;

  // For Wayland sessions, where no X server hears all input. The time since the last
  // input as GNOME's compositor counts it (org.gnome.Mutter.IdleMonitor, GetIdletime);
  // -1 when no such service answers.
  long long DesktopIdleMs();
  // The desktop's session manager holds an "idle" inhibitor (a film, a presentation):
  // org.gnome.SessionManager IsInhibited(8). False when there is none to ask.
  bool DesktopIdleInhibited();

  struct Impl;

 private:
  Impl* m_impl;
};
