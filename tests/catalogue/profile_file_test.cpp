#include "imagelib/profile_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "tests/support/sandbox.h"

namespace {
std::string keysSection(const std::string& name, int count) {
  std::string text = "[" + name + "]\r\n";
  for (int i = 0; i < count; ++i) text += "k" + std::to_string(i) + "=v\r\n";
  return text;
}
}  // namespace

TEST(ProfileFile, WithoutAFileEveryOperationIsNeutralAndTheDiskIsLeftAlone) {
  Sandbox box;
  const std::string path = box.programFolder() + "quillmrk.ini";
  const std::string text = "[Config]\r\nChangeImage=2\r\n[SetDescriptions]\r\nBirds=Birds\\\r\n";
  box.writeFile(path, text);
  CProfileFile file;
  EXPECT_EQ(file.m_bOpen, 0);
  file.m_strFile = path;  // a path alone does not open the file
  std::string out = "previous";
  std::vector<std::string> list{"stale"};
  EXPECT_EQ(file.ReadInt("Config", "ChangeImage"), 0);
  EXPECT_EQ(file.ReadString("Config", "ChangeImage", out), 0);
  EXPECT_EQ(out, "");
  EXPECT_EQ(file.ReadKeyNames("SetDescriptions", list), 0);
  EXPECT_TRUE(list.empty());
  EXPECT_FALSE(file.WriteString("Config", "CurrentSet", "Birds"));
  EXPECT_FALSE(file.WriteInt("Config", "ChangeImage", 3));
  EXPECT_FALSE(file.DeleteKey("Config", "ChangeImage"));
  EXPECT_FALSE(file.DeleteSection("SetDescriptions"));
  EXPECT_EQ(box.readFile(path), text);

  file.SetFile(path);
  EXPECT_EQ(file.m_bOpen, 1);
  EXPECT_EQ(file.ReadInt("Config", "ChangeImage"), 2);
}

TEST(ProfileFile, ReadsDefaultsNumbersAndLongValues) {
  Sandbox box;
  const std::string path = box.programFolder() + "quillmrk.ini";
  box.writeFile(path, "[Config]\r\nChangeImage=2\r\nOffset=-7\r\nWord=weekly\r\nLong=" +
                          std::string(9000, 'x') + "\r\nEmpty=\r\n");
  CProfileFile file(path);
  EXPECT_EQ(file.ReadInt("Config", "ChangeImage"), 2);
  EXPECT_EQ(file.ReadInt("Config", "Offset"), -7);
  EXPECT_EQ(file.ReadInt("Config", "Word"), 0) << "text that is not a number reads as 0";
  EXPECT_EQ(file.ReadInt("Config", "Missing"), -1);
  EXPECT_EQ(file.ReadInt("Nowhere", "ChangeImage"), -1);

  std::string out;
  EXPECT_EQ(file.ReadString("Config", "Missing", out), 13);
  EXPECT_EQ(out, "Not Available");
  EXPECT_EQ(file.ReadString("Config", "Long", out), 8091);
  EXPECT_EQ(out, std::string(8091, 'x'));
  EXPECT_EQ(file.ReadString("Config", "Empty", out), 0);
  EXPECT_EQ(out, "") << "an empty value is not a missing key";

  CProfileFile absent(box.programFolder() + "absent.ini");
  EXPECT_EQ(absent.ReadInt("Config", "ChangeImage"), -1);
  EXPECT_EQ(absent.ReadString("Config", "CurrentSet", out), 13);
}

TEST(ProfileFile, KeyNamesAppendInFileOrderUpTo499AndMissingSectionsEmptyTheList) {
  Sandbox box;
  const std::string path = box.programFolder() + "quillmrk.ini";
  box.writeFile(path, "[Small]\r\nZulu=1\r\nalpha=2\r\n;note\r\nMike=3\r\n" +
                          keysSection("Big", 600) + "[Sentinel]\r\nNot Available=x\r\n[Bare]\r\n");
  CProfileFile file(path);

  std::vector<std::string> list{"earlier"};
  EXPECT_EQ(file.ReadKeyNames("Small", list), 3);
  EXPECT_EQ(list, (std::vector<std::string>{"earlier", "Zulu", "alpha", "Mike"}));

  list.clear();
  EXPECT_EQ(file.ReadKeyNames("Big", list), 499);
  ASSERT_EQ(list.size(), 499u);
  EXPECT_EQ(list.front(), "k0");
  EXPECT_EQ(list.back(), "k498");

  for (const char* section : {"Missing", "Sentinel", "Bare"}) {
    list = {"stale"};
    EXPECT_EQ(file.ReadKeyNames(section, list), 0) << section;
    EXPECT_TRUE(list.empty()) << section;
  }
}

TEST(ProfileFile, WritesNumbersAndDeletesKeysAndSections) {
  Sandbox box;
  const std::string path = box.programFolder() + "quillmrk.ini";
  CProfileFile file(path);
  EXPECT_TRUE(file.WriteInt("Config", "Low", INT_MIN));
  EXPECT_TRUE(file.WriteInt("Config", "Zero", 0));
  EXPECT_TRUE(file.WriteString("Config", "CurrentSet", "Coastal Light"));
  EXPECT_TRUE(file.WriteString("Other", "Key", "v"));
  std::string out;
  file.ReadString("Config", "Low", out);
  EXPECT_EQ(out, "-2147483648");
  EXPECT_EQ(file.ReadInt("Config", "Low"), INT_MIN);
  EXPECT_EQ(file.ReadInt("Config", "Zero"), 0);

  EXPECT_TRUE(file.DeleteKey("Config", "Low"));
  EXPECT_EQ(file.ReadInt("Config", "Low"), -1);
  file.ReadString("Config", "CurrentSet", out);
  EXPECT_EQ(out, "Coastal Light") << "deleting one key keeps its neighbours";

  EXPECT_TRUE(file.DeleteSection("Config"));
  std::vector<std::string> keys;
  EXPECT_EQ(file.ReadKeyNames("Config", keys), 0);
  EXPECT_EQ(file.ReadKeyNames("Other", keys), 1);

  CProfileFile unwritable(box.root() + "/no/such/folder/quillmrk.ini");
  EXPECT_FALSE(unwritable.WriteString("Config", "CurrentSet", "x"));
}
