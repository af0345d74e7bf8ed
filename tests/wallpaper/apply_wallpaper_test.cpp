#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "imagelib/wallpaper.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/x11/wallpaper_bmp.h"
#include "tests/support/sandbox.h"
#include "tests/wallpaper/pictures.h"

namespace fs = std::filesystem;

namespace {
// No display and no desktop environment: the desktop is only recorded, never touched.
class ApplyWallpaper : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("DISPLAY");
    unsetenv("XDG_CURRENT_DESKTOP");
    unsetenv("QM_FAKE_FAIL");
    setenv("QM_FAKE_LOG", box.path("decoder.log").c_str(), 1);
    SetApplicationTitle("QuillMark Configuration");
    SetMessageBoxHandler([this](const std::string& text, const std::string& caption, UINT type) {
      messages.push_back(caption + "|" + text + "|" + std::to_string(type));
      return IDOK;
    });
    bitmap = WallpaperBitmapPath(WindowsDirectory());
  }
  void TearDown() override { unsetenv("QM_FAKE_LOG"); }

  void useDecoder(const char* library) {
    fs::copy_file(library, box.programFolder() + kDecoderLibraryName,
                  fs::copy_options::overwrite_existing);
  }
  void apply(const std::string& base, int stretch, int bits, CWallpaperDecoder& decoder) {
    ApplyWallpaperPicture(box.programFolder() + base + ".jpg", box.programFolder() + base + ".nfo",
                          bitmap, box.programFolder(), stretch, DeviceColorDepth{bits, 1}, decoder);
  }
  void apply(const std::string& base, int stretch = 0, int bits = 24) {
    CWallpaperDecoder decoder(false);
    apply(base, stretch, bits, decoder);
  }
  std::string desktop(const char* key) {
    char value[300] = "";
    GetProfileString("Desktop", key, "<missing>", value, sizeof value);
    return value;
  }

  Sandbox box;
  std::string bitmap;
  std::vector<std::string> messages;
};

const std::string kError =
    "QuillMark Configuration|Error loading the wallpaper.\n\nPlease choose a different image.|0";
}  // namespace

TEST(WallpaperRules, ColourCountScaleClassAndOrigin) {
  EXPECT_EQ(ColorCountForDepth({4, 1}), 16);
  EXPECT_EQ(ColorCountForDepth({8, 1}), 256);
  EXPECT_EQ(ColorCountForDepth({1, 8}), 256) << "depth is bits x planes";
  EXPECT_EQ(ColorCountForDepth({16, 1}), 65536);
  EXPECT_EQ(ColorCountForDepth({24, 1}), 16777216);
  EXPECT_EQ(ColorCountForDepth({32, 1}), 0);

  EXPECT_EQ(ScaleClassForScreen(false, 1920), 1);
  EXPECT_EQ(ScaleClassForScreen(true, 640), 1);
  EXPECT_EQ(ScaleClassForScreen(true, 641), 2);
  EXPECT_EQ(ScaleClassForScreen(true, 800), 2);
  EXPECT_EQ(ScaleClassForScreen(true, 801), 3);

  EXPECT_EQ(ScalePanoramaOrigin(333, 1), 333);
  EXPECT_EQ(ScalePanoramaOrigin(333, 2), 416);
  EXPECT_EQ(ScalePanoramaOrigin(333, 3), 532);
  EXPECT_EQ(ScalePanoramaOrigin(5, 3), 8) << "exact where a float product would give 7.999";
  EXPECT_EQ(ScalePanoramaOrigin(-3, 3), -4) << "toward zero";
  EXPECT_EQ(ScalePanoramaOrigin(2000000000, 3), 2147483647);

  EXPECT_EQ(WallpaperBitmapPath("/x/win"), "/x/win/quillmrk.bmp");
  EXPECT_EQ(WallpaperBitmapPath("C:\\WINDOWS\\"), "C:\\WINDOWS\\quillmrk.bmp");
}

TEST_F(ApplyWallpaper, MissingLibraryStillPointsTheDesktopAtTheBitmap) {
  box.writeFile(box.programFolder() + "pano.nfo", "[Panoramic]\r\nPanoramicOrigin=10\r\n");
  apply("pano", 1);
  EXPECT_TRUE(messages.empty());
  EXPECT_FALSE(fs::exists(bitmap));
  EXPECT_EQ(desktop("Wallpaper"), bitmap);
  EXPECT_EQ(desktop("TileWallpaper"), "0");

  // A file that is not a library at all behaves the same.
  box.writeFile(box.programFolder() + kDecoderLibraryName, "not a library");
  CWallpaperDecoder kept(true);
  apply("pano", 1, 24, kept);
  EXPECT_EQ(kept.m_hLibrary, nullptr);
  EXPECT_TRUE(messages.empty());
}

TEST_F(ApplyWallpaper, PlainPictureIsDecodedStraightIntoTheBitmap) {
  useDecoder(QM_FAKE_DECODER);
  // Set folders and file bases written on the old platform use backslashes.
  fs::create_directories(box.programFolder() + "Birds");
  apply("Birds\\hawk", 0, 8);
  EXPECT_EQ(box.readFile("decoder.log"),
            "decode " + box.programFolder() + "Birds/hawk.jpg|" + bitmap + "|(nil)|1|256\n");
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(desktop("Wallpaper"), bitmap);

  // Stretching without a display measures the default 1024-pixel screen: class 3.
  fs::remove(box.path("decoder.log"));
  apply("plain", 1, 32);
  EXPECT_NE(box.readFile("decoder.log").find("|3|0\n"), std::string::npos);
}

TEST_F(ApplyWallpaper, PanoramaIsDecodedToMemoryAndCutAtTheScaledOrigin) {
  useDecoder(QM_FAKE_DECODER);
  box.writeFile(box.programFolder() + "pano.nfo", "[Panoramic]\r\nPanoramicOrigin=333\r\n");
  CWallpaperDecoder kept(true);
  apply("pano", 1, 24, kept);
  EXPECT_EQ(box.readFile("decoder.log"),
            "decode " + box.programFolder() + "pano.jpg||(nil)|3|16777216\n"
            "window " + bitmap + "|64|532\n");
  EXPECT_TRUE(messages.empty());
  EXPECT_NE(kept.m_hLibrary, nullptr) << "the page keeps its library";
  EXPECT_EQ(kept.m_hPanorama, nullptr) << "the block never outlives the call";

  box.writeFile(box.programFolder() + "zero.nfo", "[Panoramic]\r\nPanoramicOrigin=0\r\n");
  fs::remove(box.path("decoder.log"));
  apply("zero");
  EXPECT_NE(box.readFile("decoder.log").find("|0\n"), std::string::npos)
      << "origin 0 is a panorama at the left edge";
}

TEST_F(ApplyWallpaper, PanoramaFailuresShowTheMessageOnceAndStillSetTheDesktop) {
  box.writeFile(box.programFolder() + "pano.nfo", "[Panoramic]\r\nPanoramicOrigin=40\r\n");
  useDecoder(QM_FAKE_DECODER);
  for (const char* failure : {"decode", "window"}) {
    SCOPED_TRACE(failure);
    messages.clear();
    fs::remove(box.path(WindowsDirectory() + "/win.ini"));
    setenv("QM_FAKE_FAIL", failure, 1);
    apply("pano");
    EXPECT_EQ(messages, std::vector<std::string>{kError});
    EXPECT_EQ(desktop("Wallpaper"), bitmap);
    EXPECT_EQ(desktop("TileWallpaper"), "0");
  }
  unsetenv("QM_FAKE_FAIL");

  messages.clear();
  useDecoder(QM_FAKE_DECODER_NO_WINDOW);
  apply("pano");
  EXPECT_EQ(messages, std::vector<std::string>{kError}) << "no procedure to cut the window";

  // A plain picture that fails to decode is not noticed.
  messages.clear();
  setenv("QM_FAKE_FAIL", "decode", 1);
  apply("plain");
  EXPECT_TRUE(messages.empty());
}

TEST_F(ApplyWallpaper, RealDecoderWritesTheScreenSizedBitmapAndPanoramaWindow) {
  const std::string real = std::string(QM_BIN_DIR) + "/" + kDecoderLibraryName;
  if (!fs::exists(real)) GTEST_SKIP() << "no decoder built at " << real;
  useDecoder(real.c_str());
  const std::string p = box.programFolder();
  ASSERT_TRUE(WriteJpeg(p + "plain.jpg", 320, 240, [](int, int) { return 0x2040C0u; }));
  // A 4:1 panorama: decoded for class 1 it is 1920 x 480 (three quarters of its size), and
  // the window from 640 to 1280 of that is green; left of it, red.
  ASSERT_TRUE(WriteJpeg(p + "pano.jpg", 2560, 640,
                        [](int x, int) { return x < 853 ? 0xE00000u : 0x00E000u; }));
  box.writeFile(p + "pano.nfo", "[Panoramic]\r\nPanoramicOrigin=640\r\n");

  auto shown = [&](RgbPicture& picture) {
    std::string bytes = box.readFile(bitmap);
    return DecodeBitmapBytes(bytes, picture);
  };
  RgbPicture picture;
  apply("plain", 0);
  ASSERT_TRUE(shown(picture));
  EXPECT_EQ(picture.width, 640);
  EXPECT_EQ(picture.height, 480);
  apply("plain", 1);  // default 1024-wide screen: class 3
  ASSERT_TRUE(shown(picture));
  EXPECT_EQ(picture.width, 1024);
  EXPECT_EQ(picture.height, 768);

  apply("pano", 0);
  ASSERT_TRUE(shown(picture));
  ASSERT_EQ(picture.width, 640);
  ASSERT_EQ(picture.height, 480);
  for (int x : {20, 320, 620}) {
    std::uint32_t c = picture.pixels[240 * 640 + x];
    EXPECT_LT(c >> 16 & 0xFF, 0x30u) << x;
    EXPECT_GT(c >> 8 & 0xFF, 0xC0u) << x;
  }
  EXPECT_TRUE(messages.empty());

  box.writeFile(p + "broken.jpg", std::string("\xFF\xD8\xFF\xE0 not really a jpeg", 21));
  box.writeFile(p + "broken.nfo", "[Panoramic]\r\nPanoramicOrigin=0\r\n");
  apply("broken");
  EXPECT_EQ(messages, std::vector<std::string>{kError});
  ASSERT_TRUE(shown(picture)) << "the old bitmap stays";
  EXPECT_EQ(picture.width, 640);

  // Less than twice as wide, but its information file calls it a panorama: a window of
  // the whole screen, not a letterbox.
  ASSERT_TRUE(WriteJpeg(p + "short.jpg", 1800, 1000, [](int, int) { return 0x00E000u; }));
  box.writeFile(p + "short.nfo", "[Panoramic]\r\nPanoramicOrigin=0\r\n");
  apply("short", 1);  // default 1024 x 768 screen
  ASSERT_TRUE(shown(picture));
  EXPECT_EQ(picture.width, 1024);
  EXPECT_EQ(picture.height, 768);
}
