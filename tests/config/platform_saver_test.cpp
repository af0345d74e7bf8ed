// The platform's screen-saver switch and delay, kept in the registry file, and short path
// names, which here are the paths themselves.
#include <cstdlib>
#include <cstring>

#include "platform/short_path.h"
#include "platform/wallpaper.h"
#include "tests/config/config_fixture.h"

namespace {
class SaverSwitchTest : public ConfigTest {};

TEST_F(SaverSwitchTest, SwitchAndDelayGoThroughTheRegistry) {
  BOOL active = TRUE;
  int timeout = 0;
  // Nothing stored and no display: off, with the X server's default delay.
  ASSERT_TRUE(SystemParametersInfo(SPI_GETSCREENSAVEACTIVE, 0, &active, 0));
  ASSERT_TRUE(SystemParametersInfo(SPI_GETSCREENSAVETIMEOUT, 0, &timeout, 0));
  EXPECT_FALSE(active);
  EXPECT_EQ(timeout, 600);

  EXPECT_TRUE(SystemParametersInfo(SPI_SETSCREENSAVEACTIVE, TRUE, nullptr, SPIF_UPDATEINIFILE));
  EXPECT_TRUE(SystemParametersInfo(SPI_SETSCREENSAVETIMEOUT, 120, nullptr, SPIF_UPDATEINIFILE));
  EXPECT_EQ(DesktopValue("ScreenSaveActive"), "1");
  EXPECT_EQ(DesktopValue("ScreenSaveTimeOut"), "120");
  SystemParametersInfo(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
  SystemParametersInfo(SPI_GETSCREENSAVETIMEOUT, 0, &timeout, 0);
  EXPECT_TRUE(active);
  EXPECT_EQ(timeout, 120);

  // Without the profile flag the stored values stay; a delay of 0 is no delay.
  EXPECT_TRUE(SystemParametersInfo(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, 0));
  EXPECT_FALSE(SystemParametersInfo(SPI_SETSCREENSAVETIMEOUT, 0, nullptr, SPIF_UPDATEINIFILE));
  EXPECT_EQ(DesktopValue("ScreenSaveActive"), "1");
  EXPECT_EQ(DesktopValue("ScreenSaveTimeOut"), "120");
  EXPECT_FALSE(SystemParametersInfo(SPI_GETSCREENSAVEACTIVE, 0, nullptr, 0));

  // A broken stored delay reads as the default.
  SetDesktopValue("ScreenSaveTimeOut", "soon");
  SystemParametersInfo(SPI_GETSCREENSAVETIMEOUT, 0, &timeout, 0);
  EXPECT_EQ(timeout, 600);
}

TEST_F(SaverSwitchTest, ShortPathIsThePathOfAnExistingFile) {
  std::string file = windows() + "Quillmark Screen Saver.scr";
  char buffer[MAX_PATH];
  std::strcpy(buffer, "untouched");
  EXPECT_EQ(GetShortPathName(file.c_str(), buffer, sizeof buffer), 0u);
  EXPECT_STREQ(buffer, "untouched");
  sandbox_.writeFile(file, "x");
  EXPECT_EQ(GetShortPathName(file.c_str(), buffer, sizeof buffer), file.size());
  EXPECT_EQ(std::string(buffer), file);
  char small[4] = "abc";
  EXPECT_EQ(GetShortPathName(file.c_str(), small, sizeof small), file.size() + 1);
  EXPECT_STREQ(small, "abc");
}
}  // namespace
