// A writer killed with SIGKILL at a random moment, again and again: the settings file and
// the registry file must always hold a complete state, old or new, never a torn or empty
// one, and never go back to an older state than one already seen. QM_KILLS sets how many
// kills (default 50; run with 1000 or more by hand).
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "platform/profile.h"
#include "platform/reg_text.h"
#include "platform/registry.h"
#include "tests/reliability/fault_helpers.h"
#include "tests/support/sandbox.h"

namespace {

constexpr int kKeys = 10;

std::string KeyName(int k) { return "K" + std::to_string(k); }

// A large untouched part makes each write long enough for kills to land inside it.
std::string KeepLine(int i) {
  return "Line" + std::to_string(i) + "=a value that must come through every write untouched " +
         std::to_string(i * 7919);
}

// "old" is round -1; otherwise "r<round>". Anything else is not a value the writer wrote.
long RoundOf(const std::string& value) {
  if (value == "old") return -1;
  if (value.size() < 2 || value[0] != 'r') return -2;
  char* end = nullptr;
  long n = std::strtol(value.c_str() + 1, &end, 10);
  return *end == '\0' ? n : -2;
}

// Checks one observed state of the ten keys, written in order K0..K9 round after round:
// every value is one the writer wrote, later keys never hold a newer round than earlier
// ones, and no key went back behind what was seen before.
void CheckState(const std::vector<long>& rounds, std::vector<long>& seen, int attempt) {
  for (int k = 0; k < kKeys; ++k) {
    ASSERT_NE(rounds[k], -2) << "key " << KeyName(k) << " holds a value nobody wrote, after kill " << attempt;
    if (k > 0) {
      ASSERT_LE(rounds[k], rounds[k - 1]) << "writes seen out of order after kill " << attempt;
    }
    ASSERT_GE(rounds[k], seen[k]) << KeyName(k) << " went back to an older value after kill " << attempt;
    seen[k] = rounds[k];
  }
}

// How long `write` takes ten times here and now, in microseconds: kills are spread over a
// few write rounds, so that they land in every phase of a write however fast the machine.
template <typename Write>
int TimeOfRound(Write write) {
  auto start = std::chrono::steady_clock::now();
  for (int k = 0; k < kKeys; ++k) write(k);
  auto spent = std::chrono::steady_clock::now() - start;
  return static_cast<int>(std::chrono::duration_cast<std::chrono::microseconds>(spent).count()) + 1;
}

// Starts a writer running `round` and kills it after a random time of up to `maxDelay` us.
template <typename WriteRound>
void KillWriter(int attempt, int maxDelay, std::mt19937& random, WriteRound writeRound) {
  int pid = fault::Spawn([&] {
    for (long round = static_cast<long>(attempt) * 1000000;; ++round) writeRound(round);
    return 0;
  });
  ASSERT_GT(pid, 0);
  usleep(std::uniform_int_distribution<int>(0, maxDelay)(random));
  kill(pid, SIGKILL);
  fault::Ending ending = fault::Wait(pid);
  ASSERT_FALSE(ending.exited) << "the writer ended on its own (code " << ending.code << ")";
}

TEST(KilledWriter, SettingsFileIsAlwaysWholeAndNeverGoesBack) {
  Sandbox sandbox;
  const std::string file = sandbox.path("quillmrk.ini");
  std::string keep;
  for (int i = 0; i < 300; ++i) keep += KeepLine(i) + "\r\n";
  std::string initial = "; written by the test\r\n[Config]\r\n";
  for (int k = 0; k < kKeys; ++k) initial += KeyName(k) + "=old\r\n";
  initial += "\r\n[Keep]\r\n" + keep;
  sandbox.writeFile(file, initial);

  const int kills = fault::CountFromEnvironment("QM_KILLS", 50);
  std::mt19937 random(std::random_device{}());
  std::vector<long> seen(kKeys, -1);
  const int maxDelay = 3 * TimeOfRound([&](int k) {
    WritePrivateProfileString("Config", "Warmup", std::to_string(k).c_str(), file.c_str());
  });
  for (int attempt = 0; attempt < kills; ++attempt) {
    KillWriter(attempt, maxDelay, random, [&](long round) {
      std::string value = "r" + std::to_string(round);
      for (int k = 0; k < kKeys; ++k)
        WritePrivateProfileString("Config", KeyName(k).c_str(), value.c_str(), file.c_str());
    });

    const std::string bytes = sandbox.readFile(file);
    ASSERT_FALSE(bytes.empty()) << "empty settings file after kill " << attempt;
    ASSERT_NE(bytes.find(keep), std::string::npos) << "the untouched section was damaged after kill " << attempt;
    ASSERT_EQ(bytes.rfind("; written by the test\r\n[Config]\r\n", 0), 0u);
    std::vector<long> rounds;
    for (int k = 0; k < kKeys; ++k) {
      char value[64];
      GetPrivateProfileString("Config", KeyName(k).c_str(), "missing", value, sizeof value, file.c_str());
      rounds.push_back(RoundOf(value));
    }
    ASSERT_NO_FATAL_FAILURE(CheckState(rounds, seen, attempt));
  }
  EXPECT_GT(seen[0], -1) << "no write was ever completed: the kills came too early to test anything";
  // Temporary files of writers that died mid-write stay behind; say how many.
  RecordProperty("left_temporary_files",
                 static_cast<int>(fault::NamesStartingWith(sandbox.root(), ".qm-").size()));
}

TEST(KilledWriter, RegistryFileIsAlwaysWholeAndNeverGoesBack) {
  Sandbox sandbox;
  const std::string file = sandbox.windowsDirectory() + "/user.reg";
  std::string text = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Keep]\r\n";
  for (int i = 0; i < 300; ++i) text += "\"V" + std::to_string(i) + "\"=\"" + KeepLine(i) + "\"\r\n";
  text += "\r\n[HKEY_CURRENT_USER\\Software\\Test]\r\n";
  for (int k = 0; k < kKeys; ++k) text += "\"" + KeyName(k) + "\"=\"old\"\r\n";
  sandbox.writeFile(file, text);

  const int kills = fault::CountFromEnvironment("QM_KILLS", 50);
  std::mt19937 random(std::random_device{}());
  std::vector<long> seen(kKeys, -1);
  const int maxDelay = 3 * TimeOfRound([&](int k) {
    HKEY key = nullptr;
    RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Test", 0, KEY_ALL_ACCESS, &key);
    std::string value = std::to_string(k);
    RegSetValueEx(key, "Warmup", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                  static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
  });
  for (int attempt = 0; attempt < kills; ++attempt) {
    KillWriter(attempt, maxDelay, random, [&](long round) {
      HKEY key = nullptr;
      if (RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Test", 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
      std::string value = "r" + std::to_string(round);
      for (int k = 0; k < kKeys; ++k)
        RegSetValueEx(key, KeyName(k).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                      static_cast<DWORD>(value.size() + 1));
      RegCloseKey(key);
    });

    const std::string bytes = sandbox.readFile(file);
    RegDocument doc = ParseRegText(bytes);
    ASSERT_TRUE(doc.problems.empty()) << "registry file broken after kill " << attempt << ":\n" << bytes;
    RegKeyEntry* keepKey = doc.findKey("HKEY_CURRENT_USER\\Software\\Keep");
    ASSERT_NE(keepKey, nullptr) << "a key was lost after kill " << attempt;
    ASSERT_EQ(keepKey->values.size(), 300u);
    for (int i = 0; i < 300; ++i)
      ASSERT_EQ(keepKey->values[i].data, KeepLine(i) + '\0') << "value V" << i << " after kill " << attempt;
    RegKeyEntry* testKey = doc.findKey("HKEY_CURRENT_USER\\Software\\Test");
    ASSERT_NE(testKey, nullptr);
    std::vector<long> rounds;
    for (int k = 0; k < kKeys; ++k) {
      RegValueEntry* v = testKey->findValue(KeyName(k));
      ASSERT_NE(v, nullptr) << KeyName(k) << " lost after kill " << attempt;
      rounds.push_back(RoundOf(v->data.substr(0, v->data.find('\0'))));
    }
    ASSERT_NO_FATAL_FAILURE(CheckState(rounds, seen, attempt));
  }
  EXPECT_GT(seen[0], -1) << "no write was ever completed: the kills came too early to test anything";
}

}  // namespace
