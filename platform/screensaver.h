#pragma once
// The old platform's screen-saver framework. A screen-saver module supplies
// ScreenSaverProc, ScreenSaverConfigureDialog and RegisterDialogClasses; its main()
// returns ScreenSaverMain(argc, argv). The framework reads the command line:
//   /s  (also -s, /S)         full screen: one black window over the whole X screen that
//                             grabs keyboard and pointer; on a Wayland desktop
//                             (WAYLAND_DISPLAY set) a full-screen window the compositor
//                             manages, on XWayland where it answers, so that it stands
//                             above the panels and gets the keyboard;
//   /c  (also /c:<id>, none)  the module's configuration dialog, template
//                             DLG_SCRNSAVECONFIGURE, with ScreenSaverConfigureDialog;
//   /p <X window id>          preview inside that window (also /p:<id>, /l <id>); without
//                             an id, a 152 x 112 window of its own;
//   -root                     xscreensaver: draw in $XSCREENSAVER_WINDOW when set, else
//                             full screen without grabbing input;
//   -window-id <id>           xscreensaver: draw in that window;
//   -window                   a 640 x 480 window of its own (for trying it out).
// With no argument at all it runs the configuration dialog, as the old framework did; a
// bare XSCREENSAVER_WINDOW in the environment counts as -root. Window ids are decimal or
// 0x-hexadecimal. xscreensaver's words are taken with one dash or two and "=value"
// (--root, --window-id=0x..); the other options hack hosts pass (-install, -visual X,
// -fps, -no-fps, -display X, ...) and any other word of that form are ignored, so a host
// never sees the saver fail over an option.
//
// The saver window belongs to the class "WindowsScreenSaverClass" (black background
// brush, no cursor); every message goes to ScreenSaverProc. DefScreenSaverProc is the
// default processing: it closes the window on a key press (WM_KEYDOWN/WM_SYSKEYDOWN), a
// mouse button or wheel turn, and a mouse move of more than 4 pixels from where the pointer was when the
// saver started; in a preview (fChildPreview) and when drawing into xscreensaver's window
// (-root, -window-id), where the host watches input, input does not end it. Closing destroys the window (WM_DESTROY reaches ScreenSaverProc) and ends
// the loop. SIGTERM, SIGINT and SIGHUP close the window the same way, so the module's
// WM_DESTROY work runs when xscreensaver or a locker ends the saver. Neither waits for a
// call the module makes through platform/isolated_call.h (the decoder): such a signal,
// or in full screen input that ends the saver, kills the call's child at once, the call
// fails, and the saver ends as soon as the module is back in the loop.
// ScreenSaverMain returns 0 after a normal end, 1 when the window could not be made or
// the command line names a window that does not exist; /c returns 0 whether the dialog
// ended with OK or Cancel, and 1 when it could not be shown.
#include "platform/dialog.h"
#include "platform/types.h"
#include "platform/window.h"

// The module's parts, called by the framework.
LRESULT CALLBACK ScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Called before the configuration dialog: registers window classes the dialog needs.
BOOL WINAPI RegisterDialogClasses(HINSTANCE instance);

constexpr int DLG_SCRNSAVECONFIGURE = 2003;
constexpr int ID_APP = 100;  // the saver's icon resource

// The framework's default processing for the saver window.
LRESULT WINAPI DefScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Set by the framework before the window is made.
extern HINSTANCE hMainInstance;
extern HWND hMainWindow;      // the saver window while it exists
extern BOOL fChildPreview;    // running in a preview (/p, -window-id and friends)

int ScreenSaverMain(int argc, char** argv);

// The part of the saver window's client area that the show should use. Full screen the
// window covers every monitor and this is the primary monitor (the old platform had one
// screen); in a preview, a host's window (-window-id, XSCREENSAVER_WINDOW) or a window of
// its own it is the whole client area. Counted in the same units as the client area, so
// it holds whatever the display's pixel ratio.
BOOL GetScreenSaverViewRect(HWND window, RECT* rect);

// TRUE once input or a signal has ended the saver while the module waited for its decoder:
// the decode it cut short says nothing about the picture, and the module should not go on
// to the next one.
BOOL ScreenSaverIsEnding();

// ---- For tests ---------------------------------------------------------------------------
// Mouse moves up to this many pixels (in x or y) from the first seen position do not end
// the saver.
constexpr int SCREENSAVER_MOVE_THRESHOLD = 4;
// Makes the saver window the way ScreenSaverMain does in a window of the given size
// (a preview when preview is TRUE), without running the loop: tests then send or post
// messages and pump. nullptr when the window could not be made.
HWND CreateScreenSaverWindowForTesting(int width, int height, BOOL preview);
