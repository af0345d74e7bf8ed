#include "platform/replaced_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <system_error>

ReplacedFile::ReplacedFile(const std::string& path)
    : fd_(open(path.c_str(), O_PATH | O_CLOEXEC)) {}

ReplacedFile::~ReplacedFile() {
  if (closer_.joinable()) closer_.join();
  if (fd_ >= 0) close(fd_);
}

void ReplacedFile::LetGoBeside() {
  if (fd_ < 0 || closer_.joinable()) return;
  const int fd = fd_;
  try {
    closer_ = std::thread([fd] { close(fd); });
    fd_ = -1;
  } catch (const std::system_error&) {
    // No thread: the destructor closes it.
  }
}
