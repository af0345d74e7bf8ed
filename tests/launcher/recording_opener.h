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
  // Opens a marker address and waits for it: every call made before the marker has then
  // been started; returns the calls logged before the marker.
  std::vector<std::vector<std::string>> callsBeforeMarker() const;

 private:
  std::vector<std::vector<std::string>> calls() const;
  const Sandbox& sandbox_;
  std::string log_;
  std::string oldPath_;
};
