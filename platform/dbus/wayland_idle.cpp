// The idle watcher's loop for Wayland sessions: the compositor, not an X server, knows when
// the user last touched anything, so idle time comes from the desktop's own idle service.
#include <poll.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/dbus/idle_round.h"
#include "platform/dbus/locker_watch.h"
#include "platform/idle.h"

int RunWaylandIdleWatcher() {
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const std::string name = wayland && *wayland ? wayland : "wayland-0";
  LockerWatch lockers;
  if (lockers.DesktopIdleMs() < 0) {
    std::fprintf(stderr,
                 "quillidle: this Wayland desktop tells other programs nothing about idle time "
                 "(GNOME's org.gnome.Mutter.IdleMonitor is not on the session bus); not started\n");
    return 1;
  }
  IdleWatcherLock lock(name);
  if (!lock.Acquire()) {
    std::fprintf(stderr, "quillidle: another watcher already runs for display %s\n", name.c_str());
    return 0;
  }
  InstallIdleStopSignals();

  SaverProcess saver;
  IdleRound round;
  int status = 0;
  while (!IdleStopRequested()) {
    const long long idle = lockers.DesktopIdleMs();
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
    if (poll(fds.data(), fds.size(), wait) < 0 && errno != EINTR) break;
    lockers.Dispatch(fds);
  }
  return status;
}
