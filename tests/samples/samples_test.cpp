// Runs the sample set generator and checks its output the way the suite's programs will
// read it: the catalogue files, the picture files and their formats, the caption blocks.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <iconv.h>
#include <setjmp.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <jpeglib.h>

#include "imagelib/catalogue.h"
#include "imagelib/info_file.h"
#include "imagelib/profile_file.h"
#include "tests/support/sandbox.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

const std::string kTool = std::string(QM_TOOLS_DIR) + "/mksampleset";
const char* const kLanguages[] = {"English", "German", "French", "Spanish", "Japanese"};

int RunTool(const std::vector<std::string>& args) {
  std::vector<char*> argv{const_cast<char*>(kTool.c_str())};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid;
  int rc = posix_spawn(&pid, kTool.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A setting as the suite's programs read it from a set's file: "" when it is missing.
std::string Setting(const std::string& file, const std::string& section, const std::string& key) {
  std::string value;
  CProfileFile::Outside(file).ReadString(section, key, value);
  return value == CProfileFile::kNotAvailable ? "" : value;
}

std::vector<std::string> KeyNames(const std::string& file, const std::string& section) {
  std::vector<std::string> names;
  CProfileFile::Outside(file).ReadKeyNames(section, names);
  return names;
}

bool ConvertsFrom(const char* codePage, const std::string& bytes) {
  iconv_t cd = iconv_open("UTF-8", codePage);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string out(bytes.size() * 4 + 4, '\0');
  char* in = const_cast<char*>(bytes.data());
  char* o = out.data();
  size_t inLeft = bytes.size(), outLeft = out.size();
  size_t rc = iconv(cd, &in, &inLeft, &o, &outLeft);
  iconv_close(cd);
  return rc != static_cast<size_t>(-1) && inLeft == 0;
}

struct JpegFacts {
  int width = 0, height = 0, components = 0;
  bool progressive = false, complete = false;
};

struct JpegError {
  jpeg_error_mgr base;
  jmp_buf escape;
};

// Decodes the whole file: a picture the decoder cannot read is as bad as a missing one.
JpegFacts ReadJpeg(const std::string& path) {
  JpegFacts f;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return f;
  jpeg_decompress_struct cinfo;
  JpegError err;
  cinfo.err = jpeg_std_error(&err.base);
  err.base.error_exit = [](j_common_ptr c) { longjmp(reinterpret_cast<JpegError*>(c->err)->escape, 1); };
  err.base.emit_message = [](j_common_ptr c, int level) {
    if (level < 0) longjmp(reinterpret_cast<JpegError*>(c->err)->escape, 1);  // corrupt data warnings
  };
  if (setjmp(err.escape)) {
    jpeg_destroy_decompress(&cinfo);
    std::fclose(file);
    return JpegFacts{};
  }
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, file);
  jpeg_read_header(&cinfo, TRUE);
  jpeg_start_decompress(&cinfo);
  std::vector<JSAMPLE> row(static_cast<size_t>(cinfo.output_width) * cinfo.output_components);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW r = row.data();
    jpeg_read_scanlines(&cinfo, &r, 1);
  }
  f.width = static_cast<int>(cinfo.image_width);
  f.height = static_cast<int>(cinfo.image_height);
  f.components = cinfo.num_components;
  f.progressive = cinfo.progressive_mode;
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  std::fclose(file);
  f.complete = true;
  return f;
}

// Where a line ends in anything but CR LF, or npos.
size_t BareLineBreak(const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return i;
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return i;
  }
  return std::string::npos;
}

uint32_t U32(const std::string& b, size_t at) {
  return static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8 |
         static_cast<uint8_t>(b[at + 2]) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}
uint16_t U16(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}

struct PictureEntry {
  std::string set, name, base;  // base: full path without extension
};

class SampleSets : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    sandbox_ = new Sandbox;
    out_ = sandbox_->path("samples");
    exitCode_ = RunTool({out_});
  }
  static void TearDownTestSuite() {
    delete sandbox_;
    sandbox_ = nullptr;
  }
  void SetUp() override { ASSERT_EQ(exitCode_, 0) << kTool; }

  static std::vector<std::string> SetFolders() {
    std::vector<std::string> folders;
    for (const auto& e : fs::directory_iterator(out_))
      if (e.is_directory()) folders.push_back(e.path().filename().string());
    std::sort(folders.begin(), folders.end());
    return folders;
  }
  static std::vector<PictureEntry> Pictures() {
    std::vector<PictureEntry> all;
    for (const std::string& folder : SetFolders()) {
      const std::string images = out_ + "/" + folder + "/" + catalogue::kSetDescriptionFile;
      const std::vector<std::string> sets = KeyNames(images, catalogue::kSetDescriptions);
      if (sets.empty()) continue;
      for (const std::string& name : KeyNames(images, sets[0]))
        all.push_back({sets[0], name, out_ + "/" + folder + "/" + Setting(images, sets[0], name)});
    }
    return all;
  }

  static Sandbox* sandbox_;
  static std::string out_;
  static int exitCode_;
};

Sandbox* SampleSets::sandbox_ = nullptr;
std::string SampleSets::out_;
int SampleSets::exitCode_ = -1;

TEST_F(SampleSets, EachSetFolderDescribesItselfAndHoldsEveryPictureFile) {
  std::vector<std::string> folders = SetFolders();
  ASSERT_GE(folders.size(), 2u);
  bool tildeInPictureName = false;
  for (const std::string& folder : folders) {
    SCOPED_TRACE(folder);
    std::string dir = out_ + "/" + folder + "/";
    for (const char* file : {"images.ini", "company.ini", "photo.nfo"})
      EXPECT_EQ(BareLineBreak(sandbox_->readFile(dir + file)), std::string::npos) << file;
    const std::string images = dir + "images.ini";
    const std::vector<std::string> sets = KeyNames(images, catalogue::kSetDescriptions);
    ASSERT_EQ(sets.size(), 1u);
    const std::string& set = sets[0];
    EXPECT_EQ(SetNameProblem(set), "");
    EXPECT_LT(set.size(), 64u);
    EXPECT_EQ(Setting(images, catalogue::kSetDescriptions, set), folder + "\\");
    const std::vector<std::string> pictures = KeyNames(images, set);
    EXPECT_GE(pictures.size(), 5u);
    std::set<std::string> names;
    for (const std::string& name : pictures) {
      const std::string base = Setting(images, set, name);
      EXPECT_TRUE(names.insert(name).second) << "picture names are keys: " << name;
      tildeInPictureName |= name.find('~') != std::string::npos;
      EXPECT_LT(base.size(), 16u) << "the saver reads a wallpaper's file base into 16 bytes";
      EXPECT_LT(name.size(), 64u) << "the saver reads the current picture name into 64 bytes";
      for (const char* ext : {".jpg", ".bmp", ".nfo"}) EXPECT_TRUE(fs::is_regular_file(dir + base + ext)) << base << ext;
    }

    const std::string company = dir + "company.ini";
    for (const char* key : {"Introduction", "Company Name", "Street Address", "City State Zip", "Phone", "Web Site"})
      EXPECT_FALSE(Setting(company, "Company", key).empty()) << key;
    EXPECT_EQ(Setting(company, "NetJumper", "NetJumper"), "1");
    for (const char* key : {"companyURL", "setURL", "SSURL"})
      EXPECT_EQ(Setting(company, "NetJumper", key).rfind("http://", 0), 0u) << key;
    EXPECT_FALSE(Setting(company, "NetJumper", "SSNetJumper").empty());

    EXPECT_FALSE(Setting(dir + "photo.nfo", "Info", "Photo").empty());
    EXPECT_FALSE(Setting(dir + "photo.nfo", "Info", "PrintOrder").empty());
  }
  EXPECT_TRUE(tildeInPictureName);
}

TEST_F(SampleSets, PicturesDecodeAndIncludeTheShapesAndKindsTheProgramsMeet) {
  bool progressive = false, greyscale = false, wide = false, tall = false;
  for (const PictureEntry& p : Pictures()) {
    SCOPED_TRACE(p.base);
    JpegFacts f = ReadJpeg(p.base + ".jpg");
    ASSERT_TRUE(f.complete);
    EXPECT_GE(f.width, 640);
    EXPECT_GE(f.height, 480);
    progressive |= f.progressive;
    greyscale |= f.components == 1;
    // The saver's own test of a panorama (integer division), and the pan range it then
    // covers: two 4:3 views side by side, or three views stacked.
    bool isWide = f.width / f.height == 2, isTall = f.height / f.width == 2;
    if (isWide) {
      EXPECT_EQ(f.width * 3, f.height * 8) << "two 4:3 views wide";
      wide = true;
    }
    if (isTall) {
      EXPECT_EQ(f.height * 4, f.width * 9) << "three 4:3 views tall";
      tall = true;
    }
    const int origin = ReadPanoramicOrigin(p.base + ".nfo");
    EXPECT_EQ(origin >= 0, isWide || isTall) << "the wallpaper cuts exactly the panoramas";
    if (isWide && origin >= 0) {
      EXPECT_LE(origin, f.width * 480 / f.height - 640) << "origin inside the picture";
    }
  }
  EXPECT_TRUE(progressive);
  EXPECT_TRUE(greyscale);
  EXPECT_TRUE(wide);
  EXPECT_TRUE(tall);
}

TEST_F(SampleSets, ThumbnailsAreEightBitBitmapsWithAFullColourTable) {
  for (const PictureEntry& p : Pictures()) {
    SCOPED_TRACE(p.base);
    std::string b = sandbox_->readFile(p.base + ".bmp");
    ASSERT_GE(b.size(), 14u + 40 + 1024);
    EXPECT_EQ(b.substr(0, 2), "BM");
    EXPECT_EQ(U32(b, 2), b.size());
    EXPECT_EQ(U32(b, 10), 14u + 40 + 1024);
    EXPECT_EQ(U32(b, 14), 40u);
    int32_t width = static_cast<int32_t>(U32(b, 18)), height = static_cast<int32_t>(U32(b, 22));
    EXPECT_NEAR(width, 80, 16);
    EXPECT_NEAR(height, 60, 12) << "positive: rows bottom-up";
    EXPECT_EQ(U16(b, 26), 1);
    EXPECT_EQ(U16(b, 28), 8);
    EXPECT_EQ(U32(b, 30), 0u) << "uncompressed";
    uint32_t rowBytes = (8u * width + 31) / 32 * 4;
    EXPECT_EQ(U32(b, 34), rowBytes * height);
    EXPECT_EQ(U32(b, 46), 256u);
    ASSERT_EQ(b.size(), 14u + 40 + 1024 + rowBytes * height);
    std::set<char> used(b.begin() + 1078, b.end());
    EXPECT_GT(used.size(), 16u) << "a thumbnail is a picture, not a blank";
  }
}

TEST_F(SampleSets, InformationFilesHoldACaptionBlockPerLanguageAndTheDialogTexts) {
  for (const PictureEntry& p : Pictures()) {
    SCOPED_TRACE(p.base);
    std::string nfo = sandbox_->readFile(p.base + ".nfo");
    ASSERT_EQ(BareLineBreak(nfo), std::string::npos);
    size_t firstSection = nfo.find("\r\n[");
    bool latin1Letters = false;
    for (const char* language : kLanguages) {
      SCOPED_TRACE(language);
      std::string marker = std::string(language) + "=";
      size_t at = nfo.find(marker);
      ASSERT_NE(at, std::string::npos);
      EXPECT_TRUE(at == 0 || nfo.compare(at - 2, 2, "\r\n") == 0) << "the block starts a line";
      EXPECT_LT(at, firstSection) << "captions stay out of the profile sections";
      size_t titleEnd = nfo.find("\r\n", at);
      std::string title = nfo.substr(at + marker.size(), titleEnd - at - marker.size());
      EXPECT_FALSE(title.empty());
      // One empty line, then text that is not another empty line, ended by two empty lines.
      ASSERT_EQ(nfo.compare(titleEnd, 4, "\r\n\r\n"), 0);
      EXPECT_NE(nfo.compare(titleEnd + 2, 6, "\r\n\r\n\r\n"), 0);
      size_t textEnd = nfo.find("\r\n\r\n\r\n", titleEnd + 4);
      ASSERT_NE(textEnd, std::string::npos);
      std::string text = nfo.substr(titleEnd + 4, textEnd - titleEnd - 4);
      EXPECT_FALSE(text.empty());
      for (const char* other : kLanguages) EXPECT_EQ(text.find(std::string(other) + "="), std::string::npos);
      if (std::strcmp(language, "Japanese") == 0) {
        EXPECT_TRUE(static_cast<unsigned char>(title[0]) >= 0x81) << "Japanese text, not ASCII";
        EXPECT_TRUE(ConvertsFrom("CP932", title + text));
      } else {
        EXPECT_TRUE(ConvertsFrom("CP1252", title + text));
        for (char c : title + text) latin1Letters |= static_cast<unsigned char>(c) >= 0x80;
      }
    }
    EXPECT_TRUE(latin1Letters) << "German, French or Spanish letters beyond ASCII";

    const std::string infoFile = p.base + ".nfo";
    const std::string setInfo = fs::path(p.base).parent_path().string() + "/photo.nfo";
    EXPECT_NE(ReadPictureInfoTexts(infoFile, setInfo, p.name).title, CProfileFile::kNotAvailable)
        << "the Image Information dialog finds a title";
    const std::string direction = Setting(infoFile, "Panoramic", "PanDirection");
    if (!direction.empty() && PanDirectionCode(direction) == PAN_NONE) {
      std::string upper = direction;
      for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      EXPECT_EQ(upper, "NONE") << "a direction the saver does not know";
    }
  }
}

TEST_F(SampleSets, OutputIsTheSameOnEveryRun) {
  std::string again = sandbox_->path("again");
  ASSERT_EQ(RunTool({again}), 0);
  std::vector<std::string> first, second;
  for (const auto& e : fs::recursive_directory_iterator(out_)) first.push_back(fs::relative(e.path(), out_).string());
  for (const auto& e : fs::recursive_directory_iterator(again)) second.push_back(fs::relative(e.path(), again).string());
  std::sort(first.begin(), first.end());
  std::sort(second.begin(), second.end());
  ASSERT_EQ(first, second);
  for (const std::string& f : first) {
    if (fs::is_regular_file(out_ + "/" + f)) {
      EXPECT_TRUE(sandbox_->readFile(out_ + "/" + f) == sandbox_->readFile(again + "/" + f)) << f;
    }
  }
}

TEST_F(SampleSets, FailuresEndWithAnErrorStatus) {
  EXPECT_EQ(RunTool({}), 2);
  std::string file = sandbox_->path("not-a-folder");
  sandbox_->writeFile(file, "x");
  EXPECT_EQ(RunTool({file}), 1) << "an output path that is a file cannot hold set folders";
  EXPECT_EQ(sandbox_->readFile(file), "x");
}

}  // namespace
