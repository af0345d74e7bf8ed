#include "imagelib/info_file.h"

#include <gtest/gtest.h>

#include "platform/profile.h"
#include "tests/support/sandbox.h"

namespace {
struct Caption {
  bool found;
  std::string title, text;
};

Caption captionOf(const Sandbox& box, const std::string& bytes, const std::string& language) {
  box.writeFile("set/pic.nfo", bytes);
  Caption c;
  c.found = ReadCaptionBlock(box.path("set/pic.nfo"), language, c.title, c.text);
  return c;
}
}  // namespace

TEST(CaptionBlock, TitleAndTextEndAtTwoEmptyLines) {
  Sandbox box;
  const std::string file =
      "[Info]\r\nPictureInfo=Sunset\r\n\r\n"
      "English=Sunset\r\n\r\nThe sun sets.\r\nOver the sea.\r\n\r\n\r\n"
      "German=Sonnenuntergang\r\n\r\nDie Sonne.\r\n\r\nZweiter Absatz.\r\n\r\n\r\n";
  Caption en = captionOf(box, file, "English");
  EXPECT_TRUE(en.found);
  EXPECT_EQ(en.title, "Sunset");
  EXPECT_EQ(en.text, "The sun sets.\r\nOver the sea.");

  Caption de = captionOf(box, file, "German");
  EXPECT_EQ(de.title, "Sonnenuntergang");
  EXPECT_EQ(de.text, "Die Sonne.\r\n\r\nZweiter Absatz.") << "single empty lines are paragraphs";

  EXPECT_FALSE(captionOf(box, file, "French").found);
  EXPECT_FALSE(captionOf(box, file, "english").found) << "the language name is case-sensitive";
}

TEST(CaptionBlock, TitleWithoutEmptyLineOrWithTwoGivesNoText) {
  Sandbox box;
  Caption direct = captionOf(box, "English=Harbour\r\nText right away.\r\n", "English");
  EXPECT_TRUE(direct.found);
  EXPECT_EQ(direct.title, "Harbour");
  EXPECT_EQ(direct.text, "");

  Caption twoEmpty = captionOf(box, "English=Harbour\r\n\r\n\r\nLost text.\r\n", "English");
  EXPECT_EQ(twoEmpty.title, "Harbour");
  EXPECT_EQ(twoEmpty.text, "");
}

TEST(CaptionBlock, FirstOccurrenceWinsEvenInsideAProfileSection) {
  Sandbox box;
  Caption c = captionOf(box,
                        "[Harbour]\r\nEnglish=From the section\r\n"
                        "English=Real block\r\n\r\nText.\r\n",
                        "English");
  EXPECT_EQ(c.title, "From the section");
  EXPECT_EQ(c.text, "") << "the next line is not empty";
}

TEST(CaptionBlock, EndOfFileInsideTheBlock) {
  Sandbox box;
  // Text running into the end of the file, with and without a final line break.
  EXPECT_EQ(captionOf(box, "English=T\r\n\r\nLast line", "English").text, "Last line");
  EXPECT_EQ(captionOf(box, "English=T\r\n\r\nLast line\r\n", "English").text, "Last line\r\n");
  // The file ends right after the empty line, right after the title, inside the title.
  Caption afterEmpty = captionOf(box, "English=T\r\n\r\n", "English");
  EXPECT_EQ(afterEmpty.title, "T");
  EXPECT_EQ(afterEmpty.text, "");
  Caption afterTitle = captionOf(box, "English=T\r\n", "English");
  EXPECT_EQ(afterTitle.title, "T");
  EXPECT_EQ(afterTitle.text, "");
  Caption halfBreak = captionOf(box, "English=T\r\n\r", "English");
  EXPECT_EQ(halfBreak.text, "");
  Caption lastLine = captionOf(box, "x\r\nEnglish=Only a title", "English");
  EXPECT_TRUE(lastLine.found);
  EXPECT_EQ(lastLine.title, "Only a title") << "a title on the last line still counts";
  Caption bare = captionOf(box, "English=", "English");
  EXPECT_TRUE(bare.found);
  EXPECT_EQ(bare.title, "");
}

TEST(CaptionBlock, UnreadableEmptyAndBareLineFeedFiles) {
  Sandbox box;
  std::string title = "x", text = "y";
  EXPECT_FALSE(ReadCaptionBlock(box.path("missing.nfo"), "English", title, text));
  EXPECT_EQ(title, "");
  EXPECT_EQ(text, "");
  EXPECT_FALSE(captionOf(box, "", "English").found);
  EXPECT_FALSE(captionOf(box, "English=T\r\n", "").found);
  box.writeFile("folder.nfo/inner", "x");
  EXPECT_FALSE(ReadCaptionBlock(box.path("folder.nfo"), "English", title, text));

  // A file saved with bare line feeds reads like its CR LF twin.
  Caption lf = captionOf(box, "English=Dunes\n\nSand.\nWind.\n\n\nGerman=D\n", "English");
  EXPECT_EQ(lf.title, "Dunes");
  EXPECT_EQ(lf.text, "Sand.\r\nWind.");
}

TEST(InformationFile, PanDirectionCodes) {
  EXPECT_EQ(PanDirectionCode("lefttoright"), PAN_LEFTTORIGHT);
  EXPECT_EQ(PanDirectionCode("LeftToRight"), PAN_LEFTTORIGHT);
  EXPECT_EQ(PanDirectionCode("TOPTOBOTTOM"), PAN_TOPTOBOTTOM);
  EXPECT_EQ(PanDirectionCode("BottomToTop"), PAN_BOTTOMTOTOP);
  EXPECT_EQ(PanDirectionCode("righttoleft"), PAN_RIGHTTOLEFT);
  EXPECT_EQ(PanDirectionCode("None"), PAN_NONE);
  EXPECT_EQ(PanDirectionCode("Diagonal"), PAN_NONE);

  Sandbox box;
  box.writeFile("a.nfo", "[Panoramic]\r\nPanDirection = RightToLeft \r\n");
  EXPECT_EQ(ReadPanDirection(box.path("a.nfo")), PAN_RIGHTTOLEFT);
  EXPECT_EQ(ReadPanDirection(box.path("missing.nfo")), PAN_NONE);
}

TEST(InformationFile, PanoramaOriginAndLink) {
  Sandbox box;
  box.writeFile("none.nfo", "[Info]\r\nPictureInfo=x\r\n");
  box.writeFile("zero.nfo", "[Panoramic]\r\nPanoramicOrigin=0\r\n[NetJumper]\r\nURL=http://example.org/a\r\n");
  box.writeFile("minus.nfo", "[Panoramic]\r\nPanoramicOrigin=-1\r\n");
  box.writeFile("far.nfo", "[panoramic]\r\npanoramicorigin=333\r\n");
  EXPECT_EQ(ReadPanoramicOrigin(box.path("none.nfo")), -1);
  EXPECT_EQ(ReadPanoramicOrigin(box.path("missing.nfo")), -1);
  EXPECT_EQ(ReadPanoramicOrigin(box.path("zero.nfo")), 0);
  EXPECT_EQ(ReadPanoramicOrigin(box.path("minus.nfo")), -1);
  EXPECT_EQ(ReadPanoramicOrigin(box.path("far.nfo")), 333);

  EXPECT_EQ(ReadPictureLink(box.path("zero.nfo")), "http://example.org/a");
  EXPECT_EQ(ReadPictureLink(box.path("none.nfo")), "NotFound");
  box.writeFile("long.nfo", "[NetJumper]\r\nURL=" + std::string(400, 'u') + "\r\n");
  EXPECT_EQ(ReadPictureLink(box.path("long.nfo")), std::string(259, 'u'));
}

TEST(InformationFile, DialogTextsFallBackToInfoAndSetFile) {
  Sandbox box;
  box.writeFile("set/pic.nfo", "[Info]\r\nPictureInfo=Title from Info\r\n");
  box.writeFile("set/photo.nfo", "[Info]\r\nPhoto=Set credit\r\nPrintOrder=Order the set\r\n");
  PictureInfoTexts t =
      ReadPictureInfoTexts(box.path("set/pic.nfo"), box.path("set/photo.nfo"), "Harbour");
  EXPECT_EQ(t.title, "Title from Info");
  EXPECT_EQ(t.information, "Not Available");
  EXPECT_EQ(t.additional, "Set credit");
  EXPECT_EQ(t.order, "Order the set");

  box.writeFile("set/pic.nfo",
                "[Harbour]\r\nPicture Info=Spaced title\r\nImage Number=No. 7\r\n"
                "PrintOrder=Own order\r\n[Info]\r\nPictureInfo=Not this\r\nImageNumber=Nor this\r\n");
  t = ReadPictureInfoTexts(box.path("set/pic.nfo"), box.path("set/photo.nfo"), "Harbour");
  EXPECT_EQ(t.title, "Spaced title");
  EXPECT_EQ(t.information, "No. 7");
  EXPECT_EQ(t.order, "Own order") << "the picture's own order text wins";
}

// Information files come with strangers' sets and may be of any size: only their first
// megabyte is read, as a profile and as plain text. Reads and writes of the suite's own
// files still see the whole file.
TEST(InformationFile, OnlyTheFirstMegabyteOfAHugeFileIsRead) {
  Sandbox box;
  std::string file =
      "[NetJumper]\r\nURL=http://example.org/near\r\n"
      "English=Near\r\n\r\nClose to the start.\r\n\r\n\r\n[Panoramic]\r\nPanoramicOrigin=12\r\n";
  while (file.size() <= kOutsideFileLimit) file += ";" + std::string(998, 'x') + "\r\n";
  file += "[Far]\r\nKey=far\r\nGerman=Fern\r\n\r\nPast the limit.\r\n";
  box.writeFile("set/pic.nfo", file);
  const std::string path = box.path("set/pic.nfo");

  EXPECT_EQ(ReadPictureLink(path), "http://example.org/near");
  EXPECT_EQ(ReadPanoramicOrigin(path), 12);
  std::string title, text;
  EXPECT_TRUE(ReadCaptionBlock(path, "English", title, text));
  EXPECT_EQ(title, "Near");
  EXPECT_FALSE(ReadCaptionBlock(path, "German", title, text));
  char value[16];
  GetOutsideProfileString("Far", "Key", "missing", value, sizeof value, path.c_str());
  EXPECT_STREQ(value, "missing");

  ASSERT_TRUE(WritePrivateProfileString("Panoramic", "PanDirection", "LEFTTORIGHT", path.c_str()));
  GetPrivateProfileString("Far", "Key", "missing", value, sizeof value, path.c_str());
  EXPECT_STREQ(value, "far");
  EXPECT_EQ(box.readFile(path).size(), file.size() + std::string("PanDirection=LEFTTORIGHT\r\n").size());
}
