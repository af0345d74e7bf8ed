// The configuration program's resources: its string table, the Wallpaper page's and the
// Image Information dialog's templates, the monitor picture and the sheet's icon.
#include "config/resource.h"
#include "platform/dialog_template.h"
#include "platform/resources.h"
#include "platform/resources_tables.h"
#include "platform/scoped.h"

namespace {
const StringResourceRegistration kStrings[] = {
    {IDS_REMOVE_WALLPAPER, "Are you sure you would like to remove the wallpaper?"},
    {IDS_SETUP_NOT_COMPLETE,
     "Please note that you have not completed the setup of the wallpaper and screen saver by "
     "selecting options on the Wallpaper and Screen Saver tabs. You must make your selections "
     "and click OK before your wallpaper and screen saver will function properly."},
    {IDS_SHORTCUT_DESCRIPTION, "QuillMark Wallpaper Auto Change"},
    {IDS_SHORTCUT_NAME, "QuillMark Wallpaper Changer"},
    {IDS_NO_PICTURE_SELECTED,
     "There is no image selected for the wallpaper. To select an image to be used as wallpaper, "
     "choose a title in the list of images."},
    {IDS_NO_SETS,
     "There are no image sets available, please restore the image sets using the Restore Set "
     "button  on the Edit Sets tab. See the help file for more information."},
    {IDS_ALL_IMAGE_SETS, "All Image Sets"},
    {IDS_WALLPAPER_IMAGES, "&Wallpaper images"},
    {IDS_WALLPAPER_IMAGE_SETS, "&Wallpaper image sets"},
    {IDS_NEW_INSTALL_FAILED,
     "The program could not complete the setup of the last installed product. Please attempt to "
     "re-install, or contact QuillMark customer support for more information."},
    {IDS_NO_SETS_DETECTED,
     "No images sets were detected during the initialization of the program. Please install an "
     "image set or contact QuillMark customer support for more information."},
    {IDS_NEW_SET_REFUSED,
     "The image set installed last was not added, because %s. Your other image sets and "
     "settings are unchanged."},
    {IDS_PICTURE_MISSING,
     "The picture %s cannot be made the wallpaper: its file is missing from its image set's "
     "folder. Please choose another picture, or restore its image set on the Edit Sets tab. "
     "The wallpaper and its settings stay as they were."},
    {AFX_IDS_APP_TITLE, "QuillMark Configuration"},
};

// The sheet's other pages paint the monitor where this page places it, and keep their
// right-hand part free for it: below the Screen Saver page's Configuration group (y 74)
// and above its Preview button (y 192), right of x 173. The list's right edge, the stretch
// box's bottom and the Image Info button's top are chosen so that the monitor, centred
// between them, lands there for the usual dialog fonts.
DialogTemplate WallpaperTemplate() {
  using K = ControlKind;
  DialogTemplate t;
  t.id = IDD_WALLPAPER;
  t.caption = "Wallpaper";
  t.cx = 313;
  t.cy = 210;
  t.controls = {
      {-1, K::StaticText, "&Image set to use:", 7, 7, 163, 8, 0},
      {IDC_SETS, K::ComboBox, "", 7, 17, 163, 100, ctl::DropDownList | ctl::Sort | ctl::TabStop},
      {IDC_PICTURES_LABEL, K::StaticText, "&Wallpaper images", 7, 35, 163, 8, 0},
      {IDC_PICTURES, K::ListBox, "", 7, 45, 163, 158, ctl::Sort | ctl::TabStop},
      {-1, K::GroupBox, "Wallpaper", 178, 4, 44, 52, 0},
      {IDC_WALLPAPER_ON, K::RadioButton, "&On", 184, 18, 34, 10, ctl::Group | ctl::TabStop},
      {IDC_WALLPAPER_OFF, K::RadioButton, "O&ff", 184, 33, 34, 10, 0},
      {-1, K::GroupBox, "Auto change", 228, 4, 78, 52, ctl::Group},
      {IDC_EVERY_DAY, K::RadioButton, "&Every Day", 233, 14, 70, 9, ctl::Group | ctl::TabStop},
      {IDC_EVERY_2ND_DAY, K::RadioButton, "Every &2nd Day", 233, 24, 70, 9, 0},
      {IDC_WEEKLY, K::RadioButton, "Wee&kly", 233, 34, 70, 9, 0},
      {IDC_MANUAL, K::RadioButton, "&Manual", 233, 44, 70, 9, 0},
      {IDC_STRETCH, K::CheckBox, "&Stretch to fit screen", 184, 62, 100, 10, ctl::Group | ctl::TabStop},
      {IDC_IMAGE_INFO, K::PushButton, "Image I&nfo", 213, 189, 56, 14, ctl::TabStop},
  };
  return t;
}

DialogTemplate ImageInfoTemplate() {
  using K = ControlKind;
  DialogTemplate t;
  t.id = IDD_IMAGE_INFO;
  t.caption = "Image Information";
  t.cx = 273;
  t.cy = 201;
  t.styles = dlg::ModalFrame | dlg::Caption | dlg::SysMenu;
  const DWORD box = ctl::MultiLine | ctl::ReadOnly | ctl::TabStop;
  t.controls = {
      {1, K::DefPushButton, "&Close", 112, 180, 50, 14, ctl::TabStop},
      {-1, K::StaticText, "&Image title:", 7, 7, 58, 8, 0},
      {IDC_INFO_TITLE, K::Edit, "", 7, 18, 259, 29, box},
      {-1, K::StaticText, "For more information:", 7, 51, 73, 8, 0},
      {IDC_INFO_CONTACT, K::StaticText,
       "Call QuillMark customer support at 1-800-555-0142, or visit www.quillmark.example "
       "for prints and more image sets.",
       19, 62, 247, 26, 0},
      {-1, K::StaticText, "Image information:", 7, 93, 61, 8, 0},
      {IDC_INFO_TEXT, K::Edit, "", 7, 103, 259, 29, box},
      {-1, K::StaticText, "&Additional Information:", 7, 134, 72, 8, 0},
      {IDC_INFO_ADDITIONAL, K::Edit, "", 7, 145, 259, 29, box},
  };
  return t;
}

const DialogTemplateRegistration kWallpaperTemplate{WallpaperTemplate()};
const DialogTemplateRegistration kImageInfoTemplate{ImageInfoTemplate()};

// The monitor: a grey case with a dark screen on a stand, on a magenta background that
// start-up turns into the page colour.
void PaintMonitor(HDC dc, int width, int height) {
  auto fill = [dc](int l, int t, int r, int b, COLORREF c) {
    RECT rect;
    SetRect(&rect, l, t, r, b);
    HBRUSH brush = CreateSolidBrush(c);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
  };
  auto line = [dc](int x0, int y0, int x1, int y1, COLORREF c) {
    HPEN pen = CreatePen(PS_SOLID, 1, c);
    {
      SelectedObject selected(dc, pen);
      MoveToEx(dc, x0, y0, nullptr);
      LineTo(dc, x1, y1);
    }
    DeleteObject(pen);
  };
  const COLORREF background = RGB(255, 0, 255);
  const COLORREF light = RGB(192, 192, 192), white = RGB(255, 255, 255), dark = RGB(128, 128, 128),
                 black = RGB(0, 0, 0), screen = RGB(0, 0, 128), lamp = RGB(0, 255, 0);
  fill(0, 0, width, height, background);
  // Case (0..183 x 0..142) with a raised edge.
  fill(2, 1, 181, 141, light);
  line(2, 1, 180, 1, white);
  line(2, 1, 2, 140, white);
  line(180, 1, 180, 141, black);
  line(2, 140, 181, 140, black);
  line(179, 2, 179, 140, dark);
  line(3, 139, 179, 139, dark);
  // Sunken bezel around the screen area (12..172 x 14..134).
  fill(9, 11, 175, 137, dark);
  line(9, 136, 175, 136, white);
  line(174, 11, 174, 137, white);
  fill(12, 14, 172, 134, screen);
  // Power lamp.
  fill(164, 137, 170, 139, lamp);
  // Neck and foot.
  fill(76, 141, 107, 150, light);
  line(76, 141, 76, 150, white);
  line(106, 141, 106, 150, dark);
  fill(46, 150, 137, 159, light);
  line(46, 150, 136, 150, white);
  line(46, 150, 46, 159, white);
  line(46, 158, 137, 158, black);
  line(136, 150, 136, 159, black);
}

// 16 x 16: a framed landscape picture.
const char* const kIcon[] = {
    "16 16 6 1",   "  c None",    ". c #000000", "b c #3070D0", "g c #2E9A3E",
    "y c #F0D030", "w c #FFFFFF", "................", ".wwwwwwwwwwwwww.",
    ".wbbbbbbbbbbbbw.", ".wbbbbbbbbyybbw.", ".wbbbbbbbbyybbw.", ".wbbbbbbbbbbbbw.",
    ".wbbbbgbbbbbbbw.", ".wbbbgggbbbbbbw.", ".wbbgggggbbbgbw.", ".wbgggggggbgggw.",
    ".wgggggggggggggw", ".wggggggggggggw.", ".wggggggggggggw.", ".wwwwwwwwwwwwww.",
    "................", "                ", nullptr};

struct BitmapRegistrations {
  BitmapRegistrations() {
    RegisterBitmapResource(IDB_MONITOR, kMonitorBitmapWidth, kMonitorBitmapHeight, PaintMonitor);
    RegisterIconResource(IDR_MAINFRAME, kIcon);
  }
} kBitmaps;
}  // namespace

// Referenced from start-up so that the linker keeps this file's registrations.
void LinkConfigResources() {}
