#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/gui.h"
#include "platform/message_box.h"
#include "platform/screensaver.h"
#include "saver/resources.h"
#include "tests/saver/saver_fixture.h"
#include "tests/support/layout_check.h"
#include "tests/support/private_display.h"

namespace {
class ConfigDialogTest : public SaverTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(RegisterDialogClasses(GetModuleHandle(nullptr)));
    SetMessageBoxHandler([this](const std::string& text, const std::string& caption, UINT type) {
      messages.push_back(caption + ": " + text);
      EXPECT_EQ(type & 0xF0, MB_ICONWARNING);
      return IDOK;
    });
  }
  void TearDown() override {
    SetDialogTestHook({});
    SetMessageBoxHandler({});
    SaverTest::TearDown();
  }
  INT_PTR Run(std::function<void(HWND)> hook) {
    SetDialogTestHook(std::move(hook));
    return DialogBox(GetModuleHandle(nullptr), MAKEINTRESOURCE(kConfigDialogId), nullptr,
                     ScreenSaverConfigureDialog);
  }
  static std::string Selected(HWND d, int id) {
    LRESULT i = SendDlgItemMessage(d, id, CB_GETCURSEL, 0, 0);
    if (i == CB_ERR) return "<none>";
    char text[64] = "";
    SendDlgItemMessage(d, id, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    return text;
  }
  std::vector<std::string> messages;
};

const char* kSecondsMessage =
    "Screen Saver Warning: The Time Between Images must be between 10 and 60 seconds.";
const char* kMinutesMessage =
    "Screen Saver Warning: The Time Between Images must be between 1 and 60 minutes.";
}  // namespace

TEST_F(ConfigDialogTest, OpensWithTheStoredSettingsAndWritesThemBack) {
  WriteSaverSettings(
      "TimeBetween=30\r\nInMinutes=0\r\nShowTextDescription=0\r\nShowInterpretiveText=1\r\n"
      "InterpretiveTextLanguage=Spanish\r\nTransition=5\r\nPanoramicSpeed=77\r\n");
  INT_PTR result = Run([](HWND d) {
    EXPECT_EQ(GetDlgItemInt(d, IDC_TIME_BETWEEN, nullptr, FALSE), 30u);
    EXPECT_EQ(IsDlgButtonChecked(d, IDC_SECONDS), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(d, IDC_MINUTES), BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(d, IDC_SHOW_TEXT), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(d, IDC_SHOW_TITLES), BST_UNCHECKED);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(d, IDC_SHOW_TITLES)));
    EXPECT_EQ(Selected(d, IDC_LANGUAGE), "Spanish");
    EXPECT_EQ(Selected(d, IDC_TRANSITION), "Horizontal Sweep");
    EXPECT_EQ(SendDlgItemMessage(d, IDC_TRANSITION, CB_GETCOUNT, 0, 0), 7);
    SendDlgItemMessage(d, IDC_LANGUAGE, CB_SETCURSEL, 4, 0);
    SendDlgItemMessage(d, IDC_TRANSITION, CB_SETCURSEL, 6, 0);
    PressDlgButton(d, IDC_SHOW_TEXT);
    PressDlgButton(d, IDOK);
  });
  EXPECT_EQ(result, 1);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(SaverSetting("TimeBetween"), "30");
  EXPECT_EQ(SaverSetting("InMinutes"), "0");
  EXPECT_EQ(SaverSetting("ShowTextDescription"), "0") << "the hidden box keeps its value";
  EXPECT_EQ(SaverSetting("ShowInterpretiveText"), "0");
  EXPECT_EQ(SaverSetting("InterpretiveTextLanguage"), "Japanese");
  EXPECT_EQ(SaverSetting("Transition"), "6");
  EXPECT_EQ(SaverSetting("PanoramicSpeed"), "77");
}

TEST_F(ConfigDialogTest, FitsEveryFontSize) {
  Run([](HWND d) {
    RECT client;
    ASSERT_TRUE(GetClientRect(d, &client));
    ExpectLaidOut(ShownControls(d), {0, 0, static_cast<int>(client.right), static_cast<int>(client.bottom)},
                  "quillsav /c");
    PressDlgButton(d, IDCANCEL);
  });
}

TEST_F(ConfigDialogTest, SixtySecondsAreStoredAsOneMinute) {
  WriteSaverSettings("TimeBetween=20\r\nInMinutes=0\r\n");
  Run([](HWND d) {
    SetDlgItemText(d, IDC_TIME_BETWEEN, "60");
    PressDlgButton(d, IDOK);
  });
  EXPECT_EQ(SaverSetting("TimeBetween"), "1");
  EXPECT_EQ(SaverSetting("InMinutes"), "1");
  Run([](HWND d) {
    EXPECT_EQ(IsDlgButtonChecked(d, IDC_MINUTES), BST_CHECKED);
    PressDlgButton(d, IDCANCEL);
  });
}

TEST_F(ConfigDialogTest, OutOfRangeIntervalsKeepTheDialogOpen) {
  WriteSaverSettings("TimeBetween=5\r\nInMinutes=1\r\n");
  struct Entry {
    int unit;
    const char* text;
    const char* message;
  };
  const Entry entries[] = {{IDC_SECONDS, "9", kSecondsMessage}, {IDC_SECONDS, "61", kSecondsMessage},
                           {IDC_MINUTES, "0", kMinutesMessage}, {IDC_MINUTES, "61", kMinutesMessage},
                           {IDC_MINUTES, "", kMinutesMessage},  {IDC_SECONDS, "", kSecondsMessage}};
  INT_PTR result = Run([&](HWND d) {
    for (const Entry& e : entries) {
      messages.clear();
      PressDlgButton(d, e.unit);
      SetDlgItemText(d, IDC_TIME_BETWEEN, e.text);
      PressDlgButton(d, IDOK);
      EXPECT_EQ(messages, std::vector<std::string>{e.message}) << e.text;
      EXPECT_TRUE(IsWindow(d)) << "still open";
    }
    PressDlgButton(d, IDCANCEL);
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(SaverSetting("TimeBetween"), "5") << "nothing written";
  EXPECT_EQ(SaverSetting("Transition"), "<missing>");
}

TEST_F(ConfigDialogTest, AnUnknownLanguageIsKept) {
  WriteSaverSettings("InterpretiveTextLanguage=Klingon\r\nTimeBetween=2\r\n");
  Run([](HWND d) {
    EXPECT_EQ(Selected(d, IDC_LANGUAGE), "<none>");
    PressDlgButton(d, IDOK);
  });
  EXPECT_EQ(SaverSetting("InterpretiveTextLanguage"), "Klingon");
  EXPECT_EQ(SaverSetting("TimeBetween"), "2");
  EXPECT_EQ(SaverSetting("Transition"), "0");
}

// Enter and Escape from the real keyboard, with the focus where a click put it. The
// program's display must be the test's own X server, so this wants a process of its own
// (as ctest runs every test).
class ConfigDialogRealKeys : public SaverTest {
 protected:
  static void SetUpTestSuite() {}  // the user interface starts in the test, on its display
  void TearDown() override {}       // nothing may read the display once it has gone
};

TEST_F(ConfigDialogRealKeys, EnterIsOkAndEscapeIsCancel) {
  if (UserInterfaceStarted()) GTEST_SKIP() << "the user interface already runs here: needs a process of its own";
  PrivateDisplay display;
  if (!display.ready()) GTEST_SKIP() << display.why();
  SaverTest::SetUpTestSuite();
  ASSERT_TRUE(RegisterDialogClasses(GetModuleHandle(nullptr)));
  auto run = [&](std::vector<std::string> keys) {
    WriteSaverSettings("TimeBetween=30\r\nInMinutes=0\r\n");
    SetDialogTestHook([&](HWND d) {
      HWND edit = GetDlgItem(d, IDC_TIME_BETWEEN);
      RECT r;
      ASSERT_TRUE(GetClientRect(edit, &r));
      POINT p{r.right / 2, r.bottom / 2};
      ClientToScreen(edit, &p);
      ASSERT_TRUE(display.xdotool({"mousemove", std::to_string(p.x), std::to_string(p.y), "click", "1"}));
      SetDlgItemText(d, IDC_TIME_BETWEEN, "45");
      keys.insert(keys.begin(), {"key", "--delay", "80"});
      ASSERT_TRUE(display.xdotool(keys));
    });
    DialogBox(GetModuleHandle(nullptr), MAKEINTRESOURCE(kConfigDialogId), nullptr, ScreenSaverConfigureDialog);
    SetDialogTestHook({});
    return SaverSetting("TimeBetween");
  };
  EXPECT_EQ(run({"Return"}), "45") << "Enter in the edit box presses OK, the default button";
  EXPECT_EQ(run({"Escape", "Return"}), "30") << "Escape cancelled before Enter could press OK";
}
