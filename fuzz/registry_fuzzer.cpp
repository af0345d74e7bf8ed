// Any bytes as user.reg. The text layer: what was read, once written, reads back without
// a problem and writes out byte for byte the same. The registry functions on that file: a
// change to one value keeps every key and value that could be read.
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/paths.h"
#include "platform/reg_text.h"
#include "platform/registry.h"

namespace {

const char kProbeKey[] = "Software\\QuillMark Fuzz";

// Every value of `before` is in `after` with the same type and bytes.
void CheckKept(const RegDocument& before, RegDocument& after, const char* what) {
  for (const RegKeyEntry& key : before.keys) {
    RegKeyEntry* found = after.findKey(key.path);
    if (!found) fuzz::Fail(what);
    for (const RegValueEntry& value : key.values) {
      // The one value the change itself aims at.
      if (RegNamesEqual(key.path, std::string("HKEY_CURRENT_USER\\") + kProbeKey) &&
          RegNamesEqual(value.name, "Probe"))
        continue;
      RegValueEntry* v = found->findValue(value.name);
      if (!v || v->type != value.type || v->data != value.data) fuzz::Fail(what);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  RegDocument first = ParseRegText(bytes);
  const std::string written = FormatRegText(first);
  RegDocument second = ParseRegText(written);
  if (!second.problems.empty()) fuzz::Fail("written registry text does not read back cleanly");
  if (FormatRegText(second) != written) fuzz::Fail("registry text changes on a second round");
  CheckKept(first, second, "a key or value was lost between reading and writing");

  // The same bytes as the registry file, then one change through the registry functions.
  static const std::string file = [] {
    fuzz::Scratch();
    return WindowsDirectory() + "/user.reg";
  }();
  fuzz::WriteFile(file, data, size);
  {
    fuzz::QuietStderr quiet;  // broken lines are reported on stderr, as they should be
    HKEY key = nullptr;
    if (RegCreateKeyEx(HKEY_CURRENT_USER, kProbeKey, &key) != ERROR_SUCCESS)
      fuzz::Fail("a key could not be created in a readable registry file");
    const char text[] = "probe";
    if (RegSetValueEx(key, "Probe", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text) !=
        ERROR_SUCCESS)
      fuzz::Fail("a value could not be set in a readable registry file");
    BYTE back[16] = {};
    DWORD backSize = sizeof back, type = 0;
    if (RegQueryValueEx(key, "Probe", nullptr, &type, back, &backSize) != ERROR_SUCCESS ||
        type != REG_SZ || backSize != sizeof text || std::string(reinterpret_cast<char*>(back)) != text)
      fuzz::Fail("a value set does not read back");
    RegCloseKey(key);
  }
  RegDocument stored = ParseRegText(fuzz::ReadFile(file));
  if (!stored.problems.empty()) fuzz::Fail("the rewritten registry file has problems");
  CheckKept(first, stored, "a readable key or value was lost by a change");
  // A broken file is kept beside the new one; leave none for the next input.
  std::remove((file + ".bak").c_str());
  return 0;
}
