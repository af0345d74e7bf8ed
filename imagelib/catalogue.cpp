#include "imagelib/catalogue.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>

#include "platform/folder_ops.h"
#include "platform/ini_text.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/scoped.h"

using namespace catalogue;

namespace {
constexpr DWORD kSectionBufferSize = 32766;
constexpr DWORD kRecordNameSize = 260;
constexpr DWORD kRecordDataSize = 520;

constexpr const char* kNoSetsMessage =
    "No images sets were detected during the initialization of the program. Please install an "
    "image set or contact QuillMark customer support for more information.";
constexpr const char* kSetFolderMissingMessage =
    "The image directory for the set %s could not be found. Please re-install this set from "
    "the original disk.";

std::string deletedSection(const std::string& set) { return set + kDeletedSuffix; }

// The catalogue is read many times in one run; each refusal is said once.
void warnOnce(const std::string& text) {
  static std::set<std::string> said;
  if (said.insert(text).second) std::fprintf(stderr, "QuillMark: %s\n", text.c_str());
}

bool endsWithIgnoringCase(const std::string& text, const std::string& end) {
  return text.size() >= end.size() &&
         ini::SameName(std::string_view(text).substr(text.size() - end.size()), end);
}

// A set folder as one comparable text: "/" separators, no "." or empty components, no
// trailing separator.
std::string comparableFolder(const std::string& folder) {
  std::string native = NativePath(folder), out;
  std::size_t start = 0;
  while (start <= native.size()) {
    std::size_t end = native.find('/', start);
    if (end == std::string::npos) end = native.size();
    std::string part = native.substr(start, end - start);
    if (!part.empty() && part != ".") out += (out.empty() ? "" : "/") + part;
    start = end + 1;
  }
  return out;
}

// Reads one string value of the installed-set record into the record's 520-byte buffer.
bool readRecordValue(HKEY key, const std::string& name, std::string& value) {
  char data[kRecordDataSize] = {};
  DWORD size = kRecordDataSize;
  DWORD type = REG_NONE;
  if (RegQueryValueEx(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size) !=
          ERROR_SUCCESS ||
      type != REG_SZ)
    return false;
  data[kRecordDataSize - 1] = '\0';
  value.assign(data, strnlen(data, std::min<DWORD>(size, kRecordDataSize)));
  return true;
}

// A list that exactly fills the buffer reads back the same as one that was cut; only a
// second, larger read tells them apart.
bool sectionLongerThan(const std::string& section, DWORD length, const std::string& file) {
  std::vector<char> larger(2 * kSectionBufferSize, '\0');
  return GetOutsideProfileSection(section.c_str(), larger.data(),
                                  static_cast<DWORD>(larger.size()), file.c_str()) > length;
}

ScopedRegKey openRecord() {
  ScopedRegKey key;
  if (RegOpenKeyEx(HKEY_CURRENT_USER, kRecordKey, 0, KEY_ALL_ACCESS, key.receive()) != ERROR_SUCCESS)
    return {};
  return key;
}

// Calls `visit` with each value name of the installed-set record, in record order. A name
// too long for the record's buffer cannot name a set and is passed over.
void forEachRecordName(const std::function<void(HKEY, const std::string&)>& visit) {
  const ScopedRegKey record = openRecord();
  if (!record) return;
  for (DWORD index = 0;; ++index) {
    char name[kRecordNameSize] = {};
    DWORD nameSize = kRecordNameSize;
    LONG rc = RegEnumValue(record.get(), index, name, &nameSize, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_MORE_DATA) continue;
    if (rc != ERROR_SUCCESS) break;
    name[kRecordNameSize - 1] = '\0';
    visit(record.get(), name);
  }
}

// Every key of [SetDescriptions] with its folder, as stored.
std::vector<SetAndFolder> catalogueFolders(const CProfileFile& ini) {
  std::vector<SetAndFolder> sets;
  std::vector<std::string> names;
  ini.ReadKeyNames(kSetDescriptions, names);
  for (const std::string& name : names) {
    std::string folder;
    ini.ReadString(kSetDescriptions, name, folder);
    sets.emplace_back(name, folder);
  }
  return sets;
}

void forgetSet(const CProfileFile& ini, const std::string& set) {
  ini.DeleteKey(kSetDescriptions, set);
  // A name that could not be a set may be one of the suite's own sections ([Config]).
  if (!SetNameProblem(set).empty()) return;
  ini.DeleteSection(set);
  ini.DeleteSection(deletedSection(set));
}

void movePicture(const CProfileFile& ini, const std::string& from, const std::string& to,
                 const std::string& picture) {
  std::string fileBase;
  ini.ReadString(from, picture, fileBase);
  // Moving a picture that is not there would plant a "Not Available" file base in the
  // target section.
  if (fileBase == CProfileFile::kNotAvailable) return;
  ini.WriteString(to, picture, fileBase);
  ini.DeleteKey(from, picture);
}
}  // namespace

std::string SetNameProblem(const std::string& name) {
  if (name.empty()) return "an empty set name";
  for (const char* own : {kSetDescriptions, settings::kConfigSection, kAllSetsName})
    if (ini::SameName(name, own)) return "the name of the suite's own section [" + std::string(own) + "]";
  if (endsWithIgnoringCase(name, kDeletedSuffix))
    return "a name that ends in \"" + std::string(kDeletedSuffix) +
           "\", as the sections of taken-out pictures do";
  if (name.find(kEntrySeparator) != std::string::npos) return "a name with \"~\"";
  if (ini::IsBlank(name.front()) || ini::IsBlank(name.back()) || name.front() == ';')
    return "a name that a settings file cannot hold (blank at either end, or \";\" first)";
  for (unsigned char c : name)
    if (c < 0x20 || c == 0x7f || c == '[' || c == ']' || c == '=')
      return "a name that a settings file cannot hold (a control character, \"[\", \"]\" or \"=\")";
  return "";
}

std::string SetFolderProblem(const std::string& folder) {
  if (!IsPlainRelativePath(folder))
    return "its folder \"" + folder + "\" is not a sub-folder of the program folder";
  return "";
}

bool SameSetFolder(const std::string& a, const std::string& b) {
  return comparableFolder(a) == comparableFolder(b);
}

std::vector<std::string> UsableSetNames(
    const std::vector<std::string>& names,
    const std::function<std::string(const std::string&)>& folderOf) {
  std::vector<std::string> usable, folders;
  for (const std::string& name : names) {
    std::string problem = SetNameProblem(name);
    const std::string folder = problem.empty() ? folderOf(name) : std::string();
    if (problem.empty()) problem = SetFolderProblem(folder);
    for (std::size_t i = 0; problem.empty() && i < usable.size(); ++i) {
      if (ini::SameName(usable[i], name)) problem = "a second entry of the same name";
      else if (SameSetFolder(folders[i], folder))
        problem = "the folder of the set \"" + usable[i] + "\"";
    }
    if (!problem.empty()) {
      warnOnce("the image set \"" + name + "\" is left out: " + problem);
      continue;
    }
    usable.push_back(name);
    folders.push_back(folder);
  }
  return usable;
}

bool PictureFilesInside(const std::string& programFolder, const std::string& setFolder,
                        const std::string& fileBase) {
  const bool inside = SetFolderProblem(setFolder).empty() &&
                      PathStaysInside(programFolder, setFolder) &&
                      PathStaysInside(WithTrailingSeparator(programFolder) + setFolder, fileBase);
  if (inside) {
    // The picture's own files may be links, each to somewhere else.
    const std::string folder = WithTrailingSeparator(programFolder) + setFolder;
    for (const char* ext : {".jpg", ".bmp", ".nfo"})
      if (!PathStaysInside(folder, fileBase + ext)) {
        warnOnce("the picture file \"" + fileBase + ext + "\" of the set folder \"" +
                 setFolder + "\" leads outside it and is skipped");
        return false;
      }
    return true;
  }
  warnOnce("the picture \"" + fileBase + "\" of the set folder \"" + setFolder +
           "\" lies outside the set folder or the program folder and is skipped");
  return false;
}

std::string SetClashProblem(const std::string& name, const std::string& folder,
                            const std::vector<SetAndFolder>& others) {
  for (const auto& [other, otherFolder] : others) {
    const bool sameFolder = SameSetFolder(folder, otherFolder);
    if (ini::SameName(other, name) && !sameFolder)
      return "the name of another set, which lies in \"" + otherFolder + "\"";
    if (!ini::SameName(other, name) && sameFolder) return "the folder of the set \"" + other + "\"";
  }
  return "";
}

std::string SetDescriptionProblem(const CProfileFile& source, const CProfileFile& target) {
  std::vector<std::string> keys;
  if (source.ReadKeyNames(kSetDescriptions, keys) == 0) return "";
  const std::string& name = keys.front();
  std::string folder;
  source.ReadString(kSetDescriptions, name, folder);
  std::string problem = SetNameProblem(name);
  if (problem.empty()) problem = SetFolderProblem(folder);
  if (problem.empty()) problem = SetClashProblem(name, folder, catalogueFolders(target));
  return problem.empty() ? problem : "the image set \"" + name + "\" has " + problem;
}

std::vector<SetAndFolder> ListInstalledSetFolders() {
  std::vector<SetAndFolder> sets;
  forEachRecordName([&](HKEY record, const std::string& name) {
    std::string folder;
    if (readRecordValue(record, name, folder)) sets.emplace_back(name, folder);
  });
  return sets;
}

namespace {
// Whether a set other than `set`, in the catalogue or in the installed-set record, lies
// in the folder `resolved` (canonical): deleting it would delete that set's pictures.
bool folderUsedByAnotherSet(const CProfileFile& ini, const std::string& programFolder,
                            const std::string& set, const std::string& resolved) {
  std::vector<SetAndFolder> others = catalogueFolders(ini);
  for (SetAndFolder& installed : ListInstalledSetFolders()) others.push_back(std::move(installed));
  for (const auto& [name, folder] : others) {
    std::string otherResolved;
    if (!ini::SameName(name, set) && ResolveFolderInside(programFolder, folder, otherResolved) &&
        otherResolved == resolved) {
      warnOnce("the files of the image set \"" + set + "\" are kept: the set \"" + name +
               "\" lies in the same folder");
      return true;
    }
  }
  return false;
}
}  // namespace

std::vector<std::string> ListSetNames(const CProfileFile& ini) {
  std::vector<std::string> names;
  ini.ReadKeyNames(kSetDescriptions, names);
  return UsableSetNames(names, [&](const std::string& set) {
    std::string folder;
    ini.ReadString(kSetDescriptions, set, folder);
    return folder;
  });
}

std::string GetSetFolder(const CProfileFile& ini, const std::string& set) {
  std::string folder;
  ini.ReadString(kSetDescriptions, set, folder);
  return WithTrailingSeparator(folder);
}

std::vector<std::string> ListPictureNames(const CProfileFile& ini, const std::string& set) {
  std::vector<std::string> names;
  // A current set remembered from before could name one of the suite's own sections.
  if (!SetNameProblem(set).empty()) return names;
  ini.ReadKeyNames(set, names);
  return names;
}

std::vector<std::string> ListRemovedPictureNames(const CProfileFile& ini, const std::string& set) {
  std::vector<std::string> names;
  if (!SetNameProblem(set).empty()) return names;
  ini.ReadKeyNames(deletedSection(set), names);
  return names;
}

PictureFiles GetPictureFiles(const CProfileFile& ini, const std::string& programFolder,
                             const std::string& set, const std::string& picture, bool removed) {
  std::string fileBase;
  ini.ReadString(removed ? deletedSection(set) : set, picture, fileBase);
  if (!SetNameProblem(set).empty()) {
    PictureFiles files;
    files.fileBase = fileBase;
    return files;
  }
  return FindPictureFiles(programFolder, GetSetFolder(ini, set), fileBase);
}

PictureFiles FindPictureFiles(const std::string& programFolder, const std::string& storedFolder,
                              const std::string& fileBase) {
  PictureFiles files;
  files.fileBase = fileBase;
  if (!SetFolderProblem(storedFolder).empty()) return files;
  // Found names are checked as the stored ones are: a folder or file in another case may
  // be a link that leads elsewhere.
  const std::string setFolder = WithTrailingSeparator(FindIgnoringCase(programFolder, storedFolder));
  if (!PathStaysInside(programFolder, setFolder)) return files;
  files.setFolderPath = NativePath(WithTrailingSeparator(programFolder) + setFolder);
  if (!PictureFilesInside(programFolder, setFolder, fileBase)) return files;
  std::string found[3];
  const char* extensions[3] = {".jpg", ".bmp", ".nfo"};
  for (int i = 0; i < 3; ++i) {
    found[i] = FindIgnoringCase(files.setFolderPath, fileBase + extensions[i]);
    if (!PathStaysInside(files.setFolderPath, found[i])) {
      warnOnce("the picture file \"" + found[i] + "\" of the set folder \"" + setFolder +
               "\" leads outside it and is skipped");
      return files;
    }
  }
  files.usable = true;
  files.base = files.setFolderPath + NativePath(fileBase);
  files.jpg = files.setFolderPath + found[0];
  files.bmp = files.setFolderPath + found[1];
  files.nfo = files.setFolderPath + found[2];
  return files;
}

std::vector<std::string> BuildCombinedList(const CProfileFile& ini) {
  std::vector<std::string> sets = ListSetNames(ini);
  std::vector<std::vector<std::string>> pictures;
  std::size_t longest = 0;
  for (const std::string& set : sets) {
    pictures.push_back(ListPictureNames(ini, set));
    longest = std::max(longest, pictures.back().size());
  }
  std::vector<std::string> combined;
  for (std::size_t i = 0; i < longest; ++i)
    for (std::size_t s = 0; s < sets.size(); ++s)
      if (i < pictures[s].size()) combined.push_back(sets[s] + kEntrySeparator + pictures[s][i]);
  return combined;
}

void SplitCombinedEntry(const std::string& entry, std::string& set, std::string& picture) {
  std::size_t at = entry.find(kEntrySeparator);
  if (at == std::string::npos) {
    set.clear();
    picture = entry;
    return;
  }
  set = entry.substr(0, at);
  picture = entry.substr(at + 1);
}

PositionStep StepByPosition(const std::vector<std::string>& list, int position) {
  PositionStep step;
  if (list.empty()) return step;
  std::size_t n = position >= 0 ? static_cast<std::size_t>(position) : list.size();
  if (n >= list.size()) n = 0;
  step.shown = true;
  step.entry = list[n];
  step.nextPosition = static_cast<int>(n) + 1;
  return step;
}

NameStep StepByName(const std::vector<std::string>& list, bool combined,
                    const std::string& currentSet, const std::string& currentPicture) {
  NameStep step;
  if (list.empty()) return step;
  std::size_t next = 0;  // no match: start over at the first entry
  for (std::size_t i = 0; i < list.size(); ++i) {
    bool match;
    if (combined) {
      std::string set, picture;
      SplitCombinedEntry(list[i], set, picture);
      match = set == currentSet && picture == currentPicture;
    } else {
      match = list[i] == currentPicture;
    }
    if (match) {
      next = i + 1 < list.size() ? i + 1 : 0;
      break;
    }
  }
  step.found = true;
  if (combined) {
    SplitCombinedEntry(list[next], step.set, step.picture);
  } else {
    step.set = currentSet;
    step.picture = list[next];
  }
  return step;
}

void RemovePicture(const CProfileFile& ini, const std::string& set, const std::string& picture) {
  movePicture(ini, set, deletedSection(set), picture);
}

void RestorePicture(const CProfileFile& ini, const std::string& set, const std::string& picture) {
  movePicture(ini, deletedSection(set), set, picture);
}

bool CopySetFromFolder(const CProfileFile& source, const CProfileFile& target) {
  if (!source.m_bOpen || !target.m_bOpen) return false;
  std::vector<std::string> keys;
  if (source.ReadKeyNames(kSetDescriptions, keys) == 0) return false;
  if (const std::string problem = SetDescriptionProblem(source, target); !problem.empty()) {
    std::fprintf(stderr, "QuillMark: %s; it is not added\n", problem.c_str());
    return false;
  }
  const std::string& name = keys.front();
  std::string folder;
  source.ReadString(kSetDescriptions, name, folder);
  target.WriteString(kSetDescriptions, name, folder);

  std::vector<char> section(kSectionBufferSize + 2, '\0');
  DWORD n = GetOutsideProfileSection(name.c_str(), section.data(), kSectionBufferSize,
                                     source.m_strFile.c_str());
  if (n >= kSectionBufferSize - 2 && sectionLongerThan(name, n, source.m_strFile)) {
    // The section did not fit: the last entry is cut short and would carry a wrong file
    // base (or no "=" at all). Drop it; the entries before it are whole.
    std::size_t end = n;
    while (end > 0 && section[end - 1] != '\0') --end;
    std::fill(section.begin() + static_cast<std::ptrdiff_t>(end), section.end(), '\0');
  }
  WritePrivateProfileSection(name.c_str(), section.data(), target.m_strFile.c_str());
  return true;
}

bool RestoreAllSets(const std::string& programFolder) {
  std::string folder = WithTrailingSeparator(programFolder);
  CProfileFile target(folder + kMainSettingsFile);
  int copied = 0;
  if (const ScopedRegKey record = openRecord()) {
    for (DWORD index = 0;; ++index) {
      char name[kRecordNameSize] = {};
      char data[kRecordDataSize] = {};
      DWORD nameSize = kRecordNameSize;
      DWORD dataSize = kRecordDataSize;
      DWORD type = REG_NONE;
      LONG rc = RegEnumValue(record.get(), index, name, &nameSize, nullptr, &type,
                             reinterpret_cast<BYTE*>(data), &dataSize);
      // A value too long for the record's buffers, or not text, cannot name a set folder;
      // it must not hide the sets recorded after it.
      if (rc == ERROR_MORE_DATA) continue;
      if (rc != ERROR_SUCCESS) break;
      if (type != REG_SZ) continue;
      data[kRecordDataSize - 1] = '\0';
      std::string setFolder = WithTrailingSeparator(data);
      const CProfileFile source =
          CProfileFile::Outside(NativePath(folder + setFolder + kSetDescriptionFile));
      if (CopySetFromFolder(source, target)) ++copied;
    }
  }
  if (copied == 0) {
    MessageBox(nullptr, kNoSetsMessage, ApplicationTitle().c_str(), MB_OK);
    return false;
  }
  return true;
}

std::vector<std::string> ListInstalledSets() {
  std::vector<std::string> names;
  forEachRecordName([&](HKEY, const std::string& name) {
    if (const std::string problem = SetNameProblem(name); !problem.empty())
      warnOnce("the installed set \"" + name + "\" cannot be restored: " + problem);
    else
      names.push_back(name);
  });
  return names;
}

bool RemoveSet(const CProfileFile& ini, const std::string& programFolder, const std::string& set,
               bool deleteFiles) {
  bool ok = true;
  if (deleteFiles) {
    std::string setFolder;
    bool recorded = false;
    if (const ScopedRegKey record = openRecord()) {
      recorded = readRecordValue(record.get(), set, setFolder);
      RegDeleteValue(record.get(), set.c_str());
    }
    ok = false;
    std::string resolved;
    // The recorded folder is the only thing naming what to delete, and the record is
    // written by installers outside the suite: a folder that is empty, absolute, climbs
    // out with "..", is the program folder itself or leads outside it through a link
    // would delete files that are not the set's. Such a folder is left alone.
    if (recorded && !setFolder.empty() &&
        ResolveFolderInside(programFolder, setFolder, resolved) &&
        !folderUsedByAnotherSet(ini, programFolder, set, resolved))
      ok = DeleteFolderFiles(resolved);
  }
  forgetSet(ini, set);
  return ok;
}

bool RestoreSet(const CProfileFile& ini, const std::string& programFolder, const std::string& set) {
  const ScopedRegKey record = openRecord();
  std::string setFolder;
  if (!record || !readRecordValue(record.get(), set, setFolder)) return false;
  forgetSet(ini, set);
  const CProfileFile source = CProfileFile::Outside(NativePath(
      WithTrailingSeparator(programFolder) + WithTrailingSeparator(setFolder) + kSetDescriptionFile));
  if (!CopySetFromFolder(source, ini)) {
    std::string text = kSetFolderMissingMessage;
    // Put together rather than replaced in place: GCC 12 at -O3 warns falsely about replace.
    if (const std::size_t at = text.find("%s"); at != std::string::npos)
      text = std::string(text, 0, at).append(set).append(text, at + 2, std::string::npos);
    MessageBox(nullptr, text.c_str(), ApplicationTitle().c_str(), MB_OK);
    RegDeleteValue(record.get(), set.c_str());
    return false;
  }
  return true;
}
