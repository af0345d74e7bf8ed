// The Screen Saver page: what it shows for stored and missing settings, the limits of the
// delay, the time and the panning speed, switching the unit, turning the saver off, what
// applying writes and in which order, the preview, and coming back to the page.
#include <sys/stat.h>

#include "config/about_page.h"
#include "config/page_ids.h"
#include "config/resource.h"
#include "config/screensaver_page.h"
#include "platform/controls.h"
#include "platform/profile.h"
#include "platform/window.h"
#include "tests/config/config_fixture.h"
#include "tests/support/file_permissions.h"

namespace {
const char* kOffQuestion = "Are you sure you would like to turn the screen saver off?";
const char* kRange = "Please enter an integer between 1 and 60.";
const Pictures kCoast = {{"Harbour", "harbour"}, {"Cliffs", "cliffs"}, {"Bay", "bay"}};
const Pictures kPeaks = {{"Summit", "summit"}, {"Ridge", "ridge"}};

class ScreenSaverPageTest : public ConfigTest {
 protected:
  // The page alone, or with the About page to switch to.
  int Run(const std::function<void(CPropertySheet&, CScreenSaverPage&)>& user, bool withSecondPage = false) {
    return RunSheet(
        [withSecondPage] {
          std::vector<std::unique_ptr<CPropertyPage>> pages;
          pages.push_back(std::make_unique<CScreenSaverPage>());
          if (withSecondPage) pages.push_back(std::make_unique<CAbout>());
          return pages;
        },
        [&](CPropertySheet& sheet) { user(sheet, *dynamic_cast<CScreenSaverPage*>(sheet.GetPage(0))); });
  }
  static std::vector<std::string> Items(CPropertyPage& page, int id) { return ComboItems(CComboBox(page.GetDlgItem(id))); }
  static int Slider(CPropertyPage& page) { return CSliderCtrl(page.GetDlgItem(IDC_SAVER_SPEED)).GetPos(); }
};

TEST_F(ScreenSaverPageTest, WithoutStoredSettingsShowsTheDefaults) {
  AddInstalledSet("Coast", "Coast", kCoast);
  AddInstalledSet("Peaks", "Peaks", kPeaks);
  Run([&](CPropertySheet& sheet, CScreenSaverPage& page) {
    EXPECT_EQ(Items(page, IDC_SAVER_SETS), (std::vector<std::string>{"All Image Sets", "Coast", "Peaks"}));
    EXPECT_EQ(page.GetDlgItemText(IDC_SAVER_SETS), "All Image Sets");
    EXPECT_EQ(page.IsDlgButtonChecked(IDC_SAVER_TITLES), 1u);
    EXPECT_EQ(page.IsDlgButtonChecked(IDC_SAVER_DESCRIPTIVE), 0u);
    EXPECT_EQ(page.GetDlgItemText(IDC_SAVER_LANGUAGE), "English");
    EXPECT_EQ(page.GetDlgItemText(IDC_SAVER_TRANSITION), "All Transitions");
    EXPECT_EQ(page.IsDlgButtonChecked(IDC_SAVER_MINUTES), 1u);
    EXPECT_EQ(page.GetDlgItemText(IDC_SAVER_TIME), "1");
    EXPECT_EQ(Slider(page), 60);
    // No registry value and no display: the saver is off, with the server's default delay.
    EXPECT_EQ(page.IsDlgButtonChecked(IDC_SAVER_OFF), 1u);
    EXPECT_EQ(page.GetDlgItemText(IDC_SAVER_DELAY), "10");
    EXPECT_FALSE(sheet.IsApplyEnabled());
    sheet.PressButton(IDCANCEL);
  });
  EXPECT_TRUE(messages_.empty());
}

TEST_F(ScreenSaverPageTest, ShowsStoredSettingsAndRepairsOddOnes) {
  AddInstalledSet("Coast", "Coast", kCoast);
  SetDesktopValue("ScreenSaveActive", "1");
  SetDesktopValue("ScreenSaveTimeOut", "90");
  WriteIni(controlIni(), "ScreenSaver.QuillMark", "CurrentSet", "coa");
  WriteIni(controlIni(), "ScreenSaver.QuillMark", "InterpretiveTextLanguage", "fre");
  WriteIni(controlIni(), "ScreenSaver.QuillMark", "Transition", "9");
  WriteIni(controlIni(), "ScreenSaver.QuillMark", "PanoramicSpeed", "200");
  WriteIni(controlIni(), "ScreenSaver.QuillMark", "InMinutes", "0");
  WriteIni(controlIni(), "ScreenSaver.QuillMark", "TimeBetween", "25");
  Run([&](CPropertySheet& sheet, CScreenSaverPage& page) {
    // One set: no "All Image Sets"; the stored name only begins the set's.
    EXPECT_EQ(Items(page, IDC_SAVER_SETS), (std::vector<std::string>{"Coast"}));
    EXPECT_EQ(page.GetDlgItemText(IDC_SAVER_SETS), "Coast");
    EXPECT_EQ(page.GetDlgItemText(IDC_SAVER_LANGUAGE), "French");
    EXPECT_EQ(page.GetDlgItemText(IDC_SAVER_TRANSITION), "All Transitions");
    EXPECT_EQ(Slider(page), 60);
    EXPECT_EQ(page.IsDlgButtonChecked(IDC_SAVER_SECONDS), 1u);
    EXPECT_EQ(page.GetDlgItemText(IDC_SAVER_TIME), "25");
    EXPECT_EQ(page.IsDlgButtonChecked(IDC_SAVER_ON), 1u);
    EXPECT_EQ(page.GetDlgItemText(IDC_SAVER_DELAY), "1");
    EXPECT_TRUE(page.OnApply());
    sheet.PressButton(IDCANCEL);
  });
  EXPECT_EQ(Saver("PanoramicSpeed"), "50");
  EXPECT_EQ(Saver("Transition"), "1");
  EXPECT_EQ(Saver("InterpretiveTextLanguage"), "French");
  EXPECT_EQ(Saver("TimeBetween"), "25");
  EXPECT_EQ(Saver("InMinutes"), "0");
  EXPECT_EQ(DesktopValue("ScreenSaveTimeOut"), "60");
}

TEST_F(ScreenSaverPageTest, SliderEndsWriteTheSlowestAndFastestSpeed) {
  AddInstalledSet("Coast", "Coast", kCoast);
  SetDesktopValue("ScreenSaveActive", "1");
  Run([&](CPropertySheet& sheet, CScreenSaverPage& page) {
    CSliderCtrl slider(page.GetDlgItem(IDC_SAVER_SPEED));
    slider.SetPos(10);
    EXPECT_TRUE(page.OnApply());
    EXPECT_EQ(Saver("PanoramicSpeed"), "100");
    slider.SetPos(100);
    EXPECT_TRUE(page.OnApply());
    EXPECT_EQ(Saver("PanoramicSpeed"), "10");
    sheet.PressButton(IDCANCEL);
  });
}

TEST_F(ScreenSaverPageTest, ADelayBelowOneMinuteIsRefusedOnLeavingAndApplying) {
  AddInstalledSet("Coast", "Coast", kCoast);
  SetDesktopValue("ScreenSaveActive", "1");
  SetDesktopValue("ScreenSaveTimeOut", "30");
  Run(
      [&](CPropertySheet& sheet, CScreenSaverPage& page) {
        EXPECT_EQ(page.GetDlgItemText(IDC_SAVER_DELAY), "0");
        EXPECT_FALSE(sheet.SetActivePage(1));
        EXPECT_EQ(sheet.GetActiveIndex(), 0);
        sheet.PressButton(IDOK);
        EXPECT_TRUE(sheet.IsRunning());
        page.TypeDlgItemText(IDC_SAVER_DELAY, "x");
        EXPECT_FALSE(sheet.SetActivePage(1));
        page.TypeDlgItemText(IDC_SAVER_DELAY, "61");
        EXPECT_FALSE(page.OnApply());
        page.TypeDlgItemText(IDC_SAVER_DELAY, "60");
        sheet.PressButton(IDOK);
      },
      true);
  EXPECT_EQ(messages_,
            (std::vector<std::string>{kRange, kRange, "Please enter an integer.", kRange}));
  EXPECT_EQ(captions_.front(), "QuillMark Configuration");
  EXPECT_EQ(DesktopValue("ScreenSaveTimeOut"), "3600");
}

TEST_F(ScreenSaverPageTest, SecondsRaiseAShortTimeAndAcceptATypedOne) {
  AddInstalledSet("Coast", "Coast", kCoast);
  SetDesktopValue("ScreenSaveActive", "1");
  WriteIni(controlIni(), "ScreenSaver.QuillMark", "TimeBetween", "3");
  Run([&](CPropertySheet& sheet, CScreenSaverPage& page) {
    EXPECT_EQ(page.GetDlgItemText(IDC_SAVER_TIME), "3");
    page.ClickDlgItem(IDC_SAVER_SECONDS);
    EXPECT_EQ(page.GetDlgItemText(IDC_SAVER_TIME), "10");
    EXPECT_TRUE(sheet.IsApplyEnabled());
    page.TypeDlgItemText(IDC_SAVER_TIME, "5");
    page.ClickDlgItem(IDC_SAVER_MINUTES);
    // Back to minutes: the number stays as typed.
    EXPECT_EQ(page.GetDlgItemText(IDC_SAVER_TIME), "5");
    page.ClickDlgItem(IDC_SAVER_SECONDS);
    EXPECT_EQ(page.GetDlgItemText(IDC_SAVER_TIME), "10");
    page.TypeDlgItemText(IDC_SAVER_TIME, "5");
    sheet.PressButton(IDOK);
  });
  EXPECT_EQ(Saver("InMinutes"), "0");
  EXPECT_EQ(Saver("TimeBetween"), "5");
  EXPECT_TRUE(messages_.empty());
}

TEST_F(ScreenSaverPageTest, TurningTheSaverOffAsksFirst) {
  AddInstalledSet("Coast", "Coast", kCoast);
  SetDesktopValue("ScreenSaveActive", "1");
  answers_ = {IDNO, IDYES};
  int result = Run([&](CPropertySheet& sheet, CScreenSaverPage& page) {
    page.ClickDlgItem(IDC_SAVER_OFF);
    EXPECT_TRUE(sheet.IsApplyEnabled());
    sheet.PressButton(IDOK);
    EXPECT_TRUE(sheet.IsRunning());
    EXPECT_EQ(DesktopValue("ScreenSaveActive"), "1");
    sheet.PressButton(IDOK);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(messages_, (std::vector<std::string>{kOffQuestion, kOffQuestion}));
  EXPECT_EQ(DesktopValue("ScreenSaveActive"), "0");
  EXPECT_EQ(Saver("CurrentSet"), kMissing);
  EXPECT_EQ(Ini(windows() + "system.ini", "boot", "SCRNSAVE.EXE"), kMissing);
}

TEST_F(ScreenSaverPageTest, ApplyWritesEverySettingInItsOrder) {
  AddInstalledSet("Coast", "Coast", kCoast);
  AddInstalledSet("Peaks", "Peaks", kPeaks);
  SetDesktopValue("ScreenSaveActive", "0");
  sandbox_.writeFile(windows() + "Quillmark Screen Saver.scr", "saver");
  WriteIni(controlIni(), "ScreenSaver.QuillMark", "CurrentImageNumber", "7");
  int result = Run([&](CPropertySheet& sheet, CScreenSaverPage& page) {
    page.ClickDlgItem(IDC_SAVER_ON);
    page.ChooseComboItem(IDC_SAVER_SETS, 2);  // Peaks
    page.ChooseComboItem(IDC_SAVER_LANGUAGE, 4);
    page.ChooseComboItem(IDC_SAVER_TRANSITION, 6);
    page.ClickDlgItem(IDC_SAVER_DESCRIPTIVE);
    page.TypeDlgItemText(IDC_SAVER_TIME, "12");
    page.TypeDlgItemText(IDC_SAVER_DELAY, "3");
    sheet.PressButton(IDOK);
  });
  EXPECT_EQ(result, IDOK);
  std::string text = sandbox_.readFile(controlIni());
  const std::string order[] = {"CurrentImageNumber=1", "CurrentSet=Peaks", "UseAllImages=0", "InMinutes=1",
                         "TimeBetween=12", "ShowTextDescription=1", "ShowInterpretiveText=1",
                         "InterpretiveTextLanguage=Japanese", "Transition=6", "ProgramPath=" + pf(),
                         "PanoramicSpeed=50"};
  size_t at = 0;
  for (const std::string& line : order) {
    size_t found = text.find(line, at);
    ASSERT_NE(found, std::string::npos) << line << " in\n" << text;
    at = found;
  }
  EXPECT_EQ(Ini(windows() + "system.ini", "boot", "SCRNSAVE.EXE"), windows() + "Quillmark Screen Saver.scr");
  EXPECT_EQ(DesktopValue("ScreenSaveActive"), "1");
  EXPECT_EQ(DesktopValue("ScreenSaveTimeOut"), "180");
}

// Apply into a settings folder that cannot be written: one message for the whole apply,
// naming each file once, every file kept, and Apply still there to try again.
TEST_F(ScreenSaverPageTest, ApplyThatCannotSaveSaysSoOnceAndStaysAvailable) {
  AddInstalledSet("Coast", "Coast", kCoast);
  SetDesktopValue("ScreenSaveActive", "0");
  WriteIni(controlIni(), "ScreenSaver.QuillMark", "Transition", "3");
  const std::string control = sandbox_.readFile(controlIni()), registry = sandbox_.readFile(windows() + "user.reg");
  chmod(sandbox_.windowsDirectory().c_str(), 0555);
  {
    FilePermissionsBind permissions;
    int result = Run([&](CPropertySheet& sheet, CScreenSaverPage& page) {
      page.ClickDlgItem(IDC_SAVER_ON);
      sheet.PressButton(ID_APPLY_NOW);
      EXPECT_TRUE(sheet.IsApplyEnabled());
      sheet.PressButton(IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
  }
  chmod(sandbox_.windowsDirectory().c_str(), 0755);
  EXPECT_EQ(messages_, std::vector<std::string>{std::string(kSettingsNotSavedText) + "\n\n" + windows() +
                                                "user.reg: permission denied\n" + controlIni() +
                                                ": permission denied\n" + windows() +
                                                "system.ini: permission denied\n\n" + kSettingsNotSavedAdvice});
  EXPECT_EQ(captions_, std::vector<std::string>{"QuillMark Configuration"});
  EXPECT_EQ(sandbox_.readFile(controlIni()), control);
  EXPECT_EQ(sandbox_.readFile(windows() + "user.reg"), registry);
  EXPECT_FALSE(sandbox_.exists(windows() + "system.ini"));
}

TEST_F(ScreenSaverPageTest, AllSetsAndAMissingSaverFile) {
  AddInstalledSet("Coast", "Coast", kCoast);
  AddInstalledSet("Peaks", "Peaks", kPeaks);
  SetDesktopValue("ScreenSaveActive", "1");
  Run([&](CPropertySheet& sheet, CScreenSaverPage&) { sheet.PressButton(IDOK); });
  EXPECT_EQ(Saver("CurrentSet"), "All Image Sets");
  EXPECT_EQ(Saver("UseAllImages"), "1");
  // No installed saver file: the key still names where it belongs.
  EXPECT_EQ(Ini(windows() + "system.ini", "boot", "SCRNSAVE.EXE"), windows() + "Quillmark Screen Saver.scr");
}

TEST_F(ScreenSaverPageTest, PreviewWalksThroughTheChosenSet) {
  AddInstalledSet("Coast", "Coast", kCoast, 8);
  AddInstalledSet("Peaks", "Peaks", kPeaks, 12);
  WriteIni(controlIni(), "ScreenSaver.QuillMark", "CurrentSet", "Coast");
  Run(
      [&](CPropertySheet& sheet, CScreenSaverPage& page) {
        ASSERT_EQ(page.m_previewList, (std::vector<std::string>{"Harbour", "Cliffs", "Bay"}));
        EXPECT_EQ(page.m_wndMonitor.m_nWidth, 8);
        EXPECT_EQ(page.m_nPreviewPosition, 1);
        EXPECT_TRUE(page.IsPreviewTimerRunning());
        RECT preview = page.m_wndMonitor.GetWindowRect();
        EXPECT_EQ(preview.left, 290 + 12);
        EXPECT_EQ(preview.bottom, 30 + kMonitorBitmapHeight - 27);
        page.OnPreviewTimer();
        page.OnPreviewTimer();
        page.OnPreviewTimer();
        EXPECT_EQ(page.m_nPreviewPosition, 1);  // round again

        page.ChooseComboItem(IDC_SAVER_SETS, 0);  // All Image Sets
        EXPECT_TRUE(sheet.IsApplyEnabled());
        EXPECT_EQ(page.m_previewList,
                  (std::vector<std::string>{"Coast~Harbour", "Peaks~Summit", "Coast~Cliffs", "Peaks~Ridge",
                                            "Coast~Bay"}));
        page.OnPreviewTimer();
        EXPECT_EQ(page.m_wndMonitor.m_nWidth, 12);

        // The timer runs only while the page is shown.
        ASSERT_TRUE(sheet.SetActivePage(1));
        EXPECT_FALSE(page.IsPreviewTimerRunning());
        ASSERT_TRUE(sheet.SetActivePage(0));
        EXPECT_TRUE(page.IsPreviewTimerRunning());
        sheet.PressButton(IDCANCEL);
        EXPECT_FALSE(page.IsPreviewTimerRunning());
      },
      true);
}

TEST_F(ScreenSaverPageTest, ThePreviewTimerTicksInTheSheetsLoop) {
  AddInstalledSet("Coast", "Coast", kCoast);
  Run([&](CPropertySheet& sheet, CScreenSaverPage& page) {
    EXPECT_EQ(page.m_nPreviewPosition, 1);
    PumpMessages(3300);
    EXPECT_EQ(page.m_nPreviewPosition, 2);
    // Neither Apply nor a refused value stops it.
    page.ClickDlgItem(IDC_SAVER_ON);
    sheet.PressButton(ID_APPLY_NOW);
    EXPECT_FALSE(sheet.IsApplyEnabled()) << "applied";
    EXPECT_TRUE(page.IsPreviewTimerRunning());
    page.TypeDlgItemText(IDC_SAVER_DELAY, "0");
    EXPECT_FALSE(sheet.SetActivePage(1));
    EXPECT_EQ(messages_.size(), 1u) << "the range message";
    EXPECT_TRUE(page.IsPreviewTimerRunning());
    sheet.PressButton(IDCANCEL);
  }, true);
}

TEST_F(ScreenSaverPageTest, ComingBackAfterTheSetWasRemovedChoosesTheFirstSet) {
  AddInstalledSet("Coast", "Coast", kCoast);
  AddInstalledSet("Peaks", "Peaks", kPeaks);
  WriteIni(controlIni(), "ScreenSaver.QuillMark", "CurrentSet", "Peaks");
  Run(
      [&](CPropertySheet& sheet, CScreenSaverPage& page) {
        EXPECT_EQ(page.GetDlgItemText(IDC_SAVER_SETS), "Peaks");
        ASSERT_TRUE(sheet.SetActivePage(1));
        EXPECT_FALSE(sheet.IsApplyEnabled());
        WritePrivateProfileString("SetDescriptions", "Peaks", nullptr, mainIni().c_str());
        ASSERT_TRUE(sheet.SetActivePage(0));
        EXPECT_EQ(Items(page, IDC_SAVER_SETS), (std::vector<std::string>{"Coast"}));
        EXPECT_EQ(page.GetDlgItemText(IDC_SAVER_SETS), "Coast");
        EXPECT_EQ(page.m_previewList.size(), 3u);
        EXPECT_TRUE(sheet.IsApplyEnabled());

        // With no set left the page says so and shows nothing.
        WritePrivateProfileString("SetDescriptions", "Coast", nullptr, mainIni().c_str());
        ASSERT_TRUE(sheet.SetActivePage(1));
        ASSERT_TRUE(sheet.SetActivePage(0));
        EXPECT_EQ(messages_, (std::vector<std::string>{kNoSets}));
        EXPECT_EQ(page.m_wndMonitor.m_nMode, CMonitorWnd::kEmpty);
        sheet.PressButton(IDCANCEL);
      },
      true);
}

TEST_F(ScreenSaverPageTest, WithoutSetsTheMessageShowsAndASetRestoredLaterIsTakenUpWhole) {
  SetDesktopValue("ScreenSaveActive", "1");
  SetDesktopValue("ScreenSaveTimeOut", "300");
  int result = Run(
      [&](CPropertySheet& sheet, CScreenSaverPage& page) {
        EXPECT_EQ(messages_, (std::vector<std::string>{kNoSets}));
        // As Edit Sets' Restore Set would, while the user is on another page.
        ASSERT_TRUE(sheet.SetActivePage(1));
        AddInstalledSet("Coast", "Coast", kCoast);
        ASSERT_TRUE(sheet.SetActivePage(0));
        EXPECT_EQ(page.m_previewList, (std::vector<std::string>{"Harbour", "Cliffs", "Bay"}));
        EXPECT_TRUE(page.m_wndMonitor.IsCreated());
        EXPECT_TRUE(page.IsPreviewTimerRunning());
        sheet.PressButton(IDOK);
      },
      true);
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(DesktopValue("ScreenSaveTimeOut"), "300") << "the delay shown was the one stored";
  EXPECT_EQ(Saver("CurrentSet"), "Coast");
}

TEST_F(ScreenSaverPageTest, ANewInstallStartsModified) {
  AddInstalledSet("Coast", "Coast", kCoast);
  SetDesktopValue("ScreenSaveActive", "1");
  Run([&](CPropertySheet& sheet, CScreenSaverPage&) {
    EXPECT_FALSE(sheet.IsApplyEnabled());
    sheet.PressButton(IDCANCEL);
  });
  RunSheet(
      [this] {
        app_->m_nNewInstall = 1;
        std::vector<std::unique_ptr<CPropertyPage>> pages;
        pages.push_back(std::make_unique<CScreenSaverPage>());
        return pages;
      },
      [&](CPropertySheet& sheet) {
        EXPECT_TRUE(sheet.IsApplyEnabled());
        sheet.PressButton(IDOK);
      });
  EXPECT_EQ(Saver("CurrentSet"), "Coast");
}
}  // namespace
