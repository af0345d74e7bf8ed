#include "platform/atomic_file.h"

#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

#include "platform/write_failures.h"

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  return ReadFileStart(path, bytes, std::string::npos);
}

bool ReadFileStart(const std::string& path, std::string& bytes, std::size_t limit) {
  bytes.clear();
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st{};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return false;
  }
  // Read straight into the string, sized from the file's length, so a bitmap of
  // megabytes is neither copied through a chunk nor moved as the string grows; a file
  // that grows meanwhile is read on in steps.
  std::size_t have = 0;
  std::size_t room = std::min(limit, static_cast<std::size_t>(std::max<off_t>(st.st_size, 0)) + 1);
  while (have < limit) {
    if (room <= have) room = std::min(limit, std::max(have * 2, have + 65536));
    bytes.resize(room);
    ssize_t n = read(fd, bytes.data() + have, room - have);
    if (n < 0) {
      if (errno == EINTR) continue;
      close(fd);
      bytes.clear();
      return false;
    }
    if (n == 0) break;
    have += static_cast<std::size_t>(n);
  }
  bytes.resize(have);
  close(fd);
  return true;
}

namespace {
// The work of WriteFileAtomically; on failure `error` holds the errno of the call that
// failed, before any clean-up could change it.
bool WriteAtomically(const std::string& path, std::string_view bytes, bool durable, int& error) {
  // Replace the target of a link, not the link itself, so a settings file that the
  // user keeps elsewhere stays where it is.
  std::string target = path;
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved)) target = resolved;

  std::string folder = target.substr(0, target.rfind('/') + 1);
  if (folder.empty()) folder = "./";
  // The content is written into an unnamed file first (O_TMPFILE), so a writer killed
  // while writing leaves nothing behind; it gets a name only for the moment between
  // linking and renaming. File systems without unnamed files get a named one at once.
  std::string temp = folder + ".qm-XXXXXX";
  static bool unnamedFilesWork = true;
  bool unnamed = unnamedFilesWork;
  int fd = unnamed ? open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600) : -1;
  if (fd < 0) {
    unnamed = false;
    fd = mkstemp(temp.data());
    if (fd < 0) {
      error = errno;
      return false;
    }
  }

  struct stat st{};
  mode_t mode = 0644;
  if (stat(target.c_str(), &st) == 0) mode = st.st_mode & 07777;
  fchmod(fd, mode);

  std::size_t done = 0;
  bool ok = true;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      ok = false;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  if (ok && durable && fsync(fd) != 0) {
    error = errno;
    ok = false;
  }
  if (ok && unnamed) {
    // linkat needs a name that does not exist yet: take a fresh one.
    ok = false;
    for (int attempt = 0; attempt < 16 && !ok; ++attempt) {
      static unsigned counter = 0;
      temp = folder + ".qm-" + std::to_string(getpid()) + "-" + std::to_string(++counter) + "-" +
             std::to_string(attempt);
      std::string proc = "/proc/self/fd/" + std::to_string(fd);
      if (linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) == 0) ok = true;
      else if (errno != EEXIST) break;
    }
    if (!ok) {
      error = errno;
      close(fd);
      // Without /proc the unnamed file cannot be given a name: write a named one.
      if (error == ENOENT || error == EPERM || error == EXDEV) {
        unnamedFilesWork = false;
        return WriteAtomically(path, bytes, durable, error);
      }
      return false;
    }
  }
  if (close(fd) != 0 && ok) {
    error = errno;
    ok = false;
  }
  if (ok && rename(temp.c_str(), target.c_str()) != 0) {
    error = errno;
    ok = false;
  }
  if (!ok) {
    unlink(temp.c_str());
    return false;
  }
  if (!durable) return true;
  // Make the rename itself durable.
  int dirfd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirfd >= 0) {
    fsync(dirfd);
    close(dirfd);
  }
  return true;
}
}  // namespace

bool WriteFileAtomically(const std::string& path, const std::string& bytes, bool durable) {
  return WriteFileAtomically(path, bytes.data(), bytes.size(), durable);
}

bool WriteFileAtomically(const std::string& path, const void* data, std::size_t size,
                         bool durable) {
  int error = 0;
  if (WriteAtomically(path, std::string_view(static_cast<const char*>(data), size), durable, error))
    return true;
  RecordWriteFailure(path, error);
  return false;
}
