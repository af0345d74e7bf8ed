#include "config/edit_sets_page.h"

#include <filesystem>

#include "config/arrows.h"
#include "config/draw_bitmap.h"
#include "config/page_ids.h"
#include "config/resource.h"
#include "config/set_dialogs.h"
#include "config/ssconfig.h"
#include "imagelib/catalogue.h"
#include "imagelib/photo_set.h"
#include "platform/controls.h"
#include "platform/dialog_template.h"
#include "platform/folder_ops.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/resources_tables.h"
#include "platform/shell_dialogs.h"

namespace {
const StringResourceRegistration kStrings[] = {
    {IDS_NO_SETS_TO_DELETE, "There are no sets available to delete."},
    {IDS_DELETE_SET, "Are you sure you would like to delete the set %s?"},
    {IDS_DELETE_SET_AND_FILES,
     "You are about to delete the set %s and delete the image files from your hard drive. You will not be "
     "able to restore this set unless you reinstall it from the original disks.\n\nAre you sure you would "
     "like to delete the set %s and remove the image files from your hard drive? "},
    {IDS_SET_FILES_KEPT,
     "The set %s was deleted, but its image files were not all removed from your hard drive: its folder "
     "lies outside the program folder, holds another set as well, or could not be emptied."},
    {IDS_CHOOSE_PHOTO_FOLDER, "Choose the folder of photos for the new image set"},
    {IDS_NEW_SET_FAILED, "No image set was made: %s."},
    {IDS_NEW_SET_SKIPPED,
     "The set %s was made. Some files of the folder were left out because they could not be read as "
     "pictures or are links."},
};

DialogTemplate EditSetsTemplate() {
  using K = ControlKind;
  const DWORD list = ctl::Sort | ctl::TabStop;
  DialogTemplate t;
  t.id = IDD_EDIT_SETS;
  t.caption = "Edit Sets";
  t.cx = 313;
  t.cy = 210;
  t.controls = {
      {-1, K::StaticText, "&Image set to edit:", 4, 4, 55, 8, 0},
      {IDC_EDIT_SET_CHOOSER, K::ComboBox, "", 4, 15, 158, 80, ctl::DropDownList | ctl::Sort | ctl::TabStop},
      {IDC_EDIT_PICTURES, K::ListBox, "", 4, 31, 158, 60, list},
      {IDC_EDIT_REMOVE, K::PushButton, "R&emove", 4, 95, 50, 14, ctl::TabStop},
      {IDC_EDIT_ADD, K::PushButton, "&Add", 111, 95, 50, 14, ctl::TabStop},
      {IDC_EDIT_REMOVED_LABEL, K::StaticText, "Re&moved Images", 4, 113, 56, 8, 0},
      {IDC_EDIT_REMOVED, K::ListBox, "", 4, 124, 158, 82, list},
      {IDC_EDIT_REMOVE_SET, K::PushButton, "&Remove Set...", 176, 15, 50, 14, ctl::TabStop},
      {IDC_EDIT_RESTORE_SET, K::PushButton, "Restore &Set...", 248, 15, 50, 14, ctl::TabStop},
      // Under the two whole-set buttons and as wide as both: it acts on whole sets too.
      {IDC_EDIT_NEW_SET, K::PushButton, "New Set from &Folder...", 176, 33, 122, 14, ctl::TabStop},
  };
  return t;
}
const DialogTemplateRegistration kTemplate{EditSetsTemplate()};

struct ArrowRegistrations {
  ArrowRegistrations() {
    RegisterBitmapResource(IDB_DOWN_ARROW, kArrowWidth, kArrowHeight, PaintDownArrow);
    RegisterBitmapResource(IDB_UP_ARROW, kArrowWidth, kArrowHeight, PaintUpArrow);
  }
} kArrows;

}  // namespace

BEGIN_MESSAGE_MAP(CEditSetsDlg, CPropertyPage)
  ON_CBN_SELCHANGE(IDC_EDIT_SET_CHOOSER, OnSelchangeSet)
  ON_LBN_SELCHANGE(IDC_EDIT_PICTURES, OnSelchangePictures)
  ON_LBN_SELCHANGE(IDC_EDIT_REMOVED, OnSelchangeRemoved)
  ON_BN_CLICKED(IDC_EDIT_REMOVE, OnRemovePicture)
  ON_BN_CLICKED(IDC_EDIT_ADD, OnAddPicture)
  ON_BN_CLICKED(IDC_EDIT_REMOVE_SET, OnRemoveSet)
  ON_BN_CLICKED(IDC_EDIT_RESTORE_SET, OnRestoreSet)
  ON_BN_CLICKED(IDC_EDIT_NEW_SET, OnNewSetFromFolder)
  ON_LBN_DBLCLK(IDC_EDIT_PICTURES, OnRemovePicture)
  ON_LBN_DBLCLK(IDC_EDIT_REMOVED, OnAddPicture)
END_MESSAGE_MAP()

CEditSetsDlg::CEditSetsDlg() : CPropertyPage(IDD_EDIT_SETS) {
  SetRect(&m_rcMonitor, 0, 0, 0, 0);
  m_pApp = GetConfigApp();
  if (m_pApp) m_ini.SetFile(m_pApp->m_strProgramFolder + catalogue::kMainSettingsFile);
  m_hDownArrow = LoadBitmapResource(IDB_DOWN_ARROW);
  m_hUpArrow = LoadBitmapResource(IDB_UP_ARROW);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  if (m_hDownArrow) CSsconfigApp::ReplaceBackgroundColor(m_hDownArrow, face);
  if (m_hUpArrow) CSsconfigApp::ReplaceBackgroundColor(m_hUpArrow, face);
}

CEditSetsDlg::~CEditSetsDlg() {
  m_wndMonitor.DestroyWindow();
  if (m_hDownArrow) DeleteObject(m_hDownArrow);
  if (m_hUpArrow) DeleteObject(m_hUpArrow);
}

void CEditSetsDlg::DoDataExchange(CPageDataExchange* pDX) { CPropertyPage::DoDataExchange(pDX); }

BOOL CEditSetsDlg::OnInitDialog() {
  if (m_pApp) {
    m_hMonitorBitmap = m_pApp->m_hMonitorBitmap;
    m_rcMonitor = m_pApp->m_rcMonitor;
  }
  // The running program's own folder, never the published "ProgramPath": Remove Set
  // deletes below it, and a value in a file could name any folder of the user's.
  m_strProgramFolder = WithTrailingSeparator(m_pApp ? m_pApp->m_strProgramFolder : ProgramFolder());

  CPropertyPage::OnInitDialog();

  m_wndMonitor.Create(MonitorScreenArea(m_rcMonitor), this, IDC_MONITOR_WINDOW);

  FillSetChooser();
  CComboBox chooser(GetDlgItem(IDC_EDIT_SET_CHOOSER));
  chooser.SetCurSel(0);
  m_strCurrentSet = chooser.GetLBText(0);
  FillPictureLists();

  EnableDlgItem(IDC_EDIT_REMOVE, FALSE);
  EnableDlgItem(IDC_EDIT_ADD, FALSE);
  return TRUE;
}

void CEditSetsDlg::FillSetChooser() {
  CComboBox chooser(GetDlgItem(IDC_EDIT_SET_CHOOSER));
  chooser.ResetContent();
  for (const std::string& set : ListSetNames(m_ini)) chooser.AddString(set);
}

void CEditSetsDlg::FillPictureLists() {
  CListBox pictures(GetDlgItem(IDC_EDIT_PICTURES));
  pictures.ResetContent();
  CListBox removed(GetDlgItem(IDC_EDIT_REMOVED));
  removed.ResetContent();
  if (m_strCurrentSet.empty()) return;
  for (const std::string& name : ListPictureNames(m_ini, m_strCurrentSet)) pictures.AddString(name);
  for (const std::string& name : ListRemovedPictureNames(m_ini, m_strCurrentSet)) removed.AddString(name);
}

void CEditSetsDlg::ShowThumbnail(const std::string& picture, bool removed) {
  PictureFiles files = GetPictureFiles(m_ini, m_strProgramFolder, m_strCurrentSet, picture, removed);
  m_wndMonitor.ShowPicture(files.bmp);
}

void CEditSetsDlg::OnSelchangeSet() {
  CComboBox chooser(GetDlgItem(IDC_EDIT_SET_CHOOSER));
  m_strCurrentSet = chooser.GetLBText(chooser.GetCurSel());
  FillPictureLists();
  if (CListBox(GetDlgItem(IDC_EDIT_REMOVED)).GetCount() == 0) EnableDlgItem(IDC_EDIT_ADD, FALSE);
  // No picture of the new set is chosen yet; the old set's thumbnail does not stay.
  m_wndMonitor.Clear();
}

void CEditSetsDlg::OnSelchangePictures() {
  CListBox pictures(GetDlgItem(IDC_EDIT_PICTURES));
  int selected = pictures.GetCurSel();
  if (selected == LB_ERR) return;
  CListBox(GetDlgItem(IDC_EDIT_REMOVED)).SetCurSel(-1);
  EnableDlgItem(IDC_EDIT_REMOVE, TRUE);
  EnableDlgItem(IDC_EDIT_ADD, FALSE);
  ShowThumbnail(pictures.GetText(selected), false);
}

void CEditSetsDlg::OnSelchangeRemoved() {
  CListBox removed(GetDlgItem(IDC_EDIT_REMOVED));
  int selected = removed.GetCurSel();
  if (selected == LB_ERR) return;
  CListBox(GetDlgItem(IDC_EDIT_PICTURES)).SetCurSel(-1);
  EnableDlgItem(IDC_EDIT_ADD, TRUE);
  EnableDlgItem(IDC_EDIT_REMOVE, FALSE);
  ShowThumbnail(removed.GetText(selected), true);
}

void CEditSetsDlg::OnRemovePicture() {
  CListBox pictures(GetDlgItem(IDC_EDIT_PICTURES));
  int index = pictures.GetCurSel();
  if (index == LB_ERR || m_strCurrentSet.empty()) return;
  std::string picture = pictures.GetText(index);
  RemovePicture(m_ini, m_strCurrentSet, picture);
  FillPictureLists();
  if (pictures.SetCurSel(index > 0 ? index - 1 : 0) == LB_ERR) {
    // The set has no picture left to show.
    m_wndMonitor.Clear();
  } else {
    OnSelchangePictures();
  }
}

void CEditSetsDlg::OnAddPicture() {
  CListBox removed(GetDlgItem(IDC_EDIT_REMOVED));
  int index = removed.GetCurSel();
  if (index == LB_ERR || m_strCurrentSet.empty()) return;
  std::string picture = removed.GetText(index);
  RestorePicture(m_ini, m_strCurrentSet, picture);
  FillPictureLists();
  if (removed.SetCurSel(index > 0 ? index - 1 : 0) == LB_ERR) {
    m_wndMonitor.Invalidate(FALSE);
    EnableDlgItem(IDC_EDIT_ADD, FALSE);
  } else {
    OnSelchangeRemoved();
  }
}

void CEditSetsDlg::OnRemoveSet() {
  CRemoveSetDlg dialog;
  dialog.m_names = ListSetNames(m_ini);
  if (dialog.m_names.empty()) {
    AfxMessageBox(IDS_NO_SETS_TO_DELETE, MB_OK);
    return;
  }
  if (dialog.DoModal() != IDOK) return;
  const std::string set = dialog.m_strChosen;
  const bool withFiles = dialog.m_nRemoveFiles != 0;
  std::string question = FormatSetMessage(withFiles ? IDS_DELETE_SET_AND_FILES : IDS_DELETE_SET, set);
  if (AfxMessageBox(question, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  // Files the user asked to have deleted but that are still there must not go unmentioned.
  if (!RemoveSet(m_ini, m_strProgramFolder, set, withFiles) && withFiles)
    AfxMessageBox(FormatSetMessage(IDS_SET_FILES_KEPT, set), MB_OK | MB_ICONWARNING);

  CComboBox chooser(GetDlgItem(IDC_EDIT_SET_CHOOSER));
  // The chooser is filled again rather than only losing the one entry, so it shows what
  // the catalogue now holds.
  FillSetChooser();
  chooser.SetCurSel(0);
  OnSelchangeSet();
}

void CEditSetsDlg::OnRestoreSet() {
  CRestoreSetDlg dialog;
  dialog.m_names = ListInstalledSets();
  if (dialog.DoModal() != IDOK) return;
  const std::string set = dialog.m_strChosen;
  std::string programFolder = m_pApp ? m_pApp->m_strProgramFolder : m_strProgramFolder;
  bool restored = RestoreSet(m_ini, programFolder, set);
  // A failed restoration has taken the set out of the catalogue; the chooser follows it
  // either way.
  FillSetChooser();
  CComboBox chooser(GetDlgItem(IDC_EDIT_SET_CHOOSER));
  if (!restored || chooser.SelectString(-1, set) == CB_ERR) chooser.SetCurSel(0);
  OnSelchangeSet();
}

void CEditSetsDlg::OnNewSetFromFolder() {
  const std::string folder = BrowseForFolder(LoadStringResource(IDS_CHOOSE_PHOTO_FOLDER));
  if (folder.empty()) return;
  CNewSetNameDlg naming;
  naming.m_strProgramFolder = m_strProgramFolder;
  naming.m_strName = std::filesystem::path(folder).filename().string();
  if (naming.DoModal() != IDOK) return;
  const std::string set = naming.m_strStored;

  std::string setFolder, error;
  bool skipped = false;
  const bool finished = RunWithProgress(naming.m_strName, [&](const ProgressReport& report) {
    error = photos::MakeSet(m_strProgramFolder, folder, naming.m_strName, setFolder, [&](const photos::Step& step) {
      skipped = skipped || step.skipped;
      return report(step.done, step.total, step.line);
    });
  });
  if (!finished) {
    // Stopped by the user: the set folder is gone again, unless Cancel came after the last
    // photo, when the set was made all the same and goes now.
    if (error.empty() && !setFolder.empty())
      DeleteFolderFiles(m_strProgramFolder + setFolder.substr(0, setFolder.size() - 1));
    return;
  }
  if (error.empty()) {
    error = photos::AddMadeSet(m_strProgramFolder, set, setFolder);
    // Recorded but not in the catalogue (or the other way round) is half a set: none at all.
    if (!error.empty()) RemoveSet(m_ini, m_strProgramFolder, set, true);
  }
  if (!error.empty()) {
    AfxMessageBox(FormatSetMessage(IDS_NEW_SET_FAILED, error), MB_OK | MB_ICONWARNING);
    return;
  }
  // The other pages fill their set lists each time they are shown.
  FillSetChooser();
  CComboBox chooser(GetDlgItem(IDC_EDIT_SET_CHOOSER));
  if (chooser.SelectString(-1, set) == CB_ERR) chooser.SetCurSel(0);
  OnSelchangeSet();
  if (skipped) AfxMessageBox(FormatSetMessage(IDS_NEW_SET_SKIPPED, set), MB_OK | MB_ICONINFORMATION);
}

void CEditSetsDlg::OnOK() {}

BOOL CEditSetsDlg::OnApply() {
  OnOK();
  return TRUE;
}

void CEditSetsDlg::OnPaint(HDC dc) {
  StretchBitmap(dc, m_hMonitorBitmap, m_rcMonitor);
  // The arrows stand beside the buttons they belong to: with the old system font that put
  // them at pixels (84, 154) and (143, 154); measuring from the buttons keeps them there
  // whatever the font makes of the dialog units.
  const RECT remove = GetDlgItem(IDC_EDIT_REMOVE).GetRect();
  const RECT add = GetDlgItem(IDC_EDIT_ADD).GetRect();
  DrawBitmap(dc, m_hDownArrow, remove.right + 3, remove.top, kArrowWidth, kArrowHeight);
  DrawBitmap(dc, m_hUpArrow, add.left - 24, remove.top, kArrowWidth, kArrowHeight);
}
