// LogonNeedsDesktop, apart from the change itself: quillrun links only this and the
// settings code, so a log-on with nothing to do loads no desktop library.
#include <cstdlib>
#include <string>

#include "changer/wallpaper_change.h"
#include "imagelib/catalogue.h"
#include "imagelib/profile_file.h"
#include "platform/paths.h"
#include "platform/profile.h"

bool LogonNeedsDesktop(const std::string& programFolder, const LocalDateTime& now) {
  const CProfileFile ini(WithTrailingSeparator(programFolder) + catalogue::kMainSettingsFile);
  std::string lastDate;
  ini.ReadString("Config", "LastDate", lastDate);
  int changeImage = ini.ReadInt("Config", "ChangeImage");
  if (changeImage == -1) changeImage = 3;
  if (changeImage != 3 && ChangeIsDue(changeImage, lastDate, now)) return true;

  char recorded[1024] = {};
  GetProfileString("Desktop", "Wallpaper", "", recorded, sizeof recorded);
  if (!recorded[0] || std::string(recorded) == "(None)") return false;
  // What the desktop detection looks at; with none of it set there is no desktop to find.
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_CURRENT_DESKTOP",
                           "DBUS_SESSION_BUS_ADDRESS", "SWAYSOCK"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}
