#include "config/screensaver_page.h"

#include <iterator>
#include <map>

#include "config/draw_bitmap.h"
#include "config/page_ids.h"
#include "config/resource.h"
#include "config/ssconfig.h"
#include "imagelib/catalogue.h"
#include "imagelib/settings_keys.h"
#include "platform/controls.h"
#include "platform/dialog_template.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "platform/resources_tables.h"
#include "platform/short_path.h"
#include "platform/wallpaper.h"

namespace {
constexpr const char* kSection = settings::kSaverSection;
constexpr const char* kSaverFile = settings::kScreenSaverLink;
constexpr UINT kPreviewPeriod = 3000;
constexpr int kSlowest = 100, kFastest = 10, kDefaultSpeed = 50;

const StringResourceRegistration kStrings[] = {
    {IDS_SAVER_OFF, "Are you sure you would like to turn the screen saver off?"},
};

DialogTemplate ScreenSaverTemplate() {
  using K = ControlKind;
  const DWORD list = ctl::DropDownList | ctl::TabStop;
  const DWORD spin = ctl::AutoBuddy | ctl::AlignBuddyRight | ctl::SetBuddyInt;
  DialogTemplate t;
  t.id = IDD_SCREENSAVER;
  t.caption = "Screen Saver";
  t.cx = 313;
  t.cy = 210;
  t.controls = {
      {-1, K::StaticText, "&Image set to use:", 4, 4, 55, 8, 0},
      {IDC_SAVER_SETS, K::ComboBox, "", 4, 15, 169, 100, list | ctl::Sort},
      {-1, K::GroupBox, "Screen saver", 183, 4, 126, 24, 0},
      {IDC_SAVER_ON, K::RadioButton, "&On", 211, 14, 25, 10, ctl::Group | ctl::TabStop},
      {IDC_SAVER_OFF, K::RadioButton, "O&ff", 256, 14, 25, 10, 0},
      {-1, K::GroupBox, "Configuration", 4, 34, 305, 40, ctl::Group},
      {-1, K::StaticText, "S&creen saver delay:", 10, 43, 64, 8, 0},
      {IDC_SAVER_DELAY, K::Edit, "", 26, 52, 45, 14, ctl::Number | ctl::TabStop},
      {IDC_SAVER_DELAY_SPIN, K::UpDown, "", 105, 53, 11, 14, spin},
      {-1, K::StaticText, "Minutes", 75, 56, 26, 8, 0},
      {-1, K::StaticText, "&Time between images:", 121, 43, 73, 8, 0},
      {IDC_SAVER_TIME, K::Edit, "", 145, 52, 45, 14, ctl::Number | ctl::TabStop},
      {IDC_SAVER_TIME_SPIN, K::UpDown, "", 208, 78, 11, 14, spin},
      {IDC_SAVER_MINUTES, K::RadioButton, "&Minutes", 199, 54, 41, 10, ctl::Group | ctl::TabStop},
      {IDC_SAVER_SECONDS, K::RadioButton, "&Seconds", 250, 54, 44, 10, 0},
      {-1, K::GroupBox, "Image Information", 4, 79, 169, 50, ctl::Group},
      {IDC_SAVER_TITLES, K::CheckBox, "&Show titles", 188, 178, 53, 10, ctl::Hidden | ctl::TabStop},
      {IDC_SAVER_DESCRIPTIVE, K::CheckBox, "S&how descriptive text", 14, 91, 89, 10, ctl::TabStop},
      {-1, K::StaticText, "&Language to use", 14, 109, 57, 8, 0},
      {IDC_SAVER_LANGUAGE, K::ComboBox, "", 75, 107, 91, 60, list},
      {-1, K::GroupBox, "Transitions", 4, 134, 169, 34, 0},
      {-1, K::StaticText, "T&ransition effects", 14, 148, 55, 8, 0},
      {IDC_SAVER_TRANSITION, K::ComboBox, "", 81, 146, 85, 60, list},
      {IDC_SAVER_PREVIEW, K::PushButton, "&Preview", 219, 192, 50, 14, ctl::TabStop},
      {IDC_SAVER_SPEED, K::Slider, "", 32, 184, 111, 16, ctl::TabStop},
      {-1, K::GroupBox, "Panoramic Speed", 4, 173, 169, 33, 0},
      {-1, K::StaticText, "Fast", 148, 187, 16, 8, 0},
      {-1, K::StaticText, "Slow", 12, 187, 18, 8, 0},
  };
  return t;
}
const DialogTemplateRegistration kTemplate{ScreenSaverTemplate()};

// The lists that the dialog resource carried with it.
const char* const kLanguages[] = {"English", "German", "French", "Spanish", "Japanese"};
const char* const kTransitions[] = {"No Transitions",    "All Transitions", "Vertical Blinds",
                                    "Horizontal Blinds", "Vertical Sweep",  "Horizontal Sweep",
                                    "Boxed In"};

// Combo box selection <-> index (the framework's DDX_CBIndex).
void ExchangeComboIndex(CPageDataExchange* pDX, int id, int& index) {
  if (pDX->failed) return;
  CComboBox combo(pDX->m_pDlgWnd->GetDlgItem(id));
  if (pDX->m_bSaveAndValidate) index = combo.GetCurSel();
  else combo.SetCurSel(index);
}

// The preview timer calls a plain procedure; it finds its page again by the timer's id.
std::map<UINT_PTR, CScreenSaverPage*>& PreviewTimers() {
  static std::map<UINT_PTR, CScreenSaverPage*> timers;
  return timers;
}

void CALLBACK PreviewTimerProc(HWND, UINT, UINT_PTR id, DWORD) {
  auto it = PreviewTimers().find(id);
  if (it != PreviewTimers().end()) it->second->OnPreviewTimer();
}
}  // namespace

BEGIN_MESSAGE_MAP(CScreenSaverPage, CPropertyPage)
  ON_BN_CLICKED(IDC_SAVER_MINUTES, OnMinutes)
  ON_BN_CLICKED(IDC_SAVER_SECONDS, OnSeconds)
  ON_BN_CLICKED(IDC_SAVER_PREVIEW, OnPreview)
  ON_CBN_SELCHANGE(IDC_SAVER_SETS, OnSelchangeSets)
  ON_SCROLL(IDC_SAVER_SPEED, OnSpeedScroll)
  ON_BN_CLICKED(IDC_SAVER_ON, OnChange)
  ON_BN_CLICKED(IDC_SAVER_OFF, OnChange)
  ON_BN_CLICKED(IDC_SAVER_TITLES, OnChange)
  ON_BN_CLICKED(IDC_SAVER_DESCRIPTIVE, OnChange)
  ON_CBN_SELCHANGE(IDC_SAVER_LANGUAGE, OnChange)
  ON_CBN_SELCHANGE(IDC_SAVER_TRANSITION, OnChange)
  ON_EN_CHANGE(IDC_SAVER_DELAY, OnChange)
  ON_EN_CHANGE(IDC_SAVER_TIME, OnChange)
END_MESSAGE_MAP()

CScreenSaverPage::CScreenSaverPage() : CPropertyPage(IDD_SCREENSAVER) {
  SetRect(&m_rcMonitor, 0, 0, 0, 0);
  if (CSsconfigApp* app = GetConfigApp()) m_strProgramFolder = app->m_strProgramFolder;
  m_ini.SetFile(m_strProgramFolder + catalogue::kMainSettingsFile);
  m_control.SetFile(settings::kSaverSettingsFile);
}

CScreenSaverPage::~CScreenSaverPage() {
  StopPreviewTimer();
  m_wndMonitor.DestroyWindow();
}

void CScreenSaverPage::DoDataExchange(CPageDataExchange* pDX) {
  CPropertyPage::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_SAVER_TIME, m_nTimeBetween);
  DDV_MinMaxInt(pDX, m_nTimeBetween, 1, 60);
  DDX_Text(pDX, IDC_SAVER_DELAY, m_nDelayMinutes);
  DDV_MinMaxInt(pDX, m_nDelayMinutes, 1, 60);
  DDX_Check(pDX, IDC_SAVER_TITLES, m_nShowTitles);
  DDX_Check(pDX, IDC_SAVER_DESCRIPTIVE, m_nDescriptiveText);
  ExchangeComboIndex(pDX, IDC_SAVER_LANGUAGE, m_nLanguage);
  ExchangeComboIndex(pDX, IDC_SAVER_TRANSITION, m_nTransition);
  DDX_Radio(pDX, IDC_SAVER_ON, m_nOnOff);
  DDX_Radio(pDX, IDC_SAVER_MINUTES, m_nUnit);
}

BOOL CScreenSaverPage::OnInitDialog() {
  m_bLoading = true;
  m_strAllImageSets = LoadStringResource(IDS_ALL_IMAGE_SETS);

  int titles = m_control.ReadInt(kSection, settings::kShowTextDescription);
  m_nShowTitles = titles == -1 ? 1 : titles;
  int descriptive = m_control.ReadInt(kSection, settings::kShowInterpretiveText);
  m_nDescriptiveText = descriptive == -1 ? 0 : descriptive;
  int transition = m_control.ReadInt(kSection, settings::kTransition);
  // A number the list does not have would leave the list without a choice and store -1.
  m_nTransition = transition < 0 || transition >= static_cast<int>(std::size(kTransitions)) ? 1 : transition;

  BOOL active = FALSE;
  SystemParametersInfo(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
  m_nOnOff = active ? 0 : 1;

  // The resource's lists, before the members reach the controls.
  CComboBox languages(GetDlgItem(IDC_SAVER_LANGUAGE));
  for (const char* language : kLanguages) languages.AddString(language);
  CComboBox transitions(GetDlgItem(IDC_SAVER_TRANSITION));
  for (const char* name : kTransitions) transitions.AddString(name);

  CPropertyPage::OnInitDialog();

  m_control.ReadString(kSection, settings::kInterpretiveTextLanguage, m_strLanguage);
  m_nLanguage = languages.SelectString(-1, m_strLanguage);
  if (m_nLanguage == CB_ERR) m_nLanguage = 0;

  int inMinutes = m_control.ReadInt(kSection, settings::kInMinutes);
  m_nTimeBetween = m_control.ReadInt(kSection, settings::kTimeBetween);
  if (inMinutes == -1) inMinutes = 1;
  if (inMinutes == 1) {
    SetTimeRange(1, 60);
    m_nUnit = 0;
    if (m_nTimeBetween == -1) m_nTimeBetween = 1;
  } else {
    SetTimeRange(10, 60);
    m_nUnit = 1;
    // Without a stored time, seconds mode starts at its shortest time rather than at a
    // number the page itself would refuse.
    if (m_nTimeBetween == -1) m_nTimeBetween = 10;
  }

  CSliderCtrl slider(GetDlgItem(IDC_SAVER_SPEED));
  slider.SetRange(kFastest, kSlowest);
  int speed = m_control.ReadInt(kSection, settings::kPanoramicSpeed);
  if (speed == -1 || speed < kFastest || speed > kSlowest) speed = kDefaultSpeed;
  slider.SetPos(kSlowest + kFastest - speed);

  UpdateData(FALSE);

  if (CSsconfigApp* app = GetConfigApp()) {
    m_hMonitorBitmap = app->m_hMonitorBitmap;
    m_rcMonitor = app->m_rcMonitor;
  }

  // What does not depend on the sets is set up even without any: the user may restore a
  // set on Edit Sets and come back, and OK must then not store a delay nobody chose.
  CSpinButtonCtrl(GetDlgItem(IDC_SAVER_DELAY_SPIN)).SetRange(1, 60);
  int timeout = 0;
  SystemParametersInfo(SPI_GETSCREENSAVETIMEOUT, 0, &timeout, 0);
  SetDlgItemText(IDC_SAVER_DELAY, std::to_string(timeout / 60));

  m_wndMonitor.Create(MonitorScreenArea(m_rcMonitor), this, IDC_MONITOR_WINDOW);

  if (!FillSetList()) {
    m_bLoading = false;
    return TRUE;
  }

  std::string currentSet;
  m_control.ReadString(kSection, settings::kCurrentSet, currentSet);
  CComboBox sets(GetDlgItem(IDC_SAVER_SETS));
  if (sets.SelectString(-1, currentSet) == CB_ERR) sets.SetCurSel(0);

  CSsconfigApp* app = GetConfigApp();
  if (app && app->m_nNewInstall) SetModified(TRUE);
  m_bLoading = false;
  return TRUE;
}

bool CScreenSaverPage::FillSetList() {
  CComboBox sets(GetDlgItem(IDC_SAVER_SETS));
  sets.ResetContent();
  std::vector<std::string> names = ListSetNames(m_ini);
  for (const std::string& name : names) sets.AddString(name);
  if (names.size() >= 2) sets.AddString(m_strAllImageSets);
  if (names.empty()) {
    AfxMessageBox(IDS_NO_SETS, MB_OK);
    return false;
  }
  return true;
}

BOOL CScreenSaverPage::OnSetActive() {
  if (!m_nFirstActivation) {
    // The Edit Sets page may have removed or restored sets since this page was shown.
    CComboBox sets(GetDlgItem(IDC_SAVER_SETS));
    std::string remembered = sets.GetLBText(sets.GetCurSel());
    if (FillSetList() && (remembered.empty() || sets.SelectString(-1, remembered) == CB_ERR)) {
      sets.SetCurSel(0);
      SetModified(TRUE);
    }
  }
  m_nSuppressModified = 1;
  SetChanged();
  m_nSuppressModified = 0;
  m_nFirstActivation = 0;
  m_bLoading = true;
  BOOL result = CPropertyPage::OnSetActive();
  m_bLoading = false;
  return result;
}

BOOL CScreenSaverPage::OnKillActive() {
  StopPreviewTimer();
  // A value out of range keeps the user on the page, where the preview goes on.
  if (CPropertyPage::OnKillActive()) return TRUE;
  StartPreviewTimer();
  return FALSE;
}

void CScreenSaverPage::OnCancel() {
  StopPreviewTimer();
  CPropertyPage::OnCancel();
}

void CScreenSaverPage::OnSelchangeSets() { SetChanged(); }

void CScreenSaverPage::SetChanged() {
  StopPreviewTimer();
  if (!m_nFirstActivation && !m_nSuppressModified) SetModified(TRUE);
  m_strSetName = GetDlgItemText(IDC_SAVER_SETS);
  if (m_strSetName == m_strAllImageSets) {
    m_nAllSets = 1;
    m_previewList = BuildCombinedList(m_ini);
  } else {
    m_nAllSets = 0;
    m_previewList = ListPictureNames(m_ini, m_strSetName);
  }
  m_nPreviewPosition = 0;
  StartPreviewTimer();
  OnPreviewTimer();
}

void CScreenSaverPage::OnPreviewTimer() {
  PositionStep step = StepByPosition(m_previewList, m_nPreviewPosition);
  m_nPreviewPosition = step.nextPosition;
  if (!step.shown) {
    // A set without pictures shows the empty screen, not the last set's picture.
    m_wndMonitor.Clear();
    return;
  }
  std::string set = m_strSetName, picture = step.entry;
  if (m_nAllSets) SplitCombinedEntry(step.entry, set, picture);
  PictureFiles files = GetPictureFiles(m_ini, m_strProgramFolder, set, picture, false);
  m_wndMonitor.ShowPicture(files.bmp);
}

void CScreenSaverPage::StartPreviewTimer() {
  StopPreviewTimer();
  m_nPreviewTimer = SetTimer(nullptr, 0, kPreviewPeriod, PreviewTimerProc);
  if (m_nPreviewTimer) PreviewTimers()[m_nPreviewTimer] = this;
}

void CScreenSaverPage::StopPreviewTimer() {
  if (!m_nPreviewTimer) return;
  KillTimer(nullptr, m_nPreviewTimer);
  PreviewTimers().erase(m_nPreviewTimer);
  m_nPreviewTimer = 0;
}

void CScreenSaverPage::SetTimeRange(int lower, int upper) {
  std::string typed = GetDlgItemText(IDC_SAVER_TIME);
  bool loading = m_bLoading;
  m_bLoading = true;
  CSpinButtonCtrl(GetDlgItem(IDC_SAVER_TIME_SPIN)).SetRange(lower, upper);
  SetDlgItemText(IDC_SAVER_TIME, typed);
  m_bLoading = loading;
}

void CScreenSaverPage::OnMinutes() {
  SetTimeRange(1, 60);
  SetModified(TRUE);
}

void CScreenSaverPage::OnSeconds() {
  if (!UpdateData(TRUE)) {
    // The number could not be taken over; the unit stays minutes until it can.
    CheckDlgButton(IDC_SAVER_SECONDS, BST_UNCHECKED);
    CheckDlgButton(IDC_SAVER_MINUTES, BST_CHECKED);
    return;
  }
  if (m_nTimeBetween < 10) {
    m_nTimeBetween = 10;
    m_bLoading = true;
    UpdateData(FALSE);
    m_bLoading = false;
  }
  SetTimeRange(10, 60);
  SetModified(TRUE);
}

void CScreenSaverPage::OnSpeedScroll() {
  if (!m_bLoading) SetModified(TRUE);
}

void CScreenSaverPage::OnChange() {
  if (!m_bLoading) SetModified(TRUE);
}

void CScreenSaverPage::OnPreview() { WinExec((std::string(kSaverFile) + " /s").c_str(), SW_SHOWNORMAL); }

BOOL CScreenSaverPage::OnApply() {
  if (!UpdateData(TRUE)) return FALSE;
  m_strSetName = GetDlgItemText(IDC_SAVER_SETS);

  if (!IsDlgButtonChecked(IDC_SAVER_ON)) {
    if (AfxMessageBox(IDS_SAVER_OFF, MB_YESNO | MB_ICONQUESTION) != IDYES) return FALSE;
    SystemParametersInfo(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, SPIF_UPDATEINIFILE);
    return CPropertyPage::OnApply();
  }

  SystemParametersInfo(SPI_SETSCREENSAVEACTIVE, TRUE, nullptr, SPIF_UPDATEINIFILE);
  // Without any set there is no choice to store; the saver keeps the one it has.
  if (!m_strSetName.empty()) {
    m_control.WriteString(kSection, settings::kCurrentSet, m_strSetName);
    m_control.WriteInt(kSection, settings::kUseAllImages, m_strSetName == m_strAllImageSets ? 1 : 0);
  }

  std::string windowsDirectory;
  if (CSsconfigApp* app = GetConfigApp()) windowsDirectory = app->m_strWindowsDirectory;
  if (windowsDirectory.empty()) windowsDirectory = WithTrailingSeparator(WindowsDirectory());
  const std::string saver = windowsDirectory + kSaverFile;
  char shortPath[MAX_PATH];
  DWORD length = GetShortPathName(saver.c_str(), shortPath, sizeof shortPath);
  // A saver file that is missing (or a path too long) has no short form: the long form
  // names it all the same, and the key never receives an unset buffer.
  std::string scrnsave = length > 0 && length < sizeof shortPath ? std::string(shortPath) : saver;
  WritePrivateProfileString("boot", "SCRNSAVE.EXE", scrnsave.c_str(), "system.ini");

  SystemParametersInfo(SPI_SETSCREENSAVETIMEOUT, static_cast<UINT>(m_nDelayMinutes * 60), nullptr,
                       SPIF_UPDATEINIFILE);
  m_control.WriteInt(kSection, settings::kInMinutes, IsDlgButtonChecked(IDC_SAVER_MINUTES) ? 1 : 0);
  m_control.WriteInt(kSection, settings::kTimeBetween, m_nTimeBetween);
  m_control.WriteInt(kSection, settings::kCurrentImageNumber, 1);
  m_control.WriteInt(kSection, settings::kShowTextDescription, m_nShowTitles);
  m_control.WriteInt(kSection, settings::kShowInterpretiveText, m_nDescriptiveText);
  m_control.WriteString(kSection, settings::kInterpretiveTextLanguage, GetDlgItemText(IDC_SAVER_LANGUAGE));
  m_control.WriteInt(kSection, settings::kTransition, m_nTransition);
  m_control.WriteString(kSection, settings::kProgramPath, m_strProgramFolder);
  m_control.WriteInt(kSection, settings::kPanoramicSpeed,
                     kSlowest + kFastest - CSliderCtrl(GetDlgItem(IDC_SAVER_SPEED)).GetPos());
  return CPropertyPage::OnApply();
}

void CScreenSaverPage::OnPaint(HDC dc) {
  StretchBitmap(dc, m_hMonitorBitmap, m_rcMonitor);
}
