#include "config/ssconfig.h"

#include <cstdio>

#include "config/resource.h"
#include "config/about_page.h"
#include "config/edit_sets_page.h"
#include "config/screensaver_page.h"
#include "config/set_dialogs.h"
#include "config/wallpaper_page.h"
#include "imagelib/catalogue.h"
#include "imagelib/profile_file.h"
#include "imagelib/settings_keys.h"
#include "platform/controls.h"
#include "platform/folder_ops.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/resources_tables.h"
#include "platform/scoped.h"
#include "platform/shell.h"
#include "platform/write_failures.h"

void LinkConfigResources();

std::vector<std::unique_ptr<CPropertyPage>> MakePages() {
  std::vector<std::unique_ptr<CPropertyPage>> pages;
  pages.push_back(std::make_unique<CWallpaperPage>());
  pages.push_back(std::make_unique<CScreenSaverPage>());
  pages.push_back(std::make_unique<CEditSetsDlg>());
  pages.push_back(std::make_unique<CAbout>());
  return pages;
}

// ----- the sheet -------------------------------------------------------------------------

BOOL CSsconfigPropSheet::OnInitDialog() {
  BOOL result = CPropertySheet::OnInitDialog();
  SetIcon(AfxGetApp() ? AfxGetApp()->LoadIcon(IDR_MAINFRAME) : LoadIconResource(IDR_MAINFRAME), FALSE);
  ModifyStyle(0, WS_MINIMIZEBOX);
  return result;
}

void CSsconfigPropSheet::OnNcLButtonDown(UINT hitTest) {
  // Minimized on the press, not only on the release.
  if (hitTest == HTMINBUTTON) ShowWindow(SW_MINIMIZE);
  CPropertySheet::OnNcLButtonDown(hitTest);
}

// ----- the profile key ------------------------------------------------------------------

std::string ProfileKeyPath() {
  return settings::kProfileKey;
}

namespace {
void WriteProfileValue(const std::string& subkey, const std::string& name, const std::string& value) {
  ScopedRegKey key;
  if (RegCreateKeyEx(HKEY_CURRENT_USER, (ProfileKeyPath() + "\\" + subkey).c_str(), key.receive()) != ERROR_SUCCESS)
    return;
  RegSetValueEx(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                static_cast<DWORD>(value.size() + 1));
}

void WriteProfileDefault(const std::string& subkey, const std::string& value) {
  WriteProfileValue(subkey, "", value);
}

// Start-up writes the program folder where the other programs look for it, and a new
// install's saver defaults; without them the saver and the changer find no pictures.
// Their failures are told once, before the sheet (whose own OK and Apply tell theirs).
void ReportFailedStartupWrites() {
  std::vector<WriteFailure> failed = WriteFailures();
  ClearWriteFailures();
  if (failed.empty()) return;
  std::string text = std::string(kSettingsNotSavedText) + "\n\n" + DescribeWriteFailures(failed) + "\n\n" +
                     kStartupSettingsNotSavedAdvice;
  MessageBox(nullptr, text.c_str(), ApplicationTitle().c_str(), MB_OK | MB_ICONERROR);
}

void DeleteProfileDefault(const std::string& subkey) {
  ScopedRegKey key;
  if (RegOpenKeyEx(HKEY_CURRENT_USER, (ProfileKeyPath() + "\\" + subkey).c_str(), 0, KEY_ALL_ACCESS,
                   key.receive()) == ERROR_SUCCESS)
    RegDeleteValue(key.get(), "");
}
}  // namespace

std::string ReadProfileDefault(const std::string& subkey) {
  ScopedRegKey key;
  if (RegOpenKeyEx(HKEY_CURRENT_USER, (ProfileKeyPath() + "\\" + subkey).c_str(), 0, KEY_READ, key.receive()) !=
      ERROR_SUCCESS)
    return {};
  DWORD type = 0, size = 0;
  if (RegQueryValueEx(key.get(), "", nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ || size == 0)
    return {};
  std::string buffer(size, '\0');
  if (RegQueryValueEx(key.get(), "", nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS)
    return {};
  return buffer.c_str();
}

// ----- the application ------------------------------------------------------------------

CSsconfigApp::CSsconfigApp() : CWinApp("QuillMark Configuration") { LinkConfigResources(); }

CSsconfigApp::~CSsconfigApp() {
  if (m_hMonitorBitmap) DeleteObject(m_hMonitorBitmap);
}

CSsconfigApp* GetConfigApp() { return dynamic_cast<CSsconfigApp*>(AfxGetApp()); }

void CSsconfigApp::ReplaceBackgroundColor(HBITMAP bitmap, COLORREF color) {
  ::ReplaceBackgroundColor(bitmap, color);
}

void CSsconfigApp::WinHelp(DWORD, UINT) {
  // The manual is a web page beside the programs; the browser shows it.
  std::string manual = m_strProgramFolder + "Quillmrk.html";
  ShellExecute(nullptr, "open", manual.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

namespace {
// Settings left by an older installation in the Windows directory: its sets are taken
// over and recorded, then its files are retired.
void TakeOverOldInstallation(const std::string& windowsDirectory, const std::string& programFolder,
                             const CProfileFile& ini) {
  CProfileFile old(windowsDirectory + catalogue::kMainSettingsFile);
  CopySetFromFolder(old, ini);
  std::remove((windowsDirectory + catalogue::kMainSettingsFile).c_str());
  std::remove((windowsDirectory + "quillsav.scr").c_str());
  std::remove((programFolder + "djpeg.dll").c_str());
  for (const std::string& set : ListSetNames(ini)) {
    std::string folder;
    ini.ReadString(catalogue::kSetDescriptions, set, folder);
    WriteProfileValue(catalogue::kSetDescriptions, set, folder);
  }
}

void PublishProgramFolder(const std::string& programFolder, const CProfileFile& ini) {
  WriteProfileDefault(settings::kProgramPath, programFolder);
  ini.WriteString(settings::kConfigSection, settings::kProgramPath, programFolder);
  WritePrivateProfileString(settings::kSaverSection, settings::kProgramPath, programFolder.c_str(),
                            settings::kSaverSettingsFile);
}

enum class NewInstall { None, TakenOver, Failed };

// The set the installer has just added, handed over through the registry.
NewInstall TakeOverNewInstall(const std::string& programFolder, const CProfileFile& ini) {
  std::string newInstall = ReadProfileDefault(settings::kNewInstall);
  if (newInstall.empty()) return NewInstall::None;
  newInstall = WithTrailingSeparator(newInstall);
  std::string refusal = SetFolderProblem(newInstall);
  if (refusal.empty() && !PathStaysInside(programFolder, newInstall + catalogue::kSetDescriptionFile))
    refusal = "its folder \"" + newInstall + "\" leads outside the program folder";
  if (refusal.empty()) {
    const CProfileFile description =
        CProfileFile::Outside(NativePath(programFolder + newInstall + catalogue::kSetDescriptionFile));
    refusal = SetDescriptionProblem(description, ini);
    if (refusal.empty()) {
      if (CopySetFromFolder(description, ini)) return NewInstall::TakenOver;
      AfxMessageBox(IDS_NEW_INSTALL_FAILED, MB_OK);
      return NewInstall::Failed;
    }
  }
  // A set that would overwrite the suite's own settings or another set is not taken over.
  // Ending here, as a set that cannot be found does, would end every later start too, so
  // the user is told once and the hand-over is dropped.
  AfxMessageBox(FormatSetMessage(IDS_NEW_SET_REFUSED, refusal), MB_OK | MB_ICONWARNING);
  DeleteProfileDefault(settings::kNewInstall);
  return NewInstall::None;
}

// The saver's first settings: the first set, a picture a minute, titles shown.
void WriteNewInstallSaverDefaults(const CProfileFile& ini) {
  const std::vector<std::string> sets = ListSetNames(ini);
  CProfileFile control(settings::kSaverSettingsFile);
  const char* section = settings::kSaverSection;
  control.WriteString(section, settings::kCurrentSet, sets.empty() ? std::string() : sets.front());
  control.WriteInt(section, settings::kUseAllImages, 0);
  control.WriteInt(section, settings::kInMinutes, 1);
  control.WriteInt(section, settings::kTimeBetween, 1);
  control.WriteInt(section, settings::kCurrentImageNumber, 1);
  control.WriteInt(section, settings::kShowTextDescription, 1);
  control.WriteInt(section, settings::kShowInterpretiveText, 0);
  control.WriteString(section, settings::kInterpretiveTextLanguage, "English");
  control.WriteInt(section, settings::kTransition, 1);
}
}  // namespace

BOOL CSsconfigApp::InitInstance() {
  Enable3dControls();
  m_pszAppName = LoadStringResource(AFX_IDS_APP_TITLE);
  SetApplicationTitle(m_pszAppName);
  m_bSheetShown = false;
  m_nSheetResult = 0;
  m_nNewInstall = 0;
  ClearWriteFailures();

  // The folder of the executable itself, whatever the program file is called.
  m_strProgramFolder = WithTrailingSeparator(ProgramFolder());
  m_strWindowsDirectory = WithTrailingSeparator(WindowsDirectory());

  CProfileFile ini(m_strProgramFolder + catalogue::kMainSettingsFile);
  const bool freshSettings = !FileExists(m_strProgramFolder + catalogue::kMainSettingsFile);
  if (freshSettings && !RestoreAllSets(m_strProgramFolder)) {  // it has told the user
    ReportFailedStartupWrites();
    return FALSE;
  }
  if (FileExists(m_strWindowsDirectory + catalogue::kMainSettingsFile))
    TakeOverOldInstallation(m_strWindowsDirectory, m_strProgramFolder, ini);
  PublishProgramFolder(m_strProgramFolder, ini);

  const NewInstall newInstall = TakeOverNewInstall(m_strProgramFolder, ini);
  m_nNewInstall = newInstall == NewInstall::None ? 0 : 1;
  if (newInstall == NewInstall::Failed) {
    ReportFailedStartupWrites();
    return FALSE;
  }
  if (m_nNewInstall && freshSettings) WriteNewInstallSaverDefaults(ini);

  ReportFailedStartupWrites();

  m_hMonitorBitmap = LoadBitmapResource(IDB_MONITOR);
  ReplaceBackgroundColor(m_hMonitorBitmap, GetSysColor(COLOR_BTNFACE));

  {
    CSsconfigPropSheet sheet(LoadStringResource(AFX_IDS_APP_TITLE), nullptr, 0);
    std::vector<std::unique_ptr<CPropertyPage>> pages = MakePages();
    for (auto& page : pages) sheet.AddPage(page.get());
    m_pMainWnd = &sheet;
    m_bSheetShown = true;
    m_nSheetResult = sheet.DoModal();
    m_pMainWnd = nullptr;
    if (m_nSheetResult == IDOK && m_nNewInstall) DeleteProfileDefault(settings::kNewInstall);
    // The pages go before the sheet, as they were made after it.
    pages.clear();
  }

  DeleteObject(m_hMonitorBitmap);
  m_hMonitorBitmap = nullptr;
  return FALSE;
}
