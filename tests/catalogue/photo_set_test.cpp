// A set made from a folder of photos is made whole or not at all: stopped half-way, or
// with nothing usable in the folder, no set folder is left to block the name, and the
// name is refused while another set has it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "imagelib/catalogue.h"
#include "imagelib/photo_set.h"
#include "tests/support/sandbox.h"
#include "tools/mksampleset/writers.h"

namespace fs = std::filesystem;

namespace {
void WritePhoto(const std::string& path, double shade) {
  mks::Raster picture(64, 48);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) picture.put(x, y, {shade, x / 64.0, y / 48.0});
  ASSERT_EQ(mks::WriteJpeg(path, picture, mks::JpegKind::Baseline, 90), "");
}
}  // namespace

TEST(PhotoSet, StoppedOrEmptyLeavesNoSetAndAMadeSetJoinsTheCatalogueOnce) {
  Sandbox box;
  const std::string photos = box.path("Summer Trip");
  fs::create_directories(photos + "/day2");
  WritePhoto(photos + "/beach.jpg", 0.2);
  WritePhoto(photos + "/day2/harbour.jpg", 0.8);
  box.writeFile(photos + "/broken.jpg", "\xff\xd8\xff not really");
  fs::create_directories(box.path("nothing"));
  box.writeFile(box.path("nothing/notes.txt"), "no photos here");
  const std::string pf = box.programFolder();
  std::string setFolder;

  int asked = 0;
  const std::string stopped = photos::MakeSet(pf, photos, "Summer Trip", setFolder,
                                              [&](const photos::Step& step) { return ++asked, step.done < 1; });
  EXPECT_NE(stopped, "");
  EXPECT_GE(asked, 1);
  EXPECT_FALSE(fs::exists(pf + "Summer_Trip")) << "a stopped set left its folder";

  EXPECT_NE(photos::MakeSet(pf, box.path("nothing"), "Nothing", setFolder, {}).find("holds no JPEG or PNG"),
            std::string::npos);
  EXPECT_FALSE(fs::exists(pf + "Nothing"));

  std::vector<photos::Step> steps;
  ASSERT_EQ(photos::MakeSet(pf, photos, "Summer Trip", setFolder,
                            [&](const photos::Step& step) { return steps.push_back(step), true; }),
            "");
  EXPECT_EQ(setFolder, "Summer_Trip\\");
  ASSERT_FALSE(steps.empty());
  EXPECT_EQ(steps.back().done, 3);
  EXPECT_EQ(steps.back().total, 3);
  int skipped = 0;
  for (const photos::Step& step : steps) skipped += step.skipped;
  EXPECT_EQ(skipped, 1) << "the broken photo";

  std::string stored;
  EXPECT_NE(photos::NewSetProblem(pf, "Summer Trip", stored), "") << "its folder is taken";
  ASSERT_EQ(photos::AddMadeSet(pf, stored, setFolder), "");
  const CProfileFile ini(pf + catalogue::kMainSettingsFile);
  EXPECT_EQ(ListSetNames(ini), std::vector<std::string>{"Summer Trip"});
  EXPECT_EQ(ListPictureNames(ini, "Summer Trip").size(), 2u);
  EXPECT_EQ(ListInstalledSets(), std::vector<std::string>{"Summer Trip"});
  EXPECT_NE(photos::NewSetProblem(pf, "summer trip", stored), "") << "the same name in other letters";
  EXPECT_NE(photos::NewSetProblem(pf, "Config", stored), "");
  EXPECT_NE(photos::NewSetProblem(pf, "Tokyo \u6771\u4eac", stored), "") << "not in the set files' code page";
}
