// Reading: GetPrivateProfileString, GetPrivateProfileInt, GetPrivateProfileSection,
// GetPrivateProfileSectionNames.
#include <cstdio>
#include <cstring>

#include "platform/paths.h"
#include "tests/profile/profile_fixture.h"

namespace {

const std::string kBasic =
    "[section1]\r\nname1=val1\r\nname2=\"val2\"\r\nname3\r\nname4=a\r\nempty=\r\n[section2]\r\n";

std::string WithBreaks(std::string text, const std::string& br) {
  for (std::size_t p = 0; (p = text.find("\r\n", p)) != std::string::npos; p += br.size())
    text.replace(p, 2, br);
  return text;
}

// Every read behaves the same whatever ends the lines.
class GetString : public ProfileTest, public ::testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override { put(WithBreaks(kBasic, GetParam())); }
};

TEST_P(GetString, ValuesDefaultsAndTruncation) {
  EXPECT_EQ(value("section1", "name1"), "val1");
  EXPECT_EQ(value("SeCtIoN1", "NaMe1"), "val1") << "names match without case";
  EXPECT_EQ(value("section1", "name2"), "val2") << "one pair of quotes comes off";
  EXPECT_EQ(value("section1", "name3"), "DEF") << "a line without '=' has no value";
  EXPECT_EQ(value("section1", "empty"), "") << "an empty value is not the default";
  EXPECT_EQ(value("section1", "name9"), "DEF");
  EXPECT_EQ(value("section9", "name1"), "DEF");
  EXPECT_EQ(value("section1", ""), "DEF");
  EXPECT_EQ(value("", "name1"), "DEF");

  // The default loses trailing spaces only, and keeps its quotes.
  EXPECT_EQ(value("s", "k", "default  "), "default");
  EXPECT_EQ(value("s", "k", "  d \t"), "  d \t");
  EXPECT_EQ(value("s", "k", "\"q\""), "\"q\"");
  EXPECT_EQ(value("s", "k", nullptr), "");
  EXPECT_EQ(str("s", "k", "default", 4).buf.substr(0, 4), "def\0"s);

  EXPECT_EQ(str("section1", "name1", "DEF", 0).buf, "") << "size 0 leaves the buffer alone";
  std::string untouched(1, 'x');
  EXPECT_EQ(GetPrivateProfileString("section1", "name1", "", untouched.data(), 0, file.c_str()), 0u);
  EXPECT_EQ(untouched, "x");
  Got one = str("section1", "name1", "DEF", 1);
  EXPECT_EQ(one.ret, 0u);
  EXPECT_EQ(one.buf, "\0"s);
  Got exact = str("section1", "name1", "DEF", 4);
  EXPECT_EQ(exact.ret, 3u);
  EXPECT_EQ(exact.buf, "val\0"s);
  Got room = str("section1", "name1", "DEF", 5);
  EXPECT_EQ(room.ret, 4u);
  EXPECT_EQ(room.buf, "val1\0"s);
  Got quoted = str("section1", "name2", "DEF", 4);
  EXPECT_EQ(quoted.buf, "val\0"s) << "quotes come off before the cut";
}

TEST_P(GetString, NullKeyListsKeysAndNullSectionListsSections) {
  Got keys = str("section1", nullptr, "DEF", 32);
  EXPECT_EQ(keys.ret, 24u);
  EXPECT_EQ(keys.buf.substr(0, 26), "name1\0name2\0name4\0empty\0\0x"s);

  // S = 24: S + 2 fits; an exact fit (S + 1) and less are cut to size - 2 with two NULs.
  EXPECT_EQ(str("section1", nullptr, "", 26).ret, 24u);
  Got fit = str("section1", nullptr, "", 25);
  EXPECT_EQ(fit.ret, 23u);
  EXPECT_EQ(fit.buf, "name1\0name2\0name4\0empty\0\0"s) << "only the return value tells";
  Got cut = str("section1", nullptr, "", 16);
  EXPECT_EQ(cut.ret, 14u);
  EXPECT_EQ(cut.buf, "name1\0name2\0na\0\0"s);
  EXPECT_EQ(str("section1", nullptr, "", 2).ret, 0u);
  EXPECT_EQ(str("section1", nullptr, "", 2).buf, "\0\0"s);

  Got sections = str(nullptr, "ignored", "DEF", 32);
  EXPECT_EQ(sections.ret, 18u);
  EXPECT_EQ(sections.buf.substr(0, 20), "section1\0section2\0\0x"s);
  Got cutSections = str(nullptr, nullptr, "", 16);
  EXPECT_EQ(cutSections.ret, 14u);
  EXPECT_EQ(cutSections.buf, "section1\0secti\0\0"s);

  // No keys to list: the default comes back, as a one-name list.
  Got none = str("section2", nullptr, "Not Available", 32);
  EXPECT_EQ(none.ret, 13u);
  EXPECT_EQ(none.buf.substr(0, 16), "Not Available\0\0x"s);
  EXPECT_EQ(str("missing", nullptr, "Not Available", 32).ret, 13u);
}

INSTANTIATE_TEST_SUITE_P(LineBreaks, GetString, ::testing::Values("\r\n", "\n", "\r"));

TEST_F(ProfileTest, ParsingRules) {
  put("junk=before\r\n"
      "[]=x\r\n"
      "[ spaced ]\r\n"
      "  \t key a \t=\v value a \t\r\n"
      "k2 = ' inner '\r\n"
      "k3='mismatch\"\r\n"
      "k4=\"\"x\"\"\r\n"
      "k5=;not a comment\r\n"
      "key ;x=v6\r\n"
      "  ; k7=comment\r\n"
      "#k8=hash\r\n"
      "dup=first\r\n"
      "dup=second\r\n"
      "=nokey\r\n"
      "\r\n"
      "eq=a=b\r\n"
      "[sec]tail=ignored\r\n"
      "[open\r\n"
      "k=open\r\n"
      "[;s]\r\n"
      "k=semi\r\n"
      "sec]\r\n"
      "[SPACED]\r\n"
      "only=in the second copy\r\n");
  EXPECT_EQ(value("spaced", "key a"), "value a");
  EXPECT_EQ(value("  spaced  ", "  key a "), "value a") << "callers' outer spaces are dropped";
  EXPECT_EQ(value("\tspaced", "key a"), "DEF") << "but not their tabs";
  EXPECT_EQ(value("spaced", "key a\t"), "DEF");
  EXPECT_EQ(value("spaced", "k2"), " inner ");
  EXPECT_EQ(value("spaced", "k3"), "'mismatch\"");
  EXPECT_EQ(value("spaced", "k4"), "\"x\"");
  EXPECT_EQ(value("spaced", "k5"), ";not a comment");
  EXPECT_EQ(value("spaced", "key ;x"), "v6");
  EXPECT_EQ(value("spaced", "; k7"), "DEF");
  EXPECT_EQ(value("spaced", "#k8"), "hash") << "'#' starts no comment";
  EXPECT_EQ(value("spaced", "dup"), "first");
  EXPECT_EQ(value("spaced", ""), "nokey");
  EXPECT_EQ(value("spaced", "eq"), "a=b");
  EXPECT_EQ(value("sec", "tail"), "DEF") << "text after ']' defines nothing";
  EXPECT_EQ(value("open", "k"), "open") << "a header without ']' still counts";
  EXPECT_EQ(value(";s", "k"), "semi");
  EXPECT_EQ(value("spaced", "only"), "DEF") << "a repeated section is never searched";
  EXPECT_EQ(value("", "junk"), "DEF") << "lines before the first section are unreachable";
  EXPECT_EQ(value("", "x"), "DEF") << "'[]=x' is a header, not a key";

  Got keys = str("spaced", nullptr, "", 128);
  EXPECT_EQ(keys.buf.substr(0, keys.ret + 1), "key a\0k2\0k3\0k4\0k5\0key ;x\0#k8\0dup\0dup\0eq\0\0"s)
      << "duplicates are listed, comments and the nameless key are not";
  Got sections = str(nullptr, nullptr, "", 128);
  EXPECT_EQ(sections.buf.substr(0, sections.ret + 1), "spaced\0sec\0open\0;s\0SPACED\0\0"s);
}

TEST_F(ProfileTest, MissingFileOrOddFileNameGivesTheDefault) {
  EXPECT_EQ(value("s", "k"), "DEF");
  EXPECT_EQ(GetPrivateProfileString("s", "k", "D", nullptr, 10, file.c_str()), 0u);
  char buf[8] = "xxxxxxx";
  EXPECT_EQ(GetPrivateProfileString("s", "k", "D", buf, sizeof buf, ""), 1u);
  EXPECT_STREQ(buf, "D");
  sb.writeFile(sb.path("folder.ini/inside"), "");
  EXPECT_EQ(GetPrivateProfileString("s", "k", "D", buf, sizeof buf, sb.path("folder.ini").c_str()), 1u);
}

TEST_F(ProfileTest, BareNameLivesInTheWindowsDirectory) {
  sb.writeFile(sb.windowsDirectory() + "/bare.ini", "[s]\r\nk=windows\r\n");
  char buf[16];
  GetPrivateProfileString("s", "k", "", buf, sizeof buf, "bare.ini");
  EXPECT_STREQ(buf, "windows");
  EXPECT_EQ(ResolveProfilePath("bare.ini"), sb.windowsDirectory() + "/bare.ini");
}

TEST_F(ProfileTest, EveryReadSeesTheFileAsItIsNow) {
  put("[s]\r\nk=one\r\n");
  EXPECT_EQ(value("s", "k"), "one");
  put("[s]\r\nk=two\r\n");
  EXPECT_EQ(value("s", "k"), "two");
  std::remove(file.c_str());
  EXPECT_EQ(value("s", "k"), "DEF");
}

TEST_F(ProfileTest, GetIntParsesLikeTheOldPlatform) {
  const struct {
    const char* text;
    UINT expected;
  } cases[] = {
      {"1", 1},          {"-1", 4294967295u}, {"+1", 1},        {"4294967296", 0},
      {"4294967297", 1}, {"-4294967297", 4294967295u},           {"42A94967297", 42},
      {"B4294967297", 0}, {"0x12345", 0x12345}, {"0x1F", 31},    {"0X10", 0},
      {"0b101", 5},      {"0o17", 15},        {"1x34", 1},       {"--214", 0},
      {"056789", 56789}, {"+214 0", 214},     {"\" 12\"", 12},   {"abc", 0},
      // Only the first 29 characters are read.
      {"0000000000000000000000000000012", 0},
  };
  for (const auto& c : cases) {
    put("[s]\r\nk=" + std::string(c.text) + "\r\nempty=\r\nbare\r\n");
    EXPECT_EQ(GetPrivateProfileInt("s", "k", 77, file.c_str()), c.expected) << c.text;
  }
  EXPECT_EQ(GetPrivateProfileInt("s", "empty", 77, file.c_str()), 77u);
  EXPECT_EQ(GetPrivateProfileInt("s", "bare", 77, file.c_str()), 77u);
  EXPECT_EQ(GetPrivateProfileInt("s", "missing", -1, file.c_str()), 4294967295u);
  EXPECT_EQ(GetPrivateProfileInt("t", "k", 5, file.c_str()), 5u);
  EXPECT_EQ(GetPrivateProfileInt("s", "k", 5, sb.path("nofile.ini").c_str()), 5u);
}

TEST_F(ProfileTest, GetSectionListsEntries) {
  put("[section1]\r\nname1=val1\r\nname2=\r\n  name3  \r\n; note\r\nname4 = \"val4\"\r\n"
      "[section2]\r\n\r\n[section3]\r\n=val5\r\n");
  Got all = section("section1");
  EXPECT_EQ(all.ret, 37u);
  EXPECT_EQ(all.buf.substr(0, 39), "name1=val1\0name2=\0name3\0name4=\"val4\"\0\0x"s)
      << "bare lines are listed, comments are not, quotes stay";
  Got cut = section("section1", 24);
  EXPECT_EQ(cut.ret, 22u);
  EXPECT_EQ(cut.buf, "name1=val1\0name2=\0name\0\0"s);
  EXPECT_EQ(section("section2").ret, 0u);
  EXPECT_EQ(section("section2").buf.substr(0, 2), "\0x"s);
  Got nameless = section("section3");
  EXPECT_EQ(nameless.ret, 6u);
  EXPECT_EQ(nameless.buf.substr(0, 7), "=val5\0\0"s);
  EXPECT_EQ(section("missing").ret, 0u);
  EXPECT_EQ(section(nullptr).ret, 0u);
  EXPECT_EQ(section(nullptr).buf, std::string(64, 'x'));
}

TEST_F(ProfileTest, SectionNamesCutToTheBuffer) {
  char buf[40];
  std::memset(buf, 'x', sizeof buf);
  EXPECT_EQ(GetPrivateProfileSectionNames(buf, sizeof buf, file.c_str()), 0u);
  EXPECT_EQ(std::string(buf, 2), "\0x"s) << "a missing file writes one NUL only";

  put("[ section1 ]\r\n[section2]\r\n[section3]\r\n");  // S = 27
  const struct { DWORD size, ret; } cases[] = {{40, 27}, {29, 27}, {28, 26}, {27, 25}, {2, 0}};
  for (const auto& c : cases) {
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(GetPrivateProfileSectionNames(buf, c.size, file.c_str()), c.ret) << c.size;
    if (c.ret) {
      EXPECT_EQ(std::string(buf, c.ret), std::string("section1\0section2\0section3\0", c.ret));
    }
    DWORD end = c.size >= 29 ? c.ret - 1 : c.ret;  // a full list's own last NUL, or the cut
    EXPECT_EQ(std::string(buf + end, 2), "\0\0"s) << c.size;
  }
}

// What the suite's settings accessor relies on.
TEST_F(ProfileTest, SettingsStoreLimits) {
  std::string big(9000, 'v');
  put("[s]\r\nlong=" + big + "\r\n[na]\r\nNot Available=1\r\n");
  Got cut = str("s", "long", "Not Available", 8092);
  EXPECT_EQ(cut.ret, 8091u);
  EXPECT_EQ(cut.buf, big.substr(0, 8091) + '\0');
  Got na = str("na", nullptr, "Not Available", 32767);
  EXPECT_EQ(na.ret, 14u) << "a listed name counts its NUL; the default does not";
  EXPECT_EQ(na.buf.substr(0, 15), "Not Available\0\0"s);

  std::string text = "[many]\r\n", expected;
  for (int i = 0; i < 600; ++i) {
    text += "key" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
    expected += "key" + std::to_string(i) + '\0';
  }
  put(text);
  Got all = str("many", nullptr, "Not Available", 32767);
  EXPECT_EQ(all.ret, expected.size());
  EXPECT_EQ(all.buf.substr(0, expected.size() + 1), expected + '\0');
}

}  // namespace
