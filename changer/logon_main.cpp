// quillrun: started at every log-on from the user's autostart entry. Most log-ons have
// nothing to change, so it starts with nothing but the settings code: when no change is
// due and there is no recorded wallpaper to put back on a display, it ends at once;
// otherwise it becomes quillrun-desktop (beside it), which changes or puts back the
// wallpaper and says how that went.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "changer/wallpaper_change.h"
#include "platform/paths.h"

int main(int argc, char** argv) {
  if (!LogonNeedsDesktop(ProgramFolder(), LocalNow())) return 0;
  const std::string desktop = ExecutableFolder() + "quillrun-desktop";
  argv[0] = const_cast<char*>(desktop.c_str());
  (void)argc;
  execv(desktop.c_str(), argv);
  std::fprintf(stderr, "quillrun: cannot start %s: %s\n", desktop.c_str(), std::strerror(errno));
  return 1;
}
