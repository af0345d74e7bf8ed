#pragma once
// What the idle watcher asks the X server, apart from its loop (platform/idle.h has the
// policy). Each answer survives windows that vanish while they are being looked at.
typedef struct _XDisplay Display;

struct IdleScreenFacts {
  long long idleMs = 0;           // MIT-SCREEN-SAVER: time since the last input
  long long serverTimeoutMs = 0;  // the server's own saver time-out (0 = off)
  bool serverSaverOn = false;     // the server's own saver is on now
  bool fullscreen = false;        // the active window, or any mapped top-level window, is full screen
  bool otherSaverFramework = false;  // xscreensaver's daemon runs (XscreensaverWindow)
};

// False when the display has no MIT-SCREEN-SAVER extension.
bool QueryIdleScreen(Display* display, IdleScreenFacts& facts);

// A window counts as full screen when its _NET_WM_STATE holds _NET_WM_STATE_FULLSCREEN
// and it is viewable. Top-level windows are those of _NET_CLIENT_LIST when a window
// manager publishes one, else the root's children.
bool FullscreenWindowShown(Display* display);

// The window that carries xscreensaver's _SCREENSAVER_VERSION: the root window for old
// daemons, a window of its own below the root for xscreensaver 6. 0 when none does.
unsigned long XscreensaverWindow(Display* display);
