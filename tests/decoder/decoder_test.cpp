#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "decoder/djpeg32.h"
#include "tests/support/jpeg_maker.h"
#include "tests/support/sandbox.h"

namespace {

std::uint32_t U32(const std::uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// A decoded block, copied out and freed the way callers free it (unlock, then free).
struct Dib {
  std::string bytes;
  int width = 0, height = 0, bits = 0;
  std::uint32_t colorsUsed = 0;

  static Dib From(const std::uint8_t* p, std::size_t size) {
    Dib d;
    d.bytes.assign(reinterpret_cast<const char*>(p), size);
    d.width = static_cast<int>(U32(p + 4));
    d.height = static_cast<int>(U32(p + 8));
    d.bits = p[14];
    d.colorsUsed = U32(p + 32);
    return d;
  }
  std::size_t stride() const { return (static_cast<std::size_t>(width) * bits + 31) / 32 * 4; }
  const std::uint8_t* data() const { return reinterpret_cast<const std::uint8_t*>(bytes.data()); }
  // Pixel (x, y) with y counted from the top, resolved through the colour table.
  Rgb at(int x, int y) const {
    const std::uint8_t* rows = data() + 40 + colorsUsed * 4;
    const std::uint8_t* p = rows + stride() * static_cast<std::size_t>(height - 1 - y);
    if (bits == 8) p = data() + 40 + p[x] * 4;
    else p += x * 3;
    return {p[2], p[1], p[0]};
  }
};

Dib Decode(const std::string& picture, int scaleClass, int colors) {
  HGLOBAL h = QmDecodeJpeg(picture.c_str(), "", nullptr, scaleClass, colors);
  if (!h) return {};
  auto* p = static_cast<std::uint8_t*>(GlobalLock(h));
  Dib d = Dib::From(p, GlobalSize(h));
  GlobalUnlock(h);
  GlobalFree(h);
  return d;
}

void ExpectNear(Rgb got, Rgb want, int tolerance, const std::string& where) {
  EXPECT_NEAR(got.r, want.r, tolerance) << where;
  EXPECT_NEAR(got.g, want.g, tolerance) << where;
  EXPECT_NEAR(got.b, want.b, tolerance) << where;
}

// Four flat quadrants: top-left red, top-right green, bottom-left blue, bottom-right white.
Rgb Quadrants(int x, int y, int w, int h) {
  bool right = x >= w / 2, bottom = y >= h / 2;
  if (!bottom) return right ? Rgb{0, 255, 0} : Rgb{255, 0, 0};
  return right ? Rgb{255, 255, 255} : Rgb{0, 0, 255};
}

void ExpectQuadrants(const Dib& d, int tolerance, const std::string& what) {
  ASSERT_GT(d.width, 0) << what;
  int qx = d.width / 4, qy = d.height / 4;
  ExpectNear(d.at(qx, qy), {255, 0, 0}, tolerance, what + " top left");
  ExpectNear(d.at(3 * qx, qy), {0, 255, 0}, tolerance, what + " top right");
  ExpectNear(d.at(qx, 3 * qy), {0, 0, 255}, tolerance, what + " bottom left");
  ExpectNear(d.at(3 * qx, 3 * qy), {255, 255, 255}, tolerance, what + " bottom right");
}

class Decoder : public ::testing::Test {
 protected:
  Sandbox sandbox;
  std::string Picture(const std::string& name, int w, int h, JpegKind kind = JpegKind::Colour) {
    std::string path = sandbox.path(name);
    MakeJpeg(path, w, h, kind, [w, h](int x, int y) { return Quadrants(x, y, w, h); });
    return path;
  }
};

TEST_F(Decoder, ScaleClassesFitThePictureKeepingItsShape) {
  struct Case {
    int w, h, scaleClass, wantW, wantH;
  } cases[] = {
      {1600, 1200, 1, 640, 480},  {1600, 1200, 2, 800, 600},  {1600, 1200, 3, 1024, 768},
      {1500, 1000, 1, 640, 427},  {600, 900, 1, 320, 480},    {320, 240, 3, 1024, 768},
      {1600, 1200, 0, 640, 480},  {1600, 1200, 9, 1024, 768},  // odd classes: nearest
  };
  for (const Case& c : cases) {
    std::string what = std::to_string(c.w) + "x" + std::to_string(c.h) + " class " +
                       std::to_string(c.scaleClass);
    Dib d = Decode(Picture("p.jpg", c.w, c.h), c.scaleClass, 16777216);
    EXPECT_EQ(d.width, c.wantW) << what;
    EXPECT_EQ(d.height, c.wantH) << what;
    EXPECT_EQ(d.bits, 24) << what;
    EXPECT_EQ(d.colorsUsed, 0u) << what;
    EXPECT_EQ(d.bytes.size(), 40 + d.stride() * static_cast<std::size_t>(d.height)) << what;
    EXPECT_EQ(U32(d.data()), 40u);
    EXPECT_EQ(U32(d.data() + 20), d.stride() * static_cast<std::size_t>(d.height));
    ExpectQuadrants(d, 12, what);
  }
}

TEST_F(Decoder, ProgressiveGreyAndAdobeCmykPicturesDecode) {
  ExpectQuadrants(Decode(Picture("prog.jpg", 1200, 900, JpegKind::Progressive), 1, 0), 12,
                  "progressive");
  ExpectQuadrants(Decode(Picture("cmyk.jpg", 1200, 900, JpegKind::AdobeCmyk), 1, 0), 12,
                  "cmyk");

  // Grey keeps only the green channel of the quadrants: 0, 255, 0, 255.
  Dib grey = Decode(Picture("grey.jpg", 1200, 900, JpegKind::Grey), 1, 0);
  ASSERT_EQ(grey.width, 640);
  ExpectNear(grey.at(160, 120), {0, 0, 0}, 8, "grey top left");
  ExpectNear(grey.at(480, 120), {255, 255, 255}, 8, "grey top right");
  Dib grey8 = Decode(sandbox.path("grey.jpg"), 1, 256);
  ASSERT_EQ(grey8.bits, 8);
  ExpectNear(grey8.at(480, 360), {255, 255, 255}, 8, "grey 256 colours");
}

TEST_F(Decoder, TwoHundredFiftySixColoursGiveAPaletteBlock) {
  for (JpegKind kind : {JpegKind::Colour, JpegKind::AdobeCmyk}) {
    std::string what = kind == JpegKind::Colour ? "colour" : "cmyk";
    Dib d = Decode(Picture("p8.jpg", 1000, 750, kind), 2, 256);
    ASSERT_EQ(d.width, 800) << what;
    EXPECT_EQ(d.height, 600);
    EXPECT_EQ(d.bits, 8);
    EXPECT_EQ(d.colorsUsed, 256u);
    EXPECT_EQ(d.bytes.size(), 40 + 1024 + d.stride() * 600u);
    // Flat areas come out as (nearly) their own colour, not as a dither of others.
    ExpectQuadrants(d, kind == JpegKind::Colour ? 12 : 40, what);
  }
}

TEST_F(Decoder, ReductionAveragesFineDetailInsteadOfAliasing) {
  // One-pixel black and white stripes: a point-sampling scaler gives black or white
  // bands, an area average a grey (libjpeg's scaled IDCT leaves a little ripple).
  std::string path = sandbox.path("stripes.jpg");
  MakeJpeg(path, 2048, 1536, JpegKind::Grey,
           [](int x, int) { return x % 2 ? Rgb{255, 255, 255} : Rgb{0, 0, 0}; }, 100);
  Dib d = Decode(path, 1, 0);
  ASSERT_EQ(d.width, 640);
  for (int x = 10; x < 630; x += 37) EXPECT_NEAR(d.at(x, 200).g, 128, 40) << "column " << x;
}

TEST_F(Decoder, PanoramasFillTheScreenWithTheirShortSide) {
  EXPECT_EQ(Decode(Picture("wide.jpg", 2560, 960), 1, 0).width, 1280);
  EXPECT_EQ(Decode(sandbox.path("wide.jpg"), 1, 0).height, 480);
  Dib tall = Decode(Picture("tall.jpg", 800, 1800), 1, 0);
  EXPECT_EQ(tall.width, 640);
  EXPECT_EQ(tall.height, 1440);
  Dib wide3 = Decode(Picture("wide3.jpg", 3000, 1000), 3, 0);
  EXPECT_EQ(wide3.width, 2304);
  EXPECT_EQ(wide3.height, 768);
}

Dib DecodeForScreen(const std::string& picture, int scaleClass, int screenW, int screenH,
                    int panorama = 0) {
  HGLOBAL h = QmDecodeJpegForScreen(picture.c_str(), "", scaleClass, 0, screenW, screenH, panorama);
  if (!h) return {};
  auto* p = static_cast<std::uint8_t*>(GlobalLock(h));
  Dib d = Dib::From(p, GlobalSize(h));
  GlobalUnlock(h);
  GlobalFree(h);
  return d;
}

TEST_F(Decoder, ClassThreeFitsTheRealScreenAndTheOthersStayWithinTheirs) {
  struct Case {
    int w, h, scaleClass, screenW, screenH, panorama, wantW, wantH;
  } cases[] = {
      {1600, 1200, 3, 1920, 1080, 0, 1440, 1080},  {1920, 1080, 3, 1920, 1080, 0, 1920, 1080},
      {1500, 1000, 3, 3840, 2160, 0, 3240, 2160},  {1000, 1500, 3, 1920, 1080, 0, 720, 1080},
      {3000, 1000, 3, 1920, 1080, 0, 3240, 1080},  {1800, 1000, 3, 1920, 1080, 0, 1920, 1067},
      {1800, 1000, 3, 1920, 1080, 1, 1944, 1080},  {1600, 1200, 3, 400, 300, 0, 400, 300},
      {1600, 1200, 1, 3840, 2160, 0, 640, 480},    {1600, 1200, 2, 1920, 1080, 0, 800, 600},
      {1600, 1200, 1, 400, 300, 0, 400, 300},      {1600, 1200, 3, 0, 0, 0, 1024, 768},
  };
  for (const Case& c : cases) {
    std::string what = std::to_string(c.w) + "x" + std::to_string(c.h) + " class " +
                       std::to_string(c.scaleClass) + " on " + std::to_string(c.screenW) + "x" +
                       std::to_string(c.screenH) + (c.panorama ? " panorama" : "");
    Dib d = DecodeForScreen(Picture("p.jpg", c.w, c.h), c.scaleClass, c.screenW, c.screenH, c.panorama);
    EXPECT_EQ(d.width, c.wantW) << what;
    EXPECT_EQ(d.height, c.wantH) << what;
    if (d.width > 0) ExpectQuadrants(d, 12, what);
  }
}

TEST_F(Decoder, OutputFileHoldsTheSameBitmapAndReplacesTheOldOne) {
  std::string picture = Picture("p.jpg", 1600, 1200);
  std::string out = sandbox.path("wall/quillmrk.bmp");
  std::filesystem::create_directories(sandbox.path("wall"));
  sandbox.writeFile(out, "old wallpaper");
  for (int colors : {0, 256}) {
    EXPECT_EQ(QmDecodeJpeg(picture.c_str(), out.c_str(), nullptr, 1, colors), QM_DECODED_TO_FILE);
    std::string file = sandbox.readFile(out);
    Dib block = Decode(picture, 1, colors);
    ASSERT_EQ(file.size(), 14 + block.bytes.size());
    EXPECT_EQ(file.substr(0, 2), "BM");
    auto* header = reinterpret_cast<const std::uint8_t*>(file.data());
    EXPECT_EQ(U32(header + 2), file.size());
    EXPECT_EQ(U32(header + 10), 14u + 40u + (colors == 256 ? 1024u : 0u));
    EXPECT_EQ(file.substr(14), block.bytes) << colors << " colours";
  }
  // Nothing but the finished file is left in the folder.
  int entries = 0;
  for (auto& e : std::filesystem::directory_iterator(sandbox.path("wall"))) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(entries, 1);
}

// Metadata the decoder skips (two 65 KB application segments, longer together than one
// read of the file) neither shifts nor spoils the picture behind it.
TEST_F(Decoder, LargeSkippedSegmentsLeaveThePictureAsItIs) {
  const std::string plain = sandbox.readFile(Picture("plain.jpg", 640, 480));
  const std::string segment = std::string("\xFF\xE9\xFF\xFF", 4) + std::string(65533, '\x5A');
  const std::string padded = sandbox.path("padded.jpg");
  sandbox.writeFile(padded, plain.substr(0, 2) + segment + segment + plain.substr(2));
  const Dib want = Decode(sandbox.path("plain.jpg"), 1, 0), got = Decode(padded, 1, 0);
  ASSERT_GT(want.width, 0);
  EXPECT_EQ(got.bytes, want.bytes);
}

// Damaged pictures fail cleanly: no block, no file, and an existing file untouched.
TEST_F(Decoder, BrokenPicturesFailWithoutOutput) {
  std::string good = MakeJpeg(sandbox.path("good.jpg"), 640, 480, JpegKind::Colour,
                              [](int x, int y) { return Rgb{static_cast<std::uint8_t>(x),
                                                            static_cast<std::uint8_t>(y), 90}; });
  std::string progressive = MakeJpeg(sandbox.path("prog.jpg"), 640, 480, JpegKind::Progressive,
                                     [](int x, int) { return Rgb{static_cast<std::uint8_t>(x), 3, 4}; });
  std::string corrupt = good;
  for (std::size_t i = good.size() / 2; i < good.size() / 2 + 64; ++i) corrupt[i] = '\xA5';
  std::string hugeHeader = good;
  // Claim 60000 x 60000 pixels in the frame header.
  std::size_t sof = hugeHeader.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  hugeHeader.replace(sof + 5, 4, "\xEA\x60\xEA\x60");

  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"truncated", good.substr(0, good.size() / 2)},
      {"truncated progressive", progressive.substr(0, progressive.size() * 2 / 3)},
      {"corrupt", corrupt},
      {"huge", hugeHeader},
      {"no jpeg", "BM this is not a picture"},
      {"empty", ""},
  };
  std::string out = sandbox.path("out.bmp");
  sandbox.writeFile(out, "keep me");
  for (const Case& c : cases) {
    std::string path = sandbox.path(std::string(c.name) + ".jpg");
    sandbox.writeFile(path, c.bytes);
    EXPECT_EQ(QmDecodeJpeg(path.c_str(), "", nullptr, 1, 0), nullptr) << c.name;
    EXPECT_EQ(QmDecodeJpeg(path.c_str(), "", nullptr, 1, 256), nullptr) << c.name;
    EXPECT_EQ(QmDecodeJpeg(path.c_str(), out.c_str(), nullptr, 3, 0), nullptr) << c.name;
    EXPECT_EQ(sandbox.readFile(out), "keep me") << c.name;
  }
  EXPECT_EQ(QmDecodeJpeg(sandbox.path("missing.jpg").c_str(), "", nullptr, 1, 0), nullptr);
  EXPECT_EQ(QmDecodeJpeg(nullptr, "", nullptr, 1, 0), nullptr);
  EXPECT_EQ(QmDecodeJpeg(sandbox.path("good.jpg").c_str(), sandbox.path("no/such/dir/x.bmp").c_str(),
                         nullptr, 1, 0),
            nullptr);
}

// A decode in a child process, so its peak memory and time can be measured alone.
struct ChildDecode {
  bool decoded = false;
  long peakMegabytes = 0;
  double cpuSeconds = 0;
};
ChildDecode DecodeInChild(const std::string& picture, int colors) {
  pid_t child = fork();
  if (child == 0) {
    HGLOBAL h = QmDecodeJpeg(picture.c_str(), "", nullptr, 3, colors);
    _exit(h ? 0 : 1);
  }
  int status = 0;
  rusage usage{};
  ChildDecode result;
  if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status)) return result;
  result.decoded = WEXITSTATUS(status) == 0;
  result.peakMegabytes = usage.ru_maxrss / 1024;
  result.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                      (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  return result;
}

// Flat pictures cost next to nothing to send but a great deal to decode: each is refused
// before the work starts, in a fraction of a second and well under 300 MB.
TEST_F(Decoder, CostlyPicturesAreRefusedBeforeDecoding) {
  struct Case {
    const char* name;
    int side, scans;
  } cases[] = {
      {"12800 x 12800, 999 scans", 12800, 999},
      {"coefficients of 12800 x 12800 (980 MB)", 12800, 10},
      {"999 passes over 4096 x 4096 (785 million blocks)", 4096, 999},
  };
  for (const Case& c : cases) {
    const std::string path = sandbox.path("attack.jpg");
    MakeFlatProgressiveJpeg(path, c.side, c.side, c.scans);
    for (int colors : {0, 256}) {
      const ChildDecode d = DecodeInChild(path, colors);
      EXPECT_FALSE(d.decoded) << c.name;
      EXPECT_LT(d.peakMegabytes, 300) << c.name;
      EXPECT_LT(d.cpuSeconds, 1.0) << c.name;
    }
  }
  // Below the bounds the same kind of file decodes.
  MakeFlatProgressiveJpeg(sandbox.path("flat.jpg"), 2048, 1536, 40);
  EXPECT_TRUE(DecodeInChild(sandbox.path("flat.jpg"), 0).decoded);
}

TEST_F(Decoder, LargeCameraPicturesStillDecode) {
  // 48 megapixels, 4:2:0, progressive with libjpeg's ten scans, as cameras save them.
  // Made in a child of its own: the encoder's 150 MB must not stay in this process (a
  // sanitizer keeps freed memory), where every child would inherit it.
  const std::string path = sandbox.path("camera.jpg");
  const pid_t maker = fork();
  if (maker == 0) {
    MakeJpeg(path, 8000, 6000, JpegKind::Progressive,
             [](int x, int y) { return Quadrants(x, y, 8000, 6000); }, 90);
    _exit(0);
  }
  ASSERT_GT(maker, 0);
  ASSERT_EQ(waitpid(maker, nullptr, 0), maker);
  for (int colors : {0, 256}) {
    const ChildDecode d = DecodeInChild(path, colors);
    EXPECT_TRUE(d.decoded) << colors;
    EXPECT_LT(d.peakMegabytes, 300) << colors;
  }
}

// A decode killed while it writes leaves the old bitmap and nothing else; the temporary
// files that earlier versions could leave behind go at the next write.
TEST_F(Decoder, KilledWritesLeaveNoTemporaryFiles) {
  const std::string picture = Picture("p.jpg", 1600, 1200);
  const std::string folder = sandbox.path("wall");
  std::filesystem::create_directories(folder);
  const std::string out = folder + "/quillmrk.bmp";
  sandbox.writeFile(out, "old wallpaper");
  sandbox.writeFile(out + ".tmp123456789", "left by an older version");
  sandbox.writeFile(out + ".tmpx", "not a temporary name");
  sandbox.writeFile(folder + "/other.bmp.tmp1", "another file's");
  auto names = [&] {
    std::set<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
      found.insert(entry.path().filename().string());
    return found;
  };

  // A file size limit below the bitmap's size kills the writer (SIGXFSZ) half-way through.
  const pid_t child = fork();
  if (child == 0) {
    const rlimit small{100000, 100000};
    setrlimit(RLIMIT_FSIZE, &small);
    QmDecodeJpeg(picture.c_str(), out.c_str(), nullptr, 3, 0);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << "the writer was not cut short";
  EXPECT_EQ(sandbox.readFile(out), "old wallpaper");
  const std::set<std::string> kept{"quillmrk.bmp", "quillmrk.bmp.tmpx", "other.bmp.tmp1"};
  EXPECT_EQ(names(), kept);

  EXPECT_EQ(QmDecodeJpeg(picture.c_str(), out.c_str(), nullptr, 3, 0), QM_DECODED_TO_FILE);
  EXPECT_EQ(names(), kept);
}

// A photograph's worth of detail, noise over gradients, so that the Huffman codes of a
// picture run through most of their tables.
Rgb Detailed(int x, int y) {
  unsigned h = static_cast<unsigned>(x) * 73856093U ^ static_cast<unsigned>(y) * 19349663U;
  h ^= h >> 13;
  h *= 0x5bd1e995U;
  h ^= h >> 15;
  return {static_cast<std::uint8_t>(x / 8 + (h & 31)), static_cast<std::uint8_t>(y / 6 + ((h >> 5) & 63)),
          static_cast<std::uint8_t>((x + y) / 16 + ((h >> 11) & 15))};
}

// A large picture is decoded on two cores, its lower rows from a stream of their own. The
// same picture with restart markers is decoded in one piece (the markers change only how
// the codes are cut up), so the two bitmaps must match to the byte: for every way of
// sampling the colours, for screens that shrink and enlarge the picture, and with tables
// made for the picture. A file cut short in its lower part still fails.
TEST_F(Decoder, LargePicturesDecodedOnTwoCoresMatchThemDecodedWhole) {
  std::vector<JpegSampling> cases(std::begin(kJpegSamplings), std::end(kJpegSamplings));
  cases.push_back({"own tables", JpegKind::Colour, {2, 2, 0, true}});
  for (const JpegSampling& c : cases) {
    const std::string split = sandbox.path("split.jpg"), whole = sandbox.path("whole.jpg");
    const std::string bytes = MakeJpeg(split, 2003, 1501, c.kind, Detailed, 90, c.layout);
    JpegLayout withMarkers = c.layout;
    withMarkers.restartRows = 1;
    MakeJpeg(whole, 2003, 1501, c.kind, Detailed, 90, withMarkers);
    for (const auto& [w, h] : {std::pair{1024, 768}, {1920, 1080}, {320, 240}}) {
      const std::string where = std::string(c.name) + " on " + std::to_string(w) + "x" + std::to_string(h);
      HGLOBAL got = QmDecodeJpegForScreen(split.c_str(), "", 3, 0, w, h, 0);
      HGLOBAL want = QmDecodeJpegForScreen(whole.c_str(), "", 3, 0, w, h, 0);
      ASSERT_TRUE(got && want) << where;
      EXPECT_EQ(GlobalSize(got), GlobalSize(want)) << where;
      EXPECT_EQ(std::memcmp(GlobalLock(got), GlobalLock(want), std::min(GlobalSize(got), GlobalSize(want))), 0)
          << where;
      GlobalUnlock(got);
      GlobalUnlock(want);
      GlobalFree(got);
      GlobalFree(want);
    }
    sandbox.writeFile(split, bytes.substr(0, bytes.size() * 9 / 10));
    EXPECT_EQ(QmDecodeJpegForScreen(split.c_str(), "", 3, 0, 1024, 768, 0), nullptr) << c.name;
  }
}

class PanoramaWindow : public Decoder {
 protected:
  // A picture whose colour tells where a pixel came from: red = column / 8 (wide) or
  // row / 8 (tall); flat 8-pixel bands keep JPEG blur out of the way.
  HGLOBAL Block(int w, int h, bool wide, int colors) {
    std::string path = sandbox.path("pano.jpg");
    MakeJpeg(path, w, h, JpegKind::Colour, [wide](int x, int y) {
      int band = (wide ? x : y) / 16;
      return Rgb{static_cast<std::uint8_t>(band * 3 % 256), 128, 64};
    });
    return QmDecodeJpeg(path.c_str(), "", nullptr, 1, colors);
  }
  Dib ReadBitmap(const std::string& path) {
    std::string file = sandbox.readFile(path);
    EXPECT_GT(file.size(), 54u);
    return Dib::From(reinterpret_cast<const std::uint8_t*>(file.data()) + 14, file.size() - 14);
  }
  // Every pixel of the window equals the block's pixel at the window's offset.
  void ExpectWindow(HGLOBAL block, const Dib& window, int left, int top) {
    auto* p = static_cast<std::uint8_t*>(GlobalLock(block));
    Dib whole = Dib::From(p, GlobalSize(block));
    GlobalUnlock(block);
    int mismatches = 0;
    for (int y = 0; y < window.height; ++y)
      for (int x = 0; x < window.width; ++x) {
        Rgb a = window.at(x, y), b = whole.at(left + x, top + y);
        if (a.r != b.r || a.g != b.g || a.b != b.b) ++mismatches;
      }
    EXPECT_EQ(mismatches, 0) << "window at " << left << "," << top;
  }
};

TEST_F(PanoramaWindow, WideWindowStartsAtTheOriginAndStaysInsideThePicture) {
  for (int colors : {0, 256}) {
    HGLOBAL block = Block(2560, 960, true, colors);  // 1280 x 480 in class 1
    ASSERT_NE(block, nullptr);
    std::string out = sandbox.path("w.bmp");
    struct Case {
      int origin, left;
    } cases[] = {{333, 333}, {0, 0}, {640, 640}, {5000, 640}, {-20, 0}};
    for (const Case& c : cases) {
      ASSERT_NE(QmWritePanoramaWindow(out.c_str(), block, c.origin), 0) << c.origin;
      Dib window = ReadBitmap(out);
      EXPECT_EQ(window.width, 640);
      EXPECT_EQ(window.height, 480);
      EXPECT_EQ(window.bits, colors == 256 ? 8 : 24);
      ExpectWindow(block, window, c.left, 0);
    }
    // The block stays the caller's, unlocked: a lock now is the first one.
    EXPECT_NE(GlobalLock(block), nullptr);
    EXPECT_FALSE(GlobalUnlock(block));
    GlobalFree(block);
  }
}

TEST_F(PanoramaWindow, TallWindowIsCutFromTheTop) {
  HGLOBAL block = Block(800, 1800, false, 0);  // 640 x 1440
  ASSERT_NE(block, nullptr);
  std::string out = sandbox.path("t.bmp");
  ASSERT_NE(QmWritePanoramaWindow(out.c_str(), block, 960), 0);
  Dib window = ReadBitmap(out);
  EXPECT_EQ(window.width, 640);
  EXPECT_EQ(window.height, 480);
  ExpectWindow(block, window, 0, 960);
  GlobalFree(block);
}

TEST_F(PanoramaWindow, ALargeScreenShowsThePanoramaFromTheSamePlace) {
  // Red counts 16-pixel bands of the 4800-pixel picture: the band a window starts in
  // tells where in the picture it starts, whatever the decoded size.
  std::string path = sandbox.path("pano.jpg");
  MakeJpeg(path, 4800, 1200, JpegKind::Colour, [](int x, int) {
    return Rgb{static_cast<std::uint8_t>(x / 48 * 2), 128, 64};
  });
  const int origin = 532;  // 333 in class 1, scaled for class 3
  struct Screen {
    int w, h, wantW;
  } screens[] = {{1024, 768, 1024}, {1920, 1080, 1920}, {0, 0, 1024}};
  int firstRed[3] = {};
  for (int i = 0; i < 3; ++i) {
    const Screen& sc = screens[i];
    HGLOBAL block = QmDecodeJpegForScreen(path.c_str(), "", 3, 0, sc.w, sc.h, 0);
    ASSERT_NE(block, nullptr);
    std::string out = sandbox.path("w.bmp");
    ASSERT_NE(QmWritePanoramaWindowForScreen(out.c_str(), block, origin, 3, sc.w, sc.h), 0);
    Dib window = ReadBitmap(out);
    EXPECT_EQ(window.width, sc.wantW) << sc.w;
    EXPECT_EQ(window.height, sc.h ? sc.h : 768);
    firstRed[i] = window.at(2, window.height / 2).r;
    GlobalFree(block);
  }
  // 532 of a 3072-wide picture is about picture column 831, in band 17 (red 34).
  EXPECT_NEAR(firstRed[0], 34, 3);
  EXPECT_NEAR(firstRed[1], firstRed[0], 3) << "1920 x 1080 starts where 1024 x 768 does";
  EXPECT_EQ(firstRed[2], firstRed[0]) << "an unknown screen is the class's own";
}

TEST_F(PanoramaWindow, BadBlocksAndPathsWriteNothing) {
  std::string out = sandbox.path("x.bmp");
  EXPECT_EQ(QmWritePanoramaWindow(out.c_str(), nullptr, 0), 0);
  // A header that claims more rows than the block holds.
  HGLOBAL lying = GlobalAlloc(GHND, 40 + 100);
  auto* p = static_cast<std::uint8_t*>(GlobalLock(lying));
  p[0] = 40;
  p[4] = 0x80;  // width 640
  p[5] = 0x02;
  p[8] = 0xE0;  // height 480
  p[9] = 0x01;
  p[12] = 1;
  p[14] = 24;
  GlobalUnlock(lying);
  EXPECT_EQ(QmWritePanoramaWindow(out.c_str(), lying, 0), 0);
  GlobalFree(lying);
  EXPECT_FALSE(sandbox.exists(out));

  HGLOBAL block = Block(1280, 480, true, 0);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(QmWritePanoramaWindow("", block, 0), 0);
  EXPECT_EQ(QmWritePanoramaWindow(sandbox.path("no/dir/x.bmp").c_str(), block, 0), 0);
  GlobalFree(block);
}

}  // namespace
