// quillidle: starts the chosen screen saver after the idle time-out, as the old platform's
// screen-saver framework did. Started at log-on by its autostart entry without arguments.
// "--enable" and "--disable" write or remove that entry (what switching the screen saver
// on and off does), for scripts and for repairing a session by hand.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/idle.h"
#include "platform/write_failures.h"

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--enable") == 0 || std::strcmp(argv[1], "--disable") == 0)) {
    bool on = std::strcmp(argv[1], "--enable") == 0;
    ClearWriteFailures();
    if (SetIdleWatcherEnabled(on)) return 0;
    std::vector<WriteFailure> failed = WriteFailures();
    // An entry that cannot even be said (a program path with a line break) never reached the disk.
    if (failed.empty()) failed.push_back({IdleAutostartPath(), EINVAL});
    for (const WriteFailure& failure : failed)
      std::fprintf(stderr, "quillidle: cannot %s %s\n", on ? "write" : "remove", DescribeWriteFailure(failure).c_str());
    return 1;
  }
  if (argc > 1) {
    std::fprintf(stderr, "usage: quillidle [--enable | --disable]\n");
    return std::strcmp(argv[1], "--help") == 0 ? 0 : 2;
  }
  return RunIdleWatcher();
}
