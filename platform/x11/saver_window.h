#pragma once
// Facts about a window of another program, asked of the X server named by DISPLAY: the
// screen-saver framework draws into such windows (a preview pane, xscreensaver's window).

// The window's size; false when there is no display or no such window.
bool ForeignWindowSize(unsigned long window, int* width, int* height);
