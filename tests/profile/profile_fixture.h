#pragma once
// Shared fixture of the profile tests: one INI file in a sandbox, written and read back as
// exact bytes, and calls that capture the whole output buffer (pre-filled with 'x', so
// bytes the function must not touch are visible).
#include <gtest/gtest.h>

#include <string>

#include "platform/profile.h"
#include "tests/support/sandbox.h"

using namespace std::string_literals;

struct Got {
  DWORD ret;
  std::string buf;  // all `size` bytes of the buffer
};

class ProfileTest : public ::testing::Test {
 protected:
  Sandbox sb;
  std::string file = sb.path("test.ini");

  void put(const std::string& bytes) { sb.writeFile(file, bytes); }
  std::string bytes() const { return sb.readFile(file); }

  Got str(const char* section, const char* key, const char* def, DWORD size = 64,
          const char* name = nullptr) const {
    std::string buf(size, 'x');
    DWORD ret = GetPrivateProfileString(section, key, def, buf.data(), size, name ? name : file.c_str());
    return {ret, buf};
  }
  // The string result alone, for tables of plain lookups.
  std::string value(const char* section, const char* key, const char* def = "DEF") const {
    Got g = str(section, key, def, 256);
    return g.buf.substr(0, g.ret);
  }
  Got section(const char* name, DWORD size = 64) const {
    std::string buf(size, 'x');
    return {GetPrivateProfileSection(name, buf.data(), size, file.c_str()), buf};
  }
  BOOL write(const char* section, const char* key, const char* value) const {
    return WritePrivateProfileString(section, key, value, file.c_str());
  }
};
