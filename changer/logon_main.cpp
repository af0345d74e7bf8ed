// quillrun: started at every log-on from the user's autostart entry. Most log-ons have
// nothing to change, so it starts with nothing but the settings code: when no change is
// due and there is no recorded wallpaper to put back on a display, it ends at once;
// otherwise it becomes quillrun-desktop (beside it), which changes or puts back the
// wallpaper and says how that went.
#include <cstdio>
#include <string>

#include "changer/wallpaper_change.h"
#include "platform/paths.h"
#include "platform/process.h"

int main(int, char** argv) {
  if (!LogonNeedsDesktop(ProgramFolder(), LocalNow())) return 0;
  const std::string desktop = ExecutableFolder() + "quillrun-desktop";
  std::string error;
  BecomeProgram(desktop, argv, error);
  std::fprintf(stderr, "quillrun: cannot start %s: %s\n", desktop.c_str(), error.c_str());
  return 1;
}
