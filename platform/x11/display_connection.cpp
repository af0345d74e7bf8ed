#include "platform/x11/display_connection.h"

#include <utility>

#include "platform/screen.h"

namespace {
struct Shared {
  int scopes = 0;
  Display* display = nullptr;
};
thread_local Shared t_shared;
}  // namespace

SharedDisplayConnection::SharedDisplayConnection() { ++t_shared.scopes; }

SharedDisplayConnection::~SharedDisplayConnection() {
  if (--t_shared.scopes == 0 && t_shared.display) XCloseDisplay(std::exchange(t_shared.display, nullptr));
}

DisplayConnection::DisplayConnection() {
  if (t_shared.scopes == 0) {
    display_ = XOpenDisplay(nullptr);
    return;
  }
  if (!t_shared.display) t_shared.display = XOpenDisplay(nullptr);
  display_ = t_shared.display;
  own_ = false;
}

DisplayConnection::~DisplayConnection() {
  if (own_ && display_) XCloseDisplay(display_);
}

void DisplayConnection::TakeOver() {
  if (own_) return;
  if (t_shared.display == display_) t_shared.display = nullptr;
  own_ = true;
}
