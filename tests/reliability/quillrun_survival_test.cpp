// quillrun meets a broken program folder: no decoder library, a decoder that crashes, a
// set folder it cannot read or that is gone, a picture that is no JPEG. It must end by
// itself (no hang, no crash of its own), and the settings must stay whole: every section
// it does not own is kept byte for byte. A decoder that crashes costs the picture, as a
// broken picture does, and leaves the old wallpaper in place.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/profile.h"
#include "tests/reliability/fault_helpers.h"
#include "tests/support/jpeg_maker.h"
#include "tests/support/sandbox.h"

namespace fs = std::filesystem;

namespace {

const std::string kUntouched =
    "[SetDescriptions]\r\nCoast=Coast\\\r\n\r\n[Coast]\r\nBeach=Beach\r\nCliff=Cliff\r\n\r\n"
    "[Coast Deleted Images]\r\n\r\n[Untouched]\r\nNote=keep me\r\n";
const std::string kSettings =
    "[Config]\r\nCurrentSet=Coast\r\nCurrentImage=Beach\r\nLastDate=1/1/2000\r\nChangeImage=0\r\n"
    "UseAllImages=0\r\nStretchWallpaper=0\r\n\r\n" + kUntouched;

void WriteJpeg(const std::string& path, int width, int height) {
  MakeJpeg(path, width, height, JpegKind::Colour, [](int x, int y) {
    return Rgb{static_cast<std::uint8_t>(x * 21 + y * 3), static_cast<std::uint8_t>(x * 21 + y * 3 + 7),
               static_cast<std::uint8_t>(x * 21 + y * 3 + 14)};
  });
}

class QuillrunSurvival : public ::testing::Test {
 protected:
  void SetUp() override {
    program = sandbox.programFolder();
    const std::string bin = QM_BIN_DIR;
    if (!fs::exists(bin + "/quillrun") || !fs::exists(bin + "/djpeg32.so"))
      GTEST_SKIP() << "quillrun and djpeg32.so are not built in " << bin;
    for (const char* file : {"quillrun", "quillrun-desktop", "quilldec"}) fs::copy_file(bin + "/" + file, program + file);
    UseDecoder(bin + "/djpeg32.so");
    fs::create_directories(program + "Coast");
    WriteJpeg(program + "Coast/Beach.jpg", 64, 48);
    WriteJpeg(program + "Coast/Cliff.jpg", 64, 48);
    sandbox.writeFile(Settings(), kSettings);
    wallpaper = sandbox.windowsDirectory() + "/quillmrk.bmp";
  }
  void TearDown() override {
    chmod(program.c_str(), 0755);
    chmod((program + "Coast").c_str(), 0755);
  }

  std::string Settings() const { return program + "quillmrk.ini"; }
  void UseDecoder(const std::string& library) {
    fs::remove(program + "djpeg32.so");
    if (!library.empty()) fs::copy_file(library, program + "djpeg32.so");
  }
  fault::Ending Run(bool withoutFileOverride = false) {
    return fault::RunProgram(program + "quillrun", {},
                             {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM=offscreen"},
                             sandbox.path("quillrun.err"), withoutFileOverride, 60);
  }
  std::string Config(const char* key) {
    char value[64];
    GetPrivateProfileString("Config", key, "(missing)", value, sizeof value, Settings().c_str());
    return value;
  }
  // Ended by itself, and the settings still hold everything quillrun does not own.
  void ExpectSurvived(const fault::Ending& ending) {
    EXPECT_FALSE(ending.timedOut) << "quillrun hung";
    EXPECT_TRUE(ending.exited) << "quillrun died of signal " << ending.code << ":\n"
                               << sandbox.readFile("quillrun.err");
    const std::string now = sandbox.readFile(Settings());
    EXPECT_NE(now.find(kUntouched), std::string::npos) << "settings damaged:\n" << now;
    EXPECT_EQ(Config("CurrentSet"), "Coast");
    EXPECT_TRUE(fault::NamesStartingWith(program, ".qm-").empty());
  }

  Sandbox sandbox;
  std::string program, wallpaper;
};

TEST_F(QuillrunSurvival, WorkingFolderChangesThePicture) {
  // The yardstick for the cases below: with everything in place the change happens.
  fault::Ending ending = Run();
  ExpectSurvived(ending);
  EXPECT_EQ(ending.code, 0);
  EXPECT_EQ(Config("CurrentImage"), "Cliff");
  EXPECT_NE(Config("LastDate"), "1/1/2000");
  EXPECT_TRUE(fs::exists(wallpaper));
}

// A settings file it cannot write does not pass for a change: one line on stderr names
// the file and the reason, the exit status is 1, and the file keeps every byte. The
// wallpaper itself still changes.
TEST_F(QuillrunSurvival, ReadOnlyProgramFolderIsReported) {
  chmod(program.c_str(), 0555);
  fault::Ending ending = Run(/*withoutFileOverride=*/true);
  EXPECT_TRUE(ending.exited && ending.code == 1) << ending.code;
  const std::string err = "\n" + sandbox.readFile("quillrun.err");  // the toolkit may have its say too
  EXPECT_NE(err.find("\nquillrun: cannot write " + Settings() + ": permission denied\n"), std::string::npos) << err;
  EXPECT_EQ(sandbox.readFile(Settings()), kSettings);
  EXPECT_TRUE(fs::exists(wallpaper));
}

TEST_F(QuillrunSurvival, MissingDecoderLibrary) {
  UseDecoder("");
  ExpectSurvived(Run());
  EXPECT_FALSE(fs::exists(wallpaper));
}

TEST_F(QuillrunSurvival, DecoderThatCrashesCostsOnlyThePicture) {
  sandbox.writeFile(wallpaper, "the old wallpaper");
  UseDecoder(QM_CRASHING_DECODER);
  unsetenv("QM_CRASH_ON");
  fault::Ending ending = Run();
  ExpectSurvived(ending);
  EXPECT_EQ(ending.code, 0);
  EXPECT_EQ(sandbox.readFile(wallpaper), "the old wallpaper");
  EXPECT_NE(sandbox.readFile("quillrun.err").find("decoder library died of signal"),
            std::string::npos)
      << sandbox.readFile("quillrun.err");
  EXPECT_TRUE(fault::NamesStartingWith(program, "core").empty()) << "a core dump was left";
}

TEST_F(QuillrunSurvival, UnreadableSetFolder) {
  chmod((program + "Coast").c_str(), 0);
  ExpectSurvived(Run(/*withoutFileOverride=*/true));
}

TEST_F(QuillrunSurvival, VanishedSetFolder) {
  fs::remove_all(program + "Coast");
  ExpectSurvived(Run());
}

TEST_F(QuillrunSurvival, PictureThatIsNoJpeg) {
  sandbox.writeFile(program + "Coast/Cliff.jpg", std::string(5000, '\xff'));
  ExpectSurvived(Run());
}

TEST_F(QuillrunSurvival, PictureThatIsAFolder) {
  fs::remove(program + "Coast/Cliff.jpg");
  fs::create_directories(program + "Coast/Cliff.jpg");
  ExpectSurvived(Run());
}

}  // namespace

namespace {

// Settings that are not settings at all: quillrun finds no schedule there, so it must
// leave the file exactly as it is.
TEST_F(QuillrunSurvival, SettingsFileOfRandomBytesIsLeftAlone) {
  std::string noise;
  for (int i = 0; i < 20000; ++i) noise += static_cast<char>((i * 2654435761u) >> 13);
  sandbox.writeFile(Settings(), noise);
  fault::Ending ending = Run();
  EXPECT_TRUE(ending.exited && ending.code == 0) << sandbox.readFile("quillrun.err");
  EXPECT_EQ(sandbox.readFile(Settings()), noise);
}

TEST_F(QuillrunSurvival, SettingsFileThatIsAFolder) {
  fs::remove(Settings());
  fs::create_directories(Settings());
  fault::Ending ending = Run();
  EXPECT_TRUE(ending.exited && ending.code == 0) << sandbox.readFile("quillrun.err");
  EXPECT_TRUE(fs::is_directory(Settings()));
}

}  // namespace
