// The idle watcher's loop for Wayland sessions: the compositor, not an X server, knows when
// the user last touched anything, so idle time comes from the desktop's own idle service.
#include <poll.h>
#include <signal.h>
#include <time.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/dbus/locker_watch.h"
#include "platform/idle.h"

namespace {
volatile sig_atomic_t g_stop = 0;
void onStopSignal(int) { g_stop = 1; }

long long monotonicMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}
}  // namespace

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
  struct sigaction stop{};
  stop.sa_handler = onStopSignal;
  sigemptyset(&stop.sa_mask);
  sigaction(SIGTERM, &stop, nullptr);
  sigaction(SIGINT, &stop, nullptr);
  signal(SIGHUP, SIG_IGN);

  SaverProcess saver;
  std::string stamp = IdleSettingsStamp();
  IdleSettings settings = ReadIdleSettings();
  long long lastBlocked = -1;
  bool lockPending = false;
  std::string yieldingTo;
  int status = 0;
  while (!g_stop) {
    std::string now = IdleSettingsStamp();
    if (now != stamp) {
      stamp = now;
      settings = ReadIdleSettings();
    }
    const long long idle = lockers.DesktopIdleMs();
    if (idle < 0) {
      std::fprintf(stderr, "quillidle: the desktop's idle service went away\n");
      status = 1;
      break;
    }
    const bool running = saver.Running();
    IdleObservation seen;
    seen.idleMs = idle;
    seen.msSinceBlocked = lastBlocked < 0 ? -1 : monotonicMs() - lastBlocked;
    // No X server's time-out here: the switch must be recorded, and a film shows itself
    // by the inhibitor players take, not by a full-screen window we could see.
    seen.fullscreen = lockers.DesktopIdleInhibited();
    seen.saverRunning = running;
    std::string locker = IdleLockerProgramRunning(name);
    seen.otherSaverFramework = !locker.empty();
    const bool lockAsked = lockers.TakeLockRequest();
    lockPending = running && (lockPending || lockAsked);
    if (lockAsked || lockPending || lockers.ServiceActive()) {
      seen.lockerActive = true;
      if (locker.empty()) locker = lockers.Who();
    }
    IdleDecision decision = DecideIdle(settings, seen);
    if (decision.blocked) lastBlocked = monotonicMs();
    if (locker != yieldingTo) {
      if (!locker.empty()) std::fprintf(stderr, "quillidle: %s owns the screen; standing back\n", locker.c_str());
      yieldingTo = locker;
    }
    if (decision.action == IdleAction::StopSaver && saver.Stop())
      std::fprintf(stderr, "quillidle: ending the screen saver (process %d) for %s\n", saver.Pid(), locker.c_str());
    if (decision.action == IdleAction::Exit) {
      std::fprintf(stderr, "quillidle: the screen saver is switched off\n");
      break;
    }
    if (decision.action == IdleAction::StartSaver) {
      std::string program = ResolveSaverProgram(settings.saverPath);
      if (program.empty() || !saver.Start(program))
        std::fprintf(stderr, "quillidle: cannot start the screen saver \"%s\"\n", settings.saverPath.c_str());
      else
        std::fprintf(stderr, "quillidle: started %s /s (process %d)\n", program.c_str(), saver.Pid());
      lastBlocked = monotonicMs();
    }
    std::vector<pollfd> fds;
    int wait = decision.nextCheckMs;
    lockers.Prepare(fds, wait);
    if (poll(fds.data(), fds.size(), wait) < 0 && errno != EINTR) break;
    lockers.Dispatch(fds);
  }
  return status;
}
