#include <gtest/gtest.h>

#include <string>

#include "saver/caption_window.h"
#include "tests/saver/saver_fixture.h"

namespace {
// The information file of the examples: an English block with two lines of text.
const std::string kInfo =
    "[NetJumper]\r\nURL=NotFound\r\n"
    "English=Harbour at Dawn\r\n\r\nFishing boats leave the harbour.\r\nThe sun rises behind them.\r\n\r\n\r\n";

LRESULT CALLBACK ParentProc(HWND w, UINT m, WPARAM wp, LPARAM lp);
int g_parentMouse = 0;
LRESULT CALLBACK ParentProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m >= WM_MOUSEFIRST && m <= WM_MBUTTONDBLCLK) ++g_parentMouse;
  return DefWindowProc(w, m, wp, lp);
}

class CaptionTest : public SaverTest {
 protected:
  void SetUp() override {
    static bool registered = false;
    if (!registered) {
      WNDCLASS wc;
      wc.lpfnWndProc = ParentProc;
      wc.hInstance = GetModuleHandle(nullptr);
      wc.lpszClassName = "CaptionTestParent";
      RegisterClass(&wc);
      registered = true;
    }
    parent = CreateWindow("CaptionTestParent", "", WS_POPUP | WS_VISIBLE, 0, 0, kWidth, kHeight,
                          nullptr, nullptr, GetModuleHandle(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
    info = box.programFolder() + "pic.nfo";
    box.writeFile(info, kInfo);
    g_caption.Initialise(parent, GetModuleHandle(nullptr), kWidth, kHeight);
    g_parentMouse = 0;
  }
  void TearDown() override {
    g_caption.Destroy();
    DestroyWindow(parent);
    SaverTest::TearDown();
  }
  // Shows the caption for the picture name and language; the window's place afterwards.
  RECT ShowFor(const char* language, const char* pictureName = "Harbour") {
    name = pictureName;
    lang = language;
    g_caption.SetSources(name.c_str(), info.c_str(), lang.c_str());
    EXPECT_EQ(g_caption.Show(), 1);
    RECT r{};
    if (g_caption.Window()) {
      GetWindowRect(g_caption.Window(), &r);
      UpdateWindow(g_caption.Window());
    }
    PumpMessages(0);
    return r;
  }

  static constexpr int kWidth = 800, kHeight = 600;
  HWND parent = nullptr;
  std::string info, name, lang;
};
}  // namespace

TEST_F(CaptionTest, TitleAndTextSpanTheScreenWidthAboveTheBottom) {
  RECT r = ShowFor("English");
  EXPECT_EQ(g_caption.Title(), "Harbour at Dawn");
  EXPECT_EQ(g_caption.Text(), "Fishing boats leave the harbour.\r\nThe sun rises behind them.");
  EXPECT_TRUE(g_caption.IsVisible());
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.right, kWidth);
  EXPECT_GT(r.top, kHeight / 2);
  EXPECT_LT(r.top, kHeight - 40);
  EXPECT_EQ(r.bottom - r.top, kHeight) << "the window reaches below the screen";

  // The visible height is the text's plus four title heights.
  HDC dc = GetDC(nullptr);
  HFONT font = CreateFont(-MulDiv(12, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_BOLD, 0, 0, 0,
                          ANSI_CHARSET, 0, 0, 0, VARIABLE_PITCH | FF_SWISS, "Arial");
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRIC tm;
  GetTextMetrics(dc, &tm);
  SelectObject(dc, old);
  DeleteObject(font);
  ReleaseDC(nullptr, dc);
  EXPECT_EQ(kHeight - r.top, 2 * tm.tmHeight + 4 * tm.tmHeight);

  // Hatching and text over the parent's black: black and white pixels inside, nothing outside.
  HDC window = GetDC(parent);
  int white = 0;
  for (int x = 0; x < kWidth; ++x)
    for (int y = r.top; y < kHeight; ++y) white += GetPixel(window, x, y) == RGB(255, 255, 255);
  int outside = 0;
  for (int x = 0; x < kWidth; x += 3)
    for (int y = 0; y < r.top; y += 3) outside += GetPixel(window, x, y) != RGB(0, 0, 0);
  ReleaseDC(parent, window);
  EXPECT_GT(white, 100) << "white text";
  EXPECT_EQ(outside, 0);

  RECT covered;
  EXPECT_EQ(g_caption.Hide(&covered), 1);
  EXPECT_FALSE(g_caption.IsVisible());
  EXPECT_EQ(covered.top, r.top);
  EXPECT_EQ(covered.right, kWidth);
}

TEST_F(CaptionTest, MissingLanguageShowsThePictureNameInACentredBox) {
  RECT r = ShowFor("German", "Harbour");
  EXPECT_EQ(g_caption.Title(), "Harbour");
  EXPECT_EQ(g_caption.Text(), "");
  const int width = r.right - r.left;
  EXPECT_LT(width, kWidth * 8 / 10);
  EXPECT_EQ(r.left, kWidth / 2 - width / 2);
  EXPECT_GT(r.top, kHeight - 40);

  std::string longName;
  for (int i = 0; i < 60; ++i) longName += "Harbour ";
  r = ShowFor("German", longName.c_str());
  EXPECT_EQ(r.left, 0) << "a box wider than 80% takes the full width";
  EXPECT_EQ(r.right, kWidth);

  info = box.programFolder() + "missing.nfo";
  ShowFor("English", "Lonely");
  EXPECT_EQ(g_caption.Title(), "Lonely") << "no information file";
}

TEST_F(CaptionTest, TwoTrailingBlanksAskForNoCaptionButAPeriod) {
  RECT r = ShowFor("English", "Quiet  ");
  EXPECT_EQ(g_caption.Window(), nullptr) << "no window made";
  EXPECT_FALSE(g_caption.IsVisible());
  EXPECT_EQ(r.right, 0);
  EXPECT_EQ(g_caption.Hide(nullptr), 0) << "never made";
}

TEST_F(CaptionTest, CaptionsOffOrWithoutParentStartNoPeriod) {
  g_caption.Destroy();
  g_caption.SetSources("x", info.c_str(), "English");
  EXPECT_EQ(g_caption.Show(), 0);
  g_caption.Initialise(nullptr, GetModuleHandle(nullptr), 800, 600);
  EXPECT_EQ(g_caption.Show(), 0);
}

TEST_F(CaptionTest, JapaneseTextIsShiftJisUnlessItIsUtf8) {
  // "Fuji" in Shift_JIS (0x95 0x78 0x8E 0x6D 0x8E 0x52) and in UTF-8.
  box.writeFile(info, "Japanese=\x95\x78\x8E\x6D\x8E\x52\r\n");
  ShowFor("Japanese");
  EXPECT_EQ(g_caption.Title(), "\x95\x78\x8E\x6D\x8E\x52");
  EXPECT_TRUE(g_caption.DrawsShiftJis());
  box.writeFile(info, "Japanese=\xE5\xAF\x8C\xE5\xA3\xAB\xE5\xB1\xB1\r\n");
  ShowFor("Japanese");
  EXPECT_FALSE(g_caption.DrawsShiftJis());
  box.writeFile(info, "French=Caf\xE9\r\n");
  ShowFor("French");
  EXPECT_FALSE(g_caption.DrawsShiftJis()) << "other languages: UTF-8 or Windows-1252";
}

TEST_F(CaptionTest, MouseOverTheCaptionReachesTheSaverAfterTheFirstMessage) {
  RECT r = ShowFor("English");
  HWND caption = g_caption.Window();
  ASSERT_NE(caption, nullptr);
  SendMessage(caption, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  PumpMessages(10);
  EXPECT_EQ(g_parentMouse, 0) << "the window appearing under the pointer";
  SendMessage(caption, WM_MOUSEMOVE, 0, MAKELPARAM(50, 5));
  SendMessage(caption, WM_LBUTTONDOWN, 0, MAKELPARAM(50, 5));
  PumpMessages(10);
  EXPECT_EQ(g_parentMouse, 2);
  (void)r;
}

TEST(Utf8, ValidAndInvalidForms) {
  EXPECT_TRUE(IsValidUtf8("plain"));
  EXPECT_TRUE(IsValidUtf8("caf\xC3\xA9 \xF0\x9F\x98\x80"));
  EXPECT_FALSE(IsValidUtf8("caf\xE9"));
  EXPECT_FALSE(IsValidUtf8("\xC3"));
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF")) << "overlong";
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80")) << "surrogate";
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80")) << "past U+10FFFF";
}
