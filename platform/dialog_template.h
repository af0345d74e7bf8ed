#pragma once
// Dialog templates as the old platform's resource compiler produced them: a table of the
// dialog's font, size, caption and styles and of its controls, every place and size in
// dialog units. One horizontal dialog unit is a quarter of the dialog font's average
// character width, one vertical unit an eighth of its height (the "base units"), so a
// dialog keeps its proportions whatever the font resolves to; where a control's text
// needs more room than its units give, the control grows and pushes what lies to its
// right and below it, the group box round it and the dialog's edges outwards. Programs describe their
// dialogs here, register them by resource id, and the Qt layer builds the windows.
//
// Option names are our own (not the old WS_/SS_/BS_ constants) so that this header can
// sit beside the window and control headers without clashing names.
#include <string>
#include <vector>

#include "platform/types.h"

enum class ControlKind {
  StaticText,     // "STATIC" with SS_LEFT / SS_CENTER / SS_RIGHT; word-wrapped like the old one
  PushButton,
  DefPushButton,  // the button that Enter presses
  CheckBox,       // automatic check box: a click toggles it
  RadioButton,    // automatic radio button: exclusive within its group
  GroupBox,
  Edit,
  ComboBox,
  ListBox,
  Slider,         // trackbar
  UpDown,         // up-down arrows, usually attached to the edit before it
};

namespace ctl {
// Static text alignment (and, for edits, text alignment).
constexpr DWORD AlignLeft = 0x0;
constexpr DWORD AlignCenter = 0x1;
constexpr DWORD AlignRight = 0x2;
constexpr DWORD AlignMask = 0x3;
// "&" is shown as it is instead of marking a mnemonic (SS_NOPREFIX).
constexpr DWORD NoPrefix = 0x4;
constexpr DWORD TabStop = 0x8;
// Starts a new group: radio buttons are exclusive up to the next control that has it.
constexpr DWORD Group = 0x10;
constexpr DWORD Disabled = 0x20;
constexpr DWORD Hidden = 0x40;
// Edit options.
constexpr DWORD ReadOnly = 0x80;
constexpr DWORD Number = 0x100;  // digits only (ES_NUMBER)
constexpr DWORD MultiLine = 0x200;
// Combo box: list only, no typing (CBS_DROPDOWNLIST); without it the box is editable.
constexpr DWORD DropDownList = 0x400;
constexpr DWORD Sort = 0x800;  // combo and list boxes keep their items sorted
// Slider options.
constexpr DWORD Vertical = 0x1000;
constexpr DWORD AutoTicks = 0x2000;
// Up-down options: attach to the control before it in the table (UDS_AUTOBUDDY), sit at
// its right edge (UDS_ALIGNRIGHT), and write the position into it (UDS_SETBUDDYINT).
constexpr DWORD AutoBuddy = 0x4000;
constexpr DWORD AlignBuddyRight = 0x8000;
constexpr DWORD SetBuddyInt = 0x10000;
// Static text: no word wrap (SS_LEFTNOWORDWRAP).
constexpr DWORD NoWrap = 0x20000;
}  // namespace ctl

namespace dlg {
// Window styles of the dialog itself.
constexpr DWORD ModalFrame = 0x1;
constexpr DWORD Caption = 0x2;
constexpr DWORD SysMenu = 0x4;    // the close box
constexpr DWORD AppWindow = 0x8;  // shown on the task bar (WS_EX_APPWINDOW)
constexpr DWORD Extended = 0x10;  // an extended (DIALOGEX) template; kept for fidelity
}  // namespace dlg

struct ControlTemplate {
  int id = 0;
  ControlKind kind = ControlKind::StaticText;
  std::string text;  // 8-bit text, as in the program's resources
  int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
  DWORD options = 0;                 // ctl:: flags
};

struct DialogTemplate {
  int id = 0;
  std::string caption;
  std::string fontName = "MS Sans Serif";
  int fontPointSize = 8;
  int cx = 0, cy = 0;  // client area, dialog units
  DWORD styles = 0;    // dlg:: flags
  std::vector<ControlTemplate> controls;
};

// The resource table: programs register their templates once (before they are used),
// and dialogs ask for them by id. A second registration of an id replaces the first.
void RegisterDialogTemplate(const DialogTemplate& dialogTemplate);
// nullptr when no template of that id is registered.
const DialogTemplate* FindDialogTemplate(int id);

// Registers at static-initialisation time, like a resource linked into the program.
struct DialogTemplateRegistration {
  explicit DialogTemplateRegistration(const DialogTemplate& t) { RegisterDialogTemplate(t); }
};

// Pixels per 4 horizontal and per 8 vertical dialog units.
struct DialogBaseUnits {
  int cx = 0;
  int cy = 0;
};

// The base units of a font: cx is the average width of the 52 letters A-Z a-z, rounded
// as the old platform rounded it ((width / 26 + 1) / 2), cy the font's height in pixels.
// The face resolves through fontconfig; an unknown face falls back to a sans-serif one.
// Before the user interface is started, {6, 13} (the old 8-point system font's).
DialogBaseUnits BaseUnitsForFont(const std::string& faceName, int pointSize);

struct PixelRect {
  int x = 0, y = 0, cx = 0, cy = 0;
  bool operator==(const PixelRect&) const = default;
};

// MapDialogRect: x and cx scale by base.cx / 4, y and cy by base.cy / 8, each rounded to
// the nearest pixel with halves away from zero (the old MulDiv rounding).
PixelRect DialogUnitsToPixels(const DialogBaseUnits& base, int x, int y, int cx, int cy);
