#include "config/image_info_dlg.h"

#include "config/resource.h"
#include "imagelib/info_file.h"
#include "imagelib/profile_file.h"

CImageInfoDlg::CImageInfoDlg(CWnd* parent) : CDialog(IDD_IMAGE_INFO, parent) {}

void CImageInfoDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_INFO_TITLE, m_strTitle);
  DDX_Text(pDX, IDC_INFO_TEXT, m_strInformation);
  DDX_Text(pDX, IDC_INFO_ADDITIONAL, m_strAdditional);
}

BOOL CImageInfoDlg::OnInitDialog() {
  // Empty paths stand for files that lie outside the set, which are not read.
  PictureInfoTexts texts = ReadPictureInfoTexts(
      m_strInfoFile,
      m_strSetFolderPath.empty() ? std::string() : m_strSetFolderPath + infofile::kSetInfoFile,
      m_strPictureName);
  m_strTitle = texts.title;
  m_strInformation = texts.information;
  m_strAdditional = texts.additional;
  m_strOrder = texts.order;
  CDialog::OnInitDialog();
  if (m_strOrder != CProfileFile::kNotAvailable) SetDlgItemText(IDC_INFO_CONTACT, m_strOrder);
  return TRUE;
}
