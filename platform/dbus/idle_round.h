#pragma once
// What the idle watcher does each time it looks, the same whether the idle time comes from
// the X server or from a Wayland desktop's idle service: who else owns the screen (a
// locker running, a lock request, a desktop saver service), what the decision says, and
// acting on it — ending our saver for a locker, starting it after the time-out — with one
// line on stderr for each change. Also the watcher's stop signals and its settings, which
// both loops share.
#include <csignal>
#include <string>

#include "platform/dbus/locker_watch.h"
#include "platform/idle.h"

long long IdleMonotonicMs();

// SIGTERM and SIGINT end the watcher's loop (IdleStopRequested); a hang-up is ignored,
// since the session's end takes the display or the bus away anyway.
void InstallIdleStopSignals();
bool IdleStopRequested();

class IdleRound {
 public:
  // The settings as the Screen Saver page last wrote them, read again when they changed.
  const IdleSettings& Settings();

  // `seen` carries what the display says (idle time and the like); `locker` names a
  // saver framework or locker program already found running, or is empty. `started`
  // tells whether our saver was started this round.
  IdleDecision Run(IdleObservation seen, std::string locker, bool running, LockerWatch& lockers,
                   SaverProcess& saver, bool& started);

 private:
  std::string stamp_;
  IdleSettings settings_;
  bool read_ = false;
  long long lastBlocked_ = -1;
  bool lockPending_ = false;
  std::string yieldingTo_;
};
