// quillinst <program folder> <set folder>
// quillinst <program folder> --photos <photo folder> [--name <set name>]
// quillinst <program folder> --update <set name>
//
// Installs an image set the way the suite's outside installer does: the set folder's
// files go below the program folder at the place its "images.ini" names, and the registry
// learns of the set (the installed-set record and "New Install", which the configuration
// program completes at its next start). The screen saver is linked into the Windows
// directory under the name the platform's screen-saver settings use. Installing the same
// set again repeats the same result.
//
// A set description is refused (message on stderr, exit status 1, nothing copied or
// recorded) when it names no set, when the set name could not be a set of the catalogue
// (one of the suite's own sections, "~", characters a settings file cannot hold), when
// another installed set has the name in another folder or the folder under another
// name, when the name or folder would not fit the installed-set record's 260/520-byte
// buffers, or when the set folder is empty, absolute,
// climbs out with "..", is the program folder itself or leads outside it through a link.
// Links and special files inside the set folder are not copied.
//
// --photos makes a new set from a folder of photos (see imagelib/photo_set.h) under the given name,
// else the photo folder's name, in a new folder named after it, and records it as an
// installed set; --update brings such a set up to date with its photo folder.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "imagelib/catalogue.h"
#include "imagelib/photo_set.h"
#include "imagelib/profile_file.h"
#include "imagelib/settings_keys.h"
#include "platform/folder_ops.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "platform/scoped.h"

namespace fs = std::filesystem;

namespace {
// The installed-set record is read through 260- and 520-byte buffers, terminator included.
constexpr std::size_t kMaxSetName = 259;
constexpr std::size_t kMaxSetFolder = 519;

int fail(const std::string& text) {
  std::fprintf(stderr, "quillinst: %s\n", text.c_str());
  return 1;
}

// Why a set folder taken from images.ini cannot be installed, or "" when it can.
std::string folderProblem(const std::string& folder) {
  std::string native = NativePath(folder);
  if (native.empty()) return "names no set folder";
  if (native[0] == '/' || (native.size() >= 2 && native[1] == ':'))
    return "names an absolute set folder";
  if (folder.size() > kMaxSetFolder) return "names a set folder longer than 519 bytes";
  bool named = false;
  std::size_t start = 0;
  while (start <= native.size()) {
    std::size_t end = native.find('/', start);
    if (end == std::string::npos) end = native.size();
    std::string part = native.substr(start, end - start);
    if (part == "..") return "names a set folder that climbs out with \"..\"";
    if (!part.empty() && part != ".") named = true;
    start = end + 1;
  }
  if (!named) return "names the program folder itself as the set folder";
  return "";
}

// Pictures whose files would lie outside the set folder are skipped by every program;
// the installer says so, so that whoever made the set learns of it.
void warnAboutFileBases(const CProfileFile& images, const std::string& setName) {
  std::vector<std::string> pictures;
  images.ReadKeyNames(setName, pictures);
  for (const std::string& picture : pictures) {
    std::string fileBase;
    images.ReadString(setName, picture, fileBase);
    if (!IsPlainRelativePath(fileBase))
      std::fprintf(stderr, "quillinst: warning: the picture \"%s\" names the file \"%s\" outside "
                   "the set folder and will be skipped\n", picture.c_str(), fileBase.c_str());
  }
}

bool setString(const std::string& keyPath, const std::string& name, const std::string& value) {
  ScopedRegKey key;
  if (RegCreateKeyEx(HKEY_CURRENT_USER, keyPath.c_str(), key.receive()) != ERROR_SUCCESS) return false;
  return RegSetValueEx(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

// Copies the regular files and folders below `from` into `to`. Links and special files in
// a set folder are not the set's pictures and are not carried over: a link could make the
// installed set reach outside its folder.
bool copyTree(const fs::path& from, const fs::path& to, std::string& error) {
  std::error_code ec;
  std::vector<fs::directory_entry> entries;
  // Listed before anything is copied, so a target inside the source is not copied into itself.
  for (auto it = fs::recursive_directory_iterator(from, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    if (fs::equivalent(it->path(), to, ec)) {
      it.disable_recursion_pending();
      continue;
    }
    entries.push_back(*it);
  }
  if (ec) {
    error = "cannot read " + from.string() + ": " + ec.message();
    return false;
  }
  for (const fs::directory_entry& entry : entries) {
    fs::path target = to / fs::relative(entry.path(), from);
    fs::file_status status = entry.symlink_status();
    if (fs::is_symlink(status) || !(fs::is_directory(status) || fs::is_regular_file(status))) {
      std::fprintf(stderr, "quillinst: skipping %s (not a plain file or folder)\n",
                   entry.path().c_str());
      continue;
    }
    // Whatever stands in the way at the target and is not of the same kind is replaced;
    // a link there must not redirect the copy.
    if (fs::is_symlink(fs::symlink_status(target, ec))) fs::remove(target, ec);
    if (fs::is_directory(status)) {
      fs::create_directories(target, ec);
    } else {
      fs::copy_file(entry.path(), target, fs::copy_options::overwrite_existing, ec);
    }
    if (ec) {
      error = "cannot copy " + entry.path().string() + " to " + target.string() + ": " +
              ec.message();
      return false;
    }
  }
  return true;
}

// Points the screen saver's name in the Windows directory at the program folder's saver,
// replacing an older link in one step.
bool linkScreenSaver(const fs::path& programFolder, std::string& error) {
  fs::path link = fs::path(WindowsDirectory()) / settings::kScreenSaverLink;
  fs::path temporary = link;
  temporary += ".quillinst-new";
  std::error_code ec;
  fs::remove(temporary, ec);
  fs::create_symlink(programFolder / "quillsav", temporary, ec);
  if (!ec) fs::rename(temporary, link, ec);
  if (ec) {
    fs::remove(temporary, ec);
    error = "cannot link " + link.string() + ": " + ec.message();
    return false;
  }
  return true;
}
// Why the set cannot join the installed sets and the catalogue, or "".
std::string clashProblem(const fs::path& programFolder, const std::string& setName,
                         const std::string& setFolder) {
  return photos::InstalledSetClash(programFolder.string(), setName, setFolder);
}

// The installed-set record, "New Install" and the screen saver's link.
int registerSet(const fs::path& programFolder, const std::string& setName,
                const std::string& setFolder) {
  const std::string profileKey = settings::kProfileKey;
  if (!setString(catalogue::kRecordKey, setName, setFolder) ||
      !setString(profileKey + "\\" + settings::kNewInstall, "", setFolder))
    return fail("cannot write the registry file in " + WindowsDirectory());
  std::string error;
  if (!linkScreenSaver(programFolder, error)) return fail(error);
  if (!FileExists((programFolder / "quillsav").string()))
    std::fprintf(stderr, "quillinst: note: %s/quillsav does not exist yet\n",
                 programFolder.c_str());
  return 0;
}

// Photo lines on stdout, skipped files on stderr, as they happen.
bool printStep(const photos::Step& step) {
  if (step.line.empty()) return true;
  if (step.skipped) {
    std::fprintf(stderr, "quillinst: %s\n", step.line.c_str());
  } else if (step.total > 0) {
    std::printf("[%d/%d] %s\n", step.done, step.total, step.line.c_str());
  } else {
    std::printf("%s\n", step.line.c_str());
  }
  std::fflush(stdout);
  return true;
}

int installPhotos(const fs::path& programFolder, const std::string& photoFolder, std::string nameText) {
  std::error_code ec;
  const fs::path photos = fs::canonical(photoFolder, ec);
  if (ec || !fs::is_directory(photos, ec)) return fail("the photo folder " + photoFolder + " does not exist");
  if (nameText.empty()) nameText = photos.filename().string();
  std::string setName;
  if (std::string problem = photos::NewSetProblem(programFolder.string(), nameText, setName); !problem.empty())
    return fail(problem);
  std::string setFolder;
  if (std::string error = photos::MakeSet(programFolder.string(), photoFolder, nameText, setFolder, printStep);
      !error.empty())
    return fail(error);
  if (int rc = registerSet(programFolder, setName, setFolder); rc != 0) return rc;
  std::printf("made \"%s\" in %s\n", nameText.c_str(), (programFolder / photos::FolderForName(setName)).c_str());
  return 0;
}
}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc >= 3 ? argv[2] : "";
  const bool named = argc == 6 && mode == "--photos" && std::strcmp(argv[4], "--name") == 0;
  const bool photoMode = (argc == 4 && (mode == "--photos" || mode == "--update")) || named;
  if (!photoMode && (argc != 3 || mode.rfind("--", 0) == 0)) {
    std::fprintf(stderr, "usage: quillinst <program folder> <set folder>\n"
                         "       quillinst <program folder> --photos <photo folder> [--name <set name>]\n"
                         "       quillinst <program folder> --update <set name>\n");
    return 2;
  }
  std::error_code ec;
  fs::path programFolder = fs::canonical(argv[1], ec);
  if (ec || !fs::is_directory(programFolder))
    return fail(std::string("program folder ") + argv[1] + " does not exist");
  if (mode == "--update") {
    std::string summary;
    if (std::string error = photos::UpdateSet(programFolder.string(), argv[3], printStep, summary); !error.empty())
      return fail(error);
    std::printf("%s\n", summary.c_str());
    return 0;
  }
  if (photoMode) return installPhotos(programFolder, argv[3], named ? argv[5] : "");
  fs::path source = fs::canonical(argv[2], ec);
  if (ec || !fs::is_directory(source))
    return fail(std::string("set folder ") + argv[2] + " does not exist");

  std::string description = (source / catalogue::kSetDescriptionFile).string();
  if (!FileExists(description)) return fail(description + " is missing");
  const CProfileFile images = CProfileFile::Outside(description);
  std::vector<std::string> keys;
  if (images.ReadKeyNames(catalogue::kSetDescriptions, keys) == 0)
    return fail(description + " names no set in [SetDescriptions]");
  const std::string setName = keys.front();
  std::string setFolder;
  images.ReadString(catalogue::kSetDescriptions, setName, setFolder);

  // The name becomes a section of the suite's own settings file: one of its own sections,
  // or another set's, would be overwritten by the set's pictures.
  if (std::string problem = SetNameProblem(setName); !problem.empty())
    return fail(description + ": the set name \"" + setName + "\" is " + problem);
  if (setName.size() > kMaxSetName)
    return fail(description + ": the set name is longer than 259 bytes");
  if (std::string problem = folderProblem(setFolder); !problem.empty())
    return fail(description + " " + problem + " (\"" + setFolder + "\")");
  // Installed over another set, it would replace that set's files, and removing it with
  // its files would delete them. The same set installed again is fine.
  if (std::string problem = clashProblem(programFolder, setName, setFolder); !problem.empty())
    return fail(description + ": the set \"" + setName + "\" has " + problem);
  warnAboutFileBases(images, setName);

  fs::path target = programFolder / NativePath(setFolder);
  fs::create_directories(target, ec);
  std::string resolved;
  if (!ResolveFolderInside(programFolder.string(), setFolder, resolved))
    return fail("the set folder " + target.string() + " does not lie inside " +
                programFolder.string());

  std::string error;
  if (!fs::equivalent(source, resolved, ec) && !copyTree(source, resolved, error))
    return fail(error);

  if (int rc = registerSet(programFolder, setName, setFolder); rc != 0) return rc;

  std::printf("installed \"%s\" into %s\n", setName.c_str(), resolved.c_str());
  return 0;
}
