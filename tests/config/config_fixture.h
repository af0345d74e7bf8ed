#pragma once
// What the configuration program's tests share: a sandbox with no display (nothing may
// reach the real desktop), recorded message boxes answered from a queue, and helpers that
// lay out image sets, thumbnails and registry values.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "config/ssconfig.h"
#include "platform/propsheet.h"
#include "tests/support/sandbox.h"

using Pictures = std::vector<std::pair<std::string, std::string>>;  // name, file base

// A bottom-up BMP file of `width` x `height`: 24 bits of one colour, or 8 bits whose
// palette holds that colour at index 1 and every pixel uses it.
std::string BmpFile(int width, int height, int bits, unsigned char r, unsigned char g, unsigned char b);

class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::string pf() const { return sandbox_.programFolder(); }
  std::string windows() const { return sandbox_.windowsDirectory() + "/"; }

  // Writes the set into quillmrk.ini of the program folder ([SetDescriptions] entry and
  // picture section) and, with `files`, its folder: images.ini and a thumbnail per picture.
  void AddSet(const std::string& name, const std::string& folder, const Pictures& pictures, bool files = true);
  // Writes only the set's folder and its images.ini (what the installer copies).
  void WriteSetFolder(const std::string& name, const std::string& folder, const Pictures& pictures);
  void RecordInstalledSet(const std::string& name, const std::string& folder);
  void SetProfileDefault(const std::string& subkey, const std::string& value);

  std::string Ini(const std::string& file, const std::string& section, const std::string& key) const;
  void WriteIni(const std::string& file, const std::string& section, const std::string& key,
                const std::string& value) const;
  std::string ConfigValue(const std::string& key) const { return Ini(pf() + "quillmrk.ini", "Config", key); }
  std::string ShortcutPath() const;

  // Runs the program's start-up; `user` plays the user on the sheet when it shows.
  int Run(const std::function<void(CPropertySheet&)>& user);

  Sandbox sandbox_;
  std::vector<std::string> messages_;
  std::vector<std::string> captions_;
  std::deque<int> answers_;  // for questions; IDOK answers everything else
  CSsconfigApp* app_ = nullptr;
};

constexpr const char* kMissing = "<missing>";
