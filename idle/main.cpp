// quillidle: starts the chosen screen saver after the idle time-out, as the old platform's
// screen-saver framework did. Started at log-on by its autostart entry; takes no arguments.
#include <cstdio>
#include <cstring>

#include "platform/idle.h"

int main(int argc, char** argv) {
  if (argc > 1) {
    std::fprintf(stderr, "usage: %s\n(started at log-on while the screen saver is switched on)\n", argv[0]);
    return std::strcmp(argv[1], "--help") == 0 ? 0 : 2;
  }
  return RunIdleWatcher();
}
