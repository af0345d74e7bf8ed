// LogonNeedsDesktop, apart from the change itself: quillrun links only this and the
// settings code, so a log-on with nothing to do loads no desktop library.
#include <cstdlib>
#include <string>

#include "changer/wallpaper_change.h"
#include "imagelib/profile_file.h"
#include "imagelib/settings_keys.h"
#include "platform/paths.h"
#include "platform/profile.h"

bool LogonNeedsDesktop(const std::string& programFolder, const LocalDateTime& now) {
  const CProfileFile ini(WithTrailingSeparator(programFolder) + settings::kMainSettingsFile);
  const int manual = static_cast<int>(settings::ChangeInterval::Manual);
  std::string lastDate;
  ini.ReadString(settings::kConfigSection, settings::kLastDate, lastDate);
  int changeImage = ini.ReadInt(settings::kConfigSection, settings::kChangeImage);
  if (changeImage == -1) changeImage = manual;
  if (changeImage != manual && ChangeIsDue(changeImage, lastDate, now)) return true;

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
