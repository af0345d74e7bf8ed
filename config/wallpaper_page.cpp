#include "config/wallpaper_page.h"

#include <algorithm>

#include "config/draw_bitmap.h"
#include "config/image_info_dlg.h"
#include "config/resource.h"
#include "config/set_dialogs.h"
#include "config/ssconfig.h"
#include "imagelib/catalogue.h"
#include "imagelib/last_date.h"
#include "imagelib/settings_keys.h"
#include "platform/controls.h"
#include "platform/folder_ops.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/resources_tables.h"
#include "platform/screen.h"
#include "platform/shortcut.h"
#include "platform/wallpaper.h"

namespace {
constexpr const char* kConfig = settings::kConfigSection;
using settings::ChangeInterval;

// A stored value outside its range counts as missing, which makes it 0.
int ReadChoice(const CProfileFile& ini, const char* key, int highest) {
  int value = ini.ReadInt(kConfig, key);
  return value < 0 || value > highest ? 0 : value;
}

// The first set of the sorted combo box. "All Image Sets" may sort before the sets; it is
// no set, and taking it for one would leave the page with an empty picture list.
int FirstSetEntry(const CComboBox& combo) {
  if (combo.GetCount() > 1 && combo.GetLBText(0) == LoadStringResource(IDS_ALL_IMAGE_SETS)) return 1;
  return 0;
}

// The desktop may be one whose background this system cannot set (an unknown Wayland
// desktop) or may refuse: the user must not be left thinking it worked.
void tellWhenNotShown() {
  const WallpaperReport shown = LastWallpaperReport();
  if (shown.result != WallpaperShown::CannotSet && shown.result != WallpaperShown::Failed) return;
  std::string text = shown.message;
  if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 'a' + 'A');
  MessageBox(nullptr, (text + ".").c_str(), ApplicationTitle().c_str(), MB_OK | MB_ICONWARNING);
}
}  // namespace

BEGIN_MESSAGE_MAP(CWallpaperPage, CPropertyPage)
  ON_CBN_SELCHANGE(IDC_SETS, OnSelchangeSets)
  ON_LBN_SELCHANGE(IDC_PICTURES, OnSelchangePictures)
  ON_BN_CLICKED(IDC_IMAGE_INFO, OnImageInfo)
  ON_BN_CLICKED(IDC_WALLPAPER_ON, OnWallpaperOnOff)
  ON_BN_CLICKED(IDC_WALLPAPER_OFF, OnWallpaperOnOff)
  ON_BN_CLICKED(IDC_EVERY_DAY, OnInterval)
  ON_BN_CLICKED(IDC_EVERY_2ND_DAY, OnInterval)
  ON_BN_CLICKED(IDC_WEEKLY, OnInterval)
  ON_BN_CLICKED(IDC_MANUAL, OnInterval)
  ON_BN_CLICKED(IDC_STRETCH, OnStretch)
END_MESSAGE_MAP()

CWallpaperPage::CWallpaperPage() : CPropertyPage(IDD_WALLPAPER) {
  if (CSsconfigApp* app = GetConfigApp()) m_ini.SetFile(app->m_strProgramFolder + catalogue::kMainSettingsFile);
}

CWallpaperPage::~CWallpaperPage() { m_wndMonitor.DestroyWindow(); }

void CWallpaperPage::DoDataExchange(CPageDataExchange* pDX) {
  CPropertyPage::DoDataExchange(pDX);
  DDX_Check(pDX, IDC_STRETCH, m_nStretch);
  DDX_LBString(pDX, IDC_PICTURES, m_strListSelection);
  DDX_Radio(pDX, IDC_EVERY_DAY, m_nChangeInterval);
  DDX_Radio(pDX, IDC_WALLPAPER_ON, m_nWallpaperOff);
}

BOOL CWallpaperPage::OnInitDialog() {
  m_nChangeInterval = ReadChoice(m_ini, settings::kChangeImage, static_cast<int>(ChangeInterval::Manual));
  m_nStretch = ReadChoice(m_ini, settings::kStretchWallpaper, 1);
  m_nWallpaperOff = ReadChoice(m_ini, "Wallpaper Disabled", 1);
  CPropertyPage::OnInitDialog();

  // The monitor sits centred between the list and the page's right edge, and between the
  // stretch box and the Image Info button. It has the size of its dialog units, in the
  // picture's proportions, and less where the controls' text leaves it less room.
  RECT list = GetDlgItem(IDC_PICTURES).GetRect();
  RECT check = GetDlgItem(IDC_STRETCH).GetRect();
  RECT button = GetDlgItem(IDC_IMAGE_INFO).GetRect();
  RECT page = GetClientRect();
  RECT size, gap;
  SetRect(&size, 0, 0, kMonitorWidthUnits, kMonitorHeightUnits);
  SetRect(&gap, 0, 0, 2, 2);
  MapDialogRect(&size);
  MapDialogRect(&gap);
  const double scale = std::min({double(size.right) / kMonitorBitmapWidth, double(size.bottom) / kMonitorBitmapHeight,
                                 double(page.right - list.right - 2 * gap.right) / kMonitorBitmapWidth,
                                 double(button.top - check.bottom - 2 * gap.bottom) / kMonitorBitmapHeight});
  const int width = static_cast<int>(kMonitorBitmapWidth * scale), height = static_cast<int>(kMonitorBitmapHeight * scale);
  m_rcMonitor.left = list.right + (page.right - list.right - width) / 2;
  m_rcMonitor.right = m_rcMonitor.left + width;
  m_rcMonitor.top = check.bottom + (button.top - check.bottom - height) / 2;
  m_rcMonitor.bottom = m_rcMonitor.top + height;
  if (CSsconfigApp* app = GetConfigApp()) app->m_rcMonitor = m_rcMonitor;

  // The running program's own folder: the published "ProgramPath" is only for other
  // programs, and a value in a file could point the decoder and the log-on entry anywhere.
  CSsconfigApp* app = GetConfigApp();
  m_strProgramFolder = WithTrailingSeparator(app ? app->m_strProgramFolder : ProgramFolder());
  // The preview is made even without sets, which Edit Sets may restore in this session.
  m_wndMonitor.Create(MonitorScreenArea(m_rcMonitor), this, IDC_MONITOR_WINDOW);

  if (!FillSetCombo()) return TRUE;

  int allSets = m_ini.ReadInt(kConfig, settings::kUseAllImages);
  // Only 1 means all sets, as quillrun and the saver read it.
  m_nAllSets = allSets == 1 ? 1 : 0;
  m_ini.ReadString(kConfig, settings::kCurrentSet, m_strCurrentSet);

  CComboBox combo(GetDlgItem(IDC_SETS));
  bool found = combo.SelectString(-1, m_nAllSets ? LoadStringResource(IDS_ALL_IMAGE_SETS) : m_strCurrentSet) != CB_ERR;
  if (!found) combo.SetCurSel(FirstSetEntry(combo));
  // The set shown is the set used, also when the stored name only began it.
  if (!found || !m_nAllSets) m_strCurrentSet = combo.GetLBText(combo.GetCurSel());

  FillPictureList();

  m_ini.ReadString(kConfig, settings::kCurrentImage, m_strCurrentPicture);
  if (m_strCurrentPicture == CProfileFile::kNotAvailable) m_strCurrentPicture.clear();
  CListBox pictures(GetDlgItem(IDC_PICTURES));
  if (m_nAllSets) {
    pictures.EnableWindow(FALSE);
    if (!found) pictures.SetCurSel(0);
  } else if (m_strCurrentPicture.empty() || pictures.SelectString(-1, m_strCurrentPicture) == LB_ERR) {
    pictures.SetCurSel(0);
  }

  OnSelchangePictures();

  if (m_nAllSets && !m_strCurrentPicture.empty()) ShowPictureOf(m_strCurrentPicture);
  return TRUE;
}

bool CWallpaperPage::FillSetCombo() {
  CComboBox combo(GetDlgItem(IDC_SETS));
  combo.ResetContent();
  std::vector<std::string> sets = ListSetNames(m_ini);
  for (const std::string& set : sets) combo.AddString(set);
  if (sets.size() >= 2) combo.AddString(LoadStringResource(IDS_ALL_IMAGE_SETS));
  if (sets.empty()) {
    AfxMessageBox(IDS_NO_SETS, MB_OK);
    return false;
  }
  return true;
}

void CWallpaperPage::FillPictureList() {
  CListBox pictures(GetDlgItem(IDC_PICTURES));
  pictures.ResetContent();
  std::vector<std::string> names;
  if (m_nAllSets) {
    SetDlgItemText(IDC_PICTURES_LABEL, LoadStringResource(IDS_WALLPAPER_IMAGE_SETS));
    names = ListSetNames(m_ini);
  } else {
    SetDlgItemText(IDC_PICTURES_LABEL, LoadStringResource(IDS_WALLPAPER_IMAGES));
    names = ListPictureNames(m_ini, m_strCurrentSet);
  }
  for (const std::string& name : names) pictures.AddString(name);
}

// The picture and information file paths of a picture of the current set, and its thumbnail in the preview.
void CWallpaperPage::ShowPictureOf(const std::string& picture) {
  PictureFiles files = GetPictureFiles(m_ini, m_strProgramFolder, m_strCurrentSet, picture, false);
  m_strPictureFile = files.jpg;
  m_strInfoFile = files.nfo;
  m_wndMonitor.ShowPicture(files.bmp);
}

void CWallpaperPage::OnSelchangeSets() {
  CComboBox combo(GetDlgItem(IDC_SETS));
  std::string text = combo.GetLBText(combo.GetCurSel());
  if (text == m_strCurrentSet && !m_nAllSets) return;
  CListBox pictures(GetDlgItem(IDC_PICTURES));
  if (text == LoadStringResource(IDS_ALL_IMAGE_SETS)) {
    m_nAllSets = 1;
    pictures.EnableWindow(FALSE);
  } else {
    m_strCurrentSet = text;
    m_nAllSets = 0;
    pictures.EnableWindow(TRUE);
  }
  FillPictureList();
  if (!m_nAllSets) {
    pictures.SetCurSel(0);
    if (pictures.GetCount() == 0) {
      m_wndMonitor.Clear();
      m_strCurrentPicture.clear();
    } else {
      OnSelchangePictures();
    }
  }
  SetModified(TRUE);
}

void CWallpaperPage::OnSelchangePictures() {
  if (m_nAllSets) {
    EnableDlgItem(IDC_IMAGE_INFO, FALSE);
    return;
  }
  SetModified(TRUE);
  CListBox pictures(GetDlgItem(IDC_PICTURES));
  int selected = pictures.GetCurSel();
  if (selected == LB_ERR) {
    // A set without pictures: nothing to show and nothing to describe.
    m_strCurrentPicture.clear();
    m_wndMonitor.Clear();
    EnableDlgItem(IDC_IMAGE_INFO, FALSE);
    return;
  }
  m_strCurrentPicture = pictures.GetText(selected);
  ShowPictureOf(m_strCurrentPicture);
  EnableDlgItem(IDC_IMAGE_INFO, TRUE);
}

void CWallpaperPage::OnInterval() { SetModified(TRUE); }

void CWallpaperPage::OnStretch() {
  SetModified(TRUE);
  m_nStretchChanged = !m_nStretchChanged;
}

void CWallpaperPage::OnWallpaperOnOff() { m_nOnOffClicked = 1; }

void CWallpaperPage::OnImageInfo() {
  if (m_strCurrentPicture.empty()) return;
  PictureFiles files = GetPictureFiles(m_ini, m_strProgramFolder, m_strCurrentSet, m_strCurrentPicture, false);
  CImageInfoDlg dialog;
  dialog.m_strInfoFile = files.nfo;
  dialog.m_strSetFolderPath = files.setFolderPath;
  dialog.m_strPictureName = m_strCurrentPicture;
  dialog.DoModal();
}

void CWallpaperPage::OnPaint(HDC dc) {
  if (CSsconfigApp* app = GetConfigApp()) StretchBitmap(dc, app->m_hMonitorBitmap, m_rcMonitor);
}

void CWallpaperPage::SelectCurrentSet() {
  CComboBox combo(GetDlgItem(IDC_SETS));
  std::string wanted = m_nAllSets ? LoadStringResource(IDS_ALL_IMAGE_SETS) : m_strCurrentSet;
  if (combo.SelectString(-1, wanted) == CB_ERR) {
    combo.SetCurSel(FirstSetEntry(combo));
    m_strCurrentSet = combo.GetLBText(combo.GetCurSel());
  } else if (!m_nAllSets) {
    m_strCurrentSet = combo.GetLBText(combo.GetCurSel());
  }
}

BOOL CWallpaperPage::OnSetActive() {
  if (m_bFirstActivation) {
    m_bFirstActivation = false;
  } else if (FillSetCombo()) {
    // The Edit Sets page may have changed the sets since this page was last shown.
    SelectCurrentSet();
    FillPictureList();
    if (!m_nAllSets) {
      CListBox pictures(GetDlgItem(IDC_PICTURES));
      if (m_strCurrentPicture.empty() || pictures.SelectString(-1, m_strCurrentPicture) == LB_ERR) {
        pictures.SetCurSel(0);
        OnSelchangePictures();
      }
    }
  } else {
    CListBox(GetDlgItem(IDC_PICTURES)).ResetContent();
    m_strCurrentPicture.clear();
    m_wndMonitor.Clear();
  }
  return CPropertyPage::OnSetActive();
}

bool CWallpaperPage::StartupShortcutPath(std::string& path) {
  std::string folder;
  if (!GetStartupFolder(folder)) return false;
  path = WithTrailingSeparator(folder) + ShortcutFileName(LoadStringResource(IDS_SHORTCUT_NAME));
  return true;
}

void CWallpaperPage::UpdateStartupShortcut(bool create, const std::string& programFolder) {
  std::string path;
  if (!StartupShortcutPath(path)) return;
  if (!create) {
    std::remove(NativePath(path).c_str());
    return;
  }
  if (FileExists(path)) return;
  CShellLink link;
  link.SetPath(programFolder + "quillrun");
  link.SetDescription(LoadStringResource(IDS_SHORTCUT_DESCRIPTION));
  link.Save(path);
}

BOOL CWallpaperPage::OnApply() {
  if (m_strCurrentPicture.empty() && !m_nAllSets) {
    AfxMessageBox(IDS_NO_PICTURE_SELECTED, MB_OK);
    return FALSE;
  }
  UpdateData(TRUE);
  const bool off = m_nWallpaperOff == 1;
  std::string storedPicture, storedSet;
  m_ini.ReadString(kConfig, settings::kCurrentImage, storedPicture);
  m_ini.ReadString(kConfig, settings::kCurrentSet, storedSet);
  // No picture file is a picture whose files lie outside its set: nothing to show.
  const bool convert = !off && !m_strCurrentPicture.empty() && !m_strPictureFile.empty() &&
                       (m_strCurrentPicture != storedPicture || m_strCurrentSet != storedSet ||
                        m_nStretchChanged || m_nOnOffClicked);
  // A picture whose file is gone (or its whole set folder) cannot become the wallpaper;
  // storing it and keeping the old bitmap would report a failure as success.
  if (convert && PathIsMissing(m_strPictureFile)) {
    AfxMessageBox(FormatSetMessage(IDS_PICTURE_MISSING, m_strCurrentPicture), MB_OK | MB_ICONWARNING);
    return FALSE;
  }
  m_ini.WriteInt(kConfig, settings::kUseAllImages, m_nAllSets);
  m_ini.WriteInt(kConfig, settings::kStretchWallpaper, IsDlgButtonChecked(IDC_STRETCH) ? 1 : 0);
  m_ini.WriteInt(kConfig, "Wallpaper Disabled", off ? 1 : 0);

  if (off) {
    if (AfxMessageBox(IDS_REMOVE_WALLPAPER, MB_YESNO | MB_ICONQUESTION) != IDYES) return FALSE;
    m_ini.WriteInt(kConfig, settings::kChangeImage, static_cast<int>(ChangeInterval::Manual));
    SystemParametersInfo(SPI_SETDESKWALLPAPER, 0, const_cast<char*>("(None)"), SPIF_UPDATEINIFILE);
    tellWhenNotShown();
    UpdateStartupShortcut(false, m_strProgramFolder);
    return CPropertyPage::OnApply();
  }

  // No interval chosen counts as the first one, as a missing setting does.
  const int manual = static_cast<int>(ChangeInterval::Manual);
  int interval = m_nChangeInterval < 0 || m_nChangeInterval > manual ? 0 : m_nChangeInterval;
  m_ini.WriteInt(kConfig, settings::kChangeImage, interval);
  UpdateStartupShortcut(interval != manual, m_strProgramFolder);

  if (convert) {
    m_nStretchChanged = 0;
    CSsconfigApp* app = GetConfigApp();
    std::string windowsDirectory = app ? app->m_strWindowsDirectory : WithTrailingSeparator(WindowsDirectory());
    ScreenMetrics screen = GetScreenMetrics();
    DeviceColorDepth depth{screen.bitsPerPixel, screen.planes};
    ApplyWallpaperPicture(m_strPictureFile, m_strInfoFile, WallpaperBitmapPath(windowsDirectory),
                          m_strProgramFolder, m_nStretch, depth, m_decoder);
    tellWhenNotShown();
    m_ini.WriteString(kConfig, settings::kCurrentImage, m_strCurrentPicture);
  }
  m_ini.WriteString(kConfig, settings::kCurrentSet, m_strCurrentSet);
  m_ini.WriteString(kConfig, settings::kLastDate, FormatLastDate(LocalNow()));
  if (m_nAllSets) CComboBox(GetDlgItem(IDC_SETS)).SelectString(-1, LoadStringResource(IDS_ALL_IMAGE_SETS));
  return CPropertyPage::OnApply();
}

void CWallpaperPage::OnCancel() {
  CSsconfigApp* app = GetConfigApp();
  if (app && app->m_nNewInstall) AfxMessageBox(IDS_SETUP_NOT_COMPLETE, MB_OK);
  CPropertyPage::OnCancel();
}
