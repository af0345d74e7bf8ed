#include "platform/folder_ops.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

#include "platform/paths.h"

namespace {
bool canonical(const std::string& path, std::string& out) {
  std::unique_ptr<char, decltype(&std::free)> real(realpath(path.c_str(), nullptr), &std::free);
  if (!real) return false;
  out = real.get();
  return true;
}

// Both canonical: `path` lies below `folder`, and is not the folder itself.
bool strictlyBelow(const std::string& path, const std::string& folder) {
  const std::string prefix = folder == "/" ? "/" : folder + "/";
  return path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0;
}
}  // namespace

bool IsPlainRelativePath(const std::string& relative) {
  std::string rel = NativePath(relative);
  if (rel.empty() || rel[0] == '/') return false;
  if (rel.size() >= 2 && std::isalpha(static_cast<unsigned char>(rel[0])) && rel[1] == ':')
    return false;
  bool named = false;  // at least one component other than "."
  std::size_t start = 0;
  while (start <= rel.size()) {
    std::size_t end = rel.find('/', start);
    if (end == std::string::npos) end = rel.size();
    std::string part = rel.substr(start, end - start);
    if (part == "..") return false;
    if (!part.empty() && part != ".") named = true;
    start = end + 1;
  }
  return named;
}

bool ResolveFolderInside(const std::string& base, const std::string& relative,
                         std::string& resolved) {
  resolved.clear();
  if (!IsPlainRelativePath(relative)) return false;
  std::string realBase, realFolder;
  if (base.empty() || !canonical(NativePath(base), realBase)) return false;
  if (!canonical(WithTrailingSeparator(NativePath(base)) + NativePath(relative), realFolder))
    return false;
  struct stat st{};
  if (stat(realFolder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  if (!strictlyBelow(realFolder, realBase)) return false;
  resolved = realFolder;
  return true;
}

bool PathStaysInside(const std::string& base, const std::string& relative) {
  if (!IsPlainRelativePath(relative)) return false;
  std::string realBase;
  if (base.empty() || !canonical(NativePath(base), realBase)) return true;
  std::string path = WithTrailingSeparator(NativePath(base)) + NativePath(relative);
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  // The nearest part of the path that exists decides where the rest would lead; a name
  // below it that does not exist yet cannot lead anywhere.
  std::string real;
  while (!canonical(path, real)) {
    // A dangling link may be given a target later, anywhere.
    struct stat st{};
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) return false;
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) return false;
    path.resize(slash);
  }
  return real == realBase || strictlyBelow(real, realBase);
}

bool DeleteFolderFiles(const std::string& folder) {
  std::string path = NativePath(folder);
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  DIR* dir = fdopendir(fd);
  if (!dir) {
    close(fd);
    return false;
  }
  // Every entry is looked at through the folder's own descriptor and without following
  // links, so a link planted inside the folder can never redirect a deletion elsewhere.
  while (dirent* entry = readdir(dir)) {
    struct stat st{};
    if (fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)) unlinkat(fd, entry->d_name, 0);
  }
  closedir(dir);
  return rmdir(path.c_str()) == 0;
}

bool PathIsMissing(const std::string& path) {
  struct stat st{};
  return stat(NativePath(path).c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

bool FileExists(const std::string& path) {
  struct stat st{};
  return stat(NativePath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string FindIgnoringCase(const std::string& base, const std::string& relative) {
  const std::string rel = NativePath(relative);
  std::string folder = WithTrailingSeparator(NativePath(base)), out;
  std::size_t start = 0;
  bool matching = true;
  while (start <= rel.size()) {
    std::size_t end = rel.find('/', start);
    if (end == std::string::npos) end = rel.size();
    std::string part = rel.substr(start, end - start);
    struct stat st{};
    if (matching && !part.empty() && part != "." && part != ".." &&
        lstat((folder + part).c_str(), &st) != 0) {
      std::string found;
      if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir)) {
          const std::string name = entry->d_name;
          if (name.size() != part.size() || (!found.empty() && name >= found)) continue;
          bool same = true;
          // ASCII only, whatever the locale: the old platform's sets name files in ASCII.
          auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
          for (std::size_t i = 0; same && i < name.size(); ++i) same = lower(name[i]) == lower(part[i]);
          if (same) found = name;
        }
        closedir(dir);
      }
      if (found.empty()) matching = false;
      else part = found;
    }
    out += part;
    folder += part + "/";
    if (end < rel.size()) out += '/';
    start = end + 1;
  }
  return out;
}

bool ReadPlainFileNoFollow(const std::string& path, std::size_t limit, std::string& bytes,
                           std::string& why) {
  const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    why = "cannot be opened";
    return false;
  }
  struct stat st{};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0 ||
      static_cast<unsigned long long>(st.st_size) > limit) {
    close(fd);
    why = "is not a plain file of a photo's size";
    return false;
  }
  bytes.resize(static_cast<std::size_t>(st.st_size));
  std::size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  close(fd);
  bytes.resize(got);
  if (got == 0) why = "cannot be read";
  return got > 0;
}
