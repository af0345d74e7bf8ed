// One write into any INI file. What the write did not aim at must survive it: every other
// section and key reads back as before, the file's bytes change within one line only (for
// a key write or delete), a refused write leaves the file as it was, a written value
// reads back, and doing the same write again changes nothing.
//
// Input: one operation byte, then "section\0key\0value\0", then the file's bytes.
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/ini_text.h"
#include "platform/profile.h"

namespace {

constexpr DWORD kBig = 1 << 17;

std::vector<std::string> List(const char* section, const char* path) {
  std::vector<char> buffer(kBig);
  DWORD n = section ? GetPrivateProfileString(section, nullptr, "", buffer.data(), kBig, path)
                    : GetPrivateProfileSectionNames(buffer.data(), kBig, path);
  std::vector<std::string> names;
  for (DWORD i = 0; i < n;) {
    std::string name(buffer.data() + i);
    i += static_cast<DWORD>(name.size()) + 1;
    if (!name.empty()) names.push_back(name);
  }
  return names;
}

std::string Read(const std::string& section, const std::string& key, const char* path) {
  std::vector<char> buffer(kBig);
  DWORD n = GetPrivateProfileString(section.c_str(), key.c_str(), "\x01missing", buffer.data(), kBig, path);
  return std::string(buffer.data(), n);
}

using Pairs = std::map<std::pair<std::string, std::string>, std::string>;

// Every (section, key) the listings name, with the value a read gives.
Pairs Snapshot(const char* path) {
  Pairs pairs;
  std::vector<std::string> sections = List(nullptr, path);
  if (sections.size() > 24) sections.resize(24);
  for (const std::string& s : sections) {
    std::vector<std::string> keys = List(s.c_str(), path);
    if (keys.size() > 48) keys.resize(48);
    for (const std::string& k : keys) pairs[{s, k}] = Read(s, k, path);
  }
  return pairs;
}

std::size_t LineBreaks(std::string_view s) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
    if (s[i] == '\r' || s[i] == '\n') ++count;
  }
  return count;
}

// The bytes of `before` that `after` no longer holds lie within one line.
bool ChangedWithinOneLine(const std::string& before, const std::string& after) {
  std::size_t limit = std::min(before.size(), after.size());
  std::size_t p = 0;
  while (p < limit && before[p] == after[p]) ++p;
  std::size_t s = 0;
  while (s < limit - p && before[before.size() - 1 - s] == after[after.size() - 1 - s]) ++s;
  return LineBreaks(std::string_view(before).substr(p, before.size() - p - s)) <= 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const int op = data[0] % 4;
  std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::string parts[3];
  std::size_t at = 0;
  for (std::string& part : parts) {
    std::size_t end = rest.find('\0', at);
    if (end == std::string::npos) return 0;
    part = rest.substr(at, end - at);
    at = end + 1;
  }
  const std::string& section = parts[0];
  const std::string& key = parts[1];
  const std::string& value = parts[2];
  const std::string original = rest.substr(at);

  static const std::string file = fuzz::ScratchPath("write.ini");
  const char* path = file.c_str();
  fuzz::WriteFile(file, original.data(), original.size());
  const Pairs before = Snapshot(path);

  BOOL ok = FALSE;
  auto apply = [&] {
    switch (op) {
      case 0: return WritePrivateProfileString(section.c_str(), key.c_str(), value.c_str(), path);
      case 1: return WritePrivateProfileString(section.c_str(), key.c_str(), nullptr, path);
      case 2: return WritePrivateProfileString(section.c_str(), nullptr, nullptr, path);
      default: {
        // The value, with "\x01" standing for the NUL between entries.
        std::string list = value;
        for (char& c : list)
          if (c == '\x01') c = '\0';
        list.append(2, '\0');
        return WritePrivateProfileSection(section.c_str(), list.c_str(), path);
      }
    }
  };
  ok = apply();
  const std::string after = fuzz::ReadFile(file);
  if (!ok) {
    if (after != original) fuzz::Fail("a refused write changed the file");
    return 0;
  }

  const ini::FileImage image = ini::DecodeFile(original);
  const std::string target = ini::ToImageText(image, ini::StripSpaces(section));
  const std::string targetKey = ini::ToImageText(image, ini::StripSpaces(key));
  const Pairs now = Snapshot(path);
  for (const auto& [name, old] : before) {
    bool sameSection = ini::SameName(ini::Trim(name.first), ini::Trim(target));
    if (sameSection && (op >= 2 || ini::SameName(name.second, targetKey))) continue;
    auto found = now.find(name);
    // Listings are cut to a few dozen names, so a name may just fall out of the window.
    if (found == now.end()) {
      if (Read(name.first, name.second, path) != old) fuzz::Fail("an untouched key was lost");
    } else if (found->second != old) {
      fuzz::Fail("an untouched key changed its value");
    }
  }

  const bool plainBytes = !image.utf16;
  if (plainBytes && op <= 1 && !ChangedWithinOneLine(original, after))
    fuzz::Fail("a key write changed more than one line");

  const std::string_view bareKey = ini::StripSpaces(key);
  if (op == 0 && !bareKey.empty() && bareKey.front() != ';') {
    std::string expected(ini::Unquote(ini::Trim(ini::ToImageText(image, value))));
    if (Read(section, key, path) != expected) fuzz::Fail("a written value does not read back");
  }

  // A key that starts with ";" is written as a comment line, which no read or later write
  // finds again: each write of it adds a line, as on the old platform. Deletes are left
  // out too: with duplicate sections or keys each delete takes the next copy.
  const bool commentKey = !bareKey.empty() && bareKey.front() == ';';
  if (op == 0 && !commentKey) {
    if (!apply()) fuzz::Fail("the same write failed the second time");
    if (fuzz::ReadFile(file) != after) fuzz::Fail("the same write changed the file again");
  }
  return 0;
}
