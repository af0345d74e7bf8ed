#pragma once
// The saver's tests run with the user interface up (offscreen), in a sandbox that holds a
// program folder with the decoder library, a catalogue of picture sets made of plain
// colour bands, and the saver's settings section.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/gdi.h"
#include "platform/window.h"
#include "tests/support/sandbox.h"

// A colour band of a test picture: its share of the picture (in the long direction).
struct Band {
  BYTE r, g, b;
};

// Writes a JPEG of width x height made of equal bands side by side (horizontal = true:
// left to right) or stacked (top to bottom).
void WriteBandedJpeg(const std::string& path, int width, int height, const std::vector<Band>& bands,
                     bool sideBySide);

// Whether a drawn pixel is (close to) the colour: JPEG keeps plain colours within a few steps.
bool Near(COLORREF pixel, const Band& colour);

constexpr Band kRed{220, 20, 20};
constexpr Band kGreen{20, 200, 20};
constexpr Band kBlue{20, 20, 220};
constexpr Band kWhite{240, 240, 240};

class SaverTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  void SetUp() override;
  void TearDown() override;

  // quillmrk.ini in the program folder: [Config] and the catalogue text after it.
  void WriteCatalogue(const std::string& config, const std::string& catalogue);
  // control.ini's saver section; ProgramPath points at the program folder.
  void WriteSaverSettings(const std::string& keys);
  std::string SaverSetting(const char* key);
  // Copies the built decoder library into the program folder.
  void InstallDecoder();
  // An executable "NetJumper" in the program folder that records its arguments.
  void InstallRecordingLauncher();
  // What the recording launcher got (one line per argument), waiting for it briefly.
  std::string LauncherArguments(int waitMs = 3000);

  Sandbox box;
};
