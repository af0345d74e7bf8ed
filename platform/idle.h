#pragma once
// The old platform's screen-saver framework started the chosen screen saver by itself: when
// the screen saver was switched on (HKEY_CURRENT_USER "Control Panel\Desktop"
// "ScreenSaveActive" = "1") and no key or mouse input had come for "ScreenSaveTimeOut"
// seconds, it ran the program that system.ini [boot] "SCRNSAVE.EXE" names with "/s".
//
// Here a small watcher program, quillidle, does that inside the user's X session (or a
// Wayland session, see RunWaylandIdleWatcher). It is
// started at log-on by our own XDG autostart entry "quillidle.desktop", which switching
// the screen saver on writes and switching it off removes (SetIdleWatcherEnabled). The
// watcher re-reads the settings whenever user.reg or system.ini change and ends when the
// screen saver is switched off. Like desktop screen savers it yields while another client
// holds the X server's screen saver suspended (video players, presentations), while a
// full-screen window is shown and while xscreensaver's daemon owns the screen; it never
// runs a second saver while its own still runs, and one watcher per display is enough: a
// second one ends at once.
//
// A screen locker always wins: while something else owns the screen saver or the lock
// (xscreensaver's daemon, an idle locker such as xss-lock, a desktop's saver or lock
// screen that says it is on, a lock request from logind) the watcher starts nothing, and
// a slideshow of its own that is running then is ended at once, the way input ends it,
// so that the locker can take the keyboard.
//
// Our choices where the old platform left room:
// - SCRNSAVE.EXE is taken as one path (blanks and all, one pair of outer quotes removed,
//   "\" read as "/"); a bare name is searched like WinExec searches (program folder,
//   Windows directory, PATH). The saver gets the one argument "/s".
// - The switch and the delay are read as the platform's screen-saver settings read them,
//   so the watcher and the Screen Saver page agree: a text value that starts with a number
//   from 1 to 86400 (one day) counts; "ScreenSaveActive" is on when it holds such a number;
//   a missing switch follows the X server's own saver (on when its time-out is set), and a
//   missing or unusable delay is the X server's time-out, else 600 seconds.
// - Anything that kept the saver from starting (our own saver running, a full-screen
//   window, a suspension) restarts the count: the saver becomes due a full time-out after
//   it ended. So a saver that cannot start, or ends at once, is not restarted in a loop,
//   and the end of a film does not bring the saver up at once.
#include <string>

#include "platform/types.h"

// The settings that decide whether and what the watcher starts, read fresh from the files.
struct IdleSettings {
  bool activeRecorded = false;  // "ScreenSaveActive" is in the registry as text
  bool active = false;          // ... and says on
  int timeoutSeconds = 0;       // "ScreenSaveTimeOut"; 0 when missing or unusable
  std::string saverPath;        // system.ini [boot] "SCRNSAVE.EXE", as written
};
IdleSettings ReadIdleSettings();

// A registry text as seconds: a leading number (blanks and a sign allowed before it) from 1
// to 86400, else 0.
int ParseScreenSaveTimeOut(const std::string& text);

// A short text that changes whenever user.reg or system.ini is written (modification
// time and size of both), so the watcher re-reads only when something changed.
std::string IdleSettingsStamp();

// What the watcher sees at one moment.
struct IdleObservation {
  long long idleMs = 0;            // time since the last key or pointer input
  long long msSinceBlocked = -1;   // time since something last kept the saver off; -1 = never
  long long serverTimeoutMs = 0;   // the X server's own screen-saver time-out; 0 = off
  bool serverSaverOn = false;      // the X server's own screen saver is on now
  bool fullscreen = false;         // a full-screen window holds the screen
  bool saverRunning = false;       // our saver child is still alive
  bool otherSaverFramework = false;  // xscreensaver's daemon or an idle locker runs
  bool lockerActive = false;         // a desktop saver/locker is on, or a lock was asked for
};

// StopSaver: end our running saver now (something else needs the screen and the keyboard).
enum class IdleAction { Wait, StartSaver, StopSaver, Exit };
struct IdleDecision {
  IdleAction action = IdleAction::Wait;
  int nextCheckMs = 0;   // how long to wait before looking again
  bool blocked = false;  // something keeps the saver off now: the count starts again
};

// The watcher's whole policy, free of X so that it can be tested on its own.
IdleDecision DecideIdle(const IdleSettings& settings, const IdleObservation& seen);

// True when the X server's own screen saver should have come on by now but has not: its
// time-out has passed by more than a few seconds of idleness while it stays off. That
// only happens while some client keeps it suspended (XScreenSaverSuspend), which video
// players and presentation programs do. Reliable when the server's time-out is at most
// ours, which switching the screen saver on arranges.
bool ServerSaverLooksSuspended(long long idleMs, long long serverTimeoutMs, bool serverSaverOn);

// Idle lockers that have neither a window nor a bus name to find them by: they lock when
// the X server's own saver comes on (xss-lock) or after their own idle count (xautolock,
// xidlehook). The name of the first such program of this user that runs for the given X
// display (its DISPLAY); "" when none.
std::string IdleLockerProgramRunning(const std::string& display);
// The same test on one process's name (as /proc/<pid>/comm gives it).
bool IsIdleLockerName(const std::string& name);
// Two DISPLAY values name the same X server: the screen number (":0" and ":0.0") and the
// "unix" host (the local socket, as an empty host) make no difference.
bool SameXDisplay(const std::string& a, const std::string& b);

// The saver program SCRNSAVE.EXE names, as a path to run; "" when it names nothing that
// can be run.
std::string ResolveSaverProgram(const std::string& scrnsaveValue);

// Our saver child. Start runs `program /s` without a shell and without waiting.
class SaverProcess {
 public:
  SaverProcess() = default;
  SaverProcess(const SaverProcess&) = delete;
  SaverProcess& operator=(const SaverProcess&) = delete;

  bool Start(const std::string& program);
  // Reaps the child once it has ended; true while it still runs.
  bool Running();
  int Pid() const { return m_pid; }
  // Ends the saver as a session's end does (SIGTERM: it closes its window and saves its
  // place); one still running some seconds later is killed. Call again until it has
  // gone; true when this call was the one that asked.
  bool Stop();

 private:
  int m_pid = 0;
  long long m_stopAskedMs = -1;
};

// One watcher per display: holds an exclusive lock on
// "$XDG_RUNTIME_DIR/quillidle-<display>.lock" (in the Windows directory when there is no
// runtime folder), with the holder's process id written in it. Acquire is false when
// another process holds it. The lock ends with the process, however it ends. IsHeld asks
// without taking the lock or touching the file, so that the file never names a process
// that only looked.
class IdleWatcherLock {
 public:
  explicit IdleWatcherLock(const std::string& display);
  ~IdleWatcherLock();
  IdleWatcherLock(const IdleWatcherLock&) = delete;
  IdleWatcherLock& operator=(const IdleWatcherLock&) = delete;

  bool Acquire();
  void Release();
  bool IsHeld() const;
  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
  int m_fd = -1;
};
std::string IdleWatcherLockPath(const std::string& display);

// The autostart entry: "$XDG_CONFIG_HOME/autostart/quillidle.desktop".
std::string IdleAutostartPath();
// Its text: starts the given watcher program at log-on ("" when the path cannot be said
// in an entry).
std::string IdleAutostartEntry(const std::string& watcherProgram);

// Switching the screen saver on writes the autostart entry (atomically) for the program
// folder's quillidle and, inside a running X session, starts the watcher unless one
// already runs; switching it off removes the entry (a running watcher sees the switch in
// user.reg and ends by itself). False when the entry could not be written or removed.
bool SetIdleWatcherEnabled(bool on);

// The watcher's main loop (platform/x11): watches the display named by DISPLAY until the
// screen saver is switched off. Returns the program's exit status: 0 when switched off,
// ended by SIGTERM/SIGINT or when another watcher already runs; 1 when there is no
// display or it lacks the MIT-SCREEN-SAVER extension. A Wayland session (WAYLAND_DISPLAY,
// or XDG_SESSION_TYPE=wayland) goes to RunWaylandIdleWatcher instead: the X server there
// hears only the input of X programs.
int RunIdleWatcher();

// The same watcher for Wayland sessions (platform/dbus): idle time from the desktop's own
// idle service on the session bus (GNOME's org.gnome.Mutter.IdleMonitor), else from the
// compositor's idle protocol (ext-idle-notify-v1 or KDE's org_kde_kwin_idle, see
// platform/wayland/idle_notify.h); films seen by the session manager's idle inhibitors or,
// with the protocols, by the compositor itself; one watcher per WAYLAND_DISPLAY. Returns 1
// at once when the desktop offers no idle time to other programs, and when the compositor
// goes away.
int RunWaylandIdleWatcher();
