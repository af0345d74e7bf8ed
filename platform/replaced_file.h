#pragma once
// A file about to be replaced by a rename, kept from ending inside that rename. When a
// rename takes a file's last name, ext4 frees the file there and then, and first waits for
// any write of it to the disk still under way: the wallpaper bitmap, written anew at each
// change and never flushed, kept whoever replaced it waiting about 3 ms. (The old platform
// overwrote the bitmap in place and knew no such wait.) While held here, the old file ends
// when it is let go, on a thread that waits while the caller goes on.
//
// Only a reference to the file is held (O_PATH): it is not opened for reading, so a named
// pipe or a device in its place neither blocks nor does anything.
#include <string>
#include <thread>

class ReplacedFile {
 public:
  // Holds nothing when there is no such file.
  explicit ReplacedFile(const std::string& path);
  // Lets the file go now if it was not let go before, and waits for a letting go under way.
  ~ReplacedFile();
  ReplacedFile(const ReplacedFile&) = delete;
  ReplacedFile& operator=(const ReplacedFile&) = delete;

  bool Held() const { return fd_ >= 0; }
  // Lets the file go on a thread of its own (here and now when no thread can be had).
  void LetGoBeside();

 private:
  int fd_ = -1;
  std::thread closer_;
};
