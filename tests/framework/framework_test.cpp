#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <map>
#include <thread>

#include "platform/controls.h"
#include "platform/dialog_items.h"
#include "platform/framework.h"
#include "platform/gui.h"
#include "platform/shell.h"
#include "tests/support/sandbox.h"

namespace {
void EnsureUserInterface() {
  static int argc = 1;
  static char name[] = "test_framework";
  static char* argv[] = {name, nullptr};
  StartUserInterface(argc, argv);
}

constexpr int kTemplate = 9001;

void RegisterTestTemplate() {
  DialogTemplate t;
  t.id = kTemplate;
  t.caption = "Test";
  t.cx = 200;
  t.cy = 100;
  t.styles = dlg::Caption | dlg::SysMenu;
  t.controls = {
      {100, ControlKind::CheckBox, "&Check", 5, 5, 80, 10, ctl::TabStop},
      {101, ControlKind::Edit, "", 5, 20, 40, 12, ctl::TabStop | ctl::Number},
      {102, ControlKind::UpDown, "", 0, 0, 10, 12,
       ctl::AutoBuddy | ctl::AlignBuddyRight | ctl::SetBuddyInt},
      {103, ControlKind::RadioButton, "A", 5, 40, 40, 10, ctl::Group | ctl::TabStop},
      {104, ControlKind::RadioButton, "B", 5, 52, 40, 10, 0},
      {105, ControlKind::RadioButton, "C", 60, 40, 40, 10, ctl::Group},
      {106, ControlKind::PushButton, "Count", 100, 80, 40, 14, ctl::TabStop | ctl::Disabled},
      {IDOK, ControlKind::DefPushButton, "OK", 150, 80, 40, 14, ctl::TabStop},
  };
  RegisterDialogTemplate(t);
}

class BaseDlg : public CDialog {
 public:
  BaseDlg() : CDialog(kTemplate) {}
  int checked = 0;
  int number = 7;
  int baseClicks = 0;
  int derivedClicks = 0;

 protected:
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Check(pDX, 100, checked);
    DDX_Text(pDX, 101, number);
  }
  void OnRadioA() { ++baseClicks; }
  void OnRadioB() { ++baseClicks; }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(BaseDlg, CDialog)
ON_BN_CLICKED(103, OnRadioA)
ON_BN_CLICKED(104, OnRadioB)
END_MESSAGE_MAP()

// Overrides one of its base's handlers and adds its own.
class DerivedDlg : public BaseDlg {
 protected:
  void OnRadioB2() { ++derivedClicks; }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(DerivedDlg, BaseDlg)
ON_BN_CLICKED(104, OnRadioB2)
END_MESSAGE_MAP()
}  // namespace

TEST(DialogUnits, ScaleWithBaseUnitsAndRoundHalvesAwayFromZero) {
  EnsureUserInterface();
  DialogBaseUnits base{6, 13};
  EXPECT_EQ(DialogUnitsToPixels(base, 7, 7, 284, 23), (PixelRect{11, 11, 426, 37}));
  // 1 * 6 / 4 = 1.5 -> 2; -1 -> -2; 4 * 13 / 8 = 6.5 -> 7.
  EXPECT_EQ(DialogUnitsToPixels(base, 1, 4, -1, -4), (PixelRect{2, 7, -2, -7}));
  DialogBaseUnits font = BaseUnitsForFont("MS Sans Serif", 8);
  EXPECT_GT(font.cx, 3);
  EXPECT_GT(font.cy, font.cx);
  // An unknown face still gives a sans-serif font of that size.
  DialogBaseUnits unknown = BaseUnitsForFont("No Such Face 123", 8);
  EXPECT_GT(unknown.cx, 3);
}

TEST(CommandLine, ArgumentsJoinWithSingleBlanks) {
  char a0[] = "prog", a1[] = "http://x/a  b", a2[] = "-c";
  char* argv[] = {a0, a1, a2, nullptr};
  EXPECT_EQ(JoinCommandLine(3, argv), "http://x/a  b -c");
  EXPECT_EQ(JoinCommandLine(1, argv), "");
}

TEST(Dialog, DataExchangeMessageMapsAndControls) {
  Sandbox sandbox;
  EnsureUserInterface();
  RegisterTestTemplate();
  DerivedDlg dialog;
  dialog.checked = 1;
  SetModalDialogHook([](CDialog& d) {
    // Members reached the controls.
    EXPECT_EQ(d.IsDlgButtonChecked(100), 1u);
    EXPECT_EQ(d.GetDlgItemText(101), "7");
    // The up-down sits at the edit's right edge and steps the number in it.
    PixelRect edit = d.GetDlgItemRect(101), upDown = d.GetDlgItemRect(102);
    EXPECT_EQ(edit.x + edit.cx, upDown.x);
    // Radio groups are exclusive within themselves only.
    d.ClickDlgItem(103);
    d.ClickDlgItem(105);
    d.ClickDlgItem(104);
    EXPECT_EQ(d.IsDlgButtonChecked(103), 0u);
    EXPECT_EQ(d.IsDlgButtonChecked(104), 1u);
    EXPECT_EQ(d.IsDlgButtonChecked(105), 1u);
    // A disabled button cannot be clicked.
    EXPECT_FALSE(d.IsDlgItemEnabled(106));
    d.ClickDlgItem(106);
    d.ClickDlgItem(100);
    d.SetDlgItemText(101, "42");
    d.ClickDlgItem(IDOK);
  });
  EXPECT_EQ(dialog.DoModal(), IDOK);
  SetModalDialogHook({});
  EXPECT_EQ(dialog.checked, 0);
  EXPECT_EQ(dialog.number, 42);
  // 103 went to the base handler; 104 to the derived one, which replaces the base's.
  EXPECT_EQ(dialog.baseClicks, 1);
  EXPECT_EQ(dialog.derivedClicks, 1);
}

// Labels laid out for the old, narrower system font: a one-line label too narrow for its
// text grows to the right and pushes what lies beside it, the group box round it and the
// dialog's edge outwards; a label with room for more lines keeps its size.
TEST(Dialog, NarrowOneLineLabelsGrowAndPushTheirNeighbours) {
  Sandbox sandbox;
  EnsureUserInterface();
  const std::string text = "A label with far more text than its box";
  DialogTemplate t;
  t.id = 9002;
  t.caption = "Labels";
  t.cx = 300;
  t.cy = 100;
  t.controls = {
      {200, ControlKind::StaticText, text, 5, 5, 20, 8, 0},
      {201, ControlKind::Edit, "", 60, 4, 40, 12, 0},
      {202, ControlKind::StaticText, text, 5, 25, 20, 8, 0},
      {-1, ControlKind::GroupBox, "Group", 5, 40, 60, 30, 0},
      {203, ControlKind::StaticText, text, 10, 52, 20, 8, 0},
      {204, ControlKind::StaticText, text, 5, 75, 20, 20, 0},
      {205, ControlKind::StaticText, text, 280, 85, 10, 8, 0},
  };
  RegisterDialogTemplate(t);
  CDialog dialog(9002);
  std::map<int, RECT> placed;
  SetModalDialogHook([&](CDialog& d) {
    for (int id : {200, 201, 202, 203, 204, 205, -1}) placed[id] = GetDialogItem(d, id).GetRect();
    const DialogBaseUnits base = BaseUnitsForFont(t.fontName, t.fontPointSize);
    const PixelRect edit = DialogUnitsToPixels(base, 60, 4, 40, 12);
    const PixelRect narrow = DialogUnitsToPixels(base, 5, 5, 20, 8);
    const PixelRect tall = DialogUnitsToPixels(base, 5, 75, 20, 20);
    const PixelRect client = d.GetClientRect();
    const RECT& group = placed[-1];
    EXPECT_GT(placed[200].right - placed[200].left, narrow.cx) << "grows";
    EXPECT_LE(placed[200].right, placed[201].left) << "and pushes the edit box along";
    EXPECT_GT(placed[201].left, edit.x);
    EXPECT_EQ(placed[201].top, edit.y) << "which keeps its row";
    EXPECT_EQ(placed[202].right - placed[202].left, placed[200].right - placed[200].left) << "the same text, the same width";
    EXPECT_LE(placed[203].right, group.right) << "the group box grows round it";
    EXPECT_GT(placed[203].left, group.left);
    EXPECT_EQ(placed[204].right - placed[204].left, tall.cx) << "room for wrapped lines: unchanged";
    EXPECT_LE(placed[205].right, client.cx) << "the dialog grows to hold it";
    EXPECT_GT(client.cx, DialogUnitsToPixels(base, 0, 0, t.cx, 0).cx);
    d.PressEscape();
  });
  dialog.DoModal();
  SetModalDialogHook({});
  EXPECT_EQ(placed.size(), 7u);
}

TEST(Dialog, MissingTemplateAndUnansweredDialog) {
  Sandbox sandbox;
  EnsureUserInterface();
  RegisterTestTemplate();
  CDialog missing(424242);
  EXPECT_EQ(missing.DoModal(), -1);
  // A hook that does nothing leaves the dialog to be closed like the close box: Cancel,
  // and no data is taken from the controls.
  BaseDlg dialog;
  SetModalDialogHook([](CDialog& d) { d.CheckDlgButton(100, 1); });
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  SetModalDialogHook({});
  EXPECT_EQ(dialog.checked, 0);
}

TEST(ShellOpen, ProgramsGetParametersWholeAndOptionsAreRefused) {
  Sandbox sandbox;
  std::string program = sandbox.programFolder() + "Recorder";
  std::string log = sandbox.path("args.log");
  sandbox.writeFile(program, "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done >> '" +
                                 log + "'\n");
  chmod(program.c_str(), 0755);
  // The old name with ".exe" finds the program; the parameters arrive as one argument.
  EXPECT_GT(ShellExecute(nullptr, "open", (program + ".exe").c_str(), "http://a b  c", nullptr,
                         SW_SHOW),
            32);
  for (int i = 0; i < 500 && sandbox.readFile(log).empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(sandbox.readFile(log), "[http://a b  c]");

  EXPECT_EQ(ShellExecute(nullptr, "open", "--version", nullptr, nullptr, SW_SHOW),
            SE_ERR_ACCESSDENIED);
  EXPECT_EQ(ShellExecute(nullptr, "print", "http://x/", nullptr, nullptr, SW_SHOW),
            SE_ERR_NOASSOC);
  EXPECT_EQ(ShellExecute(nullptr, "open", "", nullptr, nullptr, SW_SHOW), SE_ERR_FNF);
}
