// Any bytes as an INI file, read through every profile function with buffers of every
// size: no read may run past the caller's buffer, every result is NUL-terminated (lists
// double-NUL), and a result cut to a small buffer is the start of the full one.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/profile.h"

namespace {

constexpr DWORD kBig = 1 << 16;
// What the suite's programs use for one value.
constexpr DWORD kValue = 8192;

// Exactly `size` bytes on the heap, so the sanitizer sees a write past the end.
struct Buffer {
  explicit Buffer(DWORD n) : bytes(n, '\x7f'), size(n) {}
  std::vector<char> bytes;
  DWORD size;
  char* data() { return bytes.data(); }
};

void CheckText(const Buffer& b, DWORD n) {
  if (n >= b.size) fuzz::Fail("text result does not fit its buffer");
  if (b.bytes[n] != '\0') fuzz::Fail("text result not NUL-terminated");
  if (std::memchr(b.bytes.data(), '\0', n)) fuzz::Fail("text result holds a NUL");
}

void CheckList(const Buffer& b, DWORD n) {
  if (b.size <= 2 && n == 0) return;
  if (n >= b.size) fuzz::Fail("list result does not fit its buffer");
  if (b.bytes[n] != '\0') fuzz::Fail("list result not NUL-terminated");
  if (n > 0 && b.bytes[n - 1] != '\0' && n + 1 < b.size && b.bytes[n + 1] != '\0')
    fuzz::Fail("list result not double-NUL ended");
}

std::vector<std::string> Split(const Buffer& b, DWORD n) {
  std::vector<std::string> names;
  for (DWORD i = 0; i < n;) {
    std::string name(b.bytes.data() + i);
    i += static_cast<DWORD>(name.size()) + 1;
    if (!name.empty()) names.push_back(name);
  }
  return names;
}

void CheckPrefix(const std::string& part, const std::string& full) {
  if (full.compare(0, part.size(), part) != 0) fuzz::Fail("cut result is not a prefix of the full one");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  // The first byte picks the small buffer size (1..256); the rest is the file.
  const DWORD small = static_cast<DWORD>(data[0]) + 1;
  static const std::string file = fuzz::ScratchPath("read.ini");
  fuzz::WriteFile(file, data + 1, size - 1);
  const char* path = file.c_str();

  Buffer sections(kBig);
  DWORD n = GetPrivateProfileSectionNames(sections.data(), sections.size, path);
  CheckList(sections, n);
  Buffer viaString(kBig);
  DWORD m = GetPrivateProfileString(nullptr, nullptr, "", viaString.data(), viaString.size, path);
  CheckList(viaString, m);
  {
    Buffer cut(small);
    CheckList(cut, GetPrivateProfileSectionNames(cut.data(), cut.size, path));
  }

  std::vector<std::string> names = Split(sections, n);
  if (names.size() > 8) names.resize(8);
  names.push_back("no such section");
  for (const std::string& s : names) {
    Buffer keys(kBig);
    DWORD k = GetPrivateProfileString(s.c_str(), nullptr, "", keys.data(), keys.size, path);
    CheckList(keys, k);
    Buffer whole(kBig);
    CheckList(whole, GetPrivateProfileSection(s.c_str(), whole.data(), whole.size, path));
    {
      Buffer cut(small);
      CheckList(cut, GetPrivateProfileSection(s.c_str(), cut.data(), cut.size, path));
      Buffer cutKeys(small);
      CheckList(cutKeys, GetPrivateProfileString(s.c_str(), nullptr, "d", cutKeys.data(), cutKeys.size, path));
    }
    std::vector<std::string> keyNames = Split(keys, k);
    if (keyNames.size() > 16) keyNames.resize(16);
    keyNames.push_back("no such key");
    for (const std::string& key : keyNames) {
      Buffer value(kValue);
      DWORD v = GetPrivateProfileString(s.c_str(), key.c_str(), "default", value.data(), value.size, path);
      CheckText(value, v);
      Buffer cut(small);
      DWORD c = GetPrivateProfileString(s.c_str(), key.c_str(), "default", cut.data(), cut.size, path);
      CheckText(cut, c);
      CheckPrefix(std::string(cut.data(), c), std::string(value.data(), v));
      GetPrivateProfileInt(s.c_str(), key.c_str(), -7, path);
    }
  }
  return 0;
}
