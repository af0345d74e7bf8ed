#pragma once
// A stand-in for the desktop's "xdg-open": a script put first on PATH that appends each
// call's arguments to a log, one line per call, arguments separated by tabs.
#include <string>
#include <vector>

#include "tests/support/sandbox.h"

class RecordingOpener {
 public:
  explicit RecordingOpener(const Sandbox& sandbox);
  ~RecordingOpener();

  // Waits (up to a few seconds) until `count` calls are logged; returns what is logged.
  std::vector<std::vector<std::string>> waitForCalls(std::size_t count) const;
  // Every call made so far, sorted (the calls run on their own, in no fixed order).
  // Opens a marker address and waits until it and at least `expected` other calls are
  // logged, so a call that should not have happened has had its chance to show.
  std::vector<std::vector<std::string>> settledCalls(std::size_t expected) const;

 private:
  std::vector<std::vector<std::string>> calls() const;
  const Sandbox& sandbox_;
  std::string log_;
  std::string oldPath_;
};
