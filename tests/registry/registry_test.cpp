#include "platform/registry.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/paths.h"
#include "tests/support/sandbox.h"

namespace {

const char kProfileKey[] = "Software\\QuillMark Corporation\\QuillMark Configuration";

std::string regFile(const Sandbox& box) { return box.windowsDirectory() + "/user.reg"; }

// Every registry file holds the user's Startup folder, as the old shell's did.
std::string shellFolderKeys(const Sandbox& box) {
  const std::string base = "[HKEY_CURRENT_USER\\Software\\Microsoft";
  return base + "]\r\n\r\n" + base + "\\Windows]\r\n\r\n" + base +
         "\\Windows\\CurrentVersion]\r\n\r\n" + base +
         "\\Windows\\CurrentVersion\\Explorer]\r\n\r\n" + base +
         "\\Windows\\CurrentVersion\\Explorer\\Shell Folders]\r\n"
         "\"Startup\"=\"" + box.root() + "/config/autostart/\"\r\n\r\n";
}

LONG setString(HKEY key, const char* name, const std::string& text) {
  return RegSetValueEx(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
}

LONG setNumber(HKEY key, const char* name, DWORD number) {
  BYTE bytes[4] = {static_cast<BYTE>(number), static_cast<BYTE>(number >> 8),
                   static_cast<BYTE>(number >> 16), static_cast<BYTE>(number >> 24)};
  return RegSetValueEx(key, name, 0, REG_DWORD, bytes, 4);
}

// The string value, or "<missing>" / "<error N>".
std::string getString(HKEY key, const char* name) {
  char buffer[520] = {};
  DWORD size = sizeof buffer, type = 0;
  LONG r = RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  if (r == ERROR_FILE_NOT_FOUND) return "<missing>";
  if (r != ERROR_SUCCESS || type != REG_SZ) return "<error " + std::to_string(r) + ">";
  return std::string(buffer);
}

DWORD getNumber(HKEY key, const char* name) {
  DWORD value = 0, size = 4, type = 0;
  EXPECT_EQ(RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  return value;
}

HKEY openKey(const char* path) {
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, path, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS) << path;
  return key;
}

HKEY createKey(const char* path) {
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, path, &key), ERROR_SUCCESS) << path;
  return key;
}

std::vector<std::string> valueNames(HKEY key) {
  std::vector<std::string> names;
  for (DWORD i = 0;; ++i) {
    char name[260];
    DWORD nameSize = sizeof name;
    LONG r = RegEnumValue(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr);
    if (r == ERROR_NO_MORE_ITEMS) break;
    EXPECT_EQ(r, ERROR_SUCCESS);
    if (r != ERROR_SUCCESS) break;
    names.emplace_back(name, nameSize);
  }
  return names;
}

}  // namespace

TEST(Registry, WritesTheExportLayoutAndReadsItBack) {
  Sandbox box;
  HKEY key = createKey(kProfileKey);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(setNumber(key, "DWORD", 0x100), ERROR_SUCCESS);
  EXPECT_EQ(setString(key, "S", "a\\b\"c"), ERROR_SUCCESS);
  EXPECT_EQ(setString(key, nullptr, "x"), ERROR_SUCCESS);
  RegCloseKey(key);

  EXPECT_EQ(box.readFile(regFile(box)),
            "Windows Registry Editor Version 5.00\r\n"
            "\r\n"
            "[HKEY_CURRENT_USER\\Software]\r\n"
            "\r\n" +
                shellFolderKeys(box) +
            "[HKEY_CURRENT_USER\\Software\\QuillMark Corporation]\r\n"
            "\r\n"
            "[HKEY_CURRENT_USER\\Software\\QuillMark Corporation\\QuillMark Configuration]\r\n"
            "\"DWORD\"=dword:00000100\r\n"
            "\"S\"=\"a\\\\b\\\"c\"\r\n"
            "@=\"x\"\r\n"
            "\r\n");

  key = openKey(kProfileKey);
  EXPECT_EQ(getNumber(key, "DWORD"), 0x100u);
  EXPECT_EQ(getString(key, "S"), "a\\b\"c");
  EXPECT_EQ(getString(key, ""), "x") << "an empty name is the default value";
  EXPECT_EQ(getString(key, "Other"), "<missing>");
  RegCloseKey(key);
}

TEST(Registry, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
  Sandbox box;
  HKEY key = createKey(kProfileKey);
  EXPECT_EQ(setString(key, "ProgramPath", "/opt/qm/"), ERROR_SUCCESS);
  RegCloseKey(key);

  // The launcher spells the company in another case.
  key = openKey("software\\Quillmark Corporation\\Quillmark Configuration");
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(getString(key, "PROGRAMPATH"), "/opt/qm/");
  EXPECT_EQ(setString(key, "programpath", "/new/"), ERROR_SUCCESS);
  EXPECT_EQ(valueNames(key), std::vector<std::string>{"ProgramPath"});
  RegCloseKey(key);

  // Creating an existing key under another spelling adds nothing.
  HKEY again = createKey("SOFTWARE\\QUILLMARK CORPORATION\\QUILLMARK CONFIGURATION");
  RegCloseKey(again);
  std::string text = box.readFile(regFile(box));
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\QuillMark Corporation\\QuillMark Configuration]\r\n"
                      "\"ProgramPath\"=\"/new/\"\r\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("QUILLMARK"), std::string::npos) << text;
}

TEST(Registry, OpeningAMissingKeyFailsAndCreatingMakesItsParents) {
  Sandbox box;
  HKEY key = reinterpret_cast<HKEY>(1);
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, kProfileKey, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, nullptr);
  EXPECT_FALSE(box.exists(regFile(box))) << "reading creates no file";
  HKEY folders = openKey("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
  EXPECT_EQ(getString(folders, "Startup"), box.root() + "/config/autostart/");
  EXPECT_EQ(RegDeleteValue(folders, "Startup"), ERROR_SUCCESS);
  EXPECT_EQ(getString(folders, "Startup"), box.root() + "/config/autostart/")
      << "the shell puts it back";
  RegCloseKey(folders);

  HKEY created = createKey("Software\\A\\B\\C");
  RegCloseKey(created);
  HKEY parent = openKey("Software\\A");
  ASSERT_NE(parent, nullptr);
  HKEY child = nullptr;
  EXPECT_EQ(RegOpenKeyEx(parent, "b\\c", 0, KEY_READ, &child), ERROR_SUCCESS)
      << "a path below an opened key";
  RegCloseKey(child);
  RegCloseKey(parent);

  HKEY bad = nullptr;
  EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\\\Empty", &bad), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Line\nBreak", &bad),
            ERROR_INVALID_PARAMETER);
}

TEST(Registry, EnumerationHonoursBufferSizesAndCreationOrder) {
  Sandbox box;
  HKEY key = createKey("Software\\QuillMark Corporation\\QuillMark Configuration\\SetDescriptions");
  EXPECT_EQ(setString(key, "Zebra Set", "Zebras\\"), ERROR_SUCCESS);
  EXPECT_EQ(setString(key, "Birds", "Birds\\"), ERROR_SUCCESS);
  EXPECT_EQ(setNumber(key, "Count", 7), ERROR_SUCCESS);
  EXPECT_EQ(valueNames(key), (std::vector<std::string>{"Zebra Set", "Birds", "Count"}))
      << "creation order, not alphabetical";

  char name[260];
  BYTE data[520];
  DWORD nameSize = 9, dataSize = sizeof data, type = 0;  // "Zebra Set" needs 10 with its NUL
  EXPECT_EQ(RegEnumValue(key, 0, name, &nameSize, nullptr, &type, data, &dataSize), ERROR_MORE_DATA);
  EXPECT_EQ(nameSize, 10u);
  EXPECT_EQ(dataSize, 8u);

  nameSize = 10;
  dataSize = 7;  // "Zebras\" needs 8 with its NUL
  EXPECT_EQ(RegEnumValue(key, 0, name, &nameSize, nullptr, &type, data, &dataSize), ERROR_MORE_DATA);
  EXPECT_EQ(dataSize, 8u);

  nameSize = 10;
  dataSize = 8;
  ASSERT_EQ(RegEnumValue(key, 0, name, &nameSize, nullptr, &type, data, &dataSize), ERROR_SUCCESS);
  EXPECT_EQ(nameSize, 9u) << "the length without the NUL";
  EXPECT_STREQ(name, "Zebra Set");
  EXPECT_EQ(type, REG_SZ);
  EXPECT_STREQ(reinterpret_cast<char*>(data), "Zebras\\");

  nameSize = sizeof name;
  dataSize = 0;
  ASSERT_EQ(RegEnumValue(key, 2, name, &nameSize, nullptr, &type, nullptr, &dataSize), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(dataSize, 4u) << "no data buffer asks the size";

  nameSize = sizeof name;
  EXPECT_EQ(RegEnumValue(key, 3, name, &nameSize, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);

  // The same rules for a single query.
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueEx(key, "Birds", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 7u);
  size = 3;
  EXPECT_EQ(RegQueryValueEx(key, "Birds", nullptr, &type, data, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 7u);
  RegCloseKey(key);
}

TEST(Registry, DeletingValuesAndKeyTrees) {
  Sandbox box;
  HKEY key = createKey(kProfileKey);
  HKEY install = createKey("Software\\QuillMark Corporation\\QuillMark Configuration\\New Install");
  EXPECT_EQ(setString(install, nullptr, "Birds\\"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValue(install, ""), ERROR_SUCCESS);
  EXPECT_EQ(getString(install, nullptr), "<missing>");
  EXPECT_EQ(RegDeleteValue(install, nullptr), ERROR_FILE_NOT_FOUND);

  HKEY deep = createKey("Software\\QuillMark Corporation\\QuillMark Configuration\\New Install\\Deeper");
  RegCloseKey(deep);
  EXPECT_EQ(setString(key, "Keep", "yes"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKey(key, "new install"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKey(key, "new install"), ERROR_FILE_NOT_FOUND);
  HKEY gone = nullptr;
  EXPECT_EQ(RegOpenKeyEx(key, "New Install\\Deeper", 0, KEY_READ, &gone), ERROR_FILE_NOT_FOUND)
      << "subkeys go with their key";
  EXPECT_EQ(getString(key, "Keep"), "yes");

  // A handle whose key was deleted does not bring it back.
  EXPECT_EQ(setString(install, "Late", "x"), ERROR_KEY_DELETED);
  EXPECT_EQ(box.readFile(regFile(box)).find("New Install"), std::string::npos);
  RegCloseKey(install);
  EXPECT_EQ(RegCloseKey(install), ERROR_INVALID_HANDLE) << "closed twice";
  RegCloseKey(key);
}

TEST(Registry, RefusesLineBreaksAndUnknownTypesWithoutTouchingTheFile) {
  Sandbox box;
  HKEY key = createKey(kProfileKey);
  EXPECT_EQ(setString(key, "Good", "value"), ERROR_SUCCESS);
  std::string before = box.readFile(regFile(box));

  EXPECT_EQ(setString(key, "Bad", "two\r\nlines"), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(setString(key, "Bad", "line\nfeed"), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(setString(key, "Bad\rName", "x"), ERROR_INVALID_PARAMETER);
  BYTE bytes[2] = {1, 2};
  EXPECT_EQ(RegSetValueEx(key, "Bin", 0, REG_BINARY, bytes, 2), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegSetValueEx(key, "Short", 0, REG_DWORD, bytes, 2), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(box.readFile(regFile(box)), before);
  EXPECT_EQ(getString(key, "Bad"), "<missing>");
  RegCloseKey(key);
}

TEST(Registry, BrokenFileKeepsEveryReadableValueAndWarns) {
  Sandbox box;
  box.writeFile(regFile(box),
                "[HKEY_CURRENT_USER\\Software\\QuillMark Corporation\\QuillMark Configuration]\r\n"  // 1: no header
                "\"ProgramPath\" = \"/opt/qm/\"\r\n"                                             // 2
                "garbage here\r\n"                                                               // 3
                "\"Bad\"=dword:123456789\r\n"                                                    // 4
                "; a comment\r\n"                                                                // 5
                "\"Small\"=dword:a\r\n"                                                          // 6
                "[HKEY_CURRENT_USER\\Software\\Broken\r\n"                                       // 7
                "\"Orphan\"=\"lost\"\r\n"                                                        // 8
                "[HKEY_CURRENT_USER\\Software\\QuillMark Corporation\\QuillMark Configuration\\SetDescriptions]\n"
                "\"Birds\"=\"Birds\\\\\"\n"                                                      // 10
                "\"Cut\"=\"no end");                                                             // 11
  testing::internal::CaptureStderr();
  HKEY key = openKey(kProfileKey);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(getString(key, "ProgramPath"), "/opt/qm/");
  EXPECT_EQ(getNumber(key, "Small"), 10u);
  std::string warnings = testing::internal::GetCapturedStderr();
  for (const char* line : {":1: ", ":3: ", ":4: ", ":7: ", ":8: ", ":11: "})
    EXPECT_NE(warnings.find(regFile(box) + line), std::string::npos) << line << "\n" << warnings;
  EXPECT_EQ(warnings.find(":2: "), std::string::npos) << warnings;
  EXPECT_EQ(valueNames(key), (std::vector<std::string>{"ProgramPath", "Small"}));

  HKEY sets = openKey("Software\\QuillMark Corporation\\QuillMark Configuration\\SetDescriptions");
  EXPECT_EQ(getString(sets, "Birds"), "Birds\\");
  HKEY broken = nullptr;
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Broken", 0, KEY_READ, &broken),
            ERROR_FILE_NOT_FOUND);

  // The first change rewrites the file whole and keeps the old one beside it.
  std::string original = box.readFile(regFile(box));
  testing::internal::CaptureStderr();
  EXPECT_EQ(setString(sets, "Cats", "Cats\\"), ERROR_SUCCESS);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(box.readFile(regFile(box) + ".bak"), original);
  EXPECT_EQ(getString(key, "ProgramPath"), "/opt/qm/");
  EXPECT_EQ(getString(sets, "Birds"), "Birds\\");
  EXPECT_EQ(getString(sets, "Cats"), "Cats\\");
  EXPECT_EQ(box.readFile(regFile(box)).rfind("Windows Registry Editor Version 5.00\r\n\r\n", 0), 0u);
  RegCloseKey(sets);
  RegCloseKey(key);
}

TEST(Registry, ReadsWhatOtherToolsWriteAndKeepsValuesOfOtherTypes) {
  Sandbox box;
  // As the old registry editor saved it: UTF-16LE with a byte-order mark.
  std::string utf8 =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
      "\"Caf\xC3\xA9\"=\"\xE2\x82\xAC\"\r\n"
      "\"Blob\"=hex:01,02,\\\r\n"
      "  03\r\n"
      "\"Expand\"=hex(2):41,00,00,00\r\n"
      "\"Dropped\"=\"x\"\r\n"
      "\"Dropped\"=-\r\n"
      "[-HKEY_CURRENT_USER\\Software\\Gone]\r\n"
      "\"After\"=\"nowhere\"\r\n";
  std::string utf16 = "\xFF\xFE";
  for (std::size_t i = 0; i < utf8.size();) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    unsigned cp = c;
    std::size_t len = 1;
    if (c >= 0xE0) { cp = c & 0x0F; len = 3; } else if (c >= 0xC0) { cp = c & 0x1F; len = 2; }
    for (std::size_t k = 1; k < len; ++k) cp = (cp << 6) | (utf8[i + k] & 0x3F);
    utf16 += static_cast<char>(cp & 0xFF);
    utf16 += static_cast<char>(cp >> 8);
    i += len;
  }
  box.writeFile(regFile(box), utf16);

  testing::internal::CaptureStderr();
  HKEY key = openKey("Software\\Other");
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(getString(key, "Caf\xC3\xA9"), "\xE2\x82\xAC");
  BYTE blob[8];
  DWORD size = sizeof blob, type = 0;
  ASSERT_EQ(RegQueryValueEx(key, "Blob", nullptr, &type, blob, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_BINARY);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(blob), size), std::string("\x01\x02\x03", 3));
  EXPECT_EQ(getString(key, "Dropped"), "<missing>");

  // A change rewrites the file as UTF-8 and keeps the values it cannot set itself.
  EXPECT_EQ(setNumber(key, "New", 1), ERROR_SUCCESS);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "nothing in that file is broken";
  EXPECT_EQ(box.readFile(regFile(box)),
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software]\r\n\r\n" +
                shellFolderKeys(box) +
            "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
            "\"Caf\xC3\xA9\"=\"\xE2\x82\xAC\"\r\n"
            "\"Blob\"=hex:01,02,03\r\n"
            "\"Expand\"=hex(2):41,00,00,00\r\n"
            "\"New\"=dword:00000001\r\n\r\n");
  RegCloseKey(key);
}

TEST(Registry, ChangesFromOtherHandlesAndProcessesAreNotLost) {
  Sandbox box;
  HKEY first = createKey(kProfileKey);
  HKEY second = openKey("Software\\QuillMark Corporation\\QuillMark Configuration");
  EXPECT_EQ(setString(first, "One", "1"), ERROR_SUCCESS);
  EXPECT_EQ(setString(second, "Two", "2"), ERROR_SUCCESS);
  EXPECT_EQ(getString(first, "Two"), "2");

  // Another program rewrites the file between two calls.
  std::string text = box.readFile(regFile(box));
  text += "[HKEY_CURRENT_USER\\Software\\Installer]\r\n\"New Install\"=\"Birds\\\\\"\r\n\r\n";
  box.writeFile(regFile(box), text);
  EXPECT_EQ(setString(first, "Three", "3"), ERROR_SUCCESS);
  HKEY installer = openKey("Software\\Installer");
  EXPECT_EQ(getString(installer, "New Install"), "Birds\\");
  RegCloseKey(installer);

  // Writers at the same moment each keep their values.
  auto writer = [](const char* path, int count) {
    HKEY key = nullptr;
    RegCreateKeyEx(HKEY_CURRENT_USER, path, &key);
    for (int i = 0; i < count; ++i) setNumber(key, ("V" + std::to_string(i)).c_str(), i);
    RegCloseKey(key);
  };
  std::thread a(writer, "Software\\A", 40);
  std::thread b(writer, "Software\\B", 40);
  a.join();
  b.join();
  for (const char* path : {"Software\\A", "Software\\B"}) {
    HKEY key = openKey(path);
    EXPECT_EQ(valueNames(key).size(), 40u) << path;
    RegCloseKey(key);
  }
  EXPECT_EQ(valueNames(first), (std::vector<std::string>{"One", "Two", "Three"}));
  RegCloseKey(second);
  RegCloseKey(first);
}

TEST(Registry, AFileThatCannotBeReadIsNeverReplaced) {
  Sandbox box;
  // A folder where the file should be stands for any file that cannot be read.
  ASSERT_EQ(WindowsDirectory(), box.windowsDirectory());
  ASSERT_EQ(mkdir(regFile(box).c_str(), 0700), 0);
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, kProfileKey, &key), ERROR_ACCESS_DENIED);
  EXPECT_EQ(key, nullptr);
  struct stat st{};
  ASSERT_EQ(stat(regFile(box).c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
}
