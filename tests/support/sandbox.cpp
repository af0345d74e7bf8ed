#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/paths.h"
#include "platform/message_box.h"

namespace fs = std::filesystem;

Sandbox::Sandbox() {
  std::string templ = (fs::temp_directory_path() / "qm-test-XXXXXX").string();
  if (!mkdtemp(templ.data())) throw std::runtime_error("cannot make a sandbox folder");
  root_ = templ;
  programFolder_ = root_ + "/program/";
  fs::create_directories(programFolder_);
  fs::create_directories(root_ + "/home");
  if (const char* h = std::getenv("HOME")) { hadHome_ = true; oldHome_ = h; }
  if (const char* c = std::getenv("XDG_CONFIG_HOME")) { hadConfig_ = true; oldConfig_ = c; }
  setenv("HOME", (root_ + "/home").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (root_ + "/config").c_str(), 1);
  // The wallpaper goes to whatever desktop these lead to; a test brings its own.
  for (const char* name : {"DBUS_SESSION_BUS_ADDRESS", "WAYLAND_DISPLAY", "SWAYSOCK", "XDG_CURRENT_DESKTOP"})
    unsetenv(name);
  SetProgramFolderForTesting(programFolder_);
  // A test that forgets to answer a message box must not hang on a real dialog.
  SetMessageBoxHandler({});
}

Sandbox::~Sandbox() {
  SetProgramFolderForTesting("");
  SetMessageBoxHandler({});
  if (hadHome_) setenv("HOME", oldHome_.c_str(), 1); else unsetenv("HOME");
  if (hadConfig_) setenv("XDG_CONFIG_HOME", oldConfig_.c_str(), 1); else unsetenv("XDG_CONFIG_HOME");
  std::error_code ec;
  fs::remove_all(root_, ec);
}

std::string Sandbox::windowsDirectory() const { return root_ + "/config/quillmark"; }

std::string Sandbox::path(const std::string& relative) const {
  return (!relative.empty() && relative[0] == '/') ? relative : root_ + "/" + relative;
}

void Sandbox::writeFile(const std::string& p, const std::string& bytes) const {
  fs::path full = path(p);
  fs::create_directories(full.parent_path());
  std::ofstream out(full, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string Sandbox::readFile(const std::string& p) const {
  std::ifstream in(path(p), std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool Sandbox::exists(const std::string& p) const { return fs::exists(path(p)); }
