// The preview monitor's place on the pages, its loading and painting, and the Image
// Information dialog's texts.
#include "config/image_info_dlg.h"
#include "config/monitor_wnd.h"
#include "config/page_ids.h"
#include "config/resource.h"
#include "platform/controls.h"
#include "platform/dialog_template.h"
#include "tests/config/config_fixture.h"

namespace {
class MonitorTest : public ConfigTest {};

// The Wallpaper page places the monitor; the Screen Saver and Edit Sets pages paint it in
// the same place, so it must lie on all three (the layout tests check that no control lies
// under it, at every font size). It keeps the picture's proportions.
TEST_F(MonitorTest, SitsInTheFreePartOfEveryPageThatPaintsIt) {
  AddSet("Coast", "Coast", {{"Bay", "bay"}});
  Run([&](CPropertySheet& sheet) {
    const RECT m = app_->m_rcMonitor;
    EXPECT_NEAR(double(m.right - m.left) / (m.bottom - m.top), double(kMonitorBitmapWidth) / kMonitorBitmapHeight, 0.02);
    for (int index : {0, 1, 2}) {
      ASSERT_TRUE(sheet.SetActivePage(index));
      const RECT page = sheet.GetPage(index)->GetClientRect();
      EXPECT_TRUE(m.left >= 0 && m.top >= 0 && m.right <= page.right && m.bottom <= page.bottom) << index;
    }
    sheet.PressButton(IDCANCEL);
  });
}

TEST_F(MonitorTest, LoadRulesKeepOrDropThePicture) {
  CMonitorWnd monitor;
  sandbox_.writeFile(pf() + "eight.bmp", BmpFile(4, 3, 8, 10, 200, 30));
  sandbox_.writeFile(pf() + "true.bmp", BmpFile(5, 2, 24, 1, 2, 3));
  sandbox_.writeFile(pf() + "broken.bmp", "BM not really");

  EXPECT_EQ(monitor.ShowPicture(pf() + "eight.bmp"), 1);
  EXPECT_NE(monitor.m_hPicture, nullptr);
  EXPECT_NE(monitor.m_hPalette, nullptr);  // its own palette
  EXPECT_EQ(monitor.m_nWidth, 4);

  monitor.ShowPicture(pf() + "true.bmp");
  EXPECT_NE(monitor.m_hPicture, nullptr);
  EXPECT_EQ(monitor.m_hPalette, nullptr);
  EXPECT_EQ(monitor.m_nWidth, 5);

  // A file that cannot be opened keeps the picture; one that cannot be read drops it.
  monitor.ShowPicture(pf() + "missing.bmp");
  EXPECT_NE(monitor.m_hPicture, nullptr);
  monitor.ShowPicture(pf() + "broken.bmp");
  EXPECT_EQ(monitor.m_hPicture, nullptr);
  EXPECT_EQ(monitor.m_nMode, CMonitorWnd::kPicture);

  monitor.ShowPicture(pf() + "true.bmp");
  monitor.Clear();
  EXPECT_EQ(monitor.m_nMode, CMonitorWnd::kEmpty);
  EXPECT_NE(monitor.m_hPicture, nullptr);  // kept until the next load
}

// A page that carries a preview, to paint it at its real size.
class PreviewPage : public CPropertyPage {
 public:
  PreviewPage() : CPropertyPage(IDD_IMAGE_INFO) {}
  BOOL OnInitDialog() override {
    RECT r;
    SetRect(&r, 10, 10, 50, 40);
    monitor.Create(r, this, IDC_MONITOR_WINDOW);
    return CPropertyPage::OnInitDialog();
  }
  CMonitorWnd monitor;
};

COLORREF PaintedPixel(CMonitorWnd& monitor, int x, int y) {
  RECT client = monitor.GetClientRect();
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
  HGDIOBJ old = SelectObject(dc, bitmap);
  monitor.OnPaint(dc);
  COLORREF c = GetPixel(dc, x, y);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bitmap);
  return c;
}

TEST_F(MonitorTest, PaintsThePictureScaledOrTheDesktopColour) {
  sandbox_.writeFile(pf() + "big.bmp", BmpFile(120, 90, 8, 10, 200, 30));
  CPropertySheet sheet("Sheet");
  PreviewPage page;
  sheet.AddPage(&page);
  SetPropertySheetHook([&](CPropertySheet& s) {
    RECT client = page.monitor.GetClientRect();
    EXPECT_EQ(client.right, 40);
    EXPECT_EQ(PaintedPixel(page.monitor, 0, 0), GetSysColor(COLOR_DESKTOP));
    page.monitor.ShowPicture(pf() + "big.bmp");
    EXPECT_EQ(PaintedPixel(page.monitor, 0, 0), RGB(10, 200, 30));
    EXPECT_EQ(PaintedPixel(page.monitor, 39, 29), RGB(10, 200, 30));
    page.monitor.Clear();
    EXPECT_EQ(PaintedPixel(page.monitor, 20, 20), GetSysColor(COLOR_DESKTOP));
    s.PressButton(IDCANCEL);
  });
  sheet.DoModal();
}

class ImageInfoTest : public ConfigTest {
 protected:
  struct Shown {
    std::string title, information, additional, contact;
  };
  Shown Show(const std::string& picture) {
    Shown shown;
    SetModalDialogHook([&](CDialog& d) {
      shown = {d.GetDlgItemText(IDC_INFO_TITLE), d.GetDlgItemText(IDC_INFO_TEXT),
               d.GetDlgItemText(IDC_INFO_ADDITIONAL), d.GetDlgItemText(IDC_INFO_CONTACT)};
      d.ClickDlgItem(IDOK);
    });
    CImageInfoDlg dialog;
    dialog.m_strSetFolderPath = pf() + "Set/";
    dialog.m_strInfoFile = pf() + "Set/pic.nfo";
    dialog.m_strPictureName = picture;
    EXPECT_EQ(dialog.DoModal(), IDOK);
    return shown;
  }
  std::string defaultContact = "Call QuillMark customer support at 1-800-555-0142, or visit www.quillmark.example "
                               "for prints and more image sets.";
};

TEST_F(ImageInfoTest, FallsBackToTheInfoSectionAndTheSetFile) {
  sandbox_.writeFile(pf() + "Set/pic.nfo", "[Info]\r\nPictureInfo=Dunes at noon\r\n");
  sandbox_.writeFile(pf() + "Set/photo.nfo", "[Info]\r\nPhoto=Photo: A. Lens\r\nPrintOrder=Prints: call us\r\n");
  Shown shown = Show("Dunes");
  EXPECT_EQ(shown.title, "Dunes at noon");
  EXPECT_EQ(shown.information, "Not Available");
  EXPECT_EQ(shown.additional, "Photo: A. Lens");
  EXPECT_EQ(shown.contact, "Prints: call us");
}

TEST_F(ImageInfoTest, ThePicturesOwnSectionWins) {
  sandbox_.writeFile(pf() + "Set/pic.nfo",
                     "[Dunes]\r\nPicture Info=Old-style title\r\nImage Number=No. 7\r\nPrintOrder=Own order\r\n"
                     "[Info]\r\nPictureInfo=Set title\r\n");
  sandbox_.writeFile(pf() + "Set/photo.nfo", "[Info]\r\nPrintOrder=Set order\r\n");
  Shown shown = Show("Dunes");
  EXPECT_EQ(shown.title, "Old-style title");
  EXPECT_EQ(shown.information, "No. 7");
  EXPECT_EQ(shown.contact, "Own order");
}

TEST_F(ImageInfoTest, MissingFilesShowNotAvailableAndTheDefaultContact) {
  Shown shown = Show("Anything");
  EXPECT_EQ(shown.title, "Not Available");
  EXPECT_EQ(shown.information, "Not Available");
  EXPECT_EQ(shown.additional, "Not Available");
  EXPECT_EQ(shown.contact, defaultContact);
}
}  // namespace
