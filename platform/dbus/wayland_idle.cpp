// The idle watcher's loop for Wayland sessions: the compositor, not an X server, knows when
// the user last touched anything, so idle time comes from the desktop's own idle service:
// GNOME's idle monitor on the session bus, else the compositor's idle protocol.
#include <poll.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/dbus/idle_round.h"
#include "platform/dbus/locker_watch.h"
#include "platform/idle.h"
#include "platform/wayland/idle_notify.h"

int RunWaylandIdleWatcher() {
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const std::string name = wayland && *wayland ? wayland : "wayland-0";
  LockerWatch lockers;
  WaylandIdleNotify compositor;
  // GNOME's monitor first: mutter offers no idle protocol to ordinary clients.
  const bool gnome = lockers.DesktopIdleMs() >= 0;
  if (!gnome && !compositor.Connect()) {
    std::fprintf(stderr,
                 "quillidle: this Wayland desktop tells other programs nothing about idle time "
                 "(no org.gnome.Mutter.IdleMonitor on the session bus, and the compositor at %s "
                 "offers neither ext-idle-notify-v1 nor org_kde_kwin_idle); not started\n",
                 name.c_str());
    return 1;
  }
  IdleWatcherLock lock(name);
  if (!lock.Acquire()) {
    std::fprintf(stderr, "quillidle: another watcher already runs for display %s\n", name.c_str());
    return 0;
  }
  InstallIdleStopSignals();
  std::fprintf(stderr, "quillidle: idle time from %s\n", gnome ? "org.gnome.Mutter.IdleMonitor" : compositor.Protocol());

  SaverProcess saver;
  IdleRound round;
  int status = 0;
  while (!IdleStopRequested()) {
    const long long idle = gnome ? lockers.DesktopIdleMs() : compositor.IdleMs();
    if (idle < 0) {
      std::fprintf(stderr, "quillidle: the desktop's idle service went away\n");
      status = 1;
      break;
    }
    IdleObservation seen;
    seen.idleMs = idle;
    // No X server's time-out here: the switch must be recorded, and a film shows itself
    // by the inhibitor players take, not by a full-screen window we could see.
    seen.fullscreen = lockers.DesktopIdleInhibited();
    bool started = false;
    const IdleDecision decision =
        round.Run(seen, IdleLockerProgramRunning(name), saver.Running(), lockers, saver, started);
    if (decision.action == IdleAction::Exit) break;
    std::vector<pollfd> fds;
    int wait = decision.nextCheckMs;
    lockers.Prepare(fds, wait);
    if (!gnome) compositor.Prepare(fds, wait);
    if (poll(fds.data(), fds.size(), wait) < 0 && errno != EINTR) break;
    lockers.Dispatch(fds);
    if (!gnome && !compositor.Dispatch(fds)) {
      std::fprintf(stderr, "quillidle: the compositor went away\n");
      status = 1;
      break;
    }
  }
  return status;
}
