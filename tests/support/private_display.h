#pragma once
// An X server of the test's own (Xvfb) and real input into it (xdotool), for tests that
// must meet the event order a user's mouse and keyboard make. The server is started before
// the program's user interface, which then runs on it instead of the offscreen platform.
#include <string>
#include <vector>

class PrivateDisplay {
 public:
  // Starts Xvfb on a free display and points DISPLAY at it (QT_QPA_PLATFORM is dropped).
  PrivateDisplay();
  ~PrivateDisplay();
  PrivateDisplay(const PrivateDisplay&) = delete;
  PrivateDisplay& operator=(const PrivateDisplay&) = delete;

  // False (with the reason in why()) when Xvfb or xdotool is missing or did not start.
  bool ready() const { return ready_; }
  const std::string& why() const { return why_; }
  const std::string& name() const { return name_; }

  // Runs xdotool with `args` against this display and keeps the program's message loop
  // turning until it has finished and the events have been handled.
  bool xdotool(const std::vector<std::string>& args) const;

 private:
  int pid_ = -1;
  bool ready_ = false;
  std::string name_, why_;
};
