#include "tests/launcher/recording_opener.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "platform/shell.h"

namespace {
const char kMarker[] = "https://marker.invalid/";
}

RecordingOpener::RecordingOpener(const Sandbox& sandbox) : sandbox_(sandbox) {
  log_ = sandbox.path("opens.log");
  std::string script = sandbox.path("bin/xdg-open");
  sandbox.writeFile(script,
                    "#!/bin/sh\n"
                    "line=open\n"
                    "for a in \"$@\"; do line=\"$line\t$a\"; done\n"
                    "printf '%s\\n' \"$line\" >> '" + log_ + "'\n");
  chmod(script.c_str(), 0755);
  oldPath_ = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", (sandbox.path("bin") + ":" + oldPath_).c_str(), 1);
}

RecordingOpener::~RecordingOpener() { setenv("PATH", oldPath_.c_str(), 1); }

std::vector<std::vector<std::string>> RecordingOpener::calls() const {
  std::vector<std::vector<std::string>> result;
  std::istringstream in(sandbox_.readFile(log_));
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    std::istringstream fieldsIn(line);
    std::string field;
    while (std::getline(fieldsIn, field, '\t')) fields.push_back(field);
    if (!fields.empty()) fields.erase(fields.begin());  // the "open" tag
    result.push_back(fields);
  }
  return result;
}

std::vector<std::vector<std::string>> RecordingOpener::waitForCalls(std::size_t count) const {
  for (int i = 0; i < 500; ++i) {
    auto c = calls();
    if (c.size() >= count) return c;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return calls();
}

std::vector<std::vector<std::string>> RecordingOpener::settledCalls(std::size_t expected) const {
  ShellExecute(nullptr, "open", kMarker, nullptr, nullptr, SW_SHOW);
  std::vector<std::vector<std::string>> others;
  for (int i = 0; i < 500; ++i) {
    others.clear();
    bool marked = false;
    for (auto& call : calls()) {
      if (call.size() == 1 && call[0] == kMarker) marked = true;
      else others.push_back(call);
    }
    if (marked && others.size() >= expected) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::sort(others.begin(), others.end());
  return others;
}
