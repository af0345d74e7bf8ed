#include "platform/paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {
std::string& programFolderOverride() {
  static std::string folder;
  return folder;
}

// mkdir -p, tolerating folders that already exist.
void makeFolders(const std::string& path) {
  std::string partial;
  for (std::size_t i = 0; i < path.size(); ++i) {
    partial += path[i];
    if ((path[i] == '/' && i > 0) || i + 1 == path.size()) mkdir(partial.c_str(), 0700);
  }
}
}  // namespace

std::string WindowsDirectory() {
  std::string base;
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && config[0] == '/') {
    base = config;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home && *home ? home : "/tmp") + "/.config";
  }
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  std::string dir = base + "/quillmark";
  struct stat st{};
  if (stat(dir.c_str(), &st) != 0) makeFolders(dir);
  return dir;
}

UINT GetWindowsDirectory(char* buffer, UINT size) {
  std::string dir = WindowsDirectory();
  if (!buffer || size <= dir.size()) return static_cast<UINT>(dir.size() + 1);
  std::memcpy(buffer, dir.c_str(), dir.size() + 1);
  return static_cast<UINT>(dir.size());
}

std::string ProgramFolder() {
  if (!programFolderOverride().empty()) return WithTrailingSeparator(programFolderOverride());
  return ExecutableFolder();
}

std::string ExecutableFolder() {
  char exe[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n <= 0) return "./";
  std::string path(exe, static_cast<std::size_t>(n));
  return path.substr(0, path.rfind('/') + 1);
}

void SetProgramFolderForTesting(const std::string& folder) { programFolderOverride() = folder; }

bool HasTrailingSeparator(const std::string& path) {
  return !path.empty() && (path.back() == '/' || path.back() == '\\');
}

std::string WithTrailingSeparator(const std::string& path) {
  return HasTrailingSeparator(path) ? path : path + "/";
}

std::string NativePath(const std::string& path) {
  std::string out = path;
  for (char& c : out)
    if (c == '\\') c = '/';
  return out;
}

std::string ResolveProfilePath(const std::string& fileName) {
  if (fileName.find('/') == std::string::npos && fileName.find('\\') == std::string::npos)
    return WindowsDirectory() + "/" + fileName;
  return NativePath(fileName);
}
