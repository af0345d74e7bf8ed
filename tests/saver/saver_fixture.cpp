#include "tests/saver/saver_fixture.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/gui.h"
#include "platform/profile.h"
#include "tests/support/jpeg_maker.h"

namespace fs = std::filesystem;

void WriteBandedJpeg(const std::string& path, int width, int height, const std::vector<Band>& bands,
                     bool sideBySide) {
  fs::create_directories(fs::path(path).parent_path());
  const int n = static_cast<int>(bands.size());
  MakeJpeg(path, width, height, JpegKind::Colour, [&](int x, int y) {
    const Band& b = bands[static_cast<std::size_t>(sideBySide ? x * n / width : y * n / height)];
    return Rgb{b.r, b.g, b.b};
  });
}

bool Near(COLORREF pixel, const Band& colour) {
  if (pixel == CLR_INVALID) return false;
  auto close = [](int a, int b) { return a - b < 40 && b - a < 40; };
  return close(GetRValue(pixel), colour.r) && close(GetGValue(pixel), colour.g) &&
         close(GetBValue(pixel), colour.b);
}

void SaverTest::SetUpTestSuite() {
  static int argc = 1;
  static char name[] = "test_saver";
  static char* argv[] = {name, nullptr};
  StartUserInterface(argc, argv);
}

void SaverTest::SetUp() {}

void SaverTest::TearDown() {
  int ignored;
  PumpMessages(0);
  QuitPosted(&ignored);
}

void SaverTest::WriteCatalogue(const std::string& config, const std::string& catalogue) {
  box.writeFile(box.programFolder() + "quillmrk.ini",
                "[Config]\r\nProgramPath=" + box.programFolder() + "\r\n" + config + catalogue);
}

void SaverTest::WriteSaverSettings(const std::string& keys) {
  box.writeFile(box.windowsDirectory() + "/control.ini",
                "[ScreenSaver.QuillMark]\r\nProgramPath=" + box.programFolder() + "\r\n" + keys);
}

std::string SaverTest::SaverSetting(const char* key) {
  char value[300];
  GetPrivateProfileString("ScreenSaver.QuillMark", key, "<missing>", value, sizeof value, "control.ini");
  return value;
}

void SaverTest::InstallDecoder() {
  fs::copy_file(std::string(QM_BIN_DIR) + "/djpeg32.so", box.programFolder() + "djpeg32.so",
                fs::copy_options::overwrite_existing);
}

void SaverTest::InstallRecordingLauncher() {
  const std::string script = box.programFolder() + "NetJumper";
  box.writeFile(script, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" +
                            box.root() + "/launched.tmp\"\nmv \"" + box.root() + "/launched.tmp\" \"" +
                            box.root() + "/launched\"\n");
  fs::permissions(script, fs::perms::owner_all);
}

std::string SaverTest::LauncherArguments(int waitMs) {
  const std::string file = box.root() + "/launched";
  for (int waited = 0; waited < waitMs && !box.exists(file); waited += 20) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return box.exists(file) ? box.readFile(file) : "<not started>";
}
