#pragma once
// What the tests of the Screen Saver, Edit Sets and About pages share: a sandbox without a
// display, message boxes recorded and answered from a queue, image sets laid out in the
// program folder, and a sheet holding the pages under test run by a test hook.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "config/ssconfig.h"
#include "platform/propsheet.h"
#include "tests/support/sandbox.h"

using Pictures = std::vector<std::pair<std::string, std::string>>;  // name, file base

// A 24-bit bottom-up BMP file of one colour.
std::string BmpFile(int width, int height, unsigned char r, unsigned char g, unsigned char b);

class PagesTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::string pf() const { return sandbox_.programFolder(); }
  std::string windows() const { return sandbox_.windowsDirectory() + "/"; }
  std::string mainIni() const { return pf() + "quillmrk.ini"; }
  std::string controlIni() const { return windows() + "control.ini"; }

  // The set in quillmrk.ini ([SetDescriptions] and its picture section), its folder with
  // images.ini and a thumbnail per picture (`width` pixels wide), and its installed-set record.
  void AddSet(const std::string& name, const std::string& folder, const Pictures& pictures, int width = 8);
  std::string Ini(const std::string& file, const std::string& section, const std::string& key) const;
  void WriteIni(const std::string& file, const std::string& section, const std::string& key,
                const std::string& value) const;
  std::string Saver(const std::string& key) const { return Ini(controlIni(), "ScreenSaver.QuillMark", key); }
  void SetDesktopValue(const std::string& name, const std::string& value);
  std::string DesktopValue(const std::string& name) const;  // "<missing>" when absent
  bool IsRecorded(const std::string& set) const;

  // Runs a sheet of the pages `make` creates (after the application object exists);
  // `user` plays the user. Returns the sheet's result.
  int RunSheet(const std::function<std::vector<std::unique_ptr<CPropertyPage>>()>& make,
               const std::function<void(CPropertySheet&)>& user);

  Sandbox sandbox_;
  std::vector<std::string> messages_;
  std::vector<std::string> captions_;
  std::deque<int> answers_;  // for questions; IDOK answers everything else
  std::unique_ptr<CSsconfigApp> app_;
};

constexpr const char* kMissing = "<missing>";
constexpr const char* kNoSets =
    "There are no image sets available, please restore the image sets using the Restore Set button  on the "
    "Edit Sets tab. See the help file for more information.";
