// Autostart entries: targets with characters the entry format gives meaning to come back
// unchanged, and what the format cannot say is refused rather than written broken.
#include "platform/shortcut.h"
#include "tests/config/config_fixture.h"

namespace {
class ShortcutTest : public ConfigTest {};

TEST_F(ShortcutTest, OddTargetsRoundTripAndLineBreaksAreRefused) {
  for (const std::string& target : {pf() + "quillrun", std::string("/opt/My Pictures/quill$run"),
                                   std::string("/a\\b/\"q\"/`x`/100%/run")}) {
    CShellLink link;
    link.SetPath(target);
    link.SetDescription("QuillMark Wallpaper Auto Change");
    std::string path = sandbox_.path("autostart/new/entry.desktop");  // folder made on demand
    ASSERT_TRUE(link.Save(path)) << target;
    EXPECT_EQ(ReadShortcutTarget(path), target);
  }
  CShellLink broken;
  broken.SetPath("/x\nExec=/bin/evil");
  EXPECT_FALSE(broken.Save(sandbox_.path("autostart/evil.desktop")));
  EXPECT_FALSE(sandbox_.exists(sandbox_.path("autostart/evil.desktop")));
  EXPECT_FALSE(CShellLink().Save(sandbox_.path("autostart/empty.desktop")));
}

TEST_F(ShortcutTest, StartupFolderComesFromTheRegistry) {
  std::string folder;
  ASSERT_TRUE(GetStartupFolder(folder));
  EXPECT_EQ(folder, sandbox_.root() + "/config/autostart/");
  EXPECT_EQ(ShortcutFileName("QuillMark Wallpaper Changer"), "QuillMark Wallpaper Changer.desktop");
}
}  // namespace
