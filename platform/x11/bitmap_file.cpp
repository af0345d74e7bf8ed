#include "platform/x11/bitmap_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {
// Every bitmap format's header and colour table fit in far less (at most 1,162 bytes).
constexpr std::size_t kHeadLimit = 65536;

bool readAt(int fd, unsigned char* to, std::size_t size, std::uint64_t offset, std::size_t* got) {
  std::size_t have = 0;
  while (have < size) {
    const ssize_t n = pread(fd, to + have, size - have, static_cast<off_t>(offset + have));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    have += static_cast<std::size_t>(n);
  }
  *got = have;
  return true;
}
}  // namespace

BitmapFile::~BitmapFile() {
  if (fd_ >= 0) close(fd_);
}

bool BitmapFile::Open(const std::string& path) {
  // Not blocking: a named pipe in the wallpaper's place must not hang the log-on.
  fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  struct stat st{};
  if (fd_ < 0 || fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) return false;
  const auto fileSize = static_cast<std::uint64_t>(st.st_size);
  std::vector<unsigned char> head(fileSize < kHeadLimit ? fileSize : kHeadLimit);
  std::size_t got = 0;
  return readAt(fd_, head.data(), head.size(), 0, &got) &&
         ReadBitmapFormat(reinterpret_cast<const char*>(head.data()), got, fileSize, format_);
}

bool BitmapFile::ReadRows(std::int64_t firstRow, std::int64_t count,
                          std::vector<unsigned char>& rows) const {
  const std::size_t size = static_cast<std::size_t>(count) * format_.stride;
  rows.resize(size);
  std::size_t got = 0;
  return readAt(fd_, rows.data(), size, BitmapRowsOffset(format_, firstRow, count), &got) &&
         got == size;
}
