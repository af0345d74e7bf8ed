#pragma once
// The user interface of a program is started once, at the top of main(), before any
// window or message box; the old platform had it implicitly. Starting it also puts the
// real message box in place. Without a display the offscreen platform is used, so a
// program that only shows a message still runs (the message then goes to stderr too).
// A Wayland display is used when the toolkit supports it, else an X display (XWayland)
// that answers; a display named but unreachable counts as none.

// Creates the application object (argc/argv may carry toolkit options). Idempotent.
void StartUserInterface(int& argc, char** argv);
// Called before StartUserInterface by the full-screen screen saver: an X display that
// answers (XWayland on a Wayland desktop) is taken even where the toolkit could use
// Wayland, since the saver watches input through the X server while it waits for its
// decoder, and grabs keyboard and pointer there.
void PreferXDisplay();
bool UserInterfaceStarted();
// True when windows reach a screen someone can look at: false before the start, and on
// the offscreen platform used when no display answers (no DISPLAY, an unreachable one, or
// a Wayland display the toolkit cannot use). A program must not wait for an answer then.
bool UserCanSeeWindows();
// Runs the event loop until the last window closes or QuitUserInterface is called.
int RunUserInterface();
void QuitUserInterface(int code);
// Ends the application object; call before main() returns.
void StopUserInterface();
