// The wallpaper's old bitmap is held across its replacement, and only a reference is taken.
#include "platform/replaced_file.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "tests/support/sandbox.h"

namespace {
// How many of this process's descriptors name `path` as a file that has lost its name.
int HeldAfterRemoval(const std::string& path) {
  int count = 0;
  DIR* fds = opendir("/proc/self/fd");
  while (dirent* entry = readdir(fds)) {
    char target[4096];
    const std::string link = std::string("/proc/self/fd/") + entry->d_name;
    const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
    if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == path + " (deleted)") ++count;
  }
  closedir(fds);
  return count;
}
}  // namespace

TEST(ReplacedFile, TheOldFileOutlivesItsReplacementUntilLetGo) {
  Sandbox sandbox;
  const std::string bitmap = sandbox.path("quillmrk.bmp"), next = sandbox.path("next.bmp");
  sandbox.writeFile(bitmap, "old picture");
  sandbox.writeFile(next, "new picture");
  {
    ReplacedFile previous(bitmap);
    ASSERT_TRUE(previous.Held());
    ASSERT_EQ(std::rename(next.c_str(), bitmap.c_str()), 0);
    EXPECT_EQ(HeldAfterRemoval(bitmap), 1) << "the rename did not end the old file";
    previous.LetGoBeside();
  }
  EXPECT_EQ(HeldAfterRemoval(bitmap), 0) << "let go once the holder is gone";
  EXPECT_EQ(sandbox.readFile(bitmap), "new picture");

  EXPECT_FALSE(ReplacedFile(sandbox.path("missing.bmp")).Held());
  // Opening a pipe for reading would wait here for a writer that never comes.
  const std::string pipe = sandbox.path("pipe.bmp");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  ReplacedFile pipeHeld(pipe);
  EXPECT_TRUE(pipeHeld.Held());
  pipeHeld.LetGoBeside();
}
