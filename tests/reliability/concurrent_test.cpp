// Two processes writing different keys of the same file at the same moment must both
// keep every key: after each write a writer checks that all of its own keys still hold
// what it last wrote (another writer's stale copy of the file would have taken them back).
// QM_WRITES sets the writes per process (default 500; run with 10000 or more by hand).
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/profile.h"
#include "platform/registry.h"
#include "tests/reliability/fault_helpers.h"
#include "tests/support/sandbox.h"

namespace {

constexpr int kKeysPerWriter = 8;

struct Store {
  std::function<bool(const std::string& key, const std::string& value)> write;
  std::function<std::string(const std::string& key)> read;
};

// Writes `writes` values over this writer's keys and returns how many times one of its
// keys was found to have lost its value (at most 100).
int Writer(char name, int writes, int startPipe, const Store& store) {
  char go;
  if (read(startPipe, &go, 1) != 1) return 101;
  std::vector<std::string> last(kKeysPerWriter);
  int lost = 0;
  for (int i = 0; i < writes && lost < 100; ++i) {
    const int k = i % kKeysPerWriter;
    const std::string key = std::string(1, name) + std::to_string(k);
    last[k] = std::to_string(i);
    if (!store.write(key, last[k])) return 102;
    for (int j = 0; j < kKeysPerWriter; ++j)
      if (!last[j].empty() && store.read(std::string(1, name) + std::to_string(j)) != last[j]) ++lost;
  }
  return lost;
}

// Runs writers A and B at once; both must finish without a loss, and the file must end
// with every key of both.
void RunTwoWriters(const Store& store) {
  const int writes = fault::CountFromEnvironment("QM_WRITES", 500);
  int start[2];
  ASSERT_EQ(pipe(start), 0);
  int a = fault::Spawn([&] { return Writer('A', writes, start[0], store); });
  int b = fault::Spawn([&] { return Writer('B', writes, start[0], store); });
  ASSERT_EQ(write(start[1], "gg", 2), 2);  // both start together
  close(start[0]);
  close(start[1]);
  fault::Ending endA = fault::Wait(a, 900), endB = fault::Wait(b, 900);
  ASSERT_TRUE(endA.exited && endB.exited) << "a writer crashed or hung";
  EXPECT_EQ(endA.code, 0) << "writer A lost this many of its values (101/102: could not start/write)";
  EXPECT_EQ(endB.code, 0) << "writer B lost this many of its values (101/102: could not start/write)";
  for (char name : {'A', 'B'})
    for (int k = 0; k < kKeysPerWriter && k < writes; ++k) {
      int lastWrite = (writes - 1) - ((writes - 1 - k) % kKeysPerWriter);
      EXPECT_EQ(store.read(std::string(1, name) + std::to_string(k)), std::to_string(lastWrite))
          << name << k;
    }
}

TEST(ConcurrentWriters, BothKeepTheirKeysInOneSettingsFile) {
  Sandbox sandbox;
  const std::string file = sandbox.path("quillmrk.ini");
  sandbox.writeFile(file, "[Config]\r\nShared=1\r\n");
  Store store{
      [&](const std::string& key, const std::string& value) {
        return WritePrivateProfileString("Config", key.c_str(), value.c_str(), file.c_str()) != FALSE;
      },
      [&](const std::string& key) {
        char value[32];
        GetPrivateProfileString("Config", key.c_str(), "", value, sizeof value, file.c_str());
        return std::string(value);
      }};
  RunTwoWriters(store);
  char shared[8];
  GetPrivateProfileString("Config", "Shared", "", shared, sizeof shared, file.c_str());
  EXPECT_STREQ(shared, "1");
}

TEST(ConcurrentWriters, BothKeepTheirValuesInTheRegistry) {
  Sandbox sandbox;
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Concurrent", &key), ERROR_SUCCESS);
  RegCloseKey(key);
  Store store{
      [](const std::string& name, const std::string& value) {
        HKEY k = nullptr;
        if (RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Concurrent", 0, KEY_ALL_ACCESS, &k) != ERROR_SUCCESS)
          return false;
        LONG r = RegSetValueEx(k, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                               static_cast<DWORD>(value.size() + 1));
        RegCloseKey(k);
        return r == ERROR_SUCCESS;
      },
      [](const std::string& name) {
        HKEY k = nullptr;
        if (RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Concurrent", 0, KEY_READ, &k) != ERROR_SUCCESS)
          return std::string("(no key)");
        char value[32] = {};
        DWORD size = sizeof value;
        LONG r = RegQueryValueEx(k, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
        RegCloseKey(k);
        return r == ERROR_SUCCESS ? std::string(value) : std::string();
      }};
  RunTwoWriters(store);
}

}  // namespace
