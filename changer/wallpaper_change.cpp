#include "changer/wallpaper_change.h"

#include <vector>

#include "imagelib/catalogue.h"
#include "imagelib/profile_file.h"
#include "imagelib/wallpaper.h"
#include "platform/paths.h"
#include "platform/screen.h"
#include "platform/wallpaper.h"

ChangeResult RunLogonWallpaperChange(const std::string& programFolder, const LocalDateTime& now) {
  const std::string folder = WithTrailingSeparator(programFolder);
  const CProfileFile ini(folder + catalogue::kMainSettingsFile);

  std::string currentSet, currentImage, lastDate;
  ini.ReadString("Config", "CurrentSet", currentSet);
  ini.ReadString("Config", "CurrentImage", currentImage);
  ini.ReadString("Config", "LastDate", lastDate);
  const int useAllImages = ini.ReadInt("Config", "UseAllImages");
  int stretch = ini.ReadInt("Config", "StretchWallpaper");
  int changeImage = ini.ReadInt("Config", "ChangeImage");
  if (stretch == -1) stretch = 1;
  if (changeImage == -1) changeImage = 3;

  if (changeImage == 3) return ChangeResult::Manual;
  if (!ChangeIsDue(changeImage, lastDate, now)) return ChangeResult::NotDue;

  const std::string bitmapPath = WallpaperBitmapPath(WindowsDirectory());

  // A current picture that is no longer in the list (or a set never chosen) starts the list
  // over at its first picture; an empty list leaves everything as it is, since there is
  // nothing to show and the user's choice of set should survive until they change it.
  const bool allSets = useAllImages == 1;
  const std::vector<std::string> list =
      allSets ? BuildCombinedList(ini) : ListPictureNames(ini, currentSet);
  const NameStep next = StepByName(list, allSets, currentSet, currentImage);
  if (!next.found) return ChangeResult::NoPicture;

  const PictureFiles files = GetPictureFiles(ini, folder, next.set, next.picture, false);
  // A picture whose files would lie outside its set is passed over: the list moves on
  // and the desktop keeps what it shows.
  if (files.usable) {
    CWallpaperDecoder decoder(/*keepLoaded=*/false);
    const DeviceColorDepth screen{ScreenBitsPerPixel(), ScreenPlanes()};
    ApplyWallpaperPicture(files.jpg, files.nfo, bitmapPath, folder, stretch, screen, decoder);
  }

  ini.WriteString("Config", "CurrentSet", next.set);
  ini.WriteString("Config", "CurrentImage", next.picture);
  ini.WriteString("Config", "LastDate", FormatLastDate(now));
  return ChangeResult::Changed;
}

bool RestoreRecordedWallpaper() {
  char recorded[1024] = {};
  SystemParametersInfo(SPI_GETDESKWALLPAPER, sizeof recorded, recorded, 0);
  if (!recorded[0] || std::string(recorded) == "(None)") return false;
  SystemParametersInfo(SPI_SETDESKWALLPAPER, 0, recorded, 0);
  return true;
}
