#pragma once
// The About page: the logo, the product version, the JPEG library's acknowledgement, the
// screen's size and colours, and the company block of the current set's company.ini (or,
// when that has no introduction, of the program folder's company.ini).
#include <string>

#include "platform/propsheet.h"

class CAbout : public CPropertyPage {
 public:
  CAbout();
  ~CAbout() override;

  BOOL OnInitDialog() override;
  void DoDataExchange(CPageDataExchange* pDX) override;
  void OnPaint(HDC dc) override;

  // The colours text for a screen of `bits` = colour planes x bits per pixel.
  static std::string ColorsText(int bits);

  std::string m_strColors;
  std::string m_strHeight;
  std::string m_strWidth;
  std::string m_strIntroduction;
  std::string m_strCityStateZip;
  std::string m_strCompanyName;
  std::string m_strPhone;
  std::string m_strStreetAddress;
  std::string m_strWebSite;

  HBITMAP m_hLogo = nullptr;  // owned
  RECT m_rcLogo;
};
