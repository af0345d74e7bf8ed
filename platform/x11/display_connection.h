#pragma once
// The connection one call to the display uses: the thread's shared one while a
// SharedDisplayConnection (platform/screen.h) lives, else one of its own.
#include <X11/Xlib.h>

class DisplayConnection {
 public:
  DisplayConnection();
  ~DisplayConnection();  // closes a connection of its own
  DisplayConnection(const DisplayConnection&) = delete;
  DisplayConnection& operator=(const DisplayConnection&) = delete;

  Display* get() const { return display_; }  // nullptr when the display cannot be reached
  // For a call that leaves resources behind when its connection closes (RetainPermanent):
  // the connection becomes this call's own, closed with it; the next call opens another.
  void TakeOver();

 private:
  Display* display_ = nullptr;
  bool own_ = true;
};
