#include "saver/settings.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "imagelib/catalogue.h"
#include "platform/paths.h"
#include "platform/profile.h"

SaverSettings g_saverSettings;
std::vector<std::string> g_imageList;

namespace {
// The key-list reader's buffer, as large as a profile section can be listed.
constexpr DWORD kKeyListSize = 32767;
constexpr const char* kNoneFound = "None Found";

bool EndsWithSeparator(const char* text) {
  std::size_t n = std::strlen(text);
  return n > 0 && (text[n - 1] == '\\' || text[n - 1] == '/');
}

void AppendSeparator(char* buffer, int size) {
  if (EndsWithSeparator(buffer)) return;
  std::size_t n = std::strlen(buffer);
  if (static_cast<int>(n) + 1 < size) {
    buffer[n] = '\\';
    buffer[n + 1] = '\0';
  }
}

UINT ReadInt(const char* key, INT defaultValue) {
  return GetPrivateProfileInt(saver::kSection, key, defaultValue, SaverSettingsFile());
}

void ReadText(const char* key, const char* defaultValue, char* buffer) {
  GetPrivateProfileString(saver::kSection, key, defaultValue, buffer, saver::kTextSize,
                          SaverSettingsFile());
}

// The combined list of all sets: the first pictures of every set in catalogue order,
// then the second ones, and so on.
std::vector<std::string> CombinedList(const char* catalogueFile) {
  std::vector<std::string> sets = UsableSetNames(
      ReadSaverKeyNames(catalogue::kSetDescriptions, catalogueFile), [](const std::string& set) {
        char folder[saver::kTextSize];
        ReadSetFolder(set.c_str(), folder, sizeof folder);
        return std::string(folder);
      });
  std::vector<std::vector<std::string>> pictures;
  std::size_t longest = 0;
  for (const std::string& set : sets) {
    pictures.push_back(ReadSaverKeyNames(set.c_str(), catalogueFile));
    longest = std::max(longest, pictures.back().size());
  }
  std::vector<std::string> list;
  for (std::size_t i = 0; i < longest; ++i) {
    for (std::size_t s = 0; s < sets.size(); ++s) {
      if (i < pictures[s].size()) list.push_back(sets[s] + catalogue::kEntrySeparator + pictures[s][i]);
    }
  }
  return list;
}
}  // namespace

const char* SaverSettingsFile() {
  static char file[13] = "";
  if (!file[0]) CopyText(file, sizeof file, settings::kSaverSettingsFile);
  return file;
}

void CopyText(char* buffer, int size, const std::string& text) {
  if (!buffer || size <= 0) return;
  std::size_t n = std::min(text.size(), static_cast<std::size_t>(size - 1));
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}

std::vector<std::string> ReadSaverKeyNames(const char* section, const char* file) {
  std::vector<std::string> names;
  auto buffer = std::make_unique<char[]>(kKeyListSize);
  DWORD length = GetPrivateProfileString(section, nullptr, kNoneFound, buffer.get(), kKeyListSize, file);
  if (length == 0 || std::strcmp(buffer.get(), kNoneFound) == 0) return names;
  const char* p = buffer.get();
  const char* end = buffer.get() + length;
  while (p < end && *p && static_cast<int>(names.size()) < saver::kMaxListedKeys) {
    names.emplace_back(p);
    p += names.back().size() + 1;
  }
  return names;
}

void ReadSetFolder(const char* set, char* folder, int size) {
  GetPrivateProfileString(catalogue::kSetDescriptions, set, saver::kNotFound, folder,
                          static_cast<DWORD>(size), g_saverSettings.catalogueFile);
  AppendSeparator(folder, size);
}

void ReadFileBase(const char* set, const char* picture, char* fileBase, int size) {
  GetPrivateProfileString(set, picture, "", fileBase, static_cast<DWORD>(size),
                          g_saverSettings.catalogueFile);
}

void ReadSaverSettings() {
  SaverSettings& s = g_saverSettings;
  s.timeBetween = ReadInt(settings::kTimeBetween, 5);
  s.inMinutes = ReadInt(settings::kInMinutes, 1);
  s.panoramicSpeed = ReadInt(settings::kPanoramicSpeed, 50);
  // Only what the Screen Saver page's slider can set; a hand-edited 0 or negative value
  // would stop the pan on its first step and the show with it.
  if (s.panoramicSpeed < 10 || s.panoramicSpeed > 100) s.panoramicSpeed = 50;
  s.showTextDescription = ReadInt(settings::kShowTextDescription, 1);
  s.transition = ReadInt(settings::kTransition, 0);
  s.currentImageNumber = static_cast<int>(ReadInt(settings::kCurrentImageNumber, 0));
  s.showInterpretiveText = ReadInt(settings::kShowInterpretiveText, 0);
  ReadText(settings::kInterpretiveTextLanguage, "English", s.language);
  ReadText(settings::kCurrentSet, saver::kNotFound, s.currentSet);
  ReadText("CurrentImageName", "", s.currentImageName);
  // The folder of this very program, not the "ProgramPath" that the settings publish:
  // anything that can write a settings file could otherwise point the saver at a folder
  // of its choosing, and the decoder and NetJumper are loaded and started from there.
  CopyText(s.programFolder, sizeof s.programFolder, WithTrailingSeparator(ProgramFolder()));
  CopyText(s.catalogueFile, sizeof s.catalogueFile,
           std::string(s.programFolder) + catalogue::kMainSettingsFile);
  s.useAllImages = ReadInt(settings::kUseAllImages, 0);

  s.stretchWallpaper = GetPrivateProfileInt(settings::kConfigSection, settings::kStretchWallpaper, 1, s.catalogueFile);
  ReadSetFolder(s.currentSet, s.setFolder, sizeof s.setFolder);

  g_imageList.clear();
  if (s.useAllImages == 1) {
    g_imageList = CombinedList(s.catalogueFile);
  } else if (SetNameProblem(s.currentSet).empty()) {
    g_imageList = ReadSaverKeyNames(s.currentSet, s.catalogueFile);
  }
}

void WriteIntegerSetting(const char* section, const char* key, UINT value) {
  char text[40];
  std::snprintf(text, sizeof text, "%u", value);
  WritePrivateProfileString(section, key, text, SaverSettingsFile());
}

void WriteSaverPosition() {
  char text[40];
  std::snprintf(text, sizeof text, "%i", g_saverSettings.currentImageNumber);
  WritePrivateProfileString(saver::kSection, settings::kCurrentImageNumber, text, SaverSettingsFile());
  WritePrivateProfileString(saver::kSection, "CurrentImageName", g_saverSettings.currentImageName,
                            SaverSettingsFile());
}
