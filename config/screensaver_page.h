#pragma once
// The Screen Saver page: the screen saver on or off, the platform's delay, the image set
// (or all sets), the time between pictures in minutes or seconds, captions and their
// language, the transition and the panning speed. A preview on the monitor picture walks
// through the chosen set's thumbnails. Applying writes control.ini [ScreenSaver.QuillMark],
// points system.ini at the installed screen saver and sets the platform's switch and delay.
#include <string>
#include <vector>

#include "config/monitor_wnd.h"
#include "imagelib/profile_file.h"
#include "platform/propsheet.h"
#include "platform/window.h"

class CScreenSaverPage : public CPropertyPage {
 public:
  CScreenSaverPage();
  ~CScreenSaverPage() override;

  BOOL OnInitDialog() override;
  void DoDataExchange(CPageDataExchange* pDX) override;
  BOOL OnApply() override;
  BOOL OnSetActive() override;
  BOOL OnKillActive() override;
  void OnCancel() override;
  void OnPaint(HDC dc) override;

  // Shows the next thumbnail of the preview list (what every tick of the preview timer does).
  void OnPreviewTimer();
  bool IsPreviewTimerRunning() const { return m_nPreviewTimer != 0; }

  // Exchanged with the controls.
  int m_nTimeBetween = 1;
  int m_nDelayMinutes = 1;
  int m_nShowTitles = 0;
  int m_nDescriptiveText = 0;
  int m_nLanguage = -1;
  int m_nTransition = -1;
  int m_nOnOff = -1;  // 0 on, 1 off
  int m_nUnit = -1;   // 0 minutes, 1 seconds

  std::string m_strSetName;
  std::string m_strAllImageSets;
  CProfileFile m_ini;      // the program folder's quillmrk.ini
  CProfileFile m_control;  // the Windows directory's control.ini
  std::string m_strLanguage;
  std::string m_strProgramFolder;

  std::vector<std::string> m_previewList;
  int m_nAllSets = 0;
  int m_nPreviewPosition = 0;
  int m_nFirstActivation = 1;
  int m_nSuppressModified = 0;

  CMonitorWnd m_wndMonitor;
  HBITMAP m_hMonitorBitmap = nullptr;  // borrowed from the application
  RECT m_rcMonitor;

 protected:
  void OnMinutes();
  void OnSeconds();
  void OnPreview();
  void OnSelchangeSets();
  void OnSpeedScroll();
  void OnChange();

 private:
  bool FillSetList();
  void SetChanged();
  void StartPreviewTimer();
  void StopPreviewTimer();
  // Sets the range of the time's up-down without disturbing the number typed beside it.
  void SetTimeRange(int lower, int upper);

  UINT_PTR m_nPreviewTimer = 0;
  bool m_bLoading = false;  // controls are being filled by the page, not by the user

  DECLARE_MESSAGE_MAP()
};
