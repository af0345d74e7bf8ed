#pragma once
// What the configuration program's tests share: a sandbox with no display (nothing may
// reach the real desktop), recorded message boxes answered from a queue, helpers that lay
// out image sets, thumbnails and registry values, and two ways to run the program: its
// whole start-up, or a sheet of chosen pages run by a test hook.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "config/ssconfig.h"
#include "platform/controls.h"
#include "platform/propsheet.h"
#include "tests/support/sandbox.h"

using Pictures = std::vector<std::pair<std::string, std::string>>;  // name, file base

// A bottom-up BMP file of `width` x `height`: 24 bits of one colour, or 8 bits whose
// palette holds that colour at index 1 and every pixel uses it.
std::string BmpFile(int width, int height, int bits, unsigned char r, unsigned char g, unsigned char b);

// The entries of a list box or a combo box, in their order.
std::vector<std::string> ListItems(const CListBox& list);
std::vector<std::string> ComboItems(const CComboBox& combo);

class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::string pf() const { return sandbox_.programFolder(); }
  std::string windows() const { return sandbox_.windowsDirectory() + "/"; }
  std::string mainIni() const { return pf() + "quillmrk.ini"; }
  std::string controlIni() const { return windows() + "control.ini"; }

  // Writes the set into quillmrk.ini of the program folder ([SetDescriptions] entry and
  // picture section) and, with `files`, its folder: images.ini and a thumbnail per picture.
  void AddSet(const std::string& name, const std::string& folder, const Pictures& pictures, bool files = true);
  // AddSet with its folder (thumbnails `width` pixels wide) and its installed-set record.
  void AddInstalledSet(const std::string& name, const std::string& folder, const Pictures& pictures, int width = 8);
  // Writes only the set's folder and its images.ini (what the installer copies).
  void WriteSetFolder(const std::string& name, const std::string& folder, const Pictures& pictures, int width = 8);
  void RecordInstalledSet(const std::string& name, const std::string& folder);
  bool IsRecorded(const std::string& set) const;
  void SetProfileDefault(const std::string& subkey, const std::string& value);
  void SetDesktopValue(const std::string& name, const std::string& value);
  std::string DesktopValue(const std::string& name) const;  // kMissing when absent

  std::string Ini(const std::string& file, const std::string& section, const std::string& key) const;
  void WriteIni(const std::string& file, const std::string& section, const std::string& key,
                const std::string& value) const;
  std::string ConfigValue(const std::string& key) const { return Ini(mainIni(), "Config", key); }
  std::string Saver(const std::string& key) const { return Ini(controlIni(), "ScreenSaver.QuillMark", key); }
  std::string ShortcutPath() const;

  // Runs the program's start-up; `user` plays the user on the sheet when it shows.
  int Run(const std::function<void(CPropertySheet&)>& user);
  // Runs a sheet of the pages `make` creates (after the application object exists);
  // `user` plays the user. Returns the sheet's result.
  int RunSheet(const std::function<std::vector<std::unique_ptr<CPropertyPage>>()>& make,
               const std::function<void(CPropertySheet&)>& user);

  Sandbox sandbox_;
  std::vector<std::string> messages_;
  std::vector<std::string> captions_;
  std::deque<int> answers_;  // for questions; IDOK answers everything else
  CSsconfigApp* app_ = nullptr;  // while Run or RunSheet runs, and after RunSheet
  std::unique_ptr<CSsconfigApp> sheetApp_;
};

constexpr const char* kMissing = "<missing>";
constexpr const char* kNoSets =
    "There are no image sets available, please restore the image sets using the Restore Set button  on the "
    "Edit Sets tab. See the help file for more information.";
