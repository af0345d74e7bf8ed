// Any bytes as the main settings file "quillmrk.ini" of a program folder, and as the set
// description file of a set being copied in: listing sets and pictures, the combined list
// and stepping through it, copying a set, and removing sets with their files.
//
// The program folder (what ProgramFolder() says, as for the programs) is the only root of
// trust. Whatever set names, folders and file bases the input holds, the properties are:
// no listed set is one of the suite's own sections, a copied set never changes another
// section, a usable picture's files lie inside the program folder once links are
// followed, and removing sets deletes nothing outside their own folders.
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_support.h"
#include "imagelib/catalogue.h"
#include "platform/folder_ops.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/registry.h"

namespace {

std::string g_root;

// A program folder with a few set folders, a link that leads out of it and a link to
// itself; beside it a folder that must never be touched.
void MakeTree() {
  const std::string program = g_root + "/program";
  for (const std::string& d : {program, program + "/Birds", program + "/Birds/Hawks",
                               program + "/Coast", g_root + "/outside"})
    mkdir(d.c_str(), 0700);
  for (const std::string& f : {program + "/djpeg32.so", program + "/Birds/p.jpg",
                               program + "/Coast/c.jpg", g_root + "/outside/keep.jpg"})
    if (access(f.c_str(), F_OK) != 0) fuzz::WriteFile(f, "x", 1);
  symlink((g_root + "/outside").c_str(), (program + "/Out").c_str());
  symlink(program.c_str(), (program + "/Self").c_str());
  symlink("..", (program + "/Birds/Up").c_str());
  symlink((g_root + "/outside/keep.jpg").c_str(), (program + "/Coast/leak.jpg").c_str());
}

const std::string& FuzzProgramFolder() {
  static const std::string folder = [] {
    g_root = fuzz::ScratchPath("catalogue");
    mkdir(g_root.c_str(), 0700);
    MakeTree();
    char real[PATH_MAX];
    if (!realpath((g_root + "/program").c_str(), real)) std::abort();
    g_root = std::string(real).substr(0, std::string(real).rfind('/'));
    SetProgramFolderForTesting(std::string(real) + "/");
    return ProgramFolder();
  }();
  return folder;
}

// The nearest existing part of `path`, with links followed, lies inside the program folder.
bool Inside(const std::string& program, std::string path) {
  char real[PATH_MAX];
  while (!realpath(path.c_str(), real)) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) return false;
    path.resize(slash);
  }
  std::string r = std::string(real) + "/";
  return r.compare(0, program.size(), program) == 0;
}

std::string Section(const std::string& section, const std::string& file) {
  std::string buffer(65536, '\0');
  DWORD n = GetPrivateProfileSection(section.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                     file.c_str());
  return buffer.substr(0, n);
}

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

void Record(const std::string& set, const std::string& folder) {
  HKEY key = nullptr;
  if (RegCreateKeyEx(HKEY_CURRENT_USER, catalogue::kRecordKey, &key) != ERROR_SUCCESS) return;
  RegSetValueEx(key, set.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                static_cast<DWORD>(folder.size() + 1));
  RegCloseKey(key);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& program = FuzzProgramFolder();
  fuzz::QuietStderr quiet;
  const std::string file = program + catalogue::kMainSettingsFile;
  fuzz::WriteFile(file, data, size);
  const CProfileFile ini(file);

  std::vector<std::string> sets = ListSetNames(ini);
  if (sets.size() > 8) sets.resize(8);
  for (const std::string& set : sets) {
    if (!SetNameProblem(set).empty()) fuzz::Fail("a set with a refused name was listed");
    const std::string folder = GetSetFolder(ini, set);
    if (!HasTrailingSeparator(folder)) fuzz::Fail("a set folder without its trailing separator");
    std::string resolved;
    if (ResolveFolderInside(program, folder, resolved) &&
        (resolved.size() + 1 <= program.size() || (resolved + "/").compare(0, program.size(), program) != 0))
      fuzz::Fail("a folder outside the program folder passed the deletion check");
    std::vector<std::string> pictures = ListPictureNames(ini, set);
    if (pictures.size() > CProfileFile::kMaxKeyNames) fuzz::Fail("more picture names than the list holds");
    if (pictures.size() > 4) pictures.resize(4);
    for (const std::string& picture : pictures) {
      const PictureFiles files = GetPictureFiles(ini, program, set, picture, false);
      if (files.usable && (!Inside(program, files.jpg) || !Inside(program, files.bmp) || !Inside(program, files.nfo)))
        fuzz::Fail("a usable picture file lies outside the program folder");
      if (!files.usable && !(files.jpg + files.bmp + files.nfo).empty())
        fuzz::Fail("an unusable picture still names files");
    }
    ListRemovedPictureNames(ini, set);
  }
  const std::vector<std::string> combined = BuildCombinedList(ini);
  const PositionStep step = StepByPosition(combined, static_cast<int>(size % 7) - 1);
  if (step.shown == combined.empty()) fuzz::Fail("stepping an empty list showed something, or a full one nothing");
  std::string set, picture;
  if (!combined.empty()) SplitCombinedEntry(combined.back(), set, picture);
  const NameStep next = StepByName(combined, true, set, picture);
  if (next.found == combined.empty()) fuzz::Fail("stepping by name disagrees with the list");

  // The same bytes as the description of a set copied into a catalogue of the suite's own:
  // whatever it names, [Config] and the other set stay as they were.
  const std::string target = program + "target.ini";
  const std::string own = "[Config]\r\nProgramPath=" + program + "\r\n[SetDescriptions]\r\nCoast=Coast\\\r\n"
                          "[Coast]\r\nc=c\r\n[Coast Deleted Images]\r\nd=d\r\n";
  fuzz::WriteFile(target, own.data(), own.size());
  const std::string config = Section("Config", target), coast = Section("Coast", target),
                    removed = Section("Coast Deleted Images", target);
  std::vector<std::string> copied;
  ini.ReadKeyNames(catalogue::kSetDescriptions, copied);
  // Only Coast copied again over itself may replace Coast's pictures.
  const bool coastAgain = !copied.empty() && Lower(copied.front()) == "coast";
  if (CopySetFromFolder(ini, CProfileFile(target)) &&
      (Section("Config", target) != config || Section("Coast Deleted Images", target) != removed ||
       (!coastAgain && Section("Coast", target) != coast)))
    fuzz::Fail("copying a set changed a section that was not the set's own");
  unlink(target.c_str());

  // Removing every set with its files, each recorded with its catalogue folder, deletes
  // nothing outside the set folders: the program folder's own files and the folder beside
  // it stay.
  if (size % 3 == 0) {
    for (const std::string& name : sets) Record(name, GetSetFolder(ini, name));
    for (const std::string& name : sets) RemoveSet(ini, program, name, true);
    if (access((program + "djpeg32.so").c_str(), F_OK) != 0 || access((g_root + "/outside/keep.jpg").c_str(), F_OK) != 0)
      fuzz::Fail("removing a set deleted a file that was not the set's");
    MakeTree();
  }
  return 0;
}
