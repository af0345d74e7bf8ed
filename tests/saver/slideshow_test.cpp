#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <cstring>
#include <string>
#include <thread>

#include "platform/screensaver.h"
#include "saver/caption_window.h"
#include "saver/slideshow.h"
#include "tests/saver/saver_fixture.h"
#include "tests/support/file_permissions.h"

namespace {
// Three plain pictures of 640 x 480 in set "Colours", folder "colours\".
const std::string kColours =
    "[SetDescriptions]\r\nColours=colours\\\r\nWide=wide\r\n"
    "[Colours]\r\nRed=red\r\nGreen=green\r\nBlue=sub\\blue\r\n"
    "[Wide]\r\nPan=pan\r\n";

// A 24-bit bitmap file of one colour.
std::string SolidBitmap(int width, int height, const Band& c) {
  const int stride = (width * 3 + 3) / 4 * 4;
  const int size = 54 + stride * height;
  std::string f(static_cast<std::size_t>(size), '\0');
  auto put32 = [&](int at, std::uint32_t v) { std::memcpy(&f[static_cast<std::size_t>(at)], &v, 4); };
  auto put16 = [&](int at, std::uint16_t v) { std::memcpy(&f[static_cast<std::size_t>(at)], &v, 2); };
  f[0] = 'B';
  f[1] = 'M';
  put32(2, static_cast<std::uint32_t>(size));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<std::uint32_t>(width));
  put32(22, static_cast<std::uint32_t>(height));
  put16(26, 1);
  put16(28, 24);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::size_t at = static_cast<std::size_t>(54 + y * stride + x * 3);
      f[at] = static_cast<char>(c.b);
      f[at + 1] = static_cast<char>(c.g);
      f[at + 2] = static_cast<char>(c.r);
    }
  }
  return f;
}

class SlideshowTest : public SaverTest {
 protected:
  void SetUp() override {
    InstallDecoder();
    const std::string set = box.programFolder() + "colours/";
    WriteBandedJpeg(set + "red.jpg", 640, 480, {kRed}, true);
    WriteBandedJpeg(set + "green.jpg", 640, 480, {kGreen}, true);
    WriteBandedJpeg(set + "sub/blue.jpg", 640, 480, {kBlue}, true);
    WriteCatalogue("StretchWallpaper=0\r\n", kColours);
  }
  void TearDown() override {
    if (window && IsWindow(window)) DestroyWindow(window);
    SaverTest::TearDown();
  }
  void Start(int width = 800, int height = 600, BOOL preview = FALSE) {
    window = CreateScreenSaverWindowForTesting(width, height, preview);
    ASSERT_NE(window, nullptr);
    UpdateWindow(window);
  }
  void Tick(UINT_PTR timer, int times = 1) {
    for (int i = 0; i < times; ++i) SendMessage(window, WM_TIMER, timer, 0);
    UpdateWindow(window);
  }
  void End() {
    DestroyWindow(window);
    window = nullptr;
  }
  // The pixel at a place of the 640 x 480 view, which lies centred in the window.
  COLORREF ViewPixel(int x, int y) {
    RECT client;
    GetClientRect(window, &client);
    HDC dc = GetDC(window);
    COLORREF c = GetPixel(dc, client.right / 2 - 320 + x, client.bottom / 2 - 240 + y);
    ReleaseDC(window, dc);
    return c;
  }
  bool Running(UINT_PTR timer) { return SlideshowStateForTesting().timers[timer - kSlideshowTimer] != 0; }
  std::string Current() { return g_saverSettings.currentImageName; }

  HWND window = nullptr;
};
}  // namespace

TEST_F(SlideshowTest, StartsAtTheStoredPositionAndStoresTheNext) {
  WriteSaverSettings("CurrentSet=Colours\r\nCurrentImageNumber=2\r\nTimeBetween=2\r\nInMinutes=0\r\n");
  Start();
  EXPECT_EQ(Current(), "Blue");
  EXPECT_TRUE(Near(ViewPixel(320, 240), kBlue)) << std::hex << ViewPixel(320, 240);
  EXPECT_TRUE(Running(kSlideshowTimer)) << "no caption, no pan: the slideshow waits at once";

  Tick(kSlideshowTimer);
  EXPECT_TRUE(Near(ViewPixel(320, 240), kBlue)) << "the first tick only counts";
  Tick(kSlideshowTimer);
  EXPECT_EQ(Current(), "Red") << "past the end the list starts over";
  EXPECT_TRUE(Near(ViewPixel(5, 5), kRed));
  EXPECT_TRUE(Near(ViewPixel(635, 475), kRed));
  End();
  EXPECT_EQ(SaverSetting("CurrentImageNumber"), "1");
  EXPECT_EQ(SaverSetting("CurrentImageName"), "Red");

  WriteSaverSettings("CurrentSet=Colours\r\nCurrentImageNumber=7\r\n");
  Start();
  EXPECT_EQ(Current(), "Red");
  End();
  EXPECT_EQ(SaverSetting("CurrentImageNumber"), "1");
}

TEST_F(SlideshowTest, StartsFromTheWallpaperWhenItExists) {
  box.writeFile(box.windowsDirectory() + "/quillmrk.bmp", SolidBitmap(640, 480, kWhite));
  WriteCatalogue("StretchWallpaper=0\r\nCurrentSet=Colours\r\nCurrentImage=Green\r\n", kColours);
  WriteSaverSettings("CurrentSet=Colours\r\nCurrentImageNumber=1\r\nTimeBetween=1\r\nInMinutes=0\r\n");
  Start();
  EXPECT_EQ(Current(), "Green");
  EXPECT_TRUE(Near(ViewPixel(320, 240), kWhite)) << "the desktop's picture, not the set's";
  Tick(kSlideshowTimer);
  EXPECT_EQ(Current(), "Green") << "then the list at its stored position";
  EXPECT_TRUE(Near(ViewPixel(320, 240), kGreen));
  End();
  EXPECT_EQ(SaverSetting("CurrentImageNumber"), "2");

  box.writeFile(box.windowsDirectory() + "/quillmrk.bmp", "BM broken");
  Start();
  EXPECT_EQ(Current(), "Blue") << "a damaged desktop picture: the list takes over";
  EXPECT_TRUE(Near(ViewPixel(320, 240), kBlue));
  EXPECT_TRUE(Running(kSlideshowTimer));
}

TEST_F(SlideshowTest, NothingToShowLeavesTheScreenBlack) {
  WriteSaverSettings("CurrentSet=Nowhere\r\n");
  Start();
  EXPECT_FALSE(SlideshowStateForTesting().pictureReady);
  EXPECT_EQ(ViewPixel(320, 240), RGB(0, 0, 0));
  End();
  EXPECT_EQ(SaverSetting("CurrentImageNumber"), "1");
  EXPECT_EQ(SaverSetting("CurrentImageName"), "");

  std::remove((box.programFolder() + "djpeg32.so").c_str());
  WriteSaverSettings("CurrentSet=Colours\r\nTimeBetween=1\r\nInMinutes=0\r\n");
  Start();
  EXPECT_FALSE(SlideshowStateForTesting().pictureReady) << "no decoder";
  End();
}

// A decoder that crashes costs the picture it was decoding, not the saver: the show goes
// on to the next picture, and the position is stored as ever.
TEST_F(SlideshowTest, ADecoderThatCrashesCostsOnlyItsPicture) {
  const Band grey{128, 128, 128};  // what the crashing decoder makes of the other pictures
  std::filesystem::copy_file(QM_CRASHING_DECODER, box.programFolder() + "djpeg32.so",
                             std::filesystem::copy_options::overwrite_existing);
  setenv("QM_CRASH_ON", "green", 1);
  WriteSaverSettings("CurrentSet=Colours\r\nCurrentImageNumber=0\r\nTimeBetween=1\r\nInMinutes=0\r\n");
  Start();
  EXPECT_EQ(Current(), "Red");
  EXPECT_TRUE(Near(ViewPixel(320, 240), grey));
  Tick(kSlideshowTimer);
  EXPECT_EQ(Current(), "Blue") << "the picture that crashed the decoder is passed over at once";
  EXPECT_TRUE(Near(ViewPixel(320, 240), grey));
  EXPECT_TRUE(Running(kSlideshowTimer));
  End();
  EXPECT_EQ(SaverSetting("CurrentImageName"), "Blue");

  // Crashing on the very first picture: the next one is shown instead of a black run.
  WriteSaverSettings("CurrentSet=Colours\r\nCurrentImageNumber=1\r\n");
  Start();
  EXPECT_EQ(Current(), "Blue");
  EXPECT_TRUE(Near(ViewPixel(320, 240), grey));
  End();
  EXPECT_EQ(SaverSetting("CurrentImageNumber"), "3");
  unsetenv("QM_CRASH_ON");
}

TEST_F(SlideshowTest, AnUnreadableSetFolderShowsNothingAndKeepsTheSettings) {
  const std::string folder = box.programFolder() + "colours";
  WriteSaverSettings("CurrentSet=Colours\r\nCurrentImageNumber=1\r\nTimeBetween=1\r\nInMinutes=0\r\n");
  {
    FilePermissionsBind binding;
    chmod(folder.c_str(), 0);
    Start();
    EXPECT_EQ(Current(), "Green");
    EXPECT_FALSE(SlideshowStateForTesting().pictureReady);
    EXPECT_EQ(ViewPixel(320, 240), RGB(0, 0, 0));
    End();
    chmod(folder.c_str(), 0755);
  }
  EXPECT_EQ(SaverSetting("CurrentImageNumber"), "2");
  EXPECT_EQ(SaverSetting("TimeBetween"), "1");
  Start();
  EXPECT_TRUE(Near(ViewPixel(320, 240), kBlue)) << "readable again: the show goes on";
}

TEST_F(SlideshowTest, BadFilesInARowAreSkippedAndLeaveNoCaption) {
  const std::string set = box.programFolder() + "colours/";
  box.writeFile(set + "green.jpg", "not a picture");
  std::remove((set + "sub/blue.jpg").c_str());
  for (const char* name : {"red", "green", "blue"})
    box.writeFile(set + (std::string(name) == "blue" ? "sub/" : "") + name + ".nfo",
                  std::string("English=Caption of ") + name + "\r\n");
  WriteSaverSettings("CurrentSet=Colours\r\nCurrentImageNumber=1\r\nShowInterpretiveText=1\r\n"
                     "TimeBetween=1\r\nInMinutes=0\r\n");
  Start();
  EXPECT_EQ(Current(), "Red") << "two bad files at the start: once round the list to the good one";
  EXPECT_TRUE(Near(ViewPixel(320, 240), kRed));
  EXPECT_EQ(g_caption.Title(), "Caption of red");
  Tick(kHoldTimer);
  Tick(kSlideshowTimer);
  EXPECT_EQ(Current(), "Red") << "the bad ones are passed over again, with no black run";
  EXPECT_TRUE(Near(ViewPixel(320, 240), kRed));
  Tick(kHoldTimer);

  std::remove((set + "red.jpg").c_str());
  Tick(kSlideshowTimer);
  EXPECT_FALSE(g_caption.IsVisible()) << "a picture that failed shows no caption over the one before";
  EXPECT_TRUE(Near(ViewPixel(320, 240), kRed));
  EXPECT_TRUE(Running(kSlideshowTimer)) << "and the show tries again at the next change";
  End();
  EXPECT_EQ(SaverSetting("CurrentImageNumber"), "2") << "nothing showed: on from the first entry tried";
}

TEST_F(SlideshowTest, CaptionHoldsTheShowThenTheScreenIsRepaired) {
  box.writeFile(box.programFolder() + "colours/red.nfo", "English=A Red Picture\r\n");
  WriteSaverSettings("CurrentSet=Colours\r\nShowInterpretiveText=1\r\nInMinutes=0\r\n");
  Start();
  EXPECT_TRUE(g_caption.IsVisible());
  EXPECT_EQ(g_caption.Title(), "A Red Picture");
  EXPECT_TRUE(Running(kHoldTimer));
  EXPECT_FALSE(Running(kSlideshowTimer)) << "the wait counts from the end of the caption";

  Tick(kHoldTimer);
  EXPECT_FALSE(g_caption.IsVisible());
  EXPECT_FALSE(Running(kHoldTimer));
  EXPECT_TRUE(Running(kSlideshowTimer));
  EXPECT_TRUE(Near(ViewPixel(320, 470), kRed)) << "the area under the caption is the picture again";
  End();
  EXPECT_EQ(g_caption.Window(), nullptr) << "the caption window ends with the saver";
}

TEST_F(SlideshowTest, PanoramasPanOnePixelPerStepInTheirDirection) {
  // Wide pictures are red on their left half and blue on their right; tall ones red,
  // green and blue from the top. The view is 640 x 480.
  struct Case {
    const char* direction;
    bool wide;
    Band start, middleLeft, middleRight, end;
    int steps;
  };
  const Case cases[] = {
      {"LeftToRight", true, kRed, kRed, kBlue, kBlue, 640},
      {"RIGHTTOLEFT", true, kBlue, kRed, kBlue, kRed, 640},
      {"None", true, kRed, kRed, kBlue, kBlue, 640},
      {"BOTTOMTOTOP", false, kBlue, kGreen, kGreen, kRed, 960},
      {"sideways", false, kRed, kGreen, kGreen, kBlue, 960},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.direction);
    const std::string folder = box.programFolder() + "wide/";
    if (c.wide) {
      WriteBandedJpeg(folder + "pan.jpg", 1280, 480, {kRed, kBlue}, true);
    } else {
      WriteBandedJpeg(folder + "pan.jpg", 640, 1440, {kRed, kGreen, kBlue}, false);
    }
    box.writeFile(folder + "pan.nfo", std::string("[Panoramic]\r\nPanDirection=") + c.direction + "\r\n");
    WriteSaverSettings("CurrentSet=Wide\r\nPanoramicSpeed=5\r\n");
    Start();
    const SlideshowState& s = SlideshowStateForTesting();
    EXPECT_TRUE(s.panoramic);
    EXPECT_EQ(s.viewWidth, 640);
    EXPECT_EQ(s.viewHeight, 480);
    EXPECT_TRUE(Running(kHoldTimer));
    EXPECT_TRUE(Near(ViewPixel(5, 5), c.start)) << std::hex << ViewPixel(5, 5) << " sy " << s.sy;
    EXPECT_TRUE(Near(ViewPixel(634, 474), c.start));

    Tick(kHoldTimer);
    EXPECT_TRUE(Running(kPanStartTimer));
    EXPECT_FALSE(Running(kSlideshowTimer));
    Tick(kPanStartTimer);
    EXPECT_TRUE(Running(kPanStepTimer));

    SendMessage(window, WM_KILLFOCUS, 0, 0);
    Tick(kPanStepTimer, 10);
    EXPECT_EQ(s.nextColumn + s.nextRow, 640 + 480) << "no motion while stopped";
    SendMessage(window, WM_SETFOCUS, 0, 0);

    Tick(kPanStepTimer, c.steps / 2);
    EXPECT_TRUE(Near(ViewPixel(100, 100), c.middleLeft)) << std::hex << ViewPixel(100, 100);
    EXPECT_TRUE(Near(ViewPixel(540, 380), c.middleRight)) << std::hex << ViewPixel(540, 380);
    EXPECT_TRUE(Running(kPanStepTimer));
    Tick(kSlideshowTimer);
    EXPECT_TRUE(Near(ViewPixel(100, 100), c.middleLeft)) << "no change while the pan is pending";
    Tick(kPanStepTimer, c.steps - c.steps / 2);
    EXPECT_FALSE(Running(kPanStepTimer)) << "the pan ends after its last step";
    EXPECT_TRUE(Running(kSlideshowTimer));
    EXPECT_TRUE(Near(ViewPixel(5, 5), c.end)) << std::hex << ViewPixel(5, 5);
    EXPECT_TRUE(Near(ViewPixel(634, 474), c.end));
    End();
  }
}

TEST_F(SlideshowTest, ADirectionOnAnOrdinaryPictureOnlyHolds) {
  box.writeFile(box.programFolder() + "colours/red.nfo", "[Panoramic]\r\nPanDirection=LEFTTORIGHT\r\n");
  WriteSaverSettings("CurrentSet=Colours\r\n");
  Start();
  EXPECT_FALSE(SlideshowStateForTesting().panoramic);
  EXPECT_TRUE(Running(kHoldTimer));
  Tick(kHoldTimer);
  EXPECT_FALSE(Running(kPanStartTimer));
  EXPECT_TRUE(Running(kSlideshowTimer));
}

TEST_F(SlideshowTest, PicturesOfAnyShapeAreCentredInTheWindow) {
  // 16:9 in the 640 x 480 box of an 800 x 600 window: 640 x 360 at (80, 120).
  WriteBandedJpeg(box.programFolder() + "colours/red.jpg", 1280, 720, {kRed}, true);
  WriteSaverSettings("CurrentSet=Colours\r\n");
  Start();
  HDC dc = GetDC(window);
  EXPECT_TRUE(Near(GetPixel(dc, 85, 125), kRed)) << std::hex << GetPixel(dc, 85, 125);
  EXPECT_TRUE(Near(GetPixel(dc, 714, 474), kRed)) << std::hex << GetPixel(dc, 714, 474);
  EXPECT_EQ(GetPixel(dc, 400, 110), RGB(0, 0, 0)) << "black above the picture";
  EXPECT_EQ(GetPixel(dc, 400, 490), RGB(0, 0, 0)) << "and below it";
  ReleaseDC(window, dc);
  End();

  // The desktop's bitmap, made for a larger monitor, is fitted into the view as well.
  box.writeFile(box.windowsDirectory() + "/quillmrk.bmp", SolidBitmap(1920, 1080, kWhite));
  Start();
  EXPECT_EQ(SlideshowStateForTesting().viewWidth, 640);
  EXPECT_EQ(SlideshowStateForTesting().viewHeight, 360);
  dc = GetDC(window);
  EXPECT_TRUE(Near(GetPixel(dc, 85, 125), kWhite)) << std::hex << GetPixel(dc, 85, 125);
  EXPECT_EQ(GetPixel(dc, 400, 110), RGB(0, 0, 0));
  ReleaseDC(window, dc);
}

TEST_F(SlideshowTest, AHostsWindowOfAnySizeGetsAPictureDecodedForIt) {
  WriteCatalogue("StretchWallpaper=1\r\n", kColours);
  WriteSaverSettings("CurrentSet=Colours\r\n");
  Start(700, 500, TRUE);
  const SlideshowState& s = SlideshowStateForTesting();
  EXPECT_EQ(s.viewWidth, 667);
  EXPECT_EQ(s.viewHeight, 500);
  EXPECT_EQ(s.x0, 16);
  EXPECT_EQ(s.y0, 0);
}

TEST_F(SlideshowTest, TheInformationFileMakesAShortPanoramaPan) {
  const std::string folder = box.programFolder() + "wide/";
  WriteBandedJpeg(folder + "pan.jpg", 1152, 640, {kRed, kBlue}, true);  // 1.8 : 1
  WriteSaverSettings("CurrentSet=Wide\r\nPanoramicSpeed=5\r\n");
  Start();
  EXPECT_FALSE(SlideshowStateForTesting().panoramic) << "by its shape alone a letterbox";
  End();
  box.writeFile(folder + "pan.nfo", "[Panoramic]\r\nPanoramicOrigin=0\r\n");
  Start();
  const SlideshowState& s = SlideshowStateForTesting();
  EXPECT_TRUE(s.panoramic);
  EXPECT_EQ(s.viewWidth, 640);
  EXPECT_EQ(s.viewHeight, 480);
  EXPECT_EQ(s.shownWidth, 864) << "the short side fills the view";
  Tick(kHoldTimer);
  Tick(kPanStartTimer);
  Tick(kPanStepTimer, 224);
  EXPECT_FALSE(Running(kPanStepTimer)) << "the pan ends at the picture's edge";
  EXPECT_TRUE(Near(ViewPixel(634, 240), kBlue));
  EXPECT_TRUE(Near(ViewPixel(5, 240), kRed)) << "column 224 of 864 is still red";
}

TEST_F(SlideshowTest, AllTransitionsDrawTheFirstPicturePlainThenCycle) {
  WriteSaverSettings("CurrentSet=Colours\r\nTransition=1\r\nTimeBetween=1\r\nInMinutes=0\r\n");
  Start();
  std::vector<UINT> effects{SlideshowStateForTesting().effect};
  for (int i = 0; i < 6; ++i) {
    Tick(kSlideshowTimer);
    effects.push_back(SlideshowStateForTesting().effect);
    EXPECT_TRUE(Near(ViewPixel(639, 479), i % 3 == 2 ? kRed : i % 3 == 0 ? kGreen : kBlue))
        << "every effect covers the view, " << i;
  }
  EXPECT_EQ(effects, (std::vector<UINT>{1, 2, 3, 4, 5, 6, 2}));
}

TEST_F(SlideshowTest, PreviewShowsOnlyTheIconAndStartsNoTimer) {
  WriteSaverSettings("CurrentSet=Colours\r\n");
  Start(152, 112, TRUE);
  const SlideshowState& s = SlideshowStateForTesting();
  EXPECT_TRUE(s.smallWindow);
  EXPECT_TRUE(s.cursorShown);
  for (UINT_PTR t = kSlideshowTimer; t <= kPanStartTimer; ++t) EXPECT_FALSE(Running(t));
  HDC dc = GetDC(window);
  EXPECT_NE(GetPixel(dc, 76, 56), RGB(0, 0, 0)) << "the icon in the middle";
  EXPECT_EQ(GetPixel(dc, 5, 5), RGB(0, 0, 0));
  ReleaseDC(window, dc);
}

// ---- links on Tab and Escape ---------------------------------------------------------------
class LinkTest : public SlideshowTest {
 protected:
  void SetUp() override {
    SlideshowTest::SetUp();
    InstallRecordingLauncher();
  }
  // Starts the saver with the link file and the picture's information file, ends it with
  // the key and tells what the launcher was given.
  std::string EndWith(WPARAM key, const std::string& links, const std::string& pictureInfo) {
    box.writeFile(box.programFolder() + "colours/company.ini", "[NetJumper]\r\n" + links);
    box.writeFile(box.programFolder() + "colours/red.nfo", pictureInfo);
    std::remove((box.root() + "/launched").c_str());
    WriteSaverSettings("CurrentSet=Colours\r\n");
    Start();
    int ignored;
    QuitPosted(&ignored);  // left by an earlier run's end
    SendMessage(window, WM_KEYDOWN, key, 0);
    PumpMessages(50);
    EXPECT_FALSE(IsWindow(window)) << "a key ends the saver";
    if (IsWindow(window)) End();
    window = nullptr;
    return LauncherArguments(600);
  }
};

TEST_F(LinkTest, TabTakesThePictureThenTheSetThenTheCompanyLink) {
  const std::string company = "companyURL=http://company.example/\r\n";
  const std::string set = "setURL=http://set.example/a b\r\n";
  EXPECT_EQ(EndWith(VK_TAB, "NetJumper=1\r\n" + company + set, "[NetJumper]\r\nURL=NotFound\r\n"),
            "http://set.example/a b\n")
      << "one argument, blanks and all";
  EXPECT_EQ(EndWith(VK_TAB, "NetJumper=1\r\n" + company + set, "[NetJumper]\r\nURL=http://pic.example/\r\n"),
            "http://pic.example/\n");
  EXPECT_EQ(EndWith(VK_TAB, "NetJumper=1\r\n" + company, ""), "http://company.example/\n");
  EXPECT_EQ(EndWith(VK_TAB, "NetJumper=1\r\n", ""), "<not started>") << "no link at all";
  EXPECT_EQ(EndWith(VK_TAB, "NetJumper=0\r\n" + company, ""), "<not started>");
  EXPECT_EQ(EndWith(VK_TAB, "NetJumper=1\r\nsetURL=\r\n", ""), "<not started>") << "an empty address";
  EXPECT_EQ(SaverSetting("CurrentImageName"), "Red") << "the position is stored either way";
}

TEST_F(LinkTest, EscapeTakesTheScreenSaverLinkOnly) {
  const std::string other = "NetJumper=1\r\nsetURL=http://set.example/\r\n";
  EXPECT_EQ(EndWith(VK_ESCAPE, other + "SSNetJumper=1\r\nSSURL=http://saver.example/\r\n", ""),
            "http://saver.example/\n");
  EXPECT_EQ(EndWith(VK_ESCAPE, other + "SSNetJumper=1\r\nSSURL=NotFound\r\n", ""), "<not started>");
  EXPECT_EQ(EndWith(VK_ESCAPE, other + "SSNetJumper=0\r\nSSURL=http://saver.example/\r\n", ""),
            "<not started>");
  EXPECT_EQ(EndWith('A', other + "SSNetJumper=1\r\nSSURL=http://saver.example/\r\n", ""),
            "<not started>")
      << "other keys choose no link";
}
