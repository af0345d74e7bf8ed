// The Wallpaper page: opening, choosing sets and pictures, coming back to the page, the
// paths of applying (refusals, wallpaper off, what causes a conversion, the Startup
// shortcut), and applying with a decoder that crashes or a set folder it cannot read.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "config/resource.h"
#include "config/wallpaper_page.h"
#include "platform/message_box.h"
#include "platform/profile.h"
#include "platform/shortcut.h"
#include "imagelib/wallpaper.h"
#include "tests/config/config_fixture.h"
#include "tests/support/file_permissions.h"

namespace {
const char* kMessage1 = "Are you sure you would like to remove the wallpaper?";
const char* kMessage13 =
    "There is no image selected for the wallpaper. To select an image to be used as wallpaper, choose a "
    "title in the list of images.";
const char* kMessage14 =
    "There are no image sets available, please restore the image sets using the Restore Set button  on the "
    "Edit Sets tab. See the help file for more information.";

const Pictures kCoast = {{"harbour at Dawn", "harbour"}, {"Cliffs", "cliffs"}, {"Bay", "bay"}};
const Pictures kPeaks = {{"Summit", "summit"}};

CWallpaperPage& Page(CPropertySheet& sheet) { return *dynamic_cast<CWallpaperPage*>(sheet.GetPage(0)); }

std::vector<std::string> Items(CPropertyPage& page, int id) {
  return id == IDC_SETS ? ComboItems(CComboBox(page.GetDlgItem(id))) : ListItems(CListBox(page.GetDlgItem(id)));
}

class WallpaperPageTest : public ConfigTest {
 protected:
  // The wallpaper conversion records the bitmap in win.ini whether or not the decoder ran;
  // forgetting that record before an apply tells whether the apply converted.
  void ForgetWallpaper() { WriteIni("win.ini", "Desktop", "Wallpaper", "unset"); }
  bool Converted() const { return Ini("win.ini", "Desktop", "Wallpaper") == windows() + "quillmrk.bmp"; }
};

TEST_F(WallpaperPageTest, OpensOnTheStoredSetAndPictureWithTheMonitorInPlace) {
  AddSet("Coast", "Coast", kCoast);
  AddSet("Peaks", "Peaks", kPeaks);
  WriteIni(pf() + "quillmrk.ini", "Config", "CurrentSet", "Coast");
  WriteIni(pf() + "quillmrk.ini", "Config", "CurrentImage", "Cliffs");
  WriteIni(pf() + "quillmrk.ini", "Config", "StretchWallpaper", "1");
  WriteIni(pf() + "quillmrk.ini", "Config", "ChangeImage", "2");
  Run([&](CPropertySheet& sheet) {
    CWallpaperPage& page = Page(sheet);
    EXPECT_EQ(Items(page, IDC_SETS), (std::vector<std::string>{"All Image Sets", "Coast", "Peaks"}));
    EXPECT_EQ(page.GetDlgItemText(IDC_SETS), "Coast");
    EXPECT_EQ(Items(page, IDC_PICTURES), (std::vector<std::string>{"Bay", "Cliffs", "harbour at Dawn"}));
    EXPECT_EQ(CListBox(page.GetDlgItem(IDC_PICTURES)).GetCurSel(), 1);
    EXPECT_EQ(page.m_strCurrentPicture, "Cliffs");
    EXPECT_EQ(page.m_strPictureFile, pf() + "Coast/cliffs.jpg");
    EXPECT_EQ(page.GetDlgItemText(IDC_PICTURES_LABEL), "&Wallpaper images");
    EXPECT_EQ(page.IsDlgButtonChecked(IDC_STRETCH), 1u);
    EXPECT_EQ(page.IsDlgButtonChecked(IDC_WEEKLY), 1u);
    EXPECT_EQ(page.IsDlgButtonChecked(IDC_WALLPAPER_ON), 1u);
    // The selection handler ran as the page opened.
    EXPECT_TRUE(sheet.IsApplyEnabled());

    RECT list = page.GetDlgItem(IDC_PICTURES).GetRect(), check = page.GetDlgItem(IDC_STRETCH).GetRect(),
         button = page.GetDlgItem(IDC_IMAGE_INFO).GetRect(), client = page.GetClientRect();
    // Centred between the list and the page's edge, and between the box and the button.
    const RECT& m = page.m_rcMonitor;
    EXPECT_NEAR(m.left - list.right, client.right - m.right, 1);
    EXPECT_NEAR(m.top - check.bottom, button.top - m.bottom, 1);
    EXPECT_EQ(GetConfigApp()->m_rcMonitor.left, page.m_rcMonitor.left);
    RECT preview = page.m_wndMonitor.GetWindowRect();
    EXPECT_GT(preview.left, m.left);
    EXPECT_LT(preview.right, m.right);
    EXPECT_GT(preview.top, m.top);
    EXPECT_LT(preview.bottom, m.bottom - (m.bottom - m.top) / 8) << "above the monitor's stand";
    EXPECT_EQ(page.m_wndMonitor.GetWindowText(), "Monitor Window");
    EXPECT_EQ(page.m_wndMonitor.m_nMode, CMonitorWnd::kPicture);
    EXPECT_EQ(page.m_wndMonitor.m_nWidth, 8);
    sheet.PressButton(IDCANCEL);
  });
}

TEST_F(WallpaperPageTest, UnknownStoredSetAndPictureFallBackToTheFirstSortedEntries) {
  AddSet("Peaks", "Peaks", kPeaks);
  WriteIni(pf() + "quillmrk.ini", "Config", "CurrentSet", "Gone");
  WriteIni(pf() + "quillmrk.ini", "Config", "CurrentImage", "Vanished");
  Run([&](CPropertySheet& sheet) {
    CWallpaperPage& page = Page(sheet);
    EXPECT_EQ(Items(page, IDC_SETS), std::vector<std::string>{"Peaks"});  // one set: no "All Image Sets"
    EXPECT_EQ(page.m_strCurrentSet, "Peaks");
    EXPECT_EQ(page.m_strCurrentPicture, "Summit");
    sheet.PressButton(IDCANCEL);
  });
}

TEST_F(WallpaperPageTest, WithoutAStoredSetTheFirstRealSetIsTakenNotAllImageSets) {
  AddSet("Peaks", "Peaks", kPeaks);
  AddSet("Coast", "Coast", kCoast);
  Run([&](CPropertySheet& sheet) {
    CWallpaperPage& page = Page(sheet);
    EXPECT_EQ(page.GetDlgItemText(IDC_SETS), "Coast");
    EXPECT_EQ(page.m_strCurrentSet, "Coast");
    EXPECT_EQ(page.m_nAllSets, 0);
    EXPECT_EQ(page.m_strCurrentPicture, "Bay");
    sheet.PressButton(IDCANCEL);
  });
}

TEST_F(WallpaperPageTest, NoSetsShowsMessage14AndApplyIsRefused) {
  WriteIni(pf() + "quillmrk.ini", "Config", "ChangeImage", "0");
  Run([&](CPropertySheet& sheet) {
    sheet.PressButton(IDOK);
    EXPECT_TRUE(sheet.IsRunning());
    sheet.PressButton(IDCANCEL);
  });
  EXPECT_EQ(messages_, (std::vector<std::string>{kMessage14, kMessage13}));
  EXPECT_EQ(ConfigValue("UseAllImages"), kMissing);
}

TEST_F(WallpaperPageTest, ChoosingAnEmptySetLeavesNoPictureAndApplyIsRefused) {
  AddSet("Coast", "Coast", kCoast);
  AddSet("Empty", "Empty", {});
  Run([&](CPropertySheet& sheet) {
    CWallpaperPage& page = Page(sheet);
    int empty = CComboBox(page.GetDlgItem(IDC_SETS)).FindString(-1, "empty");
    page.ChooseComboItem(IDC_SETS, empty);
    EXPECT_EQ(page.m_strCurrentSet, "Empty");
    EXPECT_EQ(page.m_strCurrentPicture, "");
    EXPECT_EQ(page.m_wndMonitor.m_nMode, CMonitorWnd::kEmpty);
    sheet.PressButton(IDOK);
    EXPECT_TRUE(sheet.IsRunning());
    sheet.PressButton(IDCANCEL);
  });
  EXPECT_EQ(messages_, std::vector<std::string>{kMessage13});
  EXPECT_EQ(ConfigValue("CurrentSet"), kMissing);
}

TEST_F(WallpaperPageTest, AllImageSetsKeepsTheLastPictureAndStoresTheMode) {
  AddSet("Coast", "Coast", kCoast);
  AddSet("Peaks", "Peaks", kPeaks);
  WriteIni(pf() + "quillmrk.ini", "Config", "CurrentSet", "Peaks");
  ForgetWallpaper();
  Run([&](CPropertySheet& sheet) {
    CWallpaperPage& page = Page(sheet);
    page.ChooseComboItem(IDC_SETS, 0);  // "All Image Sets"
    EXPECT_EQ(page.m_nAllSets, 1);
    EXPECT_FALSE(page.IsDlgItemEnabled(IDC_PICTURES));
    EXPECT_EQ(page.GetDlgItemText(IDC_PICTURES_LABEL), "&Wallpaper image sets");
    EXPECT_EQ(Items(page, IDC_PICTURES), (std::vector<std::string>{"Coast", "Peaks"}));
    sheet.PressButton(IDOK);
  });
  EXPECT_EQ(ConfigValue("UseAllImages"), "1");
  EXPECT_EQ(ConfigValue("CurrentSet"), "Peaks");
  EXPECT_EQ(ConfigValue("CurrentImage"), "Summit");
  EXPECT_TRUE(Converted());

  // Any other stored value is one set, as the log-on change reads it.
  WriteIni(pf() + "quillmrk.ini", "Config", "UseAllImages", "2");
  Run([&](CPropertySheet& sheet) {
    EXPECT_EQ(Page(sheet).m_nAllSets, 0);
    EXPECT_EQ(Page(sheet).GetDlgItemText(IDC_SETS), "Peaks");
    sheet.PressButton(IDCANCEL);
  });
}

TEST_F(WallpaperPageTest, ApplyWritesTheSettingsAndConvertsOnlyWhatChanged) {
  AddSet("Coast", "Coast", kCoast);
  ForgetWallpaper();
  Run([&](CPropertySheet& sheet) {
    CWallpaperPage& page = Page(sheet);
    page.ChooseListItem(IDC_PICTURES, 1);  // Cliffs
    page.ClickDlgItem(IDC_EVERY_2ND_DAY);
    sheet.PressButton(ID_APPLY_NOW);
    EXPECT_FALSE(sheet.IsApplyEnabled());
    EXPECT_TRUE(Converted());
    EXPECT_EQ(ConfigValue("CurrentImage"), "Cliffs");
    EXPECT_EQ(ConfigValue("CurrentSet"), "Coast");
    EXPECT_EQ(ConfigValue("ChangeImage"), "1");
    EXPECT_EQ(ConfigValue("StretchWallpaper"), "0");
    EXPECT_EQ(ConfigValue("Wallpaper Disabled"), "0");
    EXPECT_NE(ConfigValue("LastDate").find('/'), std::string::npos);

    // Nothing changed: the second apply converts nothing.
    ForgetWallpaper();
    sheet.PressButton(ID_APPLY_NOW);
    page.SetModified();
    sheet.PressButton(ID_APPLY_NOW);
    EXPECT_FALSE(Converted());

    // The stretch box clicked twice is no change either.
    page.ClickDlgItem(IDC_STRETCH);
    page.ClickDlgItem(IDC_STRETCH);
    EXPECT_TRUE(sheet.IsApplyEnabled());
    sheet.PressButton(ID_APPLY_NOW);
    EXPECT_FALSE(Converted());

    // Once: it is.
    page.ClickDlgItem(IDC_STRETCH);
    sheet.PressButton(ID_APPLY_NOW);
    EXPECT_TRUE(Converted());
    EXPECT_EQ(ConfigValue("StretchWallpaper"), "1");
    sheet.PressButton(IDCANCEL);
  });
}

TEST_F(WallpaperPageTest, AfterOnOrOffWasClickedEveryApplyConverts) {
  AddSet("Coast", "Coast", kCoast);
  Run([&](CPropertySheet& sheet) {
    CWallpaperPage& page = Page(sheet);
    sheet.PressButton(ID_APPLY_NOW);
    page.ClickDlgItem(IDC_WALLPAPER_ON);
    EXPECT_FALSE(sheet.IsApplyEnabled());  // not a change by itself
    for (int i = 0; i < 2; ++i) {
      ForgetWallpaper();
      page.SetModified();
      sheet.PressButton(ID_APPLY_NOW);
      EXPECT_TRUE(Converted()) << i;
    }
    sheet.PressButton(IDCANCEL);
  });
}

TEST_F(WallpaperPageTest, TurningTheWallpaperOffAsksFirst) {
  AddSet("Coast", "Coast", kCoast);
  WriteIni(pf() + "quillmrk.ini", "Config", "ChangeImage", "0");
  answers_ = {IDNO, IDYES};
  Run([&](CPropertySheet& sheet) {
    CWallpaperPage& page = Page(sheet);
    sheet.PressButton(ID_APPLY_NOW);  // on: the shortcut is made
    ASSERT_TRUE(sandbox_.exists(ShortcutPath()));

    page.ClickDlgItem(IDC_WALLPAPER_OFF);
    page.ClickDlgItem(IDC_STRETCH);
    sheet.PressButton(IDOK);  // No: refused, yet three values are written
    EXPECT_TRUE(sheet.IsRunning());
    EXPECT_EQ(ConfigValue("Wallpaper Disabled"), "1");
    EXPECT_EQ(ConfigValue("StretchWallpaper"), "1");
    EXPECT_EQ(ConfigValue("ChangeImage"), "0");
    EXPECT_TRUE(sandbox_.exists(ShortcutPath()));

    WriteIni(pf() + "quillmrk.ini", "Config", "CurrentSet", "untouched");
    sheet.PressButton(IDOK);  // Yes
  });
  EXPECT_EQ(messages_, (std::vector<std::string>{kMessage1, kMessage1}));
  EXPECT_EQ(ConfigValue("ChangeImage"), "3");
  EXPECT_EQ(Ini("win.ini", "Desktop", "Wallpaper"), "(None)");
  EXPECT_FALSE(sandbox_.exists(ShortcutPath()));
  EXPECT_EQ(ConfigValue("CurrentSet"), "untouched");
}

TEST_F(WallpaperPageTest, AWaylandDesktopThatCannotBeSetIsNamedToTheUser) {
  // A Wayland display that answers, of no desktop this system knows how to set.
  const std::string runtime = sandbox_.path("run");
  std::filesystem::create_directories(runtime);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socketPath = runtime + "/wayland-9";
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  socketPath.copy(address.sun_path, socketPath.size());
  int listener = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  listen(listener, 4);
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  setenv("WAYLAND_DISPLAY", "wayland-9", 1);

  AddSet("Coast", "Coast", kCoast);
  answers_ = {IDYES};
  Run([&](CPropertySheet& sheet) {
    Page(sheet).ClickDlgItem(IDC_WALLPAPER_OFF);
    sheet.PressButton(IDOK);
  });
  close(listener);
  unsetenv("WAYLAND_DISPLAY");
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_EQ(messages_[1],
            "This Wayland desktop's background cannot be set by QuillMark; the wallpaper was "
            "recorded only.");
  EXPECT_EQ(Ini("win.ini", "Desktop", "Wallpaper"), "(None)") << "the choice is kept all the same";
}

TEST_F(WallpaperPageTest, StartupShortcutIsMadeKeptAndRemovedByTheInterval) {
  AddSet("Coast", "Coast", kCoast);
  Run([](CPropertySheet& sheet) { sheet.PressButton(IDOK); });
  ASSERT_TRUE(sandbox_.exists(ShortcutPath()));
  EXPECT_EQ(ReadShortcutTarget(ShortcutPath()), pf() + "quillrun");
  EXPECT_NE(sandbox_.readFile(ShortcutPath()).find("Comment=QuillMark Wallpaper Auto Change\n"), std::string::npos);

  // Someone else's entry of that name is left as it is.
  sandbox_.writeFile(ShortcutPath(), "[Desktop Entry]\nExec=elsewhere\n");
  Run([](CPropertySheet& sheet) { sheet.PressButton(IDOK); });
  EXPECT_EQ(sandbox_.readFile(ShortcutPath()), "[Desktop Entry]\nExec=elsewhere\n");

  // Manual: removed, and the picture is still applied.
  ForgetWallpaper();
  Run([](CPropertySheet& sheet) {
    Page(sheet).ClickDlgItem(IDC_MANUAL);
    Page(sheet).ClickDlgItem(IDC_WALLPAPER_ON);
    sheet.PressButton(IDOK);
  });
  EXPECT_FALSE(sandbox_.exists(ShortcutPath()));
  EXPECT_EQ(ConfigValue("ChangeImage"), "3");
  EXPECT_TRUE(Converted());
}

// A second page to leave the Wallpaper page for, standing in for Edit Sets.
class OtherPage : public CPropertyPage {
 public:
  OtherPage() : CPropertyPage(IDD_IMAGE_INFO) {}
};

TEST_F(WallpaperPageTest, ComingBackToThePageRefillsItFromTheSettings) {
  AddSet("Coast", "Coast", kCoast);
  AddSet("Peaks", "Peaks", kPeaks);
  WriteIni(pf() + "quillmrk.ini", "Config", "CurrentSet", "Coast");
  WriteIni(pf() + "quillmrk.ini", "Config", "CurrentImage", "Cliffs");
  CSsconfigApp app;
  app.m_strProgramFolder = pf();
  app.m_strWindowsDirectory = windows();
  CSsconfigPropSheet sheet("QuillMark Configuration", nullptr, 0);
  CWallpaperPage page;
  OtherPage other;
  sheet.AddPage(&page);
  sheet.AddPage(&other);
  SetPropertySheetHook([&](CPropertySheet& s) {
    s.PressButton(ID_APPLY_NOW);
    EXPECT_TRUE(s.SetActivePage(1));
    // Meanwhile the current picture leaves the set.
    WritePrivateProfileString("Coast", "Cliffs", nullptr, (pf() + "quillmrk.ini").c_str());
    EXPECT_TRUE(s.SetActivePage(0));
    EXPECT_EQ(Items(page, IDC_PICTURES), (std::vector<std::string>{"Bay", "harbour at Dawn"}));
    EXPECT_EQ(page.m_strCurrentPicture, "Bay");
    EXPECT_EQ(page.m_strPictureFile, pf() + "Coast/bay.jpg");
    EXPECT_TRUE(s.IsApplyEnabled());
    s.PressButton(IDCANCEL);
  });
  EXPECT_EQ(sheet.DoModal(), IDCANCEL);
  EXPECT_FALSE(other.IsCreated());
}

TEST_F(WallpaperPageTest, ImageInfoShowsTheSelectedPicture) {
  AddSet("Coast", "Coast", kCoast);
  sandbox_.writeFile(pf() + "Coast/cliffs.nfo", "[Cliffs]\r\nPictureInfo=Chalk cliffs\r\n");
  std::string title;
  Run([&](CPropertySheet& sheet) {
    CWallpaperPage& page = Page(sheet);
    page.ChooseListItem(IDC_PICTURES, 1);
    SetModalDialogHook([&](CDialog& dialog) {
      title = dialog.GetWindowText() + "|" + dialog.GetDlgItemText(IDC_INFO_TITLE);
      dialog.ClickDlgItem(IDOK);
    });
    page.ClickDlgItem(IDC_IMAGE_INFO);
    SetModalDialogHook({});
    sheet.PressButton(IDCANCEL);
  });
  EXPECT_EQ(title, "Image Information|Chalk cliffs");
}
// The user's choices outlive a decoder that is missing or crashes: the settings are
// written, the old wallpaper stays, and the next picture converts as ever.
TEST_F(WallpaperPageTest, AMissingOrCrashingDecoderCostsOnlyTheConversion) {
  AddSet("Coast", "Coast", kCoast);
  setenv("QM_CRASH_ON", "cliffs", 1);
  sandbox_.writeFile(windows() + "quillmrk.bmp", "the old wallpaper");
  Run([&](CPropertySheet& sheet) {
    CWallpaperPage& page = Page(sheet);
    // No decoder library at all: the same.
    page.ChooseListItem(IDC_PICTURES, 0);  // Bay
    sheet.PressButton(ID_APPLY_NOW);
    EXPECT_EQ(ConfigValue("CurrentImage"), "Bay");
    EXPECT_EQ(sandbox_.readFile(windows() + "quillmrk.bmp"), "the old wallpaper");

    std::filesystem::copy_file(QM_CRASHING_DECODER, pf() + "djpeg32.so");
    page.ChooseListItem(IDC_PICTURES, 1);  // Cliffs
    sheet.PressButton(ID_APPLY_NOW);
    EXPECT_EQ(ConfigValue("CurrentImage"), "Cliffs");
    EXPECT_EQ(sandbox_.readFile(windows() + "quillmrk.bmp"), "the old wallpaper");
    EXPECT_TRUE(messages_.empty()) << "an ordinary picture's failure is not reported";

    page.ChooseListItem(IDC_PICTURES, 0);  // Bay
    sheet.PressButton(ID_APPLY_NOW);
    EXPECT_EQ(ConfigValue("CurrentImage"), "Bay");
    EXPECT_EQ(sandbox_.readFile(windows() + "quillmrk.bmp").size(), 14u + 40 + 640 * 480 * 3);

    // A panorama is decoded into memory first; its crash is reported.
    sandbox_.writeFile(pf() + "Coast/cliffs.nfo", "[Panoramic]\r\nPanoramicOrigin=10\r\n");
    page.ChooseListItem(IDC_PICTURES, 1);
    sheet.PressButton(ID_APPLY_NOW);
    EXPECT_EQ(messages_, std::vector<std::string>{kWallpaperErrorText});
    sheet.PressButton(IDOK);
  });
  unsetenv("QM_CRASH_ON");
  EXPECT_EQ(ConfigValue("CurrentImage"), "Cliffs");
}

TEST_F(WallpaperPageTest, APictureWhoseFileIsGoneIsRefusedWithAMessageAndNothingStored) {
  AddSet("Coast", "Coast", kCoast);
  std::filesystem::remove(pf() + "Coast/cliffs.jpg");
  Run([&](CPropertySheet& sheet) {
    CWallpaperPage& page = Page(sheet);
    page.ChooseListItem(IDC_PICTURES, 1);  // Cliffs
    sheet.PressButton(IDOK);
    EXPECT_TRUE(sheet.IsRunning());
    sheet.PressButton(IDCANCEL);
  });
  EXPECT_EQ(messages_, std::vector<std::string>{
                           "The picture Cliffs cannot be made the wallpaper: its file is missing from its image "
                           "set's folder. Please choose another picture, or restore its image set on the Edit "
                           "Sets tab. The wallpaper and its settings stay as they were."});
  for (const char* key : {"CurrentImage", "CurrentSet", "ChangeImage", "StretchWallpaper"})
    EXPECT_EQ(ConfigValue(key), kMissing) << key;
}

TEST_F(WallpaperPageTest, ASetRestoredAfterTheNoSetsMessageIsTakenUpWhole) {
  sandbox_.writeFile(pf() + "quillmrk.ini", "[Config]\r\n");
  std::filesystem::copy_file(std::string(QM_BIN_DIR) + "/djpeg32.so", pf() + "djpeg32.so");
  const std::string jpeg = sandbox_.readFile(std::string(QM_SOURCE_DIR) + "/fuzz/corpus/jpeg_decoder/base_00");
  Run([&](CPropertySheet& sheet) {
    EXPECT_EQ(messages_, std::vector<std::string>{kMessage14});
    ASSERT_TRUE(sheet.SetActivePage(3));
    AddSet("Coast", "Coast", kCoast);  // as Restore Set on Edit Sets does
    for (const auto& [picture, base] : kCoast) sandbox_.writeFile(pf() + "Coast/" + base + ".jpg", jpeg.substr(1));
    ASSERT_TRUE(sheet.SetActivePage(0));
    EXPECT_EQ(Items(Page(sheet), IDC_PICTURES).size(), 3u);
    sheet.PressButton(IDOK);
  });
  EXPECT_EQ(ConfigValue("CurrentSet"), "Coast");
  EXPECT_EQ(ConfigValue("CurrentImage"), "Bay");
  EXPECT_EQ(sandbox_.readFile(windows() + "quillmrk.bmp").substr(0, 2), "BM") << "the bitmap was made";
}

TEST_F(WallpaperPageTest, AnUnreadableSetFolderLeavesTheWallpaperAndKeepsTheChoice) {
  AddSet("Coast", "Coast", kCoast);
  std::filesystem::copy_file(std::string(QM_BIN_DIR) + "/djpeg32.so", pf() + "djpeg32.so");
  // A small real picture: the decoder's seed file, after the byte that picks the fuzz case.
  const std::string jpeg = sandbox_.readFile(std::string(QM_SOURCE_DIR) + "/fuzz/corpus/jpeg_decoder/base_00");
  ASSERT_GT(jpeg.size(), 100u);
  sandbox_.writeFile(pf() + "Coast/harbour.jpg", jpeg.substr(1));
  sandbox_.writeFile(windows() + "quillmrk.bmp", "the old wallpaper");
  auto applyHarbour = [&](CPropertySheet& sheet) {
    CWallpaperPage& page = Page(sheet);
    EXPECT_EQ(Items(page, IDC_PICTURES).size(), 3u) << "the list comes from the settings";
    page.ChooseListItem(IDC_PICTURES, 2);  // harbour at Dawn
    page.ClickDlgItem(IDC_STRETCH);
    sheet.PressButton(ID_APPLY_NOW);
    sheet.PressButton(IDOK);
  };
  const std::string folder = pf() + "Coast";
  {
    FilePermissionsBind binding;
    chmod(folder.c_str(), 0);
    Run(applyHarbour);
    chmod(folder.c_str(), 0755);
  }
  EXPECT_EQ(ConfigValue("CurrentImage"), "harbour at Dawn");
  EXPECT_EQ(sandbox_.readFile(windows() + "quillmrk.bmp"), "the old wallpaper");

  Run(applyHarbour);  // readable again (the stretch box changes back, so it converts)
  EXPECT_EQ(sandbox_.readFile(windows() + "quillmrk.bmp").substr(0, 2), "BM");
}
}  // namespace
