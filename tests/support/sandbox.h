#pragma once
// Every test runs inside a sandbox: a fresh temporary folder that holds the config home
// (so the Windows directory is sandbox/config/quillmark) and a program folder. HOME and
// XDG_CONFIG_HOME point into it for the test's lifetime, and the platform's program
// folder is redirected, so no test can reach the user's real files or desktop.
#include <string>

class Sandbox {
 public:
  Sandbox();
  ~Sandbox();
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  const std::string& root() const { return root_; }
  // With a trailing "/".
  const std::string& programFolder() const { return programFolder_; }
  // Without a trailing separator, as GetWindowsDirectory gives it.
  std::string windowsDirectory() const;

  // Helpers for arranging and inspecting files, with paths relative to root() when not absolute.
  std::string path(const std::string& relative) const;
  void writeFile(const std::string& path, const std::string& bytes) const;
  std::string readFile(const std::string& path) const;
  bool exists(const std::string& path) const;

 private:
  std::string root_;
  std::string programFolder_;
  std::string oldHome_, oldConfig_;
  bool hadHome_ = false, hadConfig_ = false;
};
