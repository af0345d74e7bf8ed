#pragma once
// The two dialogs in which the Edit Sets page chooses a whole set to act on: Remove Set
// (with the choice of deleting the set's files, and a refusal to remove the last set) and
// Restore Set (which asks before it closes). The caller fills the names, runs the dialog
// and, on IDOK, reads the chosen name.
#include <string>
#include <vector>

#include "platform/framework.h"

class CSetListDlg : public CDialog {
 public:
  explicit CSetListDlg(UINT templateId) : CDialog(templateId) {}

  std::vector<std::string> m_names;  // what the list offers
  std::string m_strChosen;           // the selected name once the dialog ends with IDOK

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnSelchangeList();

  DECLARE_MESSAGE_MAP()
};

class CRemoveSetDlg : public CSetListDlg {
 public:
  CRemoveSetDlg();
  int m_nRemoveFiles = 0;  // "R&emove image files from disk" ticked

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  void OnOK() override;
};

class CRestoreSetDlg : public CSetListDlg {
 public:
  CRestoreSetDlg();

 protected:
  void OnOK() override;
};

// The name of a set to be made from a folder of photos: proposed by the caller, and
// checked as the installer checks it before the dialog may close; a refused name is said
// and the dialog stays open for another.
class CNewSetNameDlg : public CDialog {
 public:
  CNewSetNameDlg();

  std::string m_strProgramFolder;
  std::string m_strName;    // UTF-8: the proposal, then what the user typed
  std::string m_strStored;  // the name as the catalogue keeps it, once the dialog ends with IDOK

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  void OnOK() override;
};

// The text of a string resource with the set name in place of every "%s".
std::string FormatSetMessage(unsigned stringId, const std::string& set);
