#pragma once
// Processes and privileges for the fault-injection tests: children that run a piece of
// this test program and are killed or waited for, the counts that the environment can
// raise for long runs by hand, and taking away root's power to ignore file permissions
// (tests run as root in CI, where a read-only folder would otherwise not be read-only).
#include <string>
#include <functional>
#include <vector>

namespace fault {

// The number in environment variable `name`, or `fallback` when it is unset or no number.
int CountFromEnvironment(const char* name, int fallback);

// Runs `body` in a forked child, which ends with its return value. Returns the pid.
int Spawn(const std::function<int()>& body);

// How a child ended.
struct Ending {
  bool exited = false;  // false: killed by a signal (or not ended within the time)
  int code = -1;        // exit code, or the signal number when !exited
  bool timedOut = false;
};
// Waits up to `seconds` for the child; one that is still running then is killed.
Ending Wait(int pid, double seconds = 120);

// Runs a program with arguments and extra environment ("NAME=value"), waiting for it;
// stderr goes to `errorFile`. With `withoutFileOverride`, root's file-permission
// override is dropped for the program first.
Ending RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                  const std::vector<std::string>& environment, const std::string& errorFile,
                  bool withoutFileOverride, double seconds = 60);

// In the calling (child) process: file permissions now bind even for root.
void DropFileOverride();

// Names in `folder` that start with `prefix`.
std::vector<std::string> NamesStartingWith(const std::string& folder, const std::string& prefix);

}  // namespace fault
