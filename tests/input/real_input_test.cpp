// The configuration program under a real mouse and keyboard: Xvfb of the test's own, and
// xdotool clicking where the control really is on the screen. What a click on a list row
// tells the page, and when, is the toolkit's event order, which no helper that sets the
// selection itself can show.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "config/page_ids.h"
#include "config/resource.h"
#include "imagelib/catalogue.h"
#include "platform/controls.h"
#include "platform/shell_dialogs.h"
#include "tests/config/config_fixture.h"
#include "tests/support/private_display.h"
#include "tools/mksampleset/writers.h"

namespace {
const Pictures kCoast = {{"Bay", "bay"}, {"Cliffs", "cliffs"}, {"Harbour at Dawn", "harbour"}};

class RealInputTest : public ConfigTest {
 protected:
  void SetUp() override {
    display_ = std::make_unique<PrivateDisplay>();
    if (!display_->ready()) GTEST_SKIP() << display_->why();
    ConfigTest::SetUp();
  }
  void TearDown() override {
    SetFolderChooserHook({});
    ConfigTest::TearDown();
  }

  // A mouse click at a point of a control's client area, where it is on the screen. The
  // server takes the move and the click in order; waiting for the move (--sync) would
  // stall when the pointer is already there.
  void Click(const CControl& control, POINT client) {
    const POINT p = control.ClientToScreen(client);
    ASSERT_TRUE(display_->xdotool({"mousemove", std::to_string(p.x), std::to_string(p.y), "click", "1"}));
  }
  void ClickRow(const CListBox& list, int row) {
    const RECT r = list.GetItemRect(row);
    Click(list, POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  }
  void ClickControl(const CControl& control) {
    const RECT r = control.GetRect();
    Click(control, POINT{(r.right - r.left) / 2, (r.bottom - r.top) / 2});
  }
  void ClickRow(CPropertyPage& page, int id, int row) { ClickRow(CListBox(page.GetDlgItem(id)), row); }
  void ClickControl(CPropertyPage& page, int id) { ClickControl(page.GetDlgItem(id)); }
  void Keys(const std::vector<std::string>& keys) {
    std::vector<std::string> args{"key", "--delay", "80"};
    args.insert(args.end(), keys.begin(), keys.end());
    ASSERT_TRUE(display_->xdotool(args));
  }

  std::unique_ptr<PrivateDisplay> display_;
};

TEST_F(RealInputTest, AClickedPictureIsTheOneThePageShowsAndApplies) {
  AddSet("Coast", "Coast", kCoast);
  std::filesystem::copy_file(std::string(QM_BIN_DIR) + "/djpeg32.so", pf() + "djpeg32.so");
  // A small real picture: the decoder's seed file, after the byte that picks the fuzz case.
  const std::string jpeg = sandbox_.readFile(std::string(QM_SOURCE_DIR) + "/fuzz/corpus/jpeg_decoder/base_00");
  sandbox_.writeFile(pf() + "Coast/cliffs.jpg", jpeg.substr(1));
  WriteIni(pf() + "quillmrk.ini", "Config", "CurrentImage", "Harbour at Dawn");
  Run([&](CPropertySheet& sheet) {
    CPropertyPage& page = *sheet.GetPage(0);
    CListBox pictures(page.GetDlgItem(IDC_PICTURES));
    ASSERT_EQ(pictures.GetCurSel(), 2);
    ClickRow(page, IDC_PICTURES, 1);
    EXPECT_EQ(pictures.GetCurSel(), 1);
    Keys({"Return"});  // OK, the sheet's default button
    EXPECT_FALSE(sheet.IsRunning());
  });
  EXPECT_EQ(ConfigValue("CurrentImage"), "Cliffs");
  EXPECT_EQ(sandbox_.readFile(windows() + "quillmrk.bmp").substr(0, 2), "BM") << "the clicked picture converted";
}

TEST_F(RealInputTest, TheFirstRowClickedFirstOnEditSetsIsTakenUp) {
  AddSet("Coast", "Coast", kCoast);
  Run([&](CPropertySheet& sheet) {
    ASSERT_TRUE(sheet.SetActivePage(2));
    CPropertyPage& page = *sheet.GetPage(2);
    ASSERT_FALSE(page.IsDlgItemEnabled(IDC_EDIT_REMOVE));
    ClickRow(page, IDC_EDIT_PICTURES, 0);
    EXPECT_TRUE(page.IsDlgItemEnabled(IDC_EDIT_REMOVE));
    ClickControl(page, IDC_EDIT_REMOVE);
    Keys({"Escape"});  // Cancel: taking a picture out is written at once all the same
    EXPECT_FALSE(sheet.IsRunning());
  });
  EXPECT_EQ(Ini(pf() + "quillmrk.ini", "Coast Deleted Images", "Bay"), "bay");
}

TEST_F(RealInputTest, AMnemonicPressesTheFocusedPagesControlBeforeTheSheetsAndNeverADisabledOne) {
  AddSet("Coast", "Coast", kCoast);
  RemovePicture(CProfileFile(pf() + "quillmrk.ini"), "Coast", "Bay");
  Run([&](CPropertySheet& sheet) {
    ClickControl(*sheet.GetPage(0), IDC_STRETCH);  // a change: the sheet's "&Apply" is enabled
    ASSERT_TRUE(sheet.IsApplyEnabled());
    ASSERT_TRUE(sheet.SetActivePage(2));
    CPropertyPage& page = *sheet.GetPage(2);
    ClickRow(page, IDC_EDIT_REMOVED, 0);
    ASSERT_TRUE(page.IsDlgItemEnabled(IDC_EDIT_ADD));
    Keys({"alt+a"});  // the page's "&Add", not the sheet's "&Apply"
    EXPECT_EQ(Ini(pf() + "quillmrk.ini", "Coast", "Bay"), "bay");
    EXPECT_TRUE(sheet.IsApplyEnabled());
    ASSERT_FALSE(page.IsDlgItemEnabled(IDC_EDIT_ADD));
    Keys({"alt+a"});  // "&Add" is disabled now: "&Apply"
    EXPECT_FALSE(sheet.IsApplyEnabled());
    EXPECT_NE(ConfigValue("StretchWallpaper"), kMissing) << "applied";
    Keys({"Escape"});
  });
}

TEST_F(RealInputTest, TheFirstAndOnlyRowsOfTheSetDialogsAreChosenByMouse) {
  AddSet("Coast", "Coast", kCoast);
  AddSet("Peaks", "Peaks", {{"Summit", "summit"}});
  RecordInstalledSet("Coast", "Coast");  // the one set that Restore Set offers
  answers_ = {IDYES, IDYES};             // delete the set Coast? restore it?
  std::vector<int> rows;
  SetModalDialogHook([&](CDialog& dialog) {
    CListBox list(CControl(dialog.GetDlgItemHandle(IDC_SET_LIST)));
    rows.push_back(list.GetCount());
    ASSERT_FALSE(dialog.IsDlgItemEnabled(IDOK));
    ClickRow(list, 0);
    ASSERT_TRUE(dialog.IsDlgItemEnabled(IDOK));
    ClickControl(CControl(dialog.GetDlgItemHandle(IDOK)));
  });
  Run([&](CPropertySheet& sheet) {
    ASSERT_TRUE(sheet.SetActivePage(2));
    ClickControl(*sheet.GetPage(2), IDC_EDIT_REMOVE_SET);
    EXPECT_EQ(Ini(pf() + "quillmrk.ini", "SetDescriptions", "Coast"), kMissing);
    ClickControl(*sheet.GetPage(2), IDC_EDIT_RESTORE_SET);
    EXPECT_EQ(Ini(pf() + "quillmrk.ini", "SetDescriptions", "Coast"), "Coast\\");
    sheet.PressButton(IDCANCEL);
  });
  EXPECT_EQ(rows, (std::vector<int>{2, 1}));
}

TEST_F(RealInputTest, ANewSetFromAFolderOfPhotosJoinsEveryPagesSetList) {
  AddSet("Coast", "Coast", kCoast);
  const std::string photos = sandbox_.root() + "/Summer Trip";
  std::filesystem::create_directories(photos + "/day2");
  for (const char* name : {"/beach.jpg", "/day2/harbour.jpg"}) {
    mks::Raster picture(96, 64);
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 96; ++x) picture.put(x, y, {x / 96.0, y / 64.0, 0.5});
    ASSERT_EQ(mks::WriteJpeg(photos + name, picture, mks::JpegKind::Baseline, 90), "");
  }
  sandbox_.writeFile(photos + "/broken.jpg", "\xff\xd8\xff broken");
  SetFolderChooserHook([&] {
    // As a user types a path into the chooser's edit box.
    ASSERT_TRUE(display_->xdotool({"type", "--delay", "20", photos}));
    Keys({"Return"});
  });
  std::string proposed;
  SetModalDialogHook([&](CDialog& naming) {
    proposed = naming.GetDlgItemText(IDC_NEW_SET_NAME);
    naming.SetDlgItemText(IDC_NEW_SET_NAME, "coast");  // another set's name: said, and asked again
    ClickControl(CControl(naming.GetDlgItemHandle(IDOK)));
    ASSERT_TRUE(naming.IsRunning());
    naming.SetDlgItemText(IDC_NEW_SET_NAME, proposed);
    Keys({"Return"});  // the default button
  });
  Run([&](CPropertySheet& sheet) {
    ASSERT_TRUE(sheet.SetActivePage(2));
    CPropertyPage& page = *sheet.GetPage(2);
    ClickControl(page, IDC_EDIT_NEW_SET);  // returns once the progress dialog has closed
    CComboBox chooser(page.GetDlgItem(IDC_EDIT_SET_CHOOSER));
    EXPECT_EQ(chooser.GetLBText(chooser.GetCurSel()), "Summer Trip");
    EXPECT_EQ(CListBox(page.GetDlgItem(IDC_EDIT_PICTURES)).GetCount(), 2);
    for (int index : {0, 1}) {
      ASSERT_TRUE(sheet.SetActivePage(index));
      const int list = index == 0 ? IDC_SETS : IDC_SAVER_SETS;
      EXPECT_NE(CComboBox(sheet.GetPage(index)->GetDlgItem(list)).FindString(-1, "Summer Trip"), CB_ERR)
          << "page " << index;
    }
    sheet.PressButton(IDCANCEL);
  });
  EXPECT_EQ(proposed, "Summer Trip") << "the folder's name";
  EXPECT_EQ(Ini(pf() + "quillmrk.ini", "SetDescriptions", "Summer Trip"), "Summer_Trip\\");
  ASSERT_EQ(messages_.size(), 2u) << "the refused name, and the broken photo left out";
  EXPECT_NE(messages_[0].find("Coast"), std::string::npos) << messages_[0];
  EXPECT_EQ(std::filesystem::exists(pf() + "coast"), false);
}

TEST_F(RealInputTest, ControlTabAndControlPageKeysGoRoundThePages) {
  AddSet("Coast", "Coast", kCoast);
  Run([&](CPropertySheet& sheet) {
    ClickRow(*sheet.GetPage(0), IDC_PICTURES, 0);  // the focus in a list, as a user's would be
    std::vector<int> seen;
    for (const char* key : {"ctrl+Tab", "ctrl+Tab", "ctrl+Next", "ctrl+Tab", "ctrl+shift+Tab", "ctrl+Prior"}) {
      Keys({key});
      seen.push_back(sheet.GetActiveIndex());
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 0, 3, 2}));
    sheet.PressButton(IDCANCEL);
  });
}
// Tab runs through the page's controls in the template's order and on to the sheet's
// buttons; Enter presses the focused button, not the default one; the focus stays in
// sight after a mouse click.
TEST_F(RealInputTest, TabFollowsTheTemplateAndEnterPressesTheFocusedButton) {
  AddSet("Coast", "Coast", kCoast);
  Run([&](CPropertySheet& sheet) {
    CPropertyPage& page = *sheet.GetPage(0);
    ClickControl(page, IDC_STRETCH);  // a change that OK or Apply would write
    ASSERT_TRUE(sheet.IsApplyEnabled());
    const std::string focused = sandbox_.path("focused.png"), elsewhere = sandbox_.path("elsewhere.png");
    ASSERT_TRUE(page.SaveImage(focused));
    Keys({"Tab", "Tab"});  // Image Info, then the sheet's OK
    ASSERT_TRUE(page.SaveImage(elsewhere));
    EXPECT_TRUE(sandbox_.readFile(focused) != sandbox_.readFile(elsewhere)) << "the clicked box showed its focus";
    Keys({"Tab", "Return"});  // Cancel
    EXPECT_FALSE(sheet.IsRunning());
  });
  EXPECT_EQ(ConfigValue("StretchWallpaper"), kMissing) << "cancelled, not applied";
}
}  // namespace
