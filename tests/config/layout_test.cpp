// Every page and dialog of the configuration program at the font size and scale the run
// was started with (tests/CMakeLists.txt runs this again at other ones): nothing overlaps,
// nothing leaves its dialog, every text fits, and the monitor picture lies in free space.
// With QM_LAYOUT_SHOTS set to a folder it saves the sheet on each page there: the
// screenshots of docs/ come from a run at 96 dpi and one with QT_SCALE_FACTOR=2.
#include <gtest/gtest.h>

#include <set>

#include "config/about_page.h"
#include "config/page_ids.h"
#include "config/resource.h"
#include "platform/framework.h"
#include "tests/config/config_fixture.h"
#include "tests/support/layout_check.h"

namespace {
class LayoutTest : public ConfigTest {};

PixelRect Client(const RECT& r) { return {0, 0, static_cast<int>(r.right), static_cast<int>(r.bottom)}; }
}  // namespace

TEST_F(LayoutTest, EveryPageAndDialogFitsEveryFontSize) {
  AddSet("Coast", "Coast", {{"Bay", "bay"}, {"Harbour at Dawn and Dusk over the Water", "harbour"}});
  AddSet("Peaks", "Peaks", {{"Summit", "summit"}});
  RecordInstalledSet("Coast", "Coast");
  std::set<std::string> dialogs;
  SetModalDialogHook([&](CDialog& dialog) {
    dialogs.insert(dialog.GetWindowText());
    ExpectLaidOut(dialog.ShownControls(), dialog.GetClientRect(), dialog.GetWindowText());
    dialog.PressEscape();
  });
  Run([&](CPropertySheet& sheet) {
    const char* names[] = {"wallpaper", "screensaver", "editsets", "about"};
    ASSERT_EQ(sheet.GetPageCount(), 4);
    for (int i = 0; i < sheet.GetPageCount(); ++i) {
      ASSERT_TRUE(sheet.SetActivePage(i));
      CPropertyPage& page = *sheet.GetPage(i);
      std::vector<ShownControl> shown = page.ShownControls();
      // The monitor picture and the logo are painted, not windows: they count as such,
      // the monitor holding the preview.
      const RECT& m = i < 3 ? app_->m_rcMonitor : static_cast<CAbout&>(page).m_rcLogo;
      ShownControl picture;
      picture.text = i < 3 ? "monitor picture" : "logo";
      picture.groupBox = true;
      picture.rect = picture.inside = {m.left, m.top, m.right - m.left, m.bottom - m.top};
      shown.push_back(picture);
      ExpectLaidOut(shown, Client(page.GetClientRect()), names[i]);
      if (!ShotFolder().empty()) {
        EXPECT_TRUE(sheet.SaveImage(ShotFolder() + "quillmrk-" + names[i] + ShotSuffix() + ".png"));
      }
    }
    ASSERT_TRUE(sheet.SetActivePage(0));
    sheet.GetPage(0)->ClickDlgItem(IDC_IMAGE_INFO);
    ASSERT_TRUE(sheet.SetActivePage(2));
    answers_ = {IDNO};
    sheet.GetPage(2)->ClickDlgItem(IDC_EDIT_REMOVE_SET);
    sheet.GetPage(2)->ClickDlgItem(IDC_EDIT_RESTORE_SET);
    sheet.PressButton(IDCANCEL);
  });
  EXPECT_EQ(dialogs, (std::set<std::string>{"Image Information", "Remove Set", "Restore Set"}));
}
