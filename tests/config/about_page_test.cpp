// The About page: where the company block comes from, and the screen texts.
#include "config/about_page.h"
#include "config/page_ids.h"
#include "tests/config/config_fixture.h"

namespace {
using Strings = std::vector<std::string>;

class AboutPageTest : public ConfigTest {
 protected:
  // The six company lines as the page shows them, in their order on the page.
  Strings CompanyLines() {
    Strings lines;
    RunSheet(
        [] {
          std::vector<std::unique_ptr<CPropertyPage>> pages;
          pages.push_back(std::make_unique<CAbout>());
          return pages;
        },
        [&](CPropertySheet& sheet) {
          CPropertyPage& page = *sheet.GetPage(0);
          for (int id : {IDC_ABOUT_INTRODUCTION, IDC_ABOUT_WEB_SITE, IDC_ABOUT_COMPANY, IDC_ABOUT_STREET,
                         IDC_ABOUT_CITY, IDC_ABOUT_PHONE})
            lines.push_back(page.GetDlgItemText(id));
          sheet.PressButton(IDOK);
        });
    return lines;
  }
  void WriteCompany(const std::string& file, const Strings& keys) {
    std::string text = "[Company]\r\n";
    for (const std::string& key : keys) text += key + "=" + file.substr(0, 3) + " " + key + "\r\n";
    sandbox_.writeFile(file, text);
  }
  void ChooseSet(const std::string& folderValue) {
    WriteIni(mainIni(), "Config", "CurrentSet", "Coast");
    WriteIni(mainIni(), "SetDescriptions", "Coast", folderValue);
  }
  const Strings kAllKeys = {"Introduction", "Web Site", "Company Name", "Street Address", "City State Zip", "Phone"};
};

TEST_F(AboutPageTest, TheSetsCompanyFileWinsWhenItHasAnIntroduction) {
  ChooseSet("Coast\\");
  sandbox_.writeFile(pf() + "Coast/company.ini", "[Company]\r\nIntroduction=Set intro\r\nWeb Site=set.example\r\n");
  WriteCompany(pf() + "company.ini", kAllKeys);
  EXPECT_EQ(CompanyLines(), (Strings{"Set intro", "set.example", "", "", "", ""}));
}

TEST_F(AboutPageTest, WithoutAnIntroductionEveryLineComesFromTheProgramFolder) {
  ChooseSet("Coast\\");
  sandbox_.writeFile(pf() + "Coast/company.ini", "[Company]\r\nWeb Site=set.example\r\nPhone=555\r\n");
  sandbox_.writeFile(pf() + "company.ini",
                     "[Company]\r\nIntroduction=Main intro\r\nWeb Site=main.example\r\nCompany Name=Main Co\r\n"
                     "Street Address=1 Road\r\nCity State Zip=Town\r\nPhone=555-0100\r\n");
  EXPECT_EQ(CompanyLines(), (Strings{"Main intro", "main.example", "Main Co", "1 Road", "Town", "555-0100"}));
}

TEST_F(AboutPageTest, AFolderValueWithoutSeparatorMissesTheSetsFile) {
  ChooseSet("Coast");
  sandbox_.writeFile(pf() + "Coast/company.ini", "[Company]\r\nIntroduction=Set intro\r\n");
  sandbox_.writeFile(pf() + "company.ini", "[Company]\r\nIntroduction=Main intro\r\n");
  EXPECT_EQ(CompanyLines(), (Strings{"Main intro", "", "", "", "", ""}));
}

TEST_F(AboutPageTest, NoCompanyFileLeavesTheBlockBlank) {
  EXPECT_EQ(CompanyLines(), (Strings{"", "", "", "", "", ""}));
}

TEST_F(AboutPageTest, ScreenTextsAndTheLogo) {
  RunSheet(
      [] {
        std::vector<std::unique_ptr<CPropertyPage>> pages;
        pages.push_back(std::make_unique<CAbout>());
        return pages;
      },
      [&](CPropertySheet& sheet) {
        auto& page = *dynamic_cast<CAbout*>(sheet.GetPage(0));
        // No display in the tests: the platform's documented default screen.
        EXPECT_EQ(page.GetDlgItemText(IDC_ABOUT_WIDTH), "1024 pixels");
        EXPECT_EQ(page.GetDlgItemText(IDC_ABOUT_HEIGHT), "768 pixels");
        EXPECT_EQ(page.GetDlgItemText(IDC_ABOUT_COLORS), "16777216 colors");
        // The logo keeps its proportions at the size the page's font gives it.
        const RECT& logo = page.m_rcLogo;
        EXPECT_GT(logo.right - logo.left, kLogoWidth / 2);
        EXPECT_NEAR(double(logo.right - logo.left) / (logo.bottom - logo.top), double(kLogoWidth) / kLogoHeight, 0.1);
        EXPECT_LE(logo.right, page.GetClientRect().right);
        sheet.PressButton(IDOK);
      });
  EXPECT_EQ(CAbout::ColorsText(32), "16.7 million colors");
  EXPECT_EQ(CAbout::ColorsText(16), "65536 colors");
  EXPECT_EQ(CAbout::ColorsText(8), "256 colors");
  EXPECT_EQ(CAbout::ColorsText(1), "2 colors");
}
}  // namespace
