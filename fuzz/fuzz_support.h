#pragma once
// Shared by the fuzz targets: a private scratch folder per process (on /dev/shm when it
// exists, so the many small writes stay in memory), removed at exit, and a way to keep
// the expected complaints about broken input off the terminal.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fuzz {

inline std::string& ScratchFolder() {
  static std::string folder;
  return folder;
}

inline void RemoveScratch() {
  std::error_code ignored;
  if (!ScratchFolder().empty()) std::filesystem::remove_all(ScratchFolder(), ignored);
}

// Makes the scratch folder and points HOME and XDG_CONFIG_HOME into it, so the Windows
// directory (and with it user.reg) lives there too and nothing real is touched.
inline const std::string& Scratch() {
  std::string& folder = ScratchFolder();
  if (!folder.empty()) return folder;
  const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  std::string pattern = std::string(base) + "/qm-fuzz-XXXXXX";
  if (!mkdtemp(pattern.data())) std::abort();
  folder = pattern;
  std::string config = folder + "/config";
  mkdir(config.c_str(), 0700);
  setenv("HOME", folder.c_str(), 1);
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  std::atexit(RemoveScratch);
  return folder;
}

inline std::string ScratchPath(const std::string& name) { return Scratch() + "/" + name; }

inline void WriteFile(const std::string& path, const void* data, std::size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (size && std::fwrite(data, 1, size, f) != size) std::abort();
  if (std::fclose(f) != 0) std::abort();
}

inline std::string ReadFile(const std::string& path) {
  std::string bytes;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return bytes;
  char chunk[4096];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.append(chunk, n);
  std::fclose(f);
  return bytes;
}

// Sends stderr to /dev/null for its lifetime. A crash inside still ends the run (libFuzzer
// sees the signal and saves the input); only the sanitizer's text would be lost, and
// re-running the saved input shows it.
class QuietStderr {
 public:
  QuietStderr() {
    std::fflush(stderr);
    saved_ = dup(2);
    int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
      dup2(null, 2);
      close(null);
    }
  }
  ~QuietStderr() {
    std::fflush(stderr);
    if (saved_ >= 0) {
      dup2(saved_, 2);
      close(saved_);
    }
  }

 private:
  int saved_ = -1;
};

// Stops the run with a message naming the broken property; libFuzzer saves the input.
[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "property violated: %s\n", what);
  std::abort();
}

}  // namespace fuzz
