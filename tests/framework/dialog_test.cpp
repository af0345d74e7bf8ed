// Plain dialogs: the procedure sees WM_INITDIALOG and WM_COMMAND, controls answer by id,
// EndDialog's value comes back.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/dialog_template.h"
#include "platform/message_box.h"
#include "tests/framework/gdi_fixture.h"

namespace {
constexpr int kDialogId = 7001;
DialogTemplate sampleTemplate() {
  DialogTemplate t;
  t.id = kDialogId;
  t.caption = "Sample";
  t.cx = 182;
  t.cy = 132;
  t.styles = dlg::ModalFrame | dlg::Caption | dlg::SysMenu;
  t.controls = {
      {1000, ControlKind::Edit, "", 15, 16, 40, 14, ctl::Number | ctl::TabStop},
      {1016, ControlKind::RadioButton, "&Minutes", 68, 18, 41, 10, ctl::Group | ctl::TabStop},
      {1017, ControlKind::RadioButton, "S&econds", 115, 18, 44, 10, 0},
      {1009, ControlKind::CheckBox, "&Show titles", 6, 116, 51, 10, ctl::Hidden},
      {1018, ControlKind::ComboBox, "", 72, 67, 97, 52, ctl::DropDownList | ctl::TabStop},
      {1, ControlKind::DefPushButton, "OK", 71, 112, 50, 14, ctl::TabStop},
      {2, ControlKind::PushButton, "Cancel", 126, 112, 50, 14, ctl::TabStop},
  };
  return t;
}

std::vector<std::string> events;
std::string language;

INT_PTR CALLBACK sampleProc(HWND d, UINT m, WPARAM wp, LPARAM lp) {
  switch (m) {
    case WM_INITDIALOG:
      events.push_back("init " + std::to_string(lp));
      SetDlgItemInt(d, 1000, 5, FALSE);
      CheckDlgButton(d, 1016, BST_CHECKED);
      for (const char* s : {"English", "German", "Spanish"}) SendDlgItemMessage(d, 1018, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
      SendDlgItemMessage(d, 1018, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("span"));
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wp) == IDOK) {
        BOOL ok = FALSE;
        UINT value = GetDlgItemInt(d, 1000, &ok, FALSE);
        if (!ok || value < 1) {
          MessageBox(d, "Out of range.", "Warning", MB_ICONWARNING);
          return TRUE;
        }
        LRESULT i = SendDlgItemMessage(d, 1018, CB_GETCURSEL, 0, 0);
        char text[64] = {};
        if (i != CB_ERR) SendDlgItemMessage(d, 1018, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        language = text;
        events.push_back("ok " + std::to_string(value) + (IsDlgButtonChecked(d, 1017) ? " seconds" : " minutes"));
        EndDialog(d, 1);
        return TRUE;
      }
      if (LOWORD(wp) == IDCANCEL) {
        events.push_back("cancel");
        EndDialog(d, 0);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

class DialogTest : public GdiTest {
 protected:
  void SetUp() override {
    RegisterDialogTemplate(sampleTemplate());
    events.clear();
    language.clear();
  }
  void TearDown() override {
    SetDialogTestHook({});
    GdiTest::TearDown();
  }
};
}  // namespace

TEST_F(DialogTest, OkReadsTheControlsAndEndsWithTheProceduresValue) {
  std::vector<std::string> messages;
  SetMessageBoxHandler([&](const std::string& text, const std::string&, UINT) {
    messages.push_back(text);
    return IDOK;
  });
  SetDialogTestHook([](HWND d) {
    char text[16];
    GetDlgItemText(d, 1000, text, sizeof text);
    EXPECT_STREQ(text, "5");
    EXPECT_EQ(SendDlgItemMessage(d, 1018, CB_GETCURSEL, 0, 0), 2) << "prefix search, any case";
    EXPECT_EQ(IsWindowVisible(GetDlgItem(d, 1009)), FALSE) << "hidden in the template";
    // An empty field reads as no number: the procedure refuses and the dialog stays.
    SetDlgItemText(d, 1000, "");
    EXPECT_TRUE(PressDlgButton(d, IDOK));
    EXPECT_TRUE(IsWindow(d));
    SetDlgItemText(d, 1000, " 42x");
    PressDlgButton(d, 1017);
    EXPECT_EQ(IsDlgButtonChecked(d, 1016), BST_UNCHECKED) << "radio buttons of a group exclude each other";
    PressDlgButton(d, IDOK);
  });
  EXPECT_EQ(DialogBoxParam(nullptr, MAKEINTRESOURCE(kDialogId), nullptr, sampleProc, 99), 1);
  EXPECT_EQ(events, (std::vector<std::string>{"init 99", "ok 42 seconds"}));
  EXPECT_EQ(messages, std::vector<std::string>{"Out of range."});
  EXPECT_EQ(language, "Spanish");
}

TEST_F(DialogTest, CancelAndAbandonedDialogsEndWithIdCancel) {
  SetDialogTestHook([](HWND d) { PressDlgButton(d, IDCANCEL); });
  EXPECT_EQ(DialogBoxParam(nullptr, MAKEINTRESOURCE(kDialogId), nullptr, sampleProc, 0), 0);
  EXPECT_EQ(events.back(), "cancel");
  // A hook that leaves the dialog open has it cancelled through the procedure.
  SetDialogTestHook([](HWND) {});
  events.clear();
  EXPECT_EQ(DialogBoxParam(nullptr, MAKEINTRESOURCE(kDialogId), nullptr, sampleProc, 0), IDCANCEL);
  EXPECT_EQ(DialogBoxParam(nullptr, MAKEINTRESOURCE(4242), nullptr, sampleProc, 0), -1) << "no such template";
  EXPECT_EQ(DialogBoxParam(nullptr, MAKEINTRESOURCE(kDialogId), nullptr, nullptr, 0), -1);
}

TEST_F(DialogTest, ComboBoxesKeepTheirEntriesBytes) {
  SetDialogTestHook([](HWND d) {
    // A Windows-1252 entry comes back byte for byte.
    LRESULT i = SendDlgItemMessage(d, 1018, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Fran\xE7" "ais"));
    EXPECT_EQ(i, 3);
    char text[32] = {};
    EXPECT_EQ(SendDlgItemMessage(d, 1018, CB_GETLBTEXTLEN, 3, 0), 8);
    SendDlgItemMessage(d, 1018, CB_GETLBTEXT, 3, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "Fran\xE7" "ais");
    EXPECT_EQ(SendDlgItemMessage(d, 1018, CB_SETCURSEL, 9, 0), CB_ERR);
    EXPECT_EQ(SendDlgItemMessage(d, 1018, CB_GETCURSEL, 0, 0), CB_ERR) << "a bad index clears the selection";
    EXPECT_EQ(SendDlgItemMessage(d, 1018, CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("Klingon")), CB_ERR);
    EXPECT_EQ(SendDlgItemMessage(d, 4444, CB_GETCOUNT, 0, 0), 0) << "no such control";
    EXPECT_FALSE(EnableWindow(GetDlgItem(d, 1018), FALSE));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, 1018)));
    PressDlgButton(d, IDCANCEL);
  });
  DialogBoxParam(nullptr, MAKEINTRESOURCE(kDialogId), nullptr, sampleProc, 0);
}
