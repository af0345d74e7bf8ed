#include "changer/wallpaper_change.h"

#include <system_error>
#include <thread>
#include <vector>

#include "imagelib/catalogue.h"
#include "imagelib/decoder_call.h"
#include "imagelib/profile_file.h"
#include "imagelib/settings_keys.h"
#include "imagelib/wallpaper.h"
#include "platform/paths.h"
#include "platform/screen.h"
#include "platform/wallpaper.h"

ChangeResult RunLogonWallpaperChange(const std::string& programFolder, const LocalDateTime& now) {
  const std::string folder = WithTrailingSeparator(programFolder);
  const CProfileFile ini(folder + catalogue::kMainSettingsFile);

  std::string currentSet, currentImage, lastDate;
  ini.ReadString(settings::kConfigSection, settings::kCurrentSet, currentSet);
  ini.ReadString(settings::kConfigSection, settings::kCurrentImage, currentImage);
  ini.ReadString(settings::kConfigSection, settings::kLastDate, lastDate);
  const int useAllImages = ini.ReadInt(settings::kConfigSection, settings::kUseAllImages);
  int stretch = ini.ReadInt(settings::kConfigSection, settings::kStretchWallpaper);
  int changeImage = ini.ReadInt(settings::kConfigSection, settings::kChangeImage);
  if (stretch == -1) stretch = 1;
  const int manual = static_cast<int>(settings::ChangeInterval::Manual);
  if (changeImage == -1) changeImage = manual;

  if (changeImage == manual) return ChangeResult::Manual;
  if (!ChangeIsDue(changeImage, lastDate, now)) return ChangeResult::NotDue;
  // The decoder host starts while the next picture and the screen are worked out: loading
  // it takes about as long.
  PrestartDecoderHost();

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
  // The list moves on whatever becomes of the picture, so the settings are written while
  // it is decoded: the settings' syncs to disk and the decoder wait for nobody. (Not
  // earlier: beside the start of the decoder host and the display's connection, on two
  // cores, the write slows them down.) One write, not three: the picture and the day are
  // recorded together.
  const auto record = [&] {
    ini.WriteStrings(settings::kConfigSection, {{settings::kCurrentSet, next.set},
                                                {settings::kCurrentImage, next.picture},
                                                {settings::kLastDate, FormatLastDate(now)}});
  };
  std::thread recorder;
  // A picture whose files would lie outside its set is passed over: the list moves on
  // and the desktop keeps what it shows.
  if (files.usable) {
    CWallpaperDecoder decoder(/*keepLoaded=*/false);
    // One look at the display for both (each is a connection to the X server).
    const ScreenMetrics metrics = GetScreenMetrics();
    const DeviceColorDepth screen{metrics.bitsPerPixel, metrics.planes};
    try {
      recorder = std::thread(record);
    } catch (const std::system_error&) {
    }
    ApplyWallpaperPicture(files.jpg, files.nfo, bitmapPath, folder, stretch, screen, decoder);
  }
  // Written here when there was nothing to decode or no thread to be had.
  if (recorder.joinable()) recorder.join();
  else record();
  return ChangeResult::Changed;
}

bool RestoreRecordedWallpaper() {
  char recorded[1024] = {};
  SystemParametersInfo(SPI_GETDESKWALLPAPER, sizeof recorded, recorded, 0);
  if (!recorded[0] || std::string(recorded) == "(None)") return false;
  SystemParametersInfo(SPI_SETDESKWALLPAPER, 0, recorded, 0);
  return true;
}
