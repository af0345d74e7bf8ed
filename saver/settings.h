#pragma once
// The screen saver's settings: section [ScreenSaver.QuillMark] of control.ini in the
// Windows directory, a few values of the catalogue file quillmrk.ini, and the image list
// built from the catalogue. The saver reads them straight through the profile functions,
// with its own defaults ("NotFound" where the catalogue has no value) and fixed buffers,
// so that what another program wrote is read back the same way it always was.
#include <string>
#include <vector>

#include "imagelib/settings_keys.h"
#include "platform/types.h"

namespace saver {
constexpr const char* kSection = settings::kSaverSection;
constexpr const char* kNotFound = "NotFound";
constexpr int kTextSize = MAX_PATH;  // every text buffer of the saver
// Names a section read by the saver's key-list reader yields at most.
constexpr int kMaxListedKeys = 500;
}  // namespace saver

// Everything the saver keeps of its settings for the run (module-wide, as the saver has
// exactly one window).
struct SaverSettings {
  UINT timeBetween = 5;        // ticks of the slideshow timer
  UINT inMinutes = 1;          // 1: a tick is a minute; anything else: a second
  UINT panoramicSpeed = 50;    // milliseconds per pan step
  UINT showTextDescription = 1;
  UINT transition = 0;         // effect code 0..6
  int currentImageNumber = 0;  // 0-based position of the next picture to fetch
  UINT showInterpretiveText = 0;
  char language[saver::kTextSize] = "English";
  char currentSet[saver::kTextSize] = "NotFound";
  char currentImageName[saver::kTextSize] = "";
  char catalogueFile[saver::kTextSize] = "";  // program folder + "quillmrk.ini"
  UINT useAllImages = 0;
  UINT stretchWallpaper = 1;
  char programFolder[saver::kTextSize] = "NotFound";  // this program's own folder
  char setFolder[saver::kTextSize] = "NotFound\\";
};

extern SaverSettings g_saverSettings;
// The picture names of the chosen set, or the combined list of all sets.
extern std::vector<std::string> g_imageList;

// "control.ini", the settings file (the saver's string 1001, in a 13-byte buffer).
const char* SaverSettingsFile();

// Reads every setting in the order the saver always has, then builds the image list.
void ReadSaverSettings();
// Stores an unsigned integer setting ("%u") in the settings file.
void WriteIntegerSetting(const char* section, const char* key, UINT value);
// What the end of a run stores: the list position ("%i") and the last picture's name.
void WriteSaverPosition();

// The key names of a section in file order, at most 500; a missing or empty section
// gives an empty list.
std::vector<std::string> ReadSaverKeyNames(const char* section, const char* file);
// [SetDescriptions] <set> of the catalogue file with a trailing separator; "NotFound\"
// for a set that is not in the catalogue.
void ReadSetFolder(const char* set, char* folder, int size);
// The file base of a picture: [<set>] <picture> of the catalogue file, "" when missing,
// cut to the buffer.
void ReadFileBase(const char* set, const char* picture, char* fileBase, int size);

// Copies text into a fixed buffer, cutting it as the old string copies into fixed
// buffers did (always NUL-terminated).
void CopyText(char* buffer, int size, const std::string& text);
