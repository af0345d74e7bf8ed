// Any bytes as the main settings file "quillmrk.ini" of a program folder: listing sets
// and pictures, the combined list and stepping through it. Every set folder it names is
// also put to the check that guards set deletion, which must never accept a folder that
// is not strictly inside the program folder, whatever "..", "\" or links it holds.
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

namespace {

// A program folder with a few set folders, a link that leads out of it and a link to
// itself; beside it a folder that must never be chosen.
const std::string& FuzzProgramFolder() {
  static const std::string folder = [] {
    std::string root = fuzz::ScratchPath("catalogue");
    std::string program = root + "/program";
    for (const std::string& d : {root, program, program + "/Birds", program + "/Birds/Hawks",
                                 program + "/Coast", root + "/outside"})
      mkdir(d.c_str(), 0700);
    symlink((root + "/outside").c_str(), (program + "/Out").c_str());
    symlink(program.c_str(), (program + "/Self").c_str());
    symlink("..", (program + "/Birds/Up").c_str());
    char real[PATH_MAX];
    if (!realpath(program.c_str(), real)) std::abort();
    SetProgramFolderForTesting(std::string(real) + "/");
    return std::string(real) + "/";
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& program = FuzzProgramFolder();
  const std::string file = program + catalogue::kMainSettingsFile;
  fuzz::WriteFile(file, data, size);
  const CProfileFile ini(file);

  std::vector<std::string> sets = ListSetNames(ini);
  if (sets.size() > 8) sets.resize(8);
  for (const std::string& set : sets) {
    const std::string folder = GetSetFolder(ini, set);
    if (!HasTrailingSeparator(folder)) fuzz::Fail("a set folder without its trailing separator");
    std::string resolved;
    std::string relative = folder;
    if (ResolveFolderInside(program, relative, resolved)) {
      if (resolved.size() <= program.size() || resolved.compare(0, program.size(), program) != 0)
        fuzz::Fail("a folder outside the program folder passed the deletion check");
    }
    std::vector<std::string> pictures = ListPictureNames(ini, set);
    if (pictures.size() > CProfileFile::kMaxKeyNames) fuzz::Fail("more picture names than the list holds");
    if (!pictures.empty()) {
      PictureFiles files = GetPictureFiles(ini, program, set, pictures.front(), false);
      if (files.jpg.compare(0, files.setFolderPath.size(), files.setFolderPath) != 0)
        fuzz::Fail("picture file outside its set folder path");
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
  return 0;
}
