#pragma once
// The Wallpaper page: the image set and picture for the desktop wallpaper (or all sets, for
// the wallpaper changer to walk through), wallpaper on or off, how often the changer moves
// on, and stretching. Applying writes quillmrk.ini [Config], makes the picture the
// wallpaper at once, and creates or removes the changer's Startup shortcut.
#include <string>

#include "config/monitor_wnd.h"
#include "imagelib/profile_file.h"
#include "imagelib/wallpaper.h"
#include "platform/propsheet.h"

class CWallpaperPage : public CPropertyPage {
 public:
  CWallpaperPage();
  ~CWallpaperPage() override;

  // Exchanged with the controls.
  int m_nStretch = 0;
  int m_nChangeInterval = -1;  // a settings::ChangeInterval, -1 for none chosen
  int m_nWallpaperOff = -1;    // 0 on, 1 off
  std::string m_strListSelection;

  int m_nAllSets = 0;
  std::string m_strCurrentSet;
  std::string m_strCurrentPicture;  // "" when none is chosen
  std::string m_strPictureFile;     // the picture's .jpg, as found in its set folder
  std::string m_strInfoFile;        // its .nfo
  std::string m_strProgramFolder;
  int m_nStretchChanged = 0;
  int m_nOnOffClicked = 0;
  bool m_bFirstActivation = true;
  RECT m_rcMonitor;
  CMonitorWnd m_wndMonitor;
  CWallpaperDecoder m_decoder{true};
  CProfileFile m_ini;

  BOOL OnInitDialog() override;
  void DoDataExchange(CPageDataExchange* pDX) override;
  void OnCancel() override;
  BOOL OnApply() override;
  BOOL OnSetActive() override;
  void OnPaint(HDC dc) override;

  // Creates (true) or removes (false) the wallpaper changer's Startup shortcut. Creating
  // leaves an existing shortcut alone.
  static void UpdateStartupShortcut(bool create, const std::string& programFolder);
  // The Startup shortcut's path; false when the Startup folder is unknown.
  static bool StartupShortcutPath(std::string& path);

 protected:
  void OnSelchangeSets();
  void OnSelchangePictures();
  void OnImageInfo();
  void OnWallpaperOnOff();
  void OnInterval();
  void OnStretch();

 private:
  bool FillSetCombo();
  void SelectCurrentSet();
  void FillPictureList();
  void ShowPictureOf(const std::string& picture);

  DECLARE_MESSAGE_MAP()
};
