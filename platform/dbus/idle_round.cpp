#include "platform/dbus/idle_round.h"

#include <time.h>

#include <cstdio>

namespace {
volatile sig_atomic_t g_stop = 0;
void onStopSignal(int) { g_stop = 1; }
}  // namespace

long long IdleMonotonicMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void InstallIdleStopSignals() {
  struct sigaction stop{};
  stop.sa_handler = onStopSignal;
  sigemptyset(&stop.sa_mask);
  sigaction(SIGTERM, &stop, nullptr);
  sigaction(SIGINT, &stop, nullptr);
  signal(SIGHUP, SIG_IGN);
}

bool IdleStopRequested() { return g_stop != 0; }

const IdleSettings& IdleRound::Settings() {
  std::string now = IdleSettingsStamp();
  if (!read_ || now != stamp_) {
    stamp_ = now;
    settings_ = ReadIdleSettings();
    read_ = true;
  }
  return settings_;
}

IdleDecision IdleRound::Run(IdleObservation seen, std::string locker, bool running, LockerWatch& lockers,
                            SaverProcess& saver, bool& started) {
  started = false;
  seen.msSinceBlocked = lastBlocked_ < 0 ? -1 : IdleMonotonicMs() - lastBlocked_;
  seen.saverRunning = running;
  seen.otherSaverFramework = !locker.empty();
  // A lock request is a moment, not a state: it holds until our saver has gone. Without
  // a saver of ours it changes nothing by itself (the count goes on); the lock state is
  // what the locker tells logind.
  const bool lockAsked = lockers.TakeLockRequest();
  lockPending_ = running && (lockPending_ || lockAsked);
  if (lockPending_ || lockers.ServiceActive() || lockers.SessionLocked()) {
    seen.lockerActive = true;
    if (locker.empty()) locker = lockers.Who();
  }

  IdleDecision decision = DecideIdle(Settings(), seen);
  if (decision.blocked) lastBlocked_ = IdleMonotonicMs();
  if (locker != yieldingTo_) {
    if (!locker.empty()) std::fprintf(stderr, "quillidle: %s owns the screen; standing back\n", locker.c_str());
    yieldingTo_ = locker;
  }
  if (decision.action == IdleAction::StopSaver && saver.Stop())
    std::fprintf(stderr, "quillidle: ending the screen saver (process %d) for %s\n", saver.Pid(), locker.c_str());
  if (decision.action == IdleAction::Exit) std::fprintf(stderr, "quillidle: the screen saver is switched off\n");
  if (decision.action == IdleAction::StartSaver) {
    std::string program = ResolveSaverProgram(Settings().saverPath);
    if (program.empty() || !saver.Start(program)) {
      std::fprintf(stderr, "quillidle: cannot start the screen saver \"%s\"\n", Settings().saverPath.c_str());
    } else {
      std::fprintf(stderr, "quillidle: started %s /s (process %d)\n", program.c_str(), saver.Pid());
      started = true;
    }
    // Started or not, the next attempt waits a full time-out.
    lastBlocked_ = IdleMonotonicMs();
  }
  return decision;
}
