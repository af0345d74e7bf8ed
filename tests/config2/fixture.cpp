#include "tests/config2/fixture.h"

#include <cstdlib>

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
  static char name[] = "test_config2";
  static char* argv[] = {name, nullptr};
  StartUserInterface(argc, argv);
}

void Put(std::string& s, size_t at, unsigned v, int bytes) {
  for (int i = 0; i < bytes; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
}  // namespace

std::string BmpFile(int width, int height, unsigned char r, unsigned char g, unsigned char b) {
  const int stride = ((width * 24 + 31) / 32) * 4;
  std::string s(54 + static_cast<size_t>(stride) * height, '\0');
  s[0] = 'B';
  s[1] = 'M';
  Put(s, 2, static_cast<unsigned>(s.size()), 4);
  Put(s, 10, 54, 4);
  Put(s, 14, 40, 4);
  Put(s, 18, static_cast<unsigned>(width), 4);
  Put(s, 22, static_cast<unsigned>(height), 4);
  Put(s, 26, 1, 2);
  Put(s, 28, 24, 2);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      size_t at = 54 + static_cast<size_t>(y) * stride + 3 * static_cast<size_t>(x);
      s[at] = static_cast<char>(b);
      s[at + 1] = static_cast<char>(g);
      s[at + 2] = static_cast<char>(r);
    }
  return s;
}

void PagesTest::SetUp() {
  EnsureUserInterface();
  // Nothing here may reach the desktop the tests run on.
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  unsetenv("XDG_CURRENT_DESKTOP");
  RecordMessageBoxes(messages_, captions_, answers_);
}

void PagesTest::TearDown() {
  SetMessageBoxHandler({});
  SetPropertySheetHook({});
  SetModalDialogHook({});
  app_.reset();
}

void PagesTest::AddSet(const std::string& name, const std::string& folder, const Pictures& pictures, int width) {
  WritePrivateProfileString("SetDescriptions", name.c_str(), (folder + "\\").c_str(), mainIni().c_str());
  std::string description = "[SetDescriptions]\r\n" + name + "=" + folder + "\\\r\n[" + name + "]\r\n";
  for (const auto& [picture, base] : pictures) {
    WritePrivateProfileString(name.c_str(), picture.c_str(), base.c_str(), mainIni().c_str());
    description += picture + "=" + base + "\r\n";
    sandbox_.writeFile(pf() + folder + "/" + base + ".bmp", BmpFile(width, 6, 200, 20, 20));
    sandbox_.writeFile(pf() + folder + "/" + base + ".jpg", "jpeg");
  }
  sandbox_.writeFile(pf() + folder + "/images.ini", description);
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, catalogue::kRecordKey, &key), ERROR_SUCCESS);
  std::string data = folder + "\\";
  RegSetValueEx(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                static_cast<DWORD>(data.size() + 1));
  RegCloseKey(key);
}

bool PagesTest::IsRecorded(const std::string& set) const {
  for (const std::string& name : ListInstalledSets())
    if (name == set) return true;
  return false;
}

std::string PagesTest::Ini(const std::string& file, const std::string& section, const std::string& key) const {
  char buffer[1024];
  GetPrivateProfileString(section.c_str(), key.c_str(), kMissing, buffer, sizeof buffer, file.c_str());
  return buffer;
}

void PagesTest::WriteIni(const std::string& file, const std::string& section, const std::string& key,
                         const std::string& value) const {
  WritePrivateProfileString(section.c_str(), key.c_str(), value.c_str(), file.c_str());
}

void PagesTest::SetDesktopValue(const std::string& name, const std::string& value) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Control Panel\\Desktop", &key), ERROR_SUCCESS);
  RegSetValueEx(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
}

std::string PagesTest::DesktopValue(const std::string& name) const {
  HKEY key = nullptr;
  if (RegOpenKeyEx(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_READ, &key) != ERROR_SUCCESS) return kMissing;
  char buffer[256] = {};
  DWORD type = 0, size = sizeof buffer - 1;
  LONG result = RegQueryValueEx(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS ? std::string(buffer) : std::string(kMissing);
}

int PagesTest::RunSheet(const std::function<std::vector<std::unique_ptr<CPropertyPage>>()>& make,
                        const std::function<void(CPropertySheet&)>& user) {
  app_ = std::make_unique<CSsconfigApp>();
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
