// quillcat <program folder>
//
// Prints the image set catalogue of a program folder: every set with its folder, every
// picture with its file base and which of its three files exist, and the pictures taken
// out of the set. Like the configuration program at its start, it first rebuilds a missing
// "quillmrk.ini" from the installed-set record. Exit status 1 when no set is found.
#include <cstdio>
#include <string>
#include <vector>

#include "imagelib/catalogue.h"
#include "imagelib/profile_file.h"
#include "platform/folder_ops.h"
#include "platform/message_box.h"
#include "platform/paths.h"

namespace {
const char* mark(const std::string& path) { return FileExists(path) ? "yes" : "no"; }

int printPictures(const CProfileFile& ini, const std::string& folder, const std::string& set,
                  bool removed) {
  int missing = 0;
  const std::vector<std::string> names =
      removed ? ListRemovedPictureNames(ini, set) : ListPictureNames(ini, set);
  for (const std::string& picture : names) {
    PictureFiles files = GetPictureFiles(ini, folder, set, picture, removed);
    std::printf("  %s \"%s\" base \"%s\" jpg=%s bmp=%s nfo=%s\n", removed ? "removed" : "picture",
                picture.c_str(), files.fileBase.c_str(), mark(files.jpg), mark(files.bmp),
                mark(files.nfo));
    missing += !FileExists(files.jpg) + !FileExists(files.bmp) + !FileExists(files.nfo);
  }
  return missing;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: quillcat <program folder>\n");
    return 2;
  }
  SetApplicationTitle("quillcat");
  const std::string folder = WithTrailingSeparator(argv[1]);
  const std::string settings = folder + catalogue::kMainSettingsFile;
  if (!FileExists(settings)) {
    std::printf("%s is missing: rebuilding it from the installed sets\n", settings.c_str());
    if (!RestoreAllSets(folder)) return 1;
  }
  CProfileFile ini(settings);
  const std::vector<std::string> sets = ListSetNames(ini);
  if (sets.empty()) {
    std::fprintf(stderr, "quillcat: no image set in %s\n", settings.c_str());
    return 1;
  }
  int missing = 0;
  for (const std::string& set : sets) {
    std::string stored;
    ini.ReadString(catalogue::kSetDescriptions, set, stored);
    std::printf("set \"%s\" folder \"%s\" (%s)\n", set.c_str(), stored.c_str(),
                NativePath(folder + GetSetFolder(ini, set)).c_str());
    missing += printPictures(ini, folder, set, false);
    missing += printPictures(ini, folder, set, true);
  }
  std::printf("%zu sets, %d missing files\n", sets.size(), missing);
  return 0;
}
