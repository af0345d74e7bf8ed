#include "platform/process.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/paths.h"
#include "tests/support/sandbox.h"

namespace {

// A program that records the file it was started as and each argument, one per line in
// brackets, into `record` (written whole, then renamed, so a reader never sees half).
void writeRecorder(const std::string& path, const std::string& record, mode_t mode = 0755) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << "#!/bin/sh\nPATH=/usr/bin:/bin\n"
         "{ printf '%s\\n' \"$0\"; for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done; } > '"
      << record << ".tmp' && mv '" << record << ".tmp' '" << record << "'\n";
  out.close();
  chmod(path.c_str(), mode);
}

// The recorded lines once the program has run, or nothing after five seconds.
std::vector<std::string> waitForRecord(const std::string& record) {
  for (int i = 0; i < 500; ++i) {
    std::ifstream in(record);
    if (in) {
      std::vector<std::string> lines;
      for (std::string line; std::getline(in, line);) lines.push_back(line);
      return lines;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return {};
}

int zombieChildren() {
  int count = 0;
  DIR* proc = opendir("/proc");
  if (!proc) return 0;
  const pid_t self = getpid();
  while (dirent* entry = readdir(proc)) {
    std::ifstream in(std::string("/proc/") + entry->d_name + "/stat");
    std::string stat;
    if (!in || !std::getline(in, stat)) continue;
    std::size_t close = stat.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream rest(stat.substr(close + 1));
    char state = 0;
    long parent = 0;
    rest >> state >> parent;
    if (parent == self && state == 'Z') ++count;
  }
  closedir(proc);
  return count;
}

class ScopedPath {
 public:
  explicit ScopedPath(const std::string& value) {
    if (const char* p = std::getenv("PATH")) old_ = p;
    setenv("PATH", value.c_str(), 1);
  }
  ~ScopedPath() { setenv("PATH", old_.c_str(), 1); }

 private:
  std::string old_;
};

}  // namespace

TEST(WinExec, UnquotedNameWithBlanksIsTheLongestExistingFile) {
  Sandbox box;
  std::string record = box.path("record");
  std::string saver = WindowsDirectory() + "/Quillmark Screen Saver.scr";
  writeRecorder(saver, record);
  // A file named like the first word must not be taken instead.
  writeRecorder(box.programFolder() + "Quillmark", record);

  EXPECT_GT(WinExec("Quillmark Screen Saver.scr /s", 1), 31u);
  EXPECT_EQ(waitForRecord(record), (std::vector<std::string>{saver, "[/s]"}));
}

TEST(WinExec, QuotedNamesAndArgumentsFollowTheOldCommandLineRules) {
  Sandbox box;
  std::string record = box.path("record");
  std::string program = box.path("with blank/my prog");
  box.writeFile(program, "");
  writeRecorder(program, record);

  std::string line = "\"" + program +
                     "\" \"one arg\"  two \"\" C:\\dir\\file \"say \\\"hi\\\"\" end\\\\\" half\"way";
  EXPECT_GT(WinExec(line.c_str(), 1), 31u);
  EXPECT_EQ(waitForRecord(record),
            (std::vector<std::string>{program, "[one arg]", "[two]", "[]", "[C:\\dir\\file]",
                                      "[say \"hi\"]", "[end\\ halfway]"}));
}

TEST(WinExec, SearchOrderAndOldStyleNames) {
  Sandbox box;
  std::string record = box.path("record");
  std::string inProgramFolder = box.programFolder() + "NetJumper";
  writeRecorder(inProgramFolder, record);
  writeRecorder(WindowsDirectory() + "/NetJumper", record);

  // The program folder comes before the Windows directory; a name written with ".exe"
  // and in another case still finds the program.
  EXPECT_GT(WinExec("netjumper.exe http://example.com/?a=1&b=2", 1), 31u);
  EXPECT_EQ(waitForRecord(record),
            (std::vector<std::string>{inProgramFolder, "[http://example.com/?a=1&b=2]"}));

  // PATH comes last, and only runnable files count there.
  std::string bin = box.path("bin");
  box.writeFile("bin/qm-helper", "");
  box.writeFile("other/qm-helper", "");
  writeRecorder(bin + "/qm-helper", box.path("record2"));
  writeRecorder(box.path("other/qm-helper"), box.path("record2"), 0644);
  {
    ScopedPath path(box.path("other") + ":" + bin);
    EXPECT_GT(WinExec("qm-helper x", 1), 31u);
  }
  EXPECT_EQ(waitForRecord(box.path("record2")),
            (std::vector<std::string>{bin + "/qm-helper", "[x]"}));
}

TEST(WinExec, FailuresAreReportedAsTheOldErrorCodes) {
  Sandbox box;
  EXPECT_EQ(WinExec("No Such Program Anywhere.scr /s", 1), 2u);
  EXPECT_EQ(WinExec("", 1), 2u);
  EXPECT_EQ(WinExec("   ", 1), 2u);
  EXPECT_EQ(WinExec(nullptr, 1), 2u);
  EXPECT_EQ(WinExec("\"unclosed quote", 1), 2u);

  // Found but not runnable: an error, not a success.
  box.writeFile(box.programFolder() + "plain.txt", "just text\n");
  chmod((box.programFolder() + "plain.txt").c_str(), 0644);
  EXPECT_EQ(WinExec("plain.txt", 1), 5u);
  chmod((box.programFolder() + "plain.txt").c_str(), 0755);
  EXPECT_EQ(WinExec("plain.txt", 1), 11u) << "a runnable file that is no program";
}

TEST(SpawnProgram, ArgumentsReachTheProgramUnchangedAndChildrenAreReaped) {
  Sandbox box;
  std::string program = box.programFolder() + "recorder";
  writeRecorder(program, box.path("record"));

  EXPECT_TRUE(SpawnProgram({"recorder", "http://example.com/a b", "two  blanks", "$HOME;`x`"}));
  EXPECT_EQ(waitForRecord(box.path("record")),
            (std::vector<std::string>{program, "[http://example.com/a b]", "[two  blanks]",
                                      "[$HOME;`x`]"}));
  EXPECT_FALSE(SpawnProgram({"no-such-program-here"}));
  EXPECT_FALSE(SpawnProgram({}));

  for (int i = 0; i < 5; ++i) {
    std::string name = "r" + std::to_string(i);
    writeRecorder(box.programFolder() + name, box.path(name + ".out"));
    ASSERT_TRUE(SpawnProgram({box.programFolder() + name}));
  }
  for (int i = 0; i < 5; ++i) ASSERT_FALSE(waitForRecord(box.path("r" + std::to_string(i) + ".out")).empty());
  int zombies = zombieChildren();
  for (int i = 0; i < 200 && zombies > 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    zombies = zombieChildren();
  }
  EXPECT_EQ(zombies, 0);
}
