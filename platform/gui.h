#pragma once
// The user interface of a program is started once, at the top of main(), before any
// window or message box; the old platform had it implicitly. Starting it also puts the
// real message box in place. Without a display the offscreen platform is used, so a
// program that only shows a message still runs (the message then goes to stderr too).

// Creates the application object (argc/argv may carry toolkit options). Idempotent.
void StartUserInterface(int& argc, char** argv);
bool UserInterfaceStarted();
// Runs the event loop until the last window closes or QuitUserInterface is called.
int RunUserInterface();
void QuitUserInterface(int code);
// Ends the application object; call before main() returns.
void StopUserInterface();
