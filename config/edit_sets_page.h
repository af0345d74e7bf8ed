#pragma once
// The Edit Sets page: pick a set, move single pictures out of it and back, remove a whole
// set (optionally with its files), restore a set to how it was installed and make a new
// set from a folder of the user's photos. Every change
// is written to the catalogue at once; OK, Apply and Cancel add or undo nothing here.
#include <string>

#include "config/monitor_wnd.h"
#include "imagelib/profile_file.h"
#include "platform/propsheet.h"

class CSsconfigApp;

class CEditSetsDlg : public CPropertyPage {
 public:
  CEditSetsDlg();
  ~CEditSetsDlg() override;

  BOOL OnInitDialog() override;
  void DoDataExchange(CPageDataExchange* pDX) override;
  void OnOK() override;
  BOOL OnApply() override;
  void OnPaint(HDC dc) override;

  CProfileFile m_ini;
  std::string m_strProgramFolder;
  std::string m_strCurrentSet;
  CSsconfigApp* m_pApp = nullptr;
  HBITMAP m_hMonitorBitmap = nullptr;  // borrowed from the application
  RECT m_rcMonitor;
  CMonitorWnd m_wndMonitor;
  HBITMAP m_hDownArrow = nullptr;
  HBITMAP m_hUpArrow = nullptr;

 protected:
  void OnSelchangeSet();
  void OnSelchangePictures();
  void OnSelchangeRemoved();
  void OnRemovePicture();
  void OnAddPicture();
  void OnRemoveSet();
  void OnRestoreSet();
  void OnNewSetFromFolder();

 private:
  void FillSetChooser();
  void FillPictureLists();
  void ShowThumbnail(const std::string& picture, bool removed);

  DECLARE_MESSAGE_MAP()
};
