#pragma once
// The ".reg" version 5 text in which the registry stand-in keeps its keys, read the
// lenient way the old platform's registry import read it and written the way its
// registry editor exported it.
//
// Reading goes line by line and keeps whatever can be read: a broken line is dropped
// and recorded as a problem (line number and reason), the rest of the file still counts.
// Spaces and tabs around "=", 1 to 8 hex digits after "dword:", ';' and '#' comment
// lines, hex values continued with "\" over several lines, and the deletion forms
// "[-KEY]" and "\"name\"=-" are understood. A UTF-8 or UTF-16LE byte-order mark is
// accepted (the old registry editor saved UTF-16LE); a missing header is a problem,
// but the lines are read all the same.
//
// Writing: "Windows Registry Editor Version 5.00", a blank line, then every key as
// "[path]" followed by its values in creation order and a blank line; keys come
// parent first, subkeys in alphabetical order. Strings are "name"="text" with only
// "\" and "\"" escaped, the default value is @=..., 32-bit numbers are dword:%08x; any
// other value read from a file is kept as hex(n): bytes. CR LF line ends, no BOM.
#include <string>
#include <vector>

#include "platform/types.h"

struct RegValueEntry {
  std::string name;  // "" is the key's default value
  DWORD type = 0;
  // The bytes a program reads back: a string with its terminating NUL, a number as
  // 4 bytes little-endian, anything else as it was in the file.
  std::string data;
};

struct RegKeyEntry {
  std::string path;  // full path as spelled when created: "HKEY_CURRENT_USER\\Software\\..."
  std::vector<RegValueEntry> values;  // creation order

  // Names match without regard to (ASCII) letter case.
  RegValueEntry* findValue(const std::string& name);
  // Replaces the data of an existing value in place (keeping its position and spelling)
  // or appends a new one.
  void setValue(const std::string& name, DWORD type, const std::string& data);
  bool deleteValue(const std::string& name);
};

struct RegProblem {
  int line = 0;  // 1-based
  std::string reason;  // what is wrong and what became of the line
};

struct RegDocument {
  std::vector<RegKeyEntry> keys;
  std::vector<RegProblem> problems;  // filled by ParseRegText

  RegKeyEntry* findKey(const std::string& path);
  // The key, created (with every missing parent below the root) when it is new.
  RegKeyEntry& addKey(const std::string& path);
  // Removes the key and everything below it; false when there was no such key.
  bool deleteKeyTree(const std::string& path);
  // Full paths of the keys directly below `path`, in no particular order.
  std::vector<std::string> subkeys(const std::string& path) const;
};

// ASCII case-insensitive equality of registry names and paths.
bool RegNamesEqual(const std::string& a, const std::string& b);

RegDocument ParseRegText(const std::string& bytes);
std::string FormatRegText(const RegDocument& document);

// A value whose name or string data holds CR or LF has no line-based form here;
// string data with either is refused by the registry functions.
bool RegTextCanHold(const std::string& text);
