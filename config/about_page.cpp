#include "config/about_page.h"

#include <algorithm>
#include <cstdint>

#include "config/draw_bitmap.h"
#include "config/logo.h"
#include "config/page_ids.h"
#include "config/ssconfig.h"
#include "imagelib/catalogue.h"
#include "imagelib/profile_file.h"
#include "imagelib/settings_keys.h"
#include "platform/folder_ops.h"
#include "platform/dialog_template.h"
#include "platform/resources_tables.h"
#include "platform/screen.h"

namespace {
const StringResourceRegistration kStrings[] = {
    {IDS_PIXELS, "pixels"},
    {IDS_COLORS, "colors"},
};

DialogTemplate AboutTemplate() {
  using K = ControlKind;
  DialogTemplate t;
  t.id = IDD_ABOUT;
  t.caption = "About";
  t.cx = 313;
  t.cy = 210;
  t.controls = {
      {-1, K::StaticText, "Software by", 7, 7, 67, 9, 0},
      {-1, K::GroupBox, "", 7, 72, 299, 37, 0},
      {-1, K::StaticText,
       "Image compression software used in this software is based in part on the work of the Independent "
       "JPEG group.",
       15, 84, 284, 19, 0},
      {IDC_ABOUT_INTRODUCTION, K::StaticText, "", 7, 114, 143, 34, 0},
      {IDC_ABOUT_WEB_SITE, K::StaticText, "", 7, 151, 111, 8, 0},
      {IDC_ABOUT_COMPANY, K::StaticText, "", 7, 162, 111, 8, 0},
      {IDC_ABOUT_STREET, K::StaticText, "", 7, 172, 111, 8, 0},
      {IDC_ABOUT_CITY, K::StaticText, "", 7, 183, 111, 8, 0},
      {IDC_ABOUT_PHONE, K::StaticText, "", 7, 194, 111, 8, 0},
      {-1, K::StaticText, "Screen Information:", 199, 151, 62, 8, 0},
      {-1, K::StaticText, "Width:", 217, 162, 22, 8, 0},
      {IDC_ABOUT_WIDTH, K::StaticText, "", 242, 162, 64, 8, 0},
      {-1, K::StaticText, "Height:", 217, 173, 24, 8, 0},
      {IDC_ABOUT_HEIGHT, K::StaticText, "", 242, 173, 66, 8, 0},
      {-1, K::StaticText, "Colors:", 217, 184, 22, 8, 0},
      {IDC_ABOUT_COLORS, K::StaticText, "", 242, 184, 66, 8, 0},
      {-1, K::StaticText, "Product Version 2.3", 217, 195, 79, 8, 0},
  };
  return t;
}
const DialogTemplateRegistration kTemplate{AboutTemplate()};

struct LogoRegistration {
  LogoRegistration() { RegisterBitmapResource(IDB_LOGO, kLogoWidth, kLogoHeight, PaintLogo); }
} kLogo;

constexpr const char* kCompanySection = "Company";
constexpr const char* kCompanyFile = settings::kCompanyFile;
}  // namespace

CAbout::CAbout() : CPropertyPage(IDD_ABOUT) { SetRect(&m_rcLogo, 0, 0, 0, 0); }

CAbout::~CAbout() {
  if (m_hLogo) DeleteObject(m_hLogo);
}

void CAbout::DoDataExchange(CPageDataExchange* pDX) {
  CPropertyPage::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_ABOUT_COLORS, m_strColors);
  DDX_Text(pDX, IDC_ABOUT_HEIGHT, m_strHeight);
  DDX_Text(pDX, IDC_ABOUT_WIDTH, m_strWidth);
  DDX_Text(pDX, IDC_ABOUT_INTRODUCTION, m_strIntroduction);
  DDX_Text(pDX, IDC_ABOUT_CITY, m_strCityStateZip);
  DDX_Text(pDX, IDC_ABOUT_COMPANY, m_strCompanyName);
  DDX_Text(pDX, IDC_ABOUT_PHONE, m_strPhone);
  DDX_Text(pDX, IDC_ABOUT_STREET, m_strStreetAddress);
  DDX_Text(pDX, IDC_ABOUT_WEB_SITE, m_strWebSite);
}

std::string CAbout::ColorsText(int bits) {
  const std::uint32_t count = std::uint32_t{1} << (static_cast<unsigned>(bits) % 32);
  if (count == 1) return "16.7 million " + LoadStringResource(IDS_COLORS);
  return std::to_string(count) + " " + LoadStringResource(IDS_COLORS);
}

BOOL CAbout::OnInitDialog() {
  ScreenMetrics screen = GetScreenMetrics();
  m_strWidth = std::to_string(screen.width) + " " + LoadStringResource(IDS_PIXELS);
  m_strHeight = std::to_string(screen.height) + " " + LoadStringResource(IDS_PIXELS);
  m_strColors = ColorsText(screen.planes * screen.bitsPerPixel);

  if (m_hLogo) DeleteObject(m_hLogo);
  m_hLogo = LoadBitmapResource(IDB_LOGO);
  BITMAP info;
  int width = 0, height = 0;
  if (m_hLogo && GetObject(m_hLogo, sizeof info, &info)) {
    width = info.bmWidth;
    height = info.bmHeight;
  }
  // Between "Software by" and the acknowledgement's box, at the size of its dialog units
  // in the picture's proportions: it grows and shrinks with the page's text.
  RECT area;
  SetRect(&area, 20, 17, 20 + 273, 17 + 47);
  MapDialogRect(&area);
  double scale = 0;
  if (width > 0 && height > 0)
    scale = std::min(double(area.right - area.left) / width, double(area.bottom - area.top) / height);
  SetRect(&m_rcLogo, area.left, area.top, area.left + static_cast<int>(width * scale),
          area.top + static_cast<int>(height * scale));

  CSsconfigApp* app = GetConfigApp();
  const std::string programFolder = app ? app->m_strProgramFolder : std::string();
  CProfileFile ini(programFolder + catalogue::kMainSettingsFile);
  std::string set;
  ini.ReadString(settings::kConfigSection, settings::kCurrentSet, set);
  std::string setFolder;
  ini.ReadString(catalogue::kSetDescriptions, set, setFolder);
  // A set folder that leads out of the program folder has no company file of the set's.
  const bool setInside = SetNameProblem(set).empty() && SetFolderProblem(setFolder).empty() &&
                         PathStaysInside(programFolder, setFolder + kCompanyFile);

  // The set's own company block counts only when it has an introduction; otherwise every
  // line comes from the program folder's file, so the block never mixes two companies.
  CProfileFile company = CProfileFile::Outside(programFolder + (setInside ? setFolder : std::string()) + kCompanyFile);
  company.ReadString(kCompanySection, "Introduction", m_strIntroduction);
  if (m_strIntroduction == CProfileFile::kNotAvailable) {
    company.SetFile(programFolder + kCompanyFile);
    company.ReadString(kCompanySection, "Introduction", m_strIntroduction);
  }
  company.ReadString(kCompanySection, "Web Site", m_strWebSite);
  company.ReadString(kCompanySection, "Company Name", m_strCompanyName);
  company.ReadString(kCompanySection, "Street Address", m_strStreetAddress);
  company.ReadString(kCompanySection, "City State Zip", m_strCityStateZip);
  company.ReadString(kCompanySection, "Phone", m_strPhone);
  for (std::string* text : {&m_strIntroduction, &m_strWebSite, &m_strCompanyName, &m_strStreetAddress,
                            &m_strCityStateZip, &m_strPhone})
    if (*text == CProfileFile::kNotAvailable) text->clear();

  return CPropertyPage::OnInitDialog();
}

void CAbout::OnPaint(HDC dc) {
  StretchBitmap(dc, m_hLogo, m_rcLogo);
}
