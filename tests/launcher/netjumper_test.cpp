#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "launcher/netjumper.h"
#include "launcher/resource.h"
#include "platform/controls.h"
#include "platform/gui.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "tests/launcher/recording_opener.h"
#include "tests/support/layout_check.h"
#include "tests/support/private_display.h"
#include "tests/support/sandbox.h"

namespace {
using Calls = std::vector<std::vector<std::string>>;

void EnsureUserInterface() {
  static int argc = 1;
  static char name[] = "test_launcher";
  static char* argv[] = {name, nullptr};
  StartUserInterface(argc, argv);
}

void SetDontShow(DWORD type, const std::string& bytes) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, kNetJumperKey, &key), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueEx(key, kDontShowValue, 0, type,
                          reinterpret_cast<const BYTE*>(bytes.data()),
                          static_cast<DWORD>(bytes.size())),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

void SetDontShowNumber(DWORD value) {
  SetDontShow(REG_DWORD, std::string{char(value), char(value >> 8), char(value >> 16),
                                     char(value >> 24)});
}

// What one run of the program did.
struct Outcome {
  int dialogs = 0;
  std::string question;
  std::vector<std::string> messages;
};

class NetJumperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureUserInterface();
    SetMessageBoxHandler([this](const std::string& text, const std::string& caption, UINT) {
      run_.messages.push_back(caption + "|" + text);
      return IDOK;
    });
  }
  void TearDown() override { SetModalDialogHook({}); }

  // Runs the program on `commandLine`; `user` answers the dialog if one appears.
  Outcome start(const std::string& commandLine, std::function<void(CDialog&)> user) {
    run_ = Outcome{};
    SetModalDialogHook([&](CDialog& dialog) {
      ++run_.dialogs;
      run_.question = dialog.GetDlgItemText(IDC_QUESTION);
      if (user) user(dialog);
    });
    CNetJumperApp app;
    app.m_lpCmdLine = commandLine;
    EXPECT_FALSE(app.InitInstance());
    SetModalDialogHook({});
    return run_;
  }

  Sandbox sandbox_;
  RecordingOpener opener_{sandbox_};
  Outcome run_;
};

const auto kYes = [](CDialog& d) { d.ClickDlgItem(IDOK); };
const auto kNo = [](CDialog& d) { d.ClickDlgItem(IDCANCEL); };
}  // namespace

TEST_F(NetJumperTest, AsksWithTheExactQuestionAndOpensOnYesOnly) {
  Outcome yes = start("http://example.com/a b&c", kYes);
  EXPECT_EQ(yes.dialogs, 1);
  EXPECT_EQ(yes.question,
            "Are you sure you would like to connect to the internet and open the page "
            "http://example.com/a b&c?");
  // The address stays one argument, blanks and all.
  EXPECT_EQ(opener_.waitForCalls(1), (Calls{{"http://example.com/a b&c"}}));

  for (auto answer : std::vector<std::function<void(CDialog&)>>{
           kNo, [](CDialog& d) { d.PressCloseBox(); }, [](CDialog& d) { d.PressEscape(); }}) {
    Outcome run = start("http://example.com/no", answer);
    EXPECT_EQ(run.dialogs, 1);
  }
  EXPECT_EQ(opener_.settledCalls(1), (Calls{{"http://example.com/a b&c"}}));
  // Nothing here ever wrote the registry value.
  HKEY key = nullptr;
  EXPECT_NE(RegOpenKeyEx(HKEY_CURRENT_USER, kNetJumperKey, 0, KEY_READ, &key), ERROR_SUCCESS);
}

TEST_F(NetJumperTest, EnterPressesYes) {
  Outcome run = start("https://example.com/", [](CDialog& d) { d.PressEnter(); });
  EXPECT_EQ(run.dialogs, 1);
  EXPECT_EQ(opener_.waitForCalls(1), (Calls{{"https://example.com/"}}));
}

TEST_F(NetJumperTest, RegistryValueDecidesWhetherToAsk) {
  // 0 asks, like a missing value.
  SetDontShowNumber(0);
  EXPECT_EQ(start("http://zero.example/", kNo).dialogs, 1);
  // Any non-zero number opens at once.
  for (DWORD value : {1u, 2u, 0x100u, 0xFFFFFFFFu}) {
    SetDontShowNumber(value);
    EXPECT_EQ(start("http://set.example/" + std::to_string(value), kNo).dialogs, 0) << value;
  }
  // A value that is not a number is not trusted to mean "don't ask".
  SetDontShow(REG_SZ, std::string("1\0", 2));
  EXPECT_EQ(start("http://text.example/", kNo).dialogs, 1);

  EXPECT_EQ(opener_.settledCalls(4),
            (Calls{{"http://set.example/1"}, {"http://set.example/2"},
                   {"http://set.example/256"}, {"http://set.example/4294967295"}}));
}

TEST_F(NetJumperTest, CheckBoxIsStoredAtEveryClick) {
  // Ticked, then No: nothing opens, but the next address opens without a question.
  Outcome ticked = start("http://first.example/", [](CDialog& d) {
    EXPECT_EQ(d.IsDlgButtonChecked(IDC_DONTSHOW), 0u);
    d.ClickDlgItem(IDC_DONTSHOW);
    EXPECT_EQ(ReadDontShowConfirm(), 1u);  // already stored, before any answer
    d.ClickDlgItem(IDCANCEL);
  });
  EXPECT_EQ(ticked.dialogs, 1);
  EXPECT_NE(sandbox_.readFile(sandbox_.windowsDirectory() + "/user.reg")
                .find("\"DontShowNetJumpConfirm\"=dword:00000001"),
            std::string::npos);
  EXPECT_EQ(start("http://second.example/", kNo).dialogs, 0);
  EXPECT_EQ(opener_.settledCalls(1), (Calls{{"http://second.example/"}}));

  // Ticked and unticked: the value is back to 0 and the question comes again.
  SetDontShowNumber(0);
  start("http://third.example/", [](CDialog& d) {
    d.ClickDlgItem(IDC_DONTSHOW);
    d.ClickDlgItem(IDC_DONTSHOW);
    d.ClickDlgItem(IDOK);
  });
  EXPECT_EQ(ReadDontShowConfirm(), 0u);
  EXPECT_EQ(start("http://fourth.example/", kNo).dialogs, 1);
}

TEST_F(NetJumperTest, EmptyCommandLineDoesNothing) {
  Outcome run = start("", kYes);
  EXPECT_EQ(run.dialogs, 0);
  EXPECT_TRUE(run.messages.empty());
  EXPECT_TRUE(opener_.settledCalls(0).empty());
}

TEST_F(NetJumperTest, OnlyWebAddressesAreOpened) {
  struct Case {
    const char* address;
    const char* opened;  // nullptr: refused
  } cases[] = {
      {"http://example.com/", "http://example.com/"},
      {"HTTPS://Example.com/Path?q=1", "HTTPS://Example.com/Path?q=1"},
      {"HtTp://x", "HtTp://x"},
      {"www.example.com", "http://www.example.com"},
      {"WWW.example.com/a b", "http://WWW.example.com/a b"},
      {"http://", nullptr},
      {"www.", nullptr},
      {"wwwexample.com", nullptr},
      {"example.com", nullptr},
      {"file:///etc/passwd", nullptr},
      {"/usr/bin/xterm", nullptr},
      {"ftp://example.com/", nullptr},
      {"javascript:alert(1)", nullptr},
      {"--help", nullptr},
      {"-e http://example.com/", nullptr},
      {" http://example.com/", nullptr},
      {"http://example.com/\nrm -rf ~", nullptr},
      {"https://example.com/\t", nullptr},
  };
  for (const Case& c : cases)
    EXPECT_EQ(WebAddressToOpen(c.address), c.opened ? c.opened : "") << c.address;
}

TEST_F(NetJumperTest, RefusedAddressIsNamedAndNeverAskedAbout) {
  // Whether or not the question is turned off, a refusal is explained and nothing opens.
  for (DWORD dontShow : {0u, 1u}) {
    SetDontShowNumber(dontShow);
    Outcome run = start("-e /bin/sh", kYes);
    EXPECT_EQ(run.dialogs, 0);
    ASSERT_EQ(run.messages.size(), 1u);
    EXPECT_EQ(run.messages[0],
              "Quillmark NetJumper|This link was not opened, because it is not the address of a "
              "web page (only addresses beginning with \"http://\", \"https://\" or \"www.\" "
              "are opened):\n\n-e /bin/sh");
  }
  // A hostile, very long address is shortened in the message.
  Outcome longRun = start("file://" + std::string(5000, 'a'), kYes);
  ASSERT_EQ(longRun.messages.size(), 1u);
  EXPECT_LT(longRun.messages[0].size(), 600u);
  // The www. form goes out with its scheme.
  SetDontShowNumber(1);
  start("www.example.org", kYes);
  EXPECT_EQ(opener_.settledCalls(1), (Calls{{"http://www.example.org"}}));
}

TEST_F(NetJumperTest, DialogFitsEveryFontSize) {
  start("http://example.com/a/rather/long/path/that/wraps/onto/the/second/line/of/the/question?x=1&y=2", [](CDialog& d) {
    ExpectLaidOut(d.ShownControls(), d.GetClientRect(), "NetJumper");
    d.ClickDlgItem(IDCANCEL);
  });
}

TEST_F(NetJumperTest, DialogFollowsItsTemplate) {
  start("http://example.com/", [](CDialog& d) {
    EXPECT_EQ(d.GetWindowText(), "Quillmark NetJumper");
    EXPECT_EQ(d.GetDlgItemText(IDC_DONTSHOW), "&Don't show this prompt again");
    EXPECT_EQ(d.GetDlgItemText(IDOK), "Yes");
    EXPECT_EQ(d.GetDlgItemText(IDCANCEL), "No");
    ASSERT_NE(d.GetIcon(TRUE), nullptr);
    EXPECT_EQ(d.GetIcon(TRUE), d.GetIcon(FALSE));
    // The template's arrangement: the question on top, the check box below it, Yes and No
    // side by side below that; at least the template's size in the dialog font's units.
    const PixelRect yes = d.GetDlgItemRect(IDOK), no = d.GetDlgItemRect(IDCANCEL),
                    box = d.GetDlgItemRect(IDC_DONTSHOW), question = d.GetDlgItemRect(IDC_QUESTION);
    EXPECT_EQ(yes.y, no.y);
    EXPECT_LT(yes.x + yes.cx, no.x);
    EXPECT_LE(box.y + box.cy, yes.y);
    EXPECT_LE(question.y + question.cy, box.y);
    const PixelRect least = DialogUnitsToPixels(BaseUnitsForFont("MS Sans Serif", 8), 0, 0, 298, 79);
    EXPECT_GE(d.GetClientRect().cx, least.cx);
    EXPECT_GE(d.GetClientRect().cy, least.cy);
    d.ClickDlgItem(IDCANCEL);
  });
  int w = 0, h = 0;
  GetIconSize(LoadIconResource(IDR_MAINFRAME), &w, &h);
  EXPECT_EQ(w, 32);
  EXPECT_EQ(h, 32);
}

// The question under a real mouse and keyboard (a click on the question brings the window
// the keys). The program's display must be the test's own X server: a process of its own.
class NetJumperRealInput : public NetJumperTest {
 protected:
  void SetUp() override {
    if (UserInterfaceStarted()) GTEST_SKIP() << "the user interface already runs here: needs a process of its own";
    display_ = std::make_unique<PrivateDisplay>();
    if (!display_->ready()) GTEST_SKIP() << display_->why();
    NetJumperTest::SetUp();
  }
  std::function<void(CDialog&)> ClickThenKeys(std::vector<std::string> keys) {
    return [this, keys](CDialog& d) {
      const CControl box(d.GetDlgItemHandle(IDC_QUESTION));
      const RECT r = box.GetRect();
      const POINT p = box.ClientToScreen(POINT{(r.right - r.left) / 2, (r.bottom - r.top) / 2});
      ASSERT_TRUE(display_->xdotool({"mousemove", std::to_string(p.x), std::to_string(p.y), "click", "1"}));
      std::vector<std::string> args{"key", "--delay", "80"};
      args.insert(args.end(), keys.begin(), keys.end());
      ASSERT_TRUE(display_->xdotool(args));
    };
  }
  std::unique_ptr<PrivateDisplay> display_;
};

TEST_F(NetJumperRealInput, EscapeIsNoAndEnterIsYes) {
  // Had Escape not ended the dialog, the Enter after it would have opened the page.
  EXPECT_EQ(start("http://example.com/escape", ClickThenKeys({"Escape", "Return"})).dialogs, 1);
  EXPECT_EQ(start("http://example.com/enter", ClickThenKeys({"Return"})).dialogs, 1);
  EXPECT_EQ(opener_.settledCalls(1), (Calls{{"http://example.com/enter"}}));
}
