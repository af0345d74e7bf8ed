#include <gtest/gtest.h>

#include <cstdlib>

#include "changer/wallpaper_change.h"
#include "imagelib/profile_file.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "tests/support/sandbox.h"

namespace {
const LocalDateTime kNow{2024, 6, 15, 8, 30, 0};

// Sets A (a1, a2, a3) and B (b1) in folders with and without a trailing backslash.
const std::string kCatalogue =
    "[SetDescriptions]\r\nA=SetA\\\r\nB=SetB\r\nEmpty=Nothing\\\r\n"
    "[A]\r\na1=pics\\one\r\na2=two\r\na3=three\r\n"
    "[B]\r\nb1=uno\r\n";

class LogonChange : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("DISPLAY");
    unsetenv("XDG_CURRENT_DESKTOP");
    SetMessageBoxHandler([this](const std::string& text, const std::string&, UINT) {
      messages.push_back(text);
      return IDOK;
    });
  }
  void settings(const std::string& config) {
    box.writeFile(box.programFolder() + "quillmrk.ini", "[Config]\r\n" + config + kCatalogue);
  }
  std::string config(const char* key) {
    std::string value;
    CProfileFile(box.programFolder() + "quillmrk.ini").ReadString("Config", key, value);
    return value;
  }
  std::string wallpaper() {
    char value[300] = "";
    GetProfileString("Desktop", "Wallpaper", "<none>", value, sizeof value);
    return value;
  }
  // Runs once and gives "set~picture" of the new state.
  std::string step(const std::string& set, const std::string& picture, const char* mode = "") {
    settings("CurrentSet=" + set + "\r\nCurrentImage=" + picture +
             "\r\nLastDate=6/1/2024\r\nChangeImage=0\r\n" + mode);
    EXPECT_EQ(RunLogonWallpaperChange(box.programFolder(), kNow), ChangeResult::Changed);
    return config("CurrentSet") + "~" + config("CurrentImage");
  }

  Sandbox box;
  std::vector<std::string> messages;
};
}  // namespace

TEST_F(LogonChange, SingleSetStepsAndWraps) {
  EXPECT_EQ(step("A", "a1"), "A~a2");
  EXPECT_EQ(step("A", "a3"), "A~a1") << "the last picture is followed by the first";
  EXPECT_EQ(step("B", "b1"), "B~b1") << "a one-picture set shows its picture again";
  EXPECT_EQ(config("LastDate"), "6/15/2024");
  EXPECT_EQ(step("A", "gone"), "A~a1") << "a vanished picture starts the set over";
  EXPECT_EQ(step("A", "a1", "UseAllImages=2\r\n"), "A~a2");
  EXPECT_TRUE(messages.empty()) << "no decoder here: silent";
  EXPECT_EQ(wallpaper(), WindowsDirectory() + "/quillmrk.bmp");
}

TEST_F(LogonChange, AllSetsWalkTheCombinedList) {
  const char* all = "UseAllImages=1\r\n";
  EXPECT_EQ(step("A", "a1", all), "B~b1");
  EXPECT_EQ(step("B", "b1", all), "A~a2");
  EXPECT_EQ(step("A", "a3", all), "A~a1");
  EXPECT_EQ(step("Not Available", "Not Available", all), "A~a1") << "no match: first entry";
}

TEST_F(LogonChange, NothingIsWrittenWhenNoChangeIsDue) {
  const std::string ini = box.programFolder() + "quillmrk.ini";
  EXPECT_EQ(RunLogonWallpaperChange(box.programFolder(), kNow), ChangeResult::Manual)
      << "no settings file";
  EXPECT_FALSE(box.exists(ini));

  struct Case {
    std::string config;
    ChangeResult result;
  } cases[] = {
      {"CurrentSet=A\r\nCurrentImage=a1\r\nLastDate=1/1/2024\r\n", ChangeResult::Manual},
      {"CurrentSet=A\r\nCurrentImage=a1\r\nLastDate=1/1/2024\r\nChangeImage=3\r\n", ChangeResult::Manual},
      {"CurrentSet=A\r\nCurrentImage=a1\r\nLastDate=1/1/2024\r\nChangeImage=7\r\n", ChangeResult::NotDue},
      {"CurrentSet=A\r\nCurrentImage=a1\r\nChangeImage=0\r\n", ChangeResult::NotDue},
      {"CurrentSet=A\r\nCurrentImage=a1\r\nLastDate=2/30/2024\r\nChangeImage=0\r\n", ChangeResult::NotDue},
      {"CurrentSet=A\r\nCurrentImage=a1\r\nLastDate=6/15/2024\r\nChangeImage=0\r\n", ChangeResult::NotDue},
      {"CurrentSet=A\r\nCurrentImage=a1\r\nLastDate=6/10/2024\r\nChangeImage=2\r\n", ChangeResult::NotDue},
      {"CurrentSet=Empty\r\nCurrentImage=x\r\nLastDate=1/1/2024\r\nChangeImage=0\r\n", ChangeResult::NoPicture},
      {"LastDate=1/1/2024\r\nChangeImage=0\r\n", ChangeResult::NoPicture},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.config);
    settings(c.config);
    const std::string before = box.readFile(ini);
    EXPECT_EQ(RunLogonWallpaperChange(box.programFolder(), kNow), c.result);
    EXPECT_EQ(box.readFile(ini), before);
    EXPECT_EQ(wallpaper(), "<none>");
  }
}

TEST_F(LogonChange, UnloadableDecoderStillMovesTheStateOn) {
  // A decoder that cannot be loaded is silent; the state advances regardless.
  box.writeFile(box.programFolder() + "djpeg32.so", "garbage");
  box.writeFile(box.programFolder() + "SetA/two.nfo", "[Panoramic]\r\nPanoramicOrigin=5\r\n");
  EXPECT_EQ(step("A", "a1"), "A~a2");
  EXPECT_EQ(config("LastDate"), "6/15/2024");
  std::string tile;
  CProfileFile(WindowsDirectory() + "/win.ini").ReadString("Desktop", "TileWallpaper", tile);
  EXPECT_EQ(tile, "0");
}

// quillrun ends before loading any desktop code exactly when the desktop part would have
// found nothing to do: no change due, and no recorded wallpaper or nowhere to show it.
TEST_F(LogonChange, TheDesktopPartIsNeededOnlyForADueChangeOrARecordedWallpaperToShow) {
  for (const char* name : {"WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "SWAYSOCK"}) unsetenv(name);
  settings("LastDate=6/1/2024\r\nChangeImage=0\r\n");
  EXPECT_TRUE(LogonNeedsDesktop(box.programFolder(), kNow)) << "a change is due";
  settings("LastDate=6/15/2024\r\nChangeImage=0\r\n");
  EXPECT_FALSE(LogonNeedsDesktop(box.programFolder(), kNow)) << "nothing due, nothing recorded";
  WriteProfileString("Desktop", "Wallpaper", "(None)");
  setenv("DISPLAY", ":99", 1);
  EXPECT_FALSE(LogonNeedsDesktop(box.programFolder(), kNow)) << "\"(None)\" is nothing recorded";
  WriteProfileString("Desktop", "Wallpaper", "/some/quillmrk.bmp");
  EXPECT_TRUE(LogonNeedsDesktop(box.programFolder(), kNow)) << "a display to put it back on";
  unsetenv("DISPLAY");
  EXPECT_FALSE(LogonNeedsDesktop(box.programFolder(), kNow)) << "no display, desktop or bus";
  setenv("XDG_CURRENT_DESKTOP", "GNOME", 1);
  settings("ChangeImage=3\r\n");
  EXPECT_TRUE(LogonNeedsDesktop(box.programFolder(), kNow)) << "a desktop's own settings";
  unsetenv("XDG_CURRENT_DESKTOP");
}
