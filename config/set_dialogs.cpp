#include "config/set_dialogs.h"

#include "config/page_ids.h"
#include "imagelib/photo_set.h"
#include "platform/dialog_items.h"
#include "platform/dialog_template.h"
#include "platform/message_box.h"
#include "platform/resources_tables.h"

namespace {
const StringResourceRegistration kStrings[] = {
    {IDS_LEAVE_ONE_SET,
     "You must leave at least one set installed. Please use the Windows Add/Remove programs if you "
     "would like to remove the program from your machine."},
    {IDS_RESTORE_SET, "The set %s will be restored to its installation state. Would you like to continue?"},
    {IDS_NEW_SET_NAME_REFUSED, "This name cannot be used: %s.\n\nPlease choose another name."},
};

constexpr DWORD kSetListOptions = ctl::Sort | ctl::TabStop;

DialogTemplate RemoveSetTemplate() {
  using K = ControlKind;
  DialogTemplate t;
  t.id = IDD_REMOVE_SET;
  t.caption = "Remove Set";
  t.cx = 186;
  t.cy = 149;
  t.styles = dlg::ModalFrame | dlg::Caption | dlg::SysMenu;
  t.controls = {
      {IDOK, K::DefPushButton, "&Remove", 72, 128, 50, 14, ctl::TabStop},
      {IDCANCEL, K::PushButton, "Cancel", 129, 128, 50, 14, ctl::TabStop},
      {-1, K::StaticText, "&Installed image sets", 7, 7, 62, 8, 0},
      {IDC_SET_LIST, K::ListBox, "", 7, 17, 172, 92, kSetListOptions},
      {IDC_REMOVE_FILES, K::CheckBox, "R&emove image files from disk", 38, 113, 107, 10, ctl::TabStop},
  };
  return t;
}

DialogTemplate RestoreSetTemplate() {
  using K = ControlKind;
  DialogTemplate t;
  t.id = IDD_RESTORE_SET;
  t.caption = "Restore Set";
  t.cx = 186;
  t.cy = 137;
  t.styles = dlg::ModalFrame | dlg::Caption | dlg::SysMenu;
  t.controls = {
      {IDOK, K::DefPushButton, "&Restore", 73, 116, 50, 14, ctl::TabStop},
      {IDCANCEL, K::PushButton, "Cancel", 129, 116, 50, 14, ctl::TabStop},
      {-1, K::StaticText, "&Installed image sets:", 7, 7, 64, 8, 0},
      {IDC_SET_LIST, K::ListBox, "", 7, 17, 172, 93, kSetListOptions},
  };
  return t;
}

DialogTemplate NewSetNameTemplate() {
  using K = ControlKind;
  DialogTemplate t;
  t.id = IDD_NEW_SET_NAME;
  t.caption = "New Set from Folder";
  t.cx = 186;
  t.cy = 61;
  t.styles = dlg::ModalFrame | dlg::Caption | dlg::SysMenu;
  t.controls = {
      {-1, K::StaticText, "&Name of the new image set:", 7, 7, 172, 8, 0},
      {IDC_NEW_SET_NAME, K::Edit, "", 7, 18, 172, 13, ctl::TabStop},
      {IDOK, K::DefPushButton, "OK", 73, 40, 50, 14, ctl::TabStop},
      {IDCANCEL, K::PushButton, "Cancel", 129, 40, 50, 14, ctl::TabStop},
  };
  return t;
}

const DialogTemplateRegistration kRemoveTemplate{RemoveSetTemplate()};
const DialogTemplateRegistration kNewSetNameTemplate{NewSetNameTemplate()};
const DialogTemplateRegistration kRestoreTemplate{RestoreSetTemplate()};

// The message's text with the set name in place of every "%s".
std::string WithSetName(const std::string& text, const std::string& set) {
  std::string result;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "%s") == 0) {
      result += set;
      ++i;
    } else {
      result += text[i];
    }
  }
  return result;
}
}  // namespace

std::string FormatSetMessage(unsigned stringId, const std::string& set) {
  return WithSetName(LoadStringResource(stringId), set);
}

BEGIN_MESSAGE_MAP(CSetListDlg, CDialog)
  ON_LBN_SELCHANGE(IDC_SET_LIST, OnSelchangeList)
END_MESSAGE_MAP()

void CSetListDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  CListBox list(GetDialogItem(*this, IDC_SET_LIST));
  if (pDX->m_bSaveAndValidate) {
    int selected = list.GetCurSel();
    m_strChosen = selected == LB_ERR ? std::string() : list.GetText(selected);
  } else if (!m_strChosen.empty()) {
    list.SelectString(-1, m_strChosen);
  }
}

BOOL CSetListDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  GetDialogItem(*this, IDOK).EnableWindow(FALSE);
  CListBox list(GetDialogItem(*this, IDC_SET_LIST));
  for (const std::string& name : m_names) list.AddString(name);
  return TRUE;
}

void CSetListDlg::OnSelchangeList() {
  if (CListBox(GetDialogItem(*this, IDC_SET_LIST)).GetCurSel() != LB_ERR)
    GetDialogItem(*this, IDOK).EnableWindow(TRUE);
}

CRemoveSetDlg::CRemoveSetDlg() : CSetListDlg(IDD_REMOVE_SET) {}

void CRemoveSetDlg::DoDataExchange(CDataExchange* pDX) {
  CSetListDlg::DoDataExchange(pDX);
  DDX_Check(pDX, IDC_REMOVE_FILES, m_nRemoveFiles);
}

void CRemoveSetDlg::OnOK() {
  UpdateData(TRUE);
  // Enter can reach the button before any set is chosen; there is nothing to remove then.
  if (m_strChosen.empty()) return;
  if (CListBox(GetDialogItem(*this, IDC_SET_LIST)).GetCount() == 1) {
    AfxMessageBox(IDS_LEAVE_ONE_SET, MB_OK | MB_ICONWARNING);
    return;
  }
  EndDialog(IDOK);
}

CRestoreSetDlg::CRestoreSetDlg() : CSetListDlg(IDD_RESTORE_SET) {}

void CRestoreSetDlg::OnOK() {
  UpdateData(TRUE);
  if (m_strChosen.empty()) return;
  if (AfxMessageBox(FormatSetMessage(IDS_RESTORE_SET, m_strChosen), MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  EndDialog(IDOK);
}

CNewSetNameDlg::CNewSetNameDlg() : CDialog(IDD_NEW_SET_NAME) {}

void CNewSetNameDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_NEW_SET_NAME, m_strName);
}

void CNewSetNameDlg::OnOK() {
  UpdateData(TRUE);
  if (std::string problem = photos::NewSetProblem(m_strProgramFolder, m_strName, m_strStored); !problem.empty()) {
    AfxMessageBox(FormatSetMessage(IDS_NEW_SET_NAME_REFUSED, problem), MB_OK | MB_ICONWARNING);
    return;
  }
  EndDialog(IDOK);
}
