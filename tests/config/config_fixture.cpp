#include "tests/config/config_fixture.h"

#include <cstdlib>
#include <memory>

#include "config/resource.h"
#include "imagelib/catalogue.h"
#include "platform/controls.h"
#include "platform/gui.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/resources_tables.h"
#include "tests/support/message_recorder.h"

namespace {
void EnsureUserInterface() {
  static int argc = 1;
  static char name[] = "test_config";
  static char* argv[] = {name, nullptr};
  StartUserInterface(argc, argv);
}

void Put32(std::string& s, size_t at, unsigned v) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
void Put16(std::string& s, size_t at, unsigned v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
}  // namespace

std::string BmpFile(int width, int height, int bits, unsigned char r, unsigned char g, unsigned char b) {
  const int colours = bits == 8 ? 256 : 0;
  const int stride = ((width * bits + 31) / 32) * 4;
  const size_t offset = 14 + 40 + colours * 4;
  std::string s(offset + static_cast<size_t>(stride) * height, '\0');
  s[0] = 'B';
  s[1] = 'M';
  Put32(s, 2, static_cast<unsigned>(s.size()));
  Put32(s, 10, static_cast<unsigned>(offset));
  Put32(s, 14, 40);
  Put32(s, 18, static_cast<unsigned>(width));
  Put32(s, 22, static_cast<unsigned>(height));
  Put16(s, 26, 1);
  Put16(s, 28, static_cast<unsigned>(bits));
  Put32(s, 46, static_cast<unsigned>(colours));
  if (bits == 8) {
    s[54 + 4] = static_cast<char>(b);
    s[54 + 5] = static_cast<char>(g);
    s[54 + 6] = static_cast<char>(r);
  }
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      size_t at = offset + static_cast<size_t>(y) * stride;
      if (bits == 8) {
        s[at + x] = 1;
      } else {
        s[at + 3 * x] = static_cast<char>(b);
        s[at + 3 * x + 1] = static_cast<char>(g);
        s[at + 3 * x + 2] = static_cast<char>(r);
      }
    }
  return s;
}

void ConfigTest::SetUp() {
  EnsureUserInterface();
  // Nothing in these tests may change the desktop the tests run on.
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  unsetenv("XDG_CURRENT_DESKTOP");
  WindowsDirectory();  // made on first use; some tests put files there first
  RecordMessageBoxes(messages_, captions_, answers_);
}

void ConfigTest::TearDown() {
  SetMessageBoxHandler({});
  SetPropertySheetHook({});
  SetModalDialogHook({});
  sheetApp_.reset();
  app_ = nullptr;
}

void ConfigTest::WriteSetFolder(const std::string& name, const std::string& folder, const Pictures& pictures,
                                int width) {
  std::string dir = pf() + NativePath(folder) + "/";
  std::string text = "[SetDescriptions]\r\n" + name + "=" + folder + "\\\r\n[" + name + "]\r\n";
  for (const auto& [picture, base] : pictures) text += picture + "=" + base + "\r\n";
  sandbox_.writeFile(dir + "images.ini", text);
  for (const auto& [picture, base] : pictures) {
    sandbox_.writeFile(dir + base + ".bmp", BmpFile(width, 6, 24, 200, 20, 20));
    // The picture itself is there (a test that decodes writes a real one over it).
    sandbox_.writeFile(dir + base + ".jpg", "jpeg");
  }
}

void ConfigTest::AddSet(const std::string& name, const std::string& folder, const Pictures& pictures, bool files) {
  std::string ini = pf() + "quillmrk.ini";
  WritePrivateProfileString("SetDescriptions", name.c_str(), (folder + "\\").c_str(), ini.c_str());
  for (const auto& [picture, base] : pictures)
    WritePrivateProfileString(name.c_str(), picture.c_str(), base.c_str(), ini.c_str());
  if (files) WriteSetFolder(name, folder, pictures);
}

void ConfigTest::AddInstalledSet(const std::string& name, const std::string& folder, const Pictures& pictures,
                                 int width) {
  AddSet(name, folder, pictures, false);
  WriteSetFolder(name, folder, pictures, width);
  RecordInstalledSet(name, folder);
}

void ConfigTest::RecordInstalledSet(const std::string& name, const std::string& folder) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, (ProfileKeyPath() + "\\SetDescriptions").c_str(), &key), ERROR_SUCCESS);
  std::string data = folder + "\\";
  RegSetValueEx(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                static_cast<DWORD>(data.size() + 1));
  RegCloseKey(key);
}

void ConfigTest::SetProfileDefault(const std::string& subkey, const std::string& value) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, (ProfileKeyPath() + "\\" + subkey).c_str(), &key), ERROR_SUCCESS);
  RegSetValueEx(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
}

bool ConfigTest::IsRecorded(const std::string& set) const {
  for (const std::string& name : ListInstalledSets())
    if (name == set) return true;
  return false;
}

void ConfigTest::SetDesktopValue(const std::string& name, const std::string& value) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Control Panel\\Desktop", &key), ERROR_SUCCESS);
  RegSetValueEx(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
}

std::string ConfigTest::DesktopValue(const std::string& name) const {
  HKEY key = nullptr;
  if (RegOpenKeyEx(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_READ, &key) != ERROR_SUCCESS) return kMissing;
  char buffer[256] = {};
  DWORD type = 0, size = sizeof buffer - 1;
  LONG result = RegQueryValueEx(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS ? std::string(buffer) : std::string(kMissing);
}

std::string ConfigTest::Ini(const std::string& file, const std::string& section, const std::string& key) const {
  char buffer[1024];
  GetPrivateProfileString(section.c_str(), key.c_str(), kMissing, buffer, sizeof buffer, file.c_str());
  return buffer;
}

void ConfigTest::WriteIni(const std::string& file, const std::string& section, const std::string& key,
                          const std::string& value) const {
  WritePrivateProfileString(section.c_str(), key.c_str(), value.c_str(), file.c_str());
}

std::string ConfigTest::ShortcutPath() const {
  return sandbox_.root() + "/config/autostart/QuillMark Wallpaper Changer.desktop";
}

int ConfigTest::Run(const std::function<void(CPropertySheet&)>& user) {
  auto app = std::make_unique<CSsconfigApp>();
  app_ = app.get();
  SetPropertySheetHook([&](CPropertySheet& sheet) {
    if (user) user(sheet);
  });
  EXPECT_FALSE(app->InitInstance());
  SetPropertySheetHook({});
  int result = app->m_bSheetShown ? app->m_nSheetResult : 0;
  app_ = nullptr;
  return result;
}

int ConfigTest::RunSheet(const std::function<std::vector<std::unique_ptr<CPropertyPage>>()>& make,
                         const std::function<void(CPropertySheet&)>& user) {
  sheetApp_ = std::make_unique<CSsconfigApp>();
  app_ = sheetApp_.get();
  SetApplicationTitle(LoadStringResource(AFX_IDS_APP_TITLE));
  app_->m_strProgramFolder = pf();
  app_->m_strWindowsDirectory = windows();
  WriteIni(mainIni(), "Config", "ProgramPath", pf());
  app_->m_hMonitorBitmap = LoadBitmapResource(IDB_MONITOR);
  CSsconfigApp::ReplaceBackgroundColor(app_->m_hMonitorBitmap, GetSysColor(COLOR_BTNFACE));
  // Where the Wallpaper page puts the monitor on a page of this size.
  SetRect(&app_->m_rcMonitor, 290, 30, 290 + kMonitorBitmapWidth, 30 + kMonitorBitmapHeight);

  int result = 0;
  {
    CSsconfigPropSheet sheet(LoadStringResource(AFX_IDS_APP_TITLE), nullptr, 0);
    std::vector<std::unique_ptr<CPropertyPage>> pages = make();
    for (auto& page : pages) sheet.AddPage(page.get());
    SetPropertySheetHook([&](CPropertySheet& running) {
      if (user) user(running);
    });
    result = sheet.DoModal();
    SetPropertySheetHook({});
    pages.clear();
  }
  return result;
}

std::vector<std::string> ListItems(const CListBox& list) {
  std::vector<std::string> items;
  for (int i = 0; i < list.GetCount(); ++i) items.push_back(list.GetText(i));
  return items;
}

std::vector<std::string> ComboItems(const CComboBox& combo) {
  std::vector<std::string> items;
  for (int i = 0; i < combo.GetCount(); ++i) items.push_back(combo.GetLBText(i));
  return items;
}
