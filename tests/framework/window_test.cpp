// Windows: timers, the paint cycle, drawing on a window surface, child windows, and the
// screen saver's default processing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/gdi.h"
#include "platform/screensaver.h"
#include "platform/window.h"
#include "tests/framework/gdi_fixture.h"
#include "tests/support/private_display.h"
#include "tests/support/sandbox.h"

namespace {
struct Seen {
  UINT message;
  WPARAM wParam;
};
std::vector<Seen> seen;
std::vector<RECT> paints;
std::vector<BOOL> erased;

LRESULT CALLBACK recordingProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  seen.push_back({m, wp});
  if (m == WM_PAINT) {
    PAINTSTRUCT ps;
    BeginPaint(w, &ps);
    paints.push_back(ps.rcPaint);
    erased.push_back(ps.fErase);
    EndPaint(w, &ps);
    return 0;
  }
  return DefWindowProc(w, m, wp, lp);
}

HWND makeWindow(const char* cls, int w, int h, HBRUSH background) {
  WNDCLASS wc;
  wc.lpfnWndProc = recordingProc;
  wc.lpszClassName = cls;
  wc.hbrBackground = background;
  RegisterClass(&wc);
  seen.clear();
  paints.clear();
  erased.clear();
  return CreateWindowEx(0, cls, "test", WS_POPUP, 0, 0, w, h, nullptr, nullptr, GetModuleHandle(nullptr), nullptr);
}

int count(UINT message, WPARAM wParam = ~WPARAM{0}) {
  int n = 0;
  for (auto& s : seen)
    if (s.message == message && (wParam == ~WPARAM{0} || s.wParam == wParam)) ++n;
  return n;
}
}  // namespace

TEST_F(GdiTest, TimersDeliverTheCallersIdsUntilKilled) {
  HWND w = makeWindow("TimerClass", 50, 50, nullptr);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(count(WM_CREATE), 1);
  EXPECT_EQ(SetTimer(w, 201, 5, nullptr), 201u);
  EXPECT_EQ(SetTimer(w, 203, 5, nullptr), 203u);
  PumpMessages(60);
  EXPECT_GT(count(WM_TIMER, 201), 0);
  EXPECT_GT(count(WM_TIMER, 203), 0);
  EXPECT_EQ(count(WM_TIMER), count(WM_TIMER, 201) + count(WM_TIMER, 203));
  EXPECT_TRUE(KillTimer(w, 201));
  EXPECT_FALSE(KillTimer(w, 201));
  seen.clear();
  PumpMessages(40);
  EXPECT_EQ(count(WM_TIMER, 201), 0);
  EXPECT_GT(count(WM_TIMER, 203), 0);
  DestroyWindow(w);
  seen.clear();
  PumpMessages(30);
  EXPECT_EQ(count(WM_TIMER), 0) << "a destroyed window's timers stop";
  EXPECT_FALSE(IsWindow(w));
  EXPECT_EQ(SetTimer(w, 1, 5, nullptr), 0u);
  EXPECT_TRUE(UnregisterClass("TimerClass", nullptr));
}

TEST_F(GdiTest, PaintsCarryTheUpdateRegionAndEraseOnlyWhenAsked) {
  HWND w = makeWindow("PaintClass", 100, 80, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  ShowWindow(w, SW_SHOW);
  PumpMessages(20);
  ASSERT_EQ(paints.size(), 1u) << "showing paints once";
  EXPECT_EQ(paints[0].right, 100);
  EXPECT_EQ(paints[0].bottom, 80);
  HDC dc = GetDC(w);
  EXPECT_EQ(GetPixel(dc, 50, 40), RGB(255, 255, 255)) << "the class brush erased";

  paints.clear();
  erased.clear();
  RECT a{10, 10, 20, 20}, b{30, 5, 40, 15};
  InvalidateRect(w, &a, FALSE);
  InvalidateRect(w, &b, FALSE);
  RECT pending;
  EXPECT_TRUE(GetUpdateRect(w, &pending, FALSE));
  EXPECT_EQ(pending.left, 10);
  EXPECT_EQ(pending.right, 40);
  PumpMessages(20);
  ASSERT_EQ(paints.size(), 1u) << "invalidations merge into one paint";
  EXPECT_EQ(paints[0].top, 5);
  EXPECT_EQ(paints[0].bottom, 20);
  EXPECT_EQ(count(WM_ERASEBKGND), 1) << "only the first paint erased";
  EXPECT_FALSE(GetUpdateRect(w, &pending, FALSE));

  // UpdateWindow paints at once; nothing is left for the loop.
  paints.clear();
  InvalidateRect(w, nullptr, FALSE);
  UpdateWindow(w);
  EXPECT_EQ(paints.size(), 1u);
  PumpMessages(10);
  EXPECT_EQ(paints.size(), 1u);
  ReleaseDC(w, dc);
  DestroyWindow(w);
  PumpMessages(0);
  UnregisterClass("PaintClass", nullptr);
}

TEST_F(GdiTest, WindowSurfaceScrollsWithinItselfAndChildrenDrawOnIt) {
  HWND w = makeWindow("SurfaceClass", 64, 16, nullptr);
  ShowWindow(w, SW_SHOW);
  HDC dc = GetDC(w);
  for (int x = 0; x < 64; ++x) SetPixel(dc, x, 0, RGB(static_cast<BYTE>(x), 0, 0));
  // Move the row left by one pixel, as a pan step does.
  EXPECT_TRUE(BitBlt(dc, 0, 0, 63, 1, dc, 1, 0, SRCCOPY));
  for (int x = 0; x < 63; ++x) ASSERT_EQ(GetPixel(dc, x, 0), RGB(static_cast<BYTE>(x + 1), 0, 0)) << x;
  // And right, the overlapping direction.
  EXPECT_TRUE(BitBlt(dc, 1, 0, 63, 1, dc, 0, 0, SRCCOPY));
  for (int x = 1; x < 64; ++x) ASSERT_EQ(GetPixel(dc, x, 0), RGB(static_cast<BYTE>(x), 0, 0)) << x;

  // A child draws on its parent's surface, clipped to itself.
  HWND child = CreateWindowEx(0, "SurfaceClass", "", WS_CHILD, 10, 4, 5, 5, w, nullptr, nullptr, nullptr);
  ASSERT_NE(child, nullptr);
  ShowWindow(child, SW_SHOW);
  HDC cdc = GetDC(child);
  RECT all{-100, -100, 100, 100};
  FillRect(cdc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  ReleaseDC(child, cdc);
  EXPECT_EQ(GetPixel(dc, 10, 4), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, 14, 8), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, 15, 8), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(dc, 9, 4), RGB(0, 0, 0));
  // Hiding it leaves the parent to repaint the area it covered.
  PumpMessages(10);
  paints.clear();
  ShowWindow(child, SW_HIDE);
  PumpMessages(10);
  ASSERT_FALSE(paints.empty());
  EXPECT_EQ(paints.back().left, 10);
  EXPECT_EQ(paints.back().right, 15);
  ReleaseDC(w, dc);
  DestroyWindow(w);
  EXPECT_FALSE(IsWindow(child)) << "children go with their parent";
  PumpMessages(0);
  UnregisterClass("SurfaceClass", nullptr);
}

TEST_F(GdiTest, PostedMessagesAndQuitGoThroughTheLoop) {
  HWND w = makeWindow("PostClass", 10, 10, nullptr);
  PostMessage(w, WM_USER + 5, 42, 0);
  EXPECT_EQ(count(WM_USER + 5), 0) << "posted, not sent";
  PumpMessages(10);
  EXPECT_EQ(count(WM_USER + 5, 42), 1);
  PostMessage(w, WM_CLOSE, 0, 0);
  PumpMessages(10);
  EXPECT_FALSE(IsWindow(w)) << "DefWindowProc destroys on WM_CLOSE";
  EXPECT_EQ(count(WM_DESTROY), 1);
  EXPECT_FALSE(PostMessage(w, WM_USER, 0, 0));
  EXPECT_EQ(SendMessage(w, WM_USER, 0, 0), 0);

  PostQuitMessage(3);
  EXPECT_FALSE(PumpMessages(1000));
  int code = 0;
  EXPECT_TRUE(QuitPosted(&code));
  EXPECT_EQ(code, 3);
  EXPECT_FALSE(QuitPosted(&code));
  PostQuitMessage(4);
  EXPECT_EQ(RunMessageLoop(), 4) << "a quit posted before the loop ends it at once";
  UnregisterClass("PostClass", nullptr);
}

// ---- The screen saver's default processing, with a module that records what it sees. ----
namespace {
std::vector<UINT> saverSeen;
bool saverDestroyed = false;
}  // namespace

LRESULT CALLBACK ScreenSaverProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  saverSeen.push_back(m);
  if (m == WM_DESTROY) saverDestroyed = true;
  return DefScreenSaverProc(w, m, wp, lp);
}
INT_PTR CALLBACK ScreenSaverConfigureDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
BOOL WINAPI RegisterDialogClasses(HINSTANCE) { return TRUE; }

class SaverTest : public GdiTest {
 protected:
  HWND start(BOOL preview = FALSE) {
    saverSeen.clear();
    saverDestroyed = false;
    HWND w = CreateScreenSaverWindowForTesting(200, 150, preview);
    EXPECT_NE(w, nullptr);
    EXPECT_EQ(hMainWindow, w);
    return w;
  }
  static bool ended(HWND w) {
    PumpMessages(20);
    return !IsWindow(w);
  }
};

TEST_F(SaverTest, AKeyEndsTheSaverAfterTheModuleSawIt) {
  HWND w = start();
  EXPECT_EQ(saverSeen.front(), static_cast<UINT>(WM_NCCREATE));
  HDC dc = GetDC(w);
  PumpMessages(20);
  EXPECT_EQ(GetPixel(dc, 100, 100), RGB(0, 0, 0)) << "black background";
  ReleaseDC(w, dc);
  SendMessage(w, WM_KEYDOWN, VK_TAB, 0);
  EXPECT_TRUE(ended(w));
  EXPECT_TRUE(saverDestroyed);
  int code;
  EXPECT_TRUE(QuitPosted(&code)) << "the loop ends with the window";
  EXPECT_EQ(hMainWindow, nullptr);
}

TEST_F(SaverTest, ButtonsEndItAndSmallMovesDoNot) {
  HWND w = start();
  POINT at;  // moves count from where the pointer was when the saver started
  GetCursorPos(&at);
  ScreenToClient(w, &at);
  SendMessage(w, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
  SendMessage(w, WM_MOUSEMOVE, 0, MAKELPARAM(at.x + 4, at.y - 4));
  EXPECT_FALSE(ended(w)) << "within the threshold";
  SendMessage(w, WM_MOUSEMOVE, 0, MAKELPARAM(at.x + 5, at.y));
  EXPECT_TRUE(ended(w));
  int code;
  EXPECT_TRUE(QuitPosted(&code));

  w = start();
  SendMessage(w, WM_RBUTTONDOWN, 0, MAKELPARAM(1, 1));
  EXPECT_TRUE(ended(w));
  EXPECT_TRUE(QuitPosted(&code));

  w = start();
  SendMessage(w, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), MAKELPARAM(1, 1));
  EXPECT_TRUE(ended(w)) << "a wheel turn is a button";
}

TEST_F(SaverTest, APreviewIgnoresInput) {
  HWND w = start(TRUE);
  EXPECT_TRUE(fChildPreview);
  SendMessage(w, WM_KEYDOWN, VK_ESCAPE, 0);
  SendMessage(w, WM_LBUTTONDOWN, 0, 0);
  SendMessage(w, WM_MOUSEMOVE, 0, MAKELPARAM(0, 0));
  SendMessage(w, WM_MOUSEMOVE, 0, MAKELPARAM(100, 100));
  EXPECT_FALSE(ended(w));
  DestroyWindow(w);
  EXPECT_TRUE(saverDestroyed);
}

// A window surface that moves within itself step by step, as the saver pans, is shown on a
// real X server by moving what the screen already holds and drawing only the new strip: in
// the end the screen shows exactly what the surface holds. Its own process and display.
class SurfaceOnXTest : public ::testing::Test {
 protected:
  Sandbox sandbox_;

  // The screen, grabbed with ImageMagick, against the model of what the surface holds.
  void ExpectScreenShows(const PrivateDisplay& display, const std::vector<COLORREF>& model, int w, int h) {
    const std::string shot = sandbox_.root() + "/screen.rgb";
    ASSERT_EQ(std::system(("import -display " + display.name() + " -window root -depth 8 rgb:" + shot).c_str()), 0);
    std::ifstream in(shot, std::ios::binary);
    std::vector<unsigned char> rgb((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(rgb.size(), static_cast<size_t>(w) * h * 3);
    int wrong = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const unsigned char* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
        const COLORREF c = model[static_cast<size_t>(y) * w + x];
        if ((p[0] != GetRValue(c) || p[1] != GetGValue(c) || p[2] != GetBValue(c)) && ++wrong <= 3)
          ADD_FAILURE() << "screen pixel " << x << "," << y << " is not the surface's";
      }
    EXPECT_EQ(wrong, 0);
  }
  void StartOnOwnDisplay() {
    static int argc = 1;
    static char name[] = "test_framework";
    static char* argv[] = {name, nullptr};
    StartUserInterface(argc, argv);
  }
};

TEST_F(SurfaceOnXTest, APannedWindowShowsOnTheScreenWhatItsSurfaceHolds) {
  if (UserInterfaceStarted()) GTEST_SKIP() << "the user interface already runs here: needs a process of its own";
  PrivateDisplay display;
  if (!display.ready()) GTEST_SKIP() << display.why();
  StartOnOwnDisplay();
  const int w = 1024, h = 768;  // the whole screen, large enough to move without its pixels
  HWND window = makeWindow("PanClass", w, h, nullptr);
  ASSERT_NE(window, nullptr);
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  PumpMessages(300);

  std::vector<COLORREF> model(static_cast<size_t>(w) * h);
  HDC dc = GetDC(window);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const COLORREF c = RGB(static_cast<BYTE>(x * 7), static_cast<BYTE>(y * 5), static_cast<BYTE>((x / 37 + y / 41) * 50));
      SetPixel(dc, x, y, c);
      model[static_cast<size_t>(y) * w + x] = c;
    }
  ReleaseDC(window, dc);
  PumpMessages(0);
  // Left by a column 150 times, then up by a row 150 times (longer than the surface's
  // spare room), each step with a new strip at the far edge, presented after each step.
  for (int i = 0; i < 300; ++i) {
    const bool wide = i < 150;
    const COLORREF strip = RGB(static_cast<BYTE>(i), static_cast<BYTE>(255 - i), 128);
    dc = GetDC(window);
    ASSERT_TRUE(wide ? BitBlt(dc, 0, 0, w - 1, h, dc, 1, 0, SRCCOPY) : BitBlt(dc, 0, 0, w, h - 1, dc, 0, 1, SRCCOPY));
    COLORREF* at = model.data();
    if (wide) {
      for (int y = 0; y < h; ++y) {
        std::memmove(at + static_cast<size_t>(y) * w, at + static_cast<size_t>(y) * w + 1, sizeof(COLORREF) * (w - 1));
        SetPixel(dc, w - 1, y, strip);
        at[static_cast<size_t>(y) * w + w - 1] = strip;
      }
    } else {
      std::memmove(at, at + w, sizeof(COLORREF) * w * static_cast<size_t>(h - 1));
      for (int x = 0; x < w; ++x) {
        SetPixel(dc, x, h - 1, strip);
        at[static_cast<size_t>(h - 1) * w + x] = strip;
      }
    }
    ReleaseDC(window, dc);
    PumpMessages(0);
  }
  PumpMessages(300);

  ExpectScreenShows(display, model, w, h);
  DestroyWindow(window);
}

// A wipe shows strips that lie apart (the blinds' columns, a box's four edges), paced by
// pauses shorter than a screen refresh: what its steps drew reaches the screen whole,
// whatever the rectangles of the changed region look like and whatever was drawn over
// them before they were shown, and a pause longer than a refresh shows everything drawn
// before it while the wipe still holds the window.
TEST_F(SurfaceOnXTest, StripsApartAreAllShownByTheNextRefresh) {
  if (UserInterfaceStarted()) GTEST_SKIP() << "the user interface already runs here: needs a process of its own";
  PrivateDisplay display;
  if (!display.ready()) GTEST_SKIP() << display.why();
  StartOnOwnDisplay();
  const int w = 1024, h = 768;
  HWND window = makeWindow("WipeClass", w, h, nullptr);
  ASSERT_NE(window, nullptr);
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  PumpMessages(300);

  HDC screen = GetDC(window);
  HDC picture = CreateCompatibleDC(screen);
  HBITMAP bits = CreateCompatibleBitmap(screen, w, h);
  SelectObject(picture, bits);
  std::vector<COLORREF> model(static_cast<size_t>(w) * h, RGB(0, 0, 0));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      SetPixel(picture, x, y, RGB(static_cast<BYTE>(x * 3), static_cast<BYTE>(y), static_cast<BYTE>(x ^ y)));
  auto copy = [&](int x, int y, int cw, int ch) {
    ASSERT_TRUE(BitBlt(screen, x, y, cw, ch, picture, x, y, SRCCOPY));
    for (int r = y; r < y + ch; ++r)
      for (int c = x; c < x + cw; ++c) model[static_cast<size_t>(r) * w + c] = GetPixel(picture, c, r);
  };
  auto fill = [&](int y, int fh, COLORREF c) {
    const RECT r{0, y, w, y + fh};
    HBRUSH brush = CreateSolidBrush(c);
    FillRect(screen, &r, brush);
    DeleteObject(brush);
    std::fill(model.begin() + static_cast<long>(y) * w, model.begin() + static_cast<long>(y + fh) * w, c);
  };
  for (int step = 0; step < 24; ++step) {
    for (int k = 0; k < 8; ++k) copy(step + k * 128, 0, 1, h);            // one band of columns
    copy(300 + step * 3, 100, 3, 40 + step);                              // bands of unequal height
    copy(700, 200 + step * 2, 200, 2);                                    // rows across them
    copy(w - 1 - step, h - 50, 1, 50);                                    // at the window's edge
    fill(400 + step * 4, 2, RGB(step * 10, 0, 255));  // over the columns before they are shown
    Sleep(1);
  }
  PumpMessages(0);     // hands the screen what was drawn
  copy(5, 5, 64, 64);  // so this is held back for the refresh
  Sleep(60);
  ExpectScreenShows(display, model, w, h);
  ReleaseDC(window, screen);
  DeleteDC(picture);
  DeleteObject(bits);
  DestroyWindow(window);
}
