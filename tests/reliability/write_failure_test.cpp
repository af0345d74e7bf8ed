// Writes that cannot be done — a full disk (a file-size limit stands in for it), a
// read-only folder, a file that cannot be read — must say so (FALSE, or an error code)
// and lose nothing that was there: the file keeps every byte and no scraps are left.
// Each case runs in a child, since the limit and the dropped privileges are per process.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/write_failures.h"
#include "tests/reliability/fault_helpers.h"
#include "tests/support/sandbox.h"

namespace {

const std::string kSettings =
    "; kept\r\n[Config]\r\nCurrentSet=Coast\r\nLastDate=12/7/1999\r\n\r\n[Coast]\r\nBeach=beach\r\n";
const std::string kRegistry =
    "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Kept]\r\n\"Name\"=\"value\"\r\n\r\n";

// Makes every file this process writes stop at `bytes` (writes past it fail with EFBIG
// instead of killing the process).
void LimitFileSize(rlim_t bytes) {
  signal(SIGXFSZ, SIG_IGN);
  rlimit limit{bytes, bytes};
  setrlimit(RLIMIT_FSIZE, &limit);
}

// The child's verdict on what it was told: 0 when the write failed and that failure was
// recorded once, for `file`, with `error`, so the program can name both to its user.
int RecordedOnce(const std::string& file, int error) {
  std::vector<WriteFailure> failed = WriteFailures();
  return failed.size() == 1 && failed[0].file == file && failed[0].error == error ? 0 : 5;
}

int WriteLongValue(const std::string& file) {
  const std::string big(4096, 'x');
  return WritePrivateProfileString("Config", "LastDate", big.c_str(), file.c_str()) ? 1 : 0;
}

int SetLongRegistryValue() {
  HKEY key = nullptr;
  if (RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Kept", 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return 2;
  const std::string big(4096, 'x');
  LONG r = RegSetValueEx(key, "Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(big.c_str()),
                         static_cast<DWORD>(big.size() + 1));
  RegCloseKey(key);
  return r == ERROR_SUCCESS ? 1 : r == ERROR_ACCESS_DENIED ? 0 : 3;
}

class FailedWrite : public ::testing::Test {
 protected:
  void SetUp() override {
    settings = sandbox.path("data/quillmrk.ini");
    sandbox.writeFile(settings, kSettings);
    registry = sandbox.windowsDirectory() + "/user.reg";
    sandbox.writeFile(registry, kRegistry);
  }
  void TearDown() override {
    chmod(sandbox.path("data").c_str(), 0755);
    chmod(sandbox.windowsDirectory().c_str(), 0755);
    chmod(settings.c_str(), 0644);
  }
  // The child's verdict (0: the write said it failed), then nothing lost, no scraps.
  void ExpectRefusedAndKept(const fault::Ending& ending, const std::string& file, const std::string& bytes) {
    ASSERT_TRUE(ending.exited) << "the writer died of signal " << ending.code;
    EXPECT_EQ(ending.code, 0) << "1: the failed write reported success; 5: not recorded once with its reason; "
                                 "6/7: an unchanged value failed; 2/3: unexpected error";
    chmod(file.c_str(), 0644);
    EXPECT_EQ(sandbox.readFile(file), bytes);
    std::string folder = file.substr(0, file.rfind('/'));
    EXPECT_TRUE(fault::NamesStartingWith(folder, ".qm-").empty()) << "a temporary file was left in " << folder;
  }

  Sandbox sandbox;
  std::string settings, registry;
};

TEST_F(FailedWrite, FullDiskKeepsTheSettingsFile) {
  int pid = fault::Spawn([&] {
    LimitFileSize(kSettings.size() + 100);
    // Twice: the program hears of the file once however many keys fail.
    if (WriteLongValue(settings) || WriteLongValue(settings)) return 1;
    return RecordedOnce(settings, EFBIG);
  });
  ExpectRefusedAndKept(fault::Wait(pid), settings, kSettings);
  // Once there is room again the same write goes through.
  EXPECT_EQ(WriteLongValue(settings), 1);
}

TEST_F(FailedWrite, FullDiskKeepsTheRegistryFile) {
  int pid = fault::Spawn([&] {
    LimitFileSize(kRegistry.size() + 400);
    int r = SetLongRegistryValue();
    return r ? r : RecordedOnce(registry, EFBIG);
  });
  ExpectRefusedAndKept(fault::Wait(pid), registry, kRegistry);
  EXPECT_EQ(SetLongRegistryValue(), 1);
}

TEST_F(FailedWrite, ReadOnlyFolderKeepsTheSettingsFile) {
  chmod(sandbox.path("data").c_str(), 0555);
  int pid = fault::Spawn([&] {
    fault::DropFileOverride();
    // A value that is already there needs no write, so it cannot fail.
    if (!WritePrivateProfileString("Config", "CurrentSet", "Coast", settings.c_str())) return 6;
    if (!WriteFailures().empty()) return 7;
    if (WriteLongValue(settings)) return 1;
    return RecordedOnce(settings, EACCES);
  });
  ExpectRefusedAndKept(fault::Wait(pid), settings, kSettings);
}

TEST_F(FailedWrite, ReadOnlyWindowsDirectoryKeepsTheRegistryFile) {
  chmod(sandbox.windowsDirectory().c_str(), 0555);
  int pid = fault::Spawn([&] {
    fault::DropFileOverride();
    int r = SetLongRegistryValue();
    return r ? r : RecordedOnce(registry, EACCES);
  });
  ExpectRefusedAndKept(fault::Wait(pid), registry, kRegistry);
}

TEST_F(FailedWrite, UnreadableSettingsFileIsNotOverwritten) {
  chmod(settings.c_str(), 0);
  int pid = fault::Spawn([&] {
    fault::DropFileOverride();
    char value[16];
    // Reading it gives the default, and writing must not take it for an empty file.
    GetPrivateProfileString("Config", "CurrentSet", "none", value, sizeof value, settings.c_str());
    if (std::string(value) != "none") return 4;
    if (WritePrivateProfileString("Config", "CurrentSet", "Birds", settings.c_str())) return 1;
    return RecordedOnce(settings, EACCES);
  });
  ExpectRefusedAndKept(fault::Wait(pid), settings, kSettings);
}

TEST_F(FailedWrite, UnreadableRegistryFileIsNotOverwritten) {
  chmod(registry.c_str(), 0);
  int pid = fault::Spawn([&] {
    fault::DropFileOverride();
    return SetLongRegistryValue() == 2 ? 0 : 1;  // the key cannot even be opened
  });
  ExpectRefusedAndKept(fault::Wait(pid), registry, kRegistry);
}

// quillidle has no window: a log-on entry it cannot write is one line on stderr, with
// the file and the reason, and exit status 1.
TEST_F(FailedWrite, QuillidleSaysWhichEntryItCouldNotWrite) {
  const std::string program = std::string(QM_BIN_DIR) + "/quillidle";
  if (access(program.c_str(), X_OK) != 0) GTEST_SKIP() << "quillidle is not built";
  const std::string autostart = sandbox.path("config/autostart");
  sandbox.writeFile(autostart + "/other.desktop", "[Desktop Entry]\n");
  chmod(autostart.c_str(), 0555);
  fault::Ending ending = fault::RunProgram(program, {"--enable"}, {"DISPLAY", "WAYLAND_DISPLAY"},
                                           sandbox.path("idle.err"), /*withoutFileOverride=*/true);
  chmod(autostart.c_str(), 0755);
  EXPECT_TRUE(ending.exited && ending.code == 1) << ending.code;
  EXPECT_EQ(sandbox.readFile("idle.err"),
            "quillidle: cannot write " + autostart + "/quillidle.desktop: permission denied\n");
  EXPECT_FALSE(sandbox.exists(autostart + "/quillidle.desktop"));
}

}  // namespace
