#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/profile.h"
#include "saver/settings.h"
#include "tests/saver/saver_fixture.h"

namespace {
const std::string kCatalogue =
    "[SetDescriptions]\r\nA=SetA\r\nB=SetB\\\r\nEmpty=Nothing\\\r\n"
    "[A]\r\na1=one\r\na2=two\r\na3=three\r\n"
    "[B]\r\nb1=uno\r\n";

using SaverSettingsTest = SaverTest;
}  // namespace

TEST_F(SaverSettingsTest, MissingSectionGivesTheDefaults) {
  ReadSaverSettings();
  const SaverSettings& s = g_saverSettings;
  EXPECT_EQ(s.timeBetween, 5u);
  EXPECT_EQ(s.inMinutes, 1u);
  EXPECT_EQ(s.panoramicSpeed, 50u);
  EXPECT_EQ(s.showTextDescription, 1u);
  EXPECT_EQ(s.transition, 0u);
  EXPECT_EQ(s.currentImageNumber, 0);
  EXPECT_EQ(s.showInterpretiveText, 0u);
  EXPECT_STREQ(s.language, "English");
  EXPECT_STREQ(s.currentSet, "NotFound");
  EXPECT_STREQ(s.currentImageName, "");
  EXPECT_EQ(std::string(s.catalogueFile), box.programFolder() + "quillmrk.ini");
  EXPECT_EQ(s.stretchWallpaper, 1u);
  EXPECT_EQ(std::string(s.programFolder), box.programFolder());
  EXPECT_STREQ(s.setFolder, "NotFound\\");
  EXPECT_TRUE(g_imageList.empty());
}

TEST_F(SaverSettingsTest, TheProgramFolderIsTheSaversOwnNeverAPublishedOne) {
  // Whoever can write a settings file must not choose where the decoder and NetJumper
  // are loaded from: both published "ProgramPath" values name a folder of their own.
  const std::string elsewhere = box.path("elsewhere/");
  box.writeFile(elsewhere + "quillmrk.ini", "[Config]\r\nStretchWallpaper=0\r\n[SetDescriptions]\r\nB=Evil\\\r\n");
  box.writeFile(box.programFolder() + "quillmrk.ini",
                "[Config]\r\nProgramPath=" + elsewhere + "\r\nStretchWallpaper=1\r\n" + kCatalogue);
  box.writeFile(box.windowsDirectory() + "/control.ini",
                "[ScreenSaver.QuillMark]\r\nProgramPath=" + elsewhere + "\r\nCurrentSet=B\r\n");
  ReadSaverSettings();
  EXPECT_EQ(std::string(g_saverSettings.catalogueFile), box.programFolder() + "quillmrk.ini");
  EXPECT_EQ(std::string(g_saverSettings.programFolder), box.programFolder());
  EXPECT_EQ(g_saverSettings.stretchWallpaper, 1u);
  EXPECT_STREQ(g_saverSettings.setFolder, "SetB\\");
  WriteSaverSettings("CurrentSet=Gone\r\n");
  ReadSaverSettings();
  EXPECT_STREQ(g_saverSettings.setFolder, "NotFound\\");
  EXPECT_TRUE(g_imageList.empty());
}

TEST_F(SaverSettingsTest, ImageListOfOneSetOrOfAllSets) {
  WriteCatalogue("", kCatalogue);
  WriteSaverSettings("CurrentSet=A\r\nTimeBetween=12\r\nInMinutes=0\r\nInterpretiveTextLanguage=Japanese\r\n");
  ReadSaverSettings();
  EXPECT_EQ(g_imageList, (std::vector<std::string>{"a1", "a2", "a3"}));
  EXPECT_EQ(g_saverSettings.timeBetween, 12u);
  EXPECT_EQ(g_saverSettings.inMinutes, 0u);
  EXPECT_STREQ(g_saverSettings.language, "Japanese");

  WriteSaverSettings("CurrentSet=A\r\nUseAllImages=1\r\n");
  ReadSaverSettings();
  EXPECT_EQ(g_imageList, (std::vector<std::string>{"A~a1", "B~b1", "A~a2", "A~a3"}));
  ReadSaverSettings();
  EXPECT_EQ(g_imageList.size(), 4u) << "the list is emptied before it is built again";
}

TEST_F(SaverSettingsTest, KeyListReaderTakesFiveHundredNames) {
  std::string section = "[Big]\r\n";
  for (int i = 0; i < 600; ++i) section += "p" + std::to_string(i) + "=f\r\n";
  WriteCatalogue("", "[SetDescriptions]\r\nBig=Big\\\r\n" + section + "[Odd]\r\nNone Found=x\r\n");
  WriteSaverSettings("CurrentSet=Big\r\n");
  ReadSaverSettings();
  ASSERT_EQ(g_imageList.size(), 500u);
  EXPECT_EQ(g_imageList.back(), "p499");
  EXPECT_TRUE(ReadSaverKeyNames("Odd", g_saverSettings.catalogueFile).empty())
      << "a section that lists as the missing-section text counts as empty";
  EXPECT_TRUE(ReadSaverKeyNames("Missing", g_saverSettings.catalogueFile).empty());
}

TEST_F(SaverSettingsTest, WritersFormatAsTheSaverAlwaysHas) {
  WriteIntegerSetting(saver::kSection, "Transition", 4000000000u);
  EXPECT_EQ(SaverSetting("Transition"), "4000000000");
  g_saverSettings.currentImageNumber = -3;
  CopyText(g_saverSettings.currentImageName, saver::kTextSize, "Sunset~Lake");
  WriteSaverPosition();
  EXPECT_EQ(SaverSetting("CurrentImageNumber"), "-3");
  EXPECT_EQ(SaverSetting("CurrentImageName"), "Sunset~Lake");

  char small[4];
  CopyText(small, sizeof small, "abcdef");
  EXPECT_STREQ(small, "abc");
}

TEST_F(SaverSettingsTest, PanSpeedOutsideTheSlidersRangeIsTheDefault) {
  // A hand-edited 0 or negative value would stop the show on its first panorama.
  for (const auto& [text, speed] : std::vector<std::pair<std::string, UINT>>{
           {"0", 50}, {"-20", 50}, {"9", 50}, {"101", 50}, {"10", 10}, {"100", 100}, {"75", 75}}) {
    WriteSaverSettings("PanoramicSpeed=" + text + "\r\n");
    ReadSaverSettings();
    EXPECT_EQ(g_saverSettings.panoramicSpeed, speed) << text;
  }
}
