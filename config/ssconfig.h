#pragma once
// The configuration program's application object and property sheet. InitInstance does
// the whole run: it finds the program folder and the Windows directory, repairs or
// migrates quillmrk.ini, publishes the program folder where the other programs look for
// it, completes the hand-over of a newly installed image set, and shows the sheet.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/framework.h"
#include "platform/gdi.h"
#include "platform/propsheet.h"

class CSsconfigPropSheet : public CPropertySheet {
 public:
  CSsconfigPropSheet(const std::string& caption, CWnd* parent, UINT selectPage)
      : CPropertySheet(caption, parent, selectPage) {}

 protected:
  BOOL OnInitDialog() override;
  void OnNcLButtonDown(UINT hitTest) override;
};

// The pages of the sheet, in tab order. Each page is one line of MakePages.
std::vector<std::unique_ptr<CPropertyPage>> MakePages();

class CSsconfigApp : public CWinApp, public HelpTarget {
 public:
  CSsconfigApp();
  ~CSsconfigApp() override;

  BOOL InitInstance() override;
  // Opens the manual "Quillmrk.html" of the program folder in the browser; the arguments
  // make no difference.
  void WinHelp(DWORD data, UINT command) override;

  static void ReplaceBackgroundColor(HBITMAP bitmap, COLORREF color);

  // Shared with the pages.
  int m_nNewInstall = 0;
  std::string m_strWindowsDirectory;  // with a trailing separator
  std::string m_strProgramFolder;     // with a trailing separator
  HBITMAP m_hMonitorBitmap = nullptr;
  RECT m_rcMonitor;

  // How the last run ended: whether the sheet was shown and its result.
  bool m_bSheetShown = false;
  int m_nSheetResult = 0;
};

// What follows the list of files that start-up could not write.
constexpr const char* kStartupSettingsNotSavedAdvice =
    "No settings file was damaged. Free some disk space or make the folder writable, then start the program "
    "again.";

// The running configuration program (nullptr when another application object runs).
CSsconfigApp* GetConfigApp();

// The registry key of the program's profile, below HKEY_CURRENT_USER.
std::string ProfileKeyPath();
// The default value of a subkey of the profile key ("" when missing).
std::string ReadProfileDefault(const std::string& subkey);
