#include <gtest/gtest.h>

#include <vector>

#include "saver/transitions.h"
#include "tests/saver/saver_fixture.h"

namespace {
struct Copy {
  int dx, dy, w, h;
  bool operator==(const Copy&) const = default;
};

// Every copy and pause of one effect, and how often each pixel of the view was drawn.
struct Recording {
  std::vector<Copy> copies;
  std::vector<DWORD> pauses;
  std::vector<int> pausedAfterCopies;  // how many copies came before each pause
  std::vector<int> drawn;
  int width, height;
  bool outside = false;

  Recording(UINT code, int w, int h) : drawn(static_cast<std::size_t>(w * h)), width(w), height(h) {
    TransitionSteps steps;
    steps.copy = [this](int dx, int dy, int cw, int ch) {
      copies.push_back({dx, dy, cw, ch});
      if (cw <= 0 || ch <= 0 || dx < 0 || dy < 0 || dx + cw > width || dy + ch > height) {
        outside = true;
        return;
      }
      for (int y = dy; y < dy + ch; ++y)
        for (int x = dx; x < dx + cw; ++x) ++drawn[static_cast<std::size_t>(y * width + x)];
    };
    steps.pause = [this](DWORD ms) {
      pauses.push_back(ms);
      pausedAfterCopies.push_back(static_cast<int>(copies.size()));
    };
    RunTransition(code, static_cast<WORD>(w), static_cast<WORD>(h), steps);
  }
  int Undrawn() const {
    int n = 0;
    for (int d : drawn) n += d == 0;
    return n;
  }
  int DrawnTwice() const {
    int n = 0;
    for (int d : drawn) n += d > 1;
    return n;
  }
};

using TransitionTest = SaverTest;
}  // namespace

TEST(Transitions, EveryEffectCoversTheScreenViewsExactlyOnce) {
  for (UINT code : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u}) {
    for (auto [w, h] : {std::pair{640, 480}, {800, 600}, {1024, 768}}) {
      Recording r(code, w, h);
      EXPECT_FALSE(r.outside) << code;
      EXPECT_EQ(r.Undrawn(), 0) << "effect " << code << " on " << w << "x" << h;
      if (code != TRANSITION_BOXED_IN) {
        EXPECT_EQ(r.DrawnTwice(), 0) << code;
      }
    }
  }
}

TEST(Transitions, BlindsFillStripsSideBySide) {
  Recording v(TRANSITION_VERTICAL_BLINDS, 640, 480);
  ASSERT_EQ(v.pauses.size(), 40u);
  EXPECT_EQ(v.pauses[0], 9u);
  for (int step : {0, 17, 39}) {
    for (int k = 0; k < 16; ++k) {
      EXPECT_EQ(v.copies[static_cast<std::size_t>(step * 16 + k)], (Copy{step + k * 40, 0, 1, 480}));
    }
    EXPECT_EQ(v.pausedAfterCopies[static_cast<std::size_t>(step)], (step + 1) * 16);
  }

  Recording hb(TRANSITION_HORIZONTAL_BLINDS, 640, 480);
  ASSERT_EQ(hb.pauses.size(), 40u);
  EXPECT_EQ(hb.pauses[0], 18u);
  EXPECT_EQ(hb.copies[12 * 3 + 11], (Copy{0, 3 + 11 * 40, 640, 1}));

  EXPECT_TRUE(Recording(TRANSITION_VERTICAL_BLINDS, 15, 100).copies.empty()) << "strips of 0 columns";
  Recording odd(TRANSITION_VERTICAL_BLINDS, 650, 480);
  EXPECT_EQ(odd.Undrawn(), 10 * 480) << "columns past 16 strips stay undrawn";
}

TEST(Transitions, SweepsPauseAfterEveryFewLines) {
  Recording v(TRANSITION_VERTICAL_SWEEP, 640, 480);
  ASSERT_EQ(v.pauses.size(), 80u);
  EXPECT_EQ(v.copies[0], (Copy{0, 0, 640, 1}));
  EXPECT_EQ(v.pausedAfterCopies[0], 6) << "after row 5";
  EXPECT_EQ(v.pausedAfterCopies[1], 12);

  Recording h(TRANSITION_HORIZONTAL_SWEEP, 640, 480);
  ASSERT_EQ(h.pauses.size(), 71u);
  EXPECT_EQ(h.pauses[0], 1u);
  EXPECT_EQ(h.copies[639], (Copy{639, 0, 1, 480}));
  EXPECT_EQ(h.pausedAfterCopies[0], 9) << "after column 8";
}

TEST(Transitions, BoxedInDrawsRingsFromTheEdgeInwards) {
  Recording r(TRANSITION_BOXED_IN, 640, 480);
  ASSERT_EQ(r.copies.size(), 240u * 4 - 1) << "240 rings; the innermost has no left edge";
  EXPECT_EQ(r.copies[0], (Copy{0, 0, 639, 1}));
  EXPECT_EQ(r.copies[1], (Copy{639, 0, 1, 480}));
  EXPECT_EQ(r.copies[2], (Copy{0, 479, 640, 1}));
  EXPECT_EQ(r.copies[3], (Copy{0, 1, 1, 478}));
  EXPECT_EQ(r.copies[4], (Copy{1, 1, 637, 1})) << "the second ring";
  EXPECT_EQ(r.pauses.size(), 60u);
  EXPECT_EQ(r.pausedAfterCopies[0], 16) << "after ring 3";

  EXPECT_TRUE(Recording(TRANSITION_BOXED_IN, 640, 1).copies.empty());
  Recording narrow(TRANSITION_BOXED_IN, 100, 400);
  EXPECT_FALSE(narrow.outside) << "a view narrower than high asks for no negative strips";
  Recording oddHeight(TRANSITION_BOXED_IN, 641, 481);
  EXPECT_FALSE(oddHeight.outside);
}

TEST(Transitions, AllTransitionsCycleFromVerticalBlinds) {
  std::vector<UINT> seen;
  UINT effect = TRANSITION_ALL;
  for (int i = 0; i < 7; ++i) {
    seen.push_back(effect);
    effect = NextCycledEffect(effect);
  }
  EXPECT_EQ(seen, (std::vector<UINT>{1, 2, 3, 4, 5, 6, 2}));
}

// Drawn on a shown window, whose screen was just handed a picture, every effect holds its
// strips and pauses back between refreshes; by its end it has copied exactly the view and
// paused as long as its steps ask.
TEST_F(TransitionTest, EveryEffectCopiesExactlyTheViewFromTheScreenCopy) {
  HDC source = CreateCompatibleDC(nullptr);
  HBITMAP picture = CreateCompatibleBitmap(source, 200, 100);
  HGDIOBJ old = SelectObject(source, picture);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 200; ++x) SetPixel(source, x, y, RGB(x, y, 7));
  WNDCLASS wc{};
  wc.lpfnWndProc = DefWindowProc;
  wc.lpszClassName = "EffectTarget";
  RegisterClass(&wc);
  HWND window = CreateWindowEx(0, "EffectTarget", "", WS_POPUP, 0, 0, 120, 90, nullptr, nullptr,
                               GetModuleHandle(nullptr), nullptr);
  ShowWindow(window, SW_SHOW);
  const RECT all{0, 0, 120, 90};
  for (UINT effect = TRANSITION_NORMAL; effect <= TRANSITION_BOXED_IN; ++effect) {
    HDC target = GetDC(window);
    FillRect(target, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    PumpMessages(0);
    DWORD asked = 0;
    for (DWORD ms : Recording(effect, 64, 48).pauses) asked += ms;
    const DWORD start = GetTickCount();
    DrawWithEffect(target, effect, source, 64, 48, 10, 20, 100, 30);
    EXPECT_GE(GetTickCount() - start, asked) << "effect " << effect;
    int wrong = 0;
    for (int y = 0; y < 90; ++y)
      for (int x = 0; x < 120; ++x) {
        const bool inView = x >= 10 && x < 74 && y >= 20 && y < 68;
        const COLORREF want = inView ? RGB(x + 90, y + 10, 7) : RGB(0, 0, 0);
        if (GetPixel(target, x, y) != want && ++wrong <= 3)
          ADD_FAILURE() << "effect " << effect << ": pixel " << x << "," << y;
      }
    EXPECT_EQ(wrong, 0) << "effect " << effect;
    ReleaseDC(window, target);
  }
  DestroyWindow(window);
  SelectObject(source, old);
  DeleteDC(source);
  DeleteObject(picture);
}
