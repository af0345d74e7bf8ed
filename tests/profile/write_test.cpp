// Writing: WritePrivateProfileString(s), WritePrivateProfileSection, the win.ini forms, file
// encodings and hostile content.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

#include "tests/profile/profile_fixture.h"

namespace {

TEST_F(ProfileTest, WriteBuildsUpAFile) {
  ASSERT_TRUE(WritePrivateProfileString("App", "key", "string", "win1.tmp"));
  EXPECT_EQ(sb.readFile(sb.windowsDirectory() + "/win1.tmp"), "[App]\r\nkey=string\r\n");

  ASSERT_TRUE(write("App", "key", ""));
  EXPECT_EQ(bytes(), "[App]\r\nkey=\r\n");
  ASSERT_TRUE(write("App", "key2", "v2"));
  ASSERT_TRUE(write("Other", "k", "v"));
  ASSERT_TRUE(write("App", "key3", "v3"));
  EXPECT_EQ(bytes(), "[App]\r\nkey=\r\nkey2=v2\r\nkey3=v3\r\n[Other]\r\nk=v\r\n");
  ASSERT_TRUE(write("app", "KEY", "New"));
  EXPECT_EQ(bytes(), "[App]\r\nkey=New\r\nkey2=v2\r\nkey3=v3\r\n[Other]\r\nk=v\r\n")
      << "the line stays put, spelled as in the file";
}

TEST_F(ProfileTest, ExistingLineIsRewrittenAndOthersKeepTheirBytes) {
  put("\0\0junk\r\n[Sec]\n  Key = old  \n; note\n\nbare\nother=1\n[t]\rx = 1"s);
  ASSERT_TRUE(write("SEC", "KEY", "New"));
  ASSERT_TRUE(write("sec", "bare", "b"));
  EXPECT_EQ(bytes(), "\0\0junk\r\n[Sec]\nKey=New\r\n; note\n\nbare=b\r\nother=1\n[t]\rx = 1"s);
  ASSERT_TRUE(write("t", "x", "2"));
  EXPECT_EQ(bytes().substr(bytes().size() - 9), "[t]\rx=2\r\n") << "the last line gains a break";
}

TEST_F(ProfileTest, NewKeyFollowsTheLastEntryOfItsSection) {
  put("[s]\r\na=1\r\n;c\r\nb=2\r\n; trailing\r\n\r\n[e]\r\n; only a comment\r\n[t]\r\nx=1");
  ASSERT_TRUE(write("s", "new", "n"));
  ASSERT_TRUE(write("s", "new2", "m"));
  ASSERT_TRUE(write("e", "k", "v"));
  ASSERT_TRUE(write("t", "y", "2"));
  EXPECT_EQ(bytes(),
            "[s]\r\na=1\r\n;c\r\nb=2\r\nnew=n\r\nnew2=m\r\n; trailing\r\n\r\n"
            "[e]\r\nk=v\r\n; only a comment\r\n[t]\r\nx=1\r\ny=2\r\n");

  put("[h]");
  ASSERT_TRUE(write("h", "k", "v"));
  EXPECT_EQ(bytes(), "[h]\r\nk=v\r\n");
  put("[s]\r\nk=v\r\n\0"s);
  ASSERT_TRUE(write("s", "n", "1"));
  EXPECT_EQ(bytes(), "[s]\r\nk=v\r\nn=1\r\n\0"s) << "a trailing NUL is no entry";
  EXPECT_EQ(value("s", nullptr), "k\0n\0"s);
}

TEST_F(ProfileTest, NewSectionGoesAtTheEndOnALineOfItsOwn) {
  put("");
  ASSERT_TRUE(write("a", "k", "v"));
  EXPECT_EQ(bytes(), "[a]\r\nk=v\r\n") << "an empty file gets no leading break";
  put("[a]\r\nk=v");
  ASSERT_TRUE(write("b", "k", "v"));
  EXPECT_EQ(bytes(), "[a]\r\nk=v\r\n[b]\r\nk=v\r\n");
  put("; top\r\n\r\n");
  ASSERT_TRUE(write("b", "k", "v"));
  EXPECT_EQ(bytes(), "; top\r\n\r\n[b]\r\nk=v\r\n");
}

TEST_F(ProfileTest, ValueIsWrittenVerbatimNamesLoseOuterSpaces) {
  ASSERT_TRUE(write("  s  ", "  k  ", " a\t"));
  EXPECT_EQ(bytes(), "[s]\r\nk= a\t\r\n");
  EXPECT_EQ(value("s", "k"), "a") << "reads trim what writes keep";
  ASSERT_TRUE(write("s", "q", "\" a \""));
  EXPECT_EQ(value("s", "q"), " a ") << "quotes carry edge blanks through";
}

TEST_F(ProfileTest, KeysStartingWithSemicolonWriteCommentLines) {
  put("[s]\r\na=1\r\n;old\r\n\r\n[t]\r\n");
  ASSERT_TRUE(write("s", ";c", "1"));
  ASSERT_TRUE(write("s", ";c", "1"));
  EXPECT_EQ(bytes(), "[s]\r\na=1\r\n;old\r\n;c=1\r\n;c=1\r\n\r\n[t]\r\n");
  EXPECT_EQ(value("s", ";c"), "DEF");
}

TEST_F(ProfileTest, DeletingKeysAndSections) {
  put("[App1]\r\nkey1=a\r\nkey2=b\r\n[App2]\r\n; kept\r\nk=v\r\nbare\r\n\r\n[App3]\r\n");
  ASSERT_TRUE(write("App1", "key2", nullptr));
  EXPECT_EQ(bytes(), "[App1]\r\nkey1=a\r\n[App2]\r\n; kept\r\nk=v\r\nbare\r\n\r\n[App3]\r\n");
  ASSERT_TRUE(write("App1", "key2", nullptr)) << "an absent key is no failure";
  ASSERT_TRUE(write("App9", "key2", nullptr));
  ASSERT_TRUE(write("App1", "key1", nullptr));
  EXPECT_EQ(bytes(), "[App1]\r\n[App2]\r\n; kept\r\nk=v\r\nbare\r\n\r\n[App3]\r\n");
  ASSERT_TRUE(write("app2", nullptr, "ignored"));
  EXPECT_EQ(bytes(), "[App1]\r\n; kept\r\n\r\n[App3]\r\n") << "comments of a deleted section stay";
  ASSERT_TRUE(write("App9", nullptr, nullptr));
  EXPECT_EQ(bytes(), "[App1]\r\n; kept\r\n\r\n[App3]\r\n");

  std::string missing = sb.path("missing.ini");
  EXPECT_TRUE(WritePrivateProfileString("s", "k", nullptr, missing.c_str()));
  EXPECT_TRUE(sb.exists(missing));
  EXPECT_EQ(sb.readFile(missing), "") << "deleting from a missing file leaves an empty file";
  std::remove(missing.c_str());
  EXPECT_TRUE(WritePrivateProfileString("s", nullptr, nullptr, missing.c_str()));
  EXPECT_EQ(sb.readFile(missing), "");
}

TEST_F(ProfileTest, RefusedWritesLeaveTheFileAlone) {
  EXPECT_FALSE(write(nullptr, "k", "v"));
  EXPECT_FALSE(write(nullptr, nullptr, nullptr)) << "the flush form";
  EXPECT_FALSE(sb.exists(file));
  EXPECT_FALSE(WritePrivateProfileString("s", "k", "v", ""));
  EXPECT_FALSE(WritePrivateProfileString("s", "k", "v", sb.path("no/such/folder.ini").c_str()));
  EXPECT_FALSE(sb.exists("no"));

  const std::string original = "[s]\r\nk=v\r\n";
  put(original);
  // Each of these would corrupt the file or write a line that can never be found again.
  EXPECT_FALSE(write("s", "k", "two\r\nlines"));
  EXPECT_FALSE(write("s", "k", "a\rb"));
  EXPECT_FALSE(write("s", "new", "a\nb"));
  EXPECT_FALSE(write("s", "a=b", "v"));
  EXPECT_FALSE(write("s", "[k", "v"));
  EXPECT_FALSE(write("s", "k\t", "v"));
  EXPECT_FALSE(write("a]b", "k", "v"));
  EXPECT_FALSE(write("\ts", "k", "v"));
  EXPECT_FALSE(WritePrivateProfileSection("s", "k=a\nb\0\0", file.c_str()));
  EXPECT_FALSE(WritePrivateProfileSection("s", "  [x]\0\0", file.c_str()));
  EXPECT_EQ(bytes(), original);

  // Something that exists but cannot be read is never overwritten.
  sb.writeFile(sb.path("dir.ini/inside"), "");
  EXPECT_FALSE(WritePrivateProfileString("s", "k", "v", sb.path("dir.ini").c_str()));
  EXPECT_FALSE(WritePrivateProfileString("s", "k", nullptr, sb.path("dir.ini").c_str()));
}

TEST_F(ProfileTest, SeveralKeysAreWrittenTogetherOrNotAtAll) {
  put("[s]\r\na = 1\r\n; note\r\n[t]\r\nx=1\r\n");
  ASSERT_TRUE(WritePrivateProfileStrings("S", {{"A", "2"}, {"new", "n"}, {"a", "3"}}, file.c_str()));
  EXPECT_EQ(bytes(), "[s]\r\na=3\r\nnew=n\r\n; note\r\n[t]\r\nx=1\r\n")
      << "the same bytes as one write per key";
  const std::string written = bytes();
  EXPECT_FALSE(WritePrivateProfileStrings("s", {{"a", "4"}, {"b", "two\nlines"}}, file.c_str()));
  EXPECT_FALSE(WritePrivateProfileStrings("s", {{"a", "4"}, {"b=c", "v"}}, file.c_str()));
  EXPECT_EQ(bytes(), written) << "one refused key keeps the others from being written";
}

TEST_F(ProfileTest, WriteIntoReadOnlyFolderFailsAndKeepsTheOldFile) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  std::string folder = sb.path("ro");
  std::string ini = folder + "/x.ini";
  sb.writeFile(ini, "[s]\r\nk=old\r\n");
  ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
  EXPECT_FALSE(WritePrivateProfileString("s", "k", "new", ini.c_str()));
  EXPECT_FALSE(WritePrivateProfileString("s", "k", nullptr, ini.c_str()));
  chmod(folder.c_str(), 0755);
  EXPECT_EQ(sb.readFile(ini), "[s]\r\nk=old\r\n");

  ASSERT_EQ(chmod(ini.c_str(), 0), 0);
  EXPECT_FALSE(WritePrivateProfileString("s", "k2", "new", ini.c_str())) << "unreadable file";
  chmod(ini.c_str(), 0644);
  EXPECT_EQ(sb.readFile(ini), "[s]\r\nk=old\r\n");
}

TEST_F(ProfileTest, WriteSectionReplacesEntriesAndKeepsComments) {
  put("[set]\r\n; about\r\nold1=a\r\nold2\r\n; end\r\n[next]\r\nz=1\r\n");
  ASSERT_TRUE(WritePrivateProfileSection("SET", "new1=x\0new2=y\0\0", file.c_str()));
  EXPECT_EQ(bytes(), "[set]\r\n; about\r\nnew1=x\r\nnew2=y\r\n; end\r\n[next]\r\nz=1\r\n");
  ASSERT_TRUE(WritePrivateProfileSection("set", "\0", file.c_str()));
  EXPECT_EQ(bytes(), "[set]\r\n; about\r\n; end\r\n[next]\r\nz=1\r\n");
  ASSERT_TRUE(WritePrivateProfileSection("added", "a=1\0", file.c_str()));
  EXPECT_EQ(bytes(), "[set]\r\n; about\r\n; end\r\n[next]\r\nz=1\r\n[added]\r\na=1\r\n");
  ASSERT_TRUE(WritePrivateProfileSection("next", nullptr, file.c_str()));
  EXPECT_EQ(bytes(), "[set]\r\n; about\r\n; end\r\n[added]\r\na=1\r\n");

  // Copying a whole section into another file keeps every value, quotes included.
  put("[Birds]\r\nHawk = \"Birds\\Hawk\" \r\nOwl=night\r\nbare\r\n");
  char buf[256];
  ASSERT_GT(GetPrivateProfileSection("Birds", buf, sizeof buf, file.c_str()), 0u);
  std::string copy = sb.path("copy.ini");
  sb.writeFile(copy, "[Birds]\r\nstale=1\r\n");
  ASSERT_TRUE(WritePrivateProfileSection("Birds", buf, copy.c_str()));
  EXPECT_EQ(sb.readFile(copy), "[Birds]\r\nHawk=\"Birds\\Hawk\"\r\nOwl=night\r\nbare\r\n");
}

TEST_F(ProfileTest, WinIniForms) {
  ASSERT_TRUE(WriteProfileString("Desktop", "Wallpaper", "(None)"));
  ASSERT_TRUE(WriteProfileString("Desktop", "TileWallpaper", "0"));
  EXPECT_EQ(sb.readFile(sb.windowsDirectory() + "/win.ini"),
            "[Desktop]\r\nWallpaper=(None)\r\nTileWallpaper=0\r\n");
  char buf[16];
  EXPECT_EQ(GetProfileString("desktop", "wallpaper", "", buf, sizeof buf), 6u);
  EXPECT_STREQ(buf, "(None)");
  EXPECT_EQ(GetProfileInt("Desktop", "TileWallpaper", 9), 0u);
  EXPECT_EQ(GetProfileInt("Desktop", "Missing", 9), 9u);
}

std::string Utf16(const std::string& ascii) {
  std::string out;
  for (char c : ascii) out += std::string{c, '\0'};
  return out;
}

TEST_F(ProfileTest, Utf8MarkIsSkippedAndKept) {
  put("\xEF\xBB\xBF[s]\r\nk=v\r\n");
  EXPECT_EQ(value("s", "k"), "v");
  ASSERT_TRUE(write("s", "k2", "w"));
  EXPECT_EQ(bytes(), "\xEF\xBB\xBF[s]\r\nk=v\r\nk2=w\r\n");
}

TEST_F(ProfileTest, Utf16FilesAreReadAndWrittenAsUtf16) {
  // A lone surrogate and an odd last byte must come through untouched.
  const std::string lone = "\x00\xD8"s;
  put("\xFF\xFE" + Utf16("[s]\r\nk=v\r\n[t]\r\nx=") + lone + Utf16("\r\n") + "\x41");
  EXPECT_EQ(value("s", "k"), "v");
  ASSERT_TRUE(write("s", "e", "\xC3\xA9"));      // UTF-8 e-acute
  ASSERT_TRUE(write("s", "w", "\xE9\x80"));      // Windows-1252 e-acute and euro sign
  EXPECT_EQ(bytes(), "\xFF\xFE" + Utf16("[s]\r\nk=v\r\ne=") + "\xE9\x00"s + Utf16("\r\nw=") +
                         "\xE9\x00\xAC\x20"s + Utf16("\r\n[t]\r\nx=") + lone + Utf16("\r\n") + "\x41");
  EXPECT_EQ(value("s", "e"), "\xC3\xA9") << "values come back as UTF-8";

  put("\xFF\xFE");
  ASSERT_TRUE(write("s", "k", "v"));
  EXPECT_EQ(bytes(), "\xFF\xFE" + Utf16("\r\n[s]\r\nk=v\r\n"));
}

TEST_F(ProfileTest, HugeLinesAndJunkDoNotHurt) {
  const std::string head = "[s]\r\nbig=" + std::string(4 << 20, 'h') + "\r\n[nul\0]\r\nk=\0v\r\n["s +
                           std::string(1 << 20, '\0') + "\r\n[t]\r\n";
  put(head + "k=v");
  Got cut = str("s", "big", "", 8);
  EXPECT_EQ(cut.ret, 7u);
  EXPECT_EQ(value("nul", "k"), "") << "a NUL ends what a line says";
  ASSERT_TRUE(write("t", "k", "w"));
  EXPECT_TRUE(bytes() == head + "k=w\r\n");
}

// Random files and random calls: no crash, a written value always reads back, and values
// of other names never change.
TEST_F(ProfileTest, RandomContentKeepsWritesReadable) {
  std::mt19937 rng(20240611);
  const std::string alphabet = "[]=;\r\n \t\"'ab\0"s;
  const char* names[] = {"a", "b", "ab"};
  const char* values[] = {"v1", "x y", ""};
  auto pick = [&](auto& list) { return list[rng() % std::size(list)]; };
  for (int round = 0; round < 500; ++round) {
    std::string content = round % 7 == 0 ? "\xFF\xFE" : round % 7 == 1 ? "\xEF\xBB\xBF" : "";
    for (int n = static_cast<int>(rng() % 60); n > 0; --n) content += alphabet[rng() % alphabet.size()];
    put(content);
    const char *s = pick(names), *k = pick(names), *v = pick(values);
    const char *s2 = pick(names), *k2 = pick(names);
    bool same = std::string(s) == s2 && std::string(k) == k2;
    std::string before = value(s2, k2);
    str(nullptr, nullptr, "", 1 + rng() % 12);
    section(s, 1 + rng() % 12);

    switch (rng() % 4) {
      case 0:
        ASSERT_TRUE(write(s, nullptr, nullptr));
        if (std::string(s) != s2) {
          EXPECT_EQ(value(s2, k2), before) << round;
        }
        break;
      case 1:
        ASSERT_TRUE(write(s, k, nullptr));
        if (!same) {
          EXPECT_EQ(value(s2, k2), before) << round;
        }
        break;
      default:
        ASSERT_TRUE(write(s, k, v));
        EXPECT_EQ(value(s, k), v) << round;
        if (!same) {
          EXPECT_EQ(value(s2, k2), before) << round;
        }
    }
  }
}

}  // namespace

// Two programs of the suite may write the same file at the same moment (the saver storing
// its position while the configuration program applies): neither write may be lost.
TEST_F(ProfileTest, ConcurrentWritersLoseNothing) {
  put("[s]\r\n");
  pid_t child = fork();
  ASSERT_GE(child, 0);
  const char* who = child == 0 ? "child" : "parent";
  for (int i = 0; i < 40; ++i)
    WritePrivateProfileString("s", (who + std::to_string(i)).c_str(), "1", file.c_str());
  if (child == 0) _exit(0);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  for (int i = 0; i < 40; ++i) {
    EXPECT_EQ(value("s", ("child" + std::to_string(i)).c_str()), "1") << i;
    EXPECT_EQ(value("s", ("parent" + std::to_string(i)).c_str()), "1") << i;
  }
}
