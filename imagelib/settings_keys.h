#pragma once
// The names under which the programs share their settings: files, sections, keys and the
// registry key that more than one program reads or writes. Another program finds a
// setting only under the very name its writer used, so each name is spelt here once.
#include <string_view>

namespace settings {
// Files. The main settings file and the set description file lie in the program folder
// and in every set folder; the saver's settings file lies in the Windows directory; the
// company file lies in a set folder (or, for sets without a folder, the program folder).
constexpr const char* kMainSettingsFile = "quillmrk.ini";
constexpr const char* kSetDescriptionFile = "images.ini";
constexpr const char* kSaverSettingsFile = "control.ini";
constexpr const char* kCompanyFile = "company.ini";
// The saver's link in the Windows directory, which system.ini names as the screen saver.
constexpr const char* kScreenSaverLink = "Quillmark Screen Saver.scr";

// [Config] of the main settings file: the wallpaper's set, picture and schedule.
constexpr const char* kConfigSection = "Config";
constexpr const char* kSetDescriptions = "SetDescriptions";
// [ScreenSaver.QuillMark] of the saver's settings file.
constexpr const char* kSaverSection = "ScreenSaver.QuillMark";

// Keys of both sections.
constexpr const char* kCurrentSet = "CurrentSet";
constexpr const char* kUseAllImages = "UseAllImages";
// Published for other tools; the programs themselves trust only their own folder.
constexpr const char* kProgramPath = "ProgramPath";

// Keys of [Config].
constexpr const char* kCurrentImage = "CurrentImage";
constexpr const char* kLastDate = "LastDate";
constexpr const char* kChangeImage = "ChangeImage";
constexpr const char* kStretchWallpaper = "StretchWallpaper";

// Keys of [ScreenSaver.QuillMark].
constexpr const char* kTimeBetween = "TimeBetween";
constexpr const char* kInMinutes = "InMinutes";
constexpr const char* kCurrentImageNumber = "CurrentImageNumber";
constexpr const char* kShowTextDescription = "ShowTextDescription";
constexpr const char* kShowInterpretiveText = "ShowInterpretiveText";
constexpr const char* kInterpretiveTextLanguage = "InterpretiveTextLanguage";
constexpr const char* kTransition = "Transition";
constexpr const char* kPanoramicSpeed = "PanoramicSpeed";

// The configuration program's registry key below HKEY_CURRENT_USER, and its sub-key that
// records the installed sets. Registry names ignore case; this is how they are written.
constexpr const char* kProfileKey = "Software\\QuillMark Corporation\\QuillMark Configuration";
constexpr const char* kRecordKey = "Software\\QuillMark Corporation\\QuillMark Configuration\\SetDescriptions";
static_assert(std::string_view(kRecordKey).starts_with(kProfileKey));
// The sub-key whose default value names the folder of a set the installer has just added.
constexpr const char* kNewInstall = "New Install";

// "ChangeImage": how often the log-on changer moves to the next picture. A missing value
// counts as Manual; any value outside these never changes the picture.
enum class ChangeInterval : int { EveryDay = 0, EverySecondDay = 1, Weekly = 2, Manual = 3 };
}  // namespace settings
