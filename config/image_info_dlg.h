#pragma once
// The Image Information dialog: what a picture's information file (and, for the credit and
// the order text, its set's information file) says about the picture. It only reads.
#include <string>

#include "platform/framework.h"

class CImageInfoDlg : public CDialog {
 public:
  explicit CImageInfoDlg(CWnd* parent = nullptr);

  // Set by the caller before DoModal.
  std::string m_strSetFolderPath;  // program folder + set folder, with a trailing separator
  std::string m_strInfoFile;       // the picture's information file
  std::string m_strPictureName;    // the picture's key, also its section in its own file

  std::string m_strTitle;
  std::string m_strInformation;
  std::string m_strAdditional;
  std::string m_strOrder;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
};
