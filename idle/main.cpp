// quillidle: starts the chosen screen saver after the idle time-out, as the old platform's
// screen-saver framework did. Started at log-on by its autostart entry without arguments.
// "--enable" and "--disable" write or remove that entry (what switching the screen saver
// on and off does), for scripts and for repairing a session by hand.
#include <cstdio>
#include <cstring>

#include "platform/idle.h"

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--enable") == 0 || std::strcmp(argv[1], "--disable") == 0)) {
    bool on = std::strcmp(argv[1], "--enable") == 0;
    if (SetIdleWatcherEnabled(on)) return 0;
    std::fprintf(stderr, "quillidle: cannot %s %s\n", on ? "write" : "remove", IdleAutostartPath().c_str());
    return 1;
  }
  if (argc > 1) {
    std::fprintf(stderr, "usage: quillidle [--enable | --disable]\n");
    return std::strcmp(argv[1], "--help") == 0 ? 0 : 2;
  }
  return RunIdleWatcher();
}
