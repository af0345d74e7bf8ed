#pragma once
// The settings-file accessor that the configuration program and the wallpaper changer use
// for every INI file they read or write. It adds the suite's defaults to the platform's
// private profile functions: "Not Available" for a missing string, -1 for a missing
// integer, and an empty list for a missing section. Until SetFile has named a file every
// operation gives its neutral result (0, an empty text or an empty list) and leaves the
// disk alone, so a half-initialised page can never write into a wrong file.
//
// Strings are 8-bit bytes, passed through unchanged.
#include <string>
#include <utility>
#include <vector>

#include "platform/types.h"

class CProfileFile {
 public:
  // The texts and limits that callers compare against.
  static constexpr const char* kNotAvailable = "Not Available";
  static constexpr DWORD kStringBufferSize = 8092;
  static constexpr DWORD kKeyListBufferSize = 32767;
  static constexpr std::size_t kMaxKeyNames = 499;

  CProfileFile() = default;
  explicit CProfileFile(const std::string& path) { SetFile(path); }

  void SetFile(const std::string& path);
  // A file that came with an image set (an information file, images.ini, company.ini):
  // reads take only its first megabyte (see GetOutsideProfileString).
  static CProfileFile Outside(const std::string& path) {
    CProfileFile file(path);
    file.m_bOutside = true;
    return file;
  }

  // -1 when the key is missing; 0 when its text is not a number or no file is set.
  int ReadInt(const std::string& section, const std::string& key) const;
  // Number of bytes copied; `out` is "Not Available" when the key is missing and is cut
  // to 8091 bytes. Without a file: 0 and an empty `out`.
  int ReadString(const std::string& section, const std::string& key, std::string& out) const;
  // Appends the section's key names in file order (at most 499) to `list` and returns how
  // many were appended. A missing or empty section empties `list` and returns 0 — so does
  // a section whose only key is "Not Available", which cannot be told from the default.
  int ReadKeyNames(const std::string& section, std::vector<std::string>& list) const;

  BOOL WriteString(const std::string& section, const std::string& key,
                   const std::string& value) const;
  // Several keys of one section in one write of the file: all of them change, or none.
  BOOL WriteStrings(const std::string& section,
                    const std::vector<std::pair<std::string, std::string>>& keysAndValues) const;
  BOOL WriteInt(const std::string& section, const std::string& key, int n) const;
  BOOL DeleteKey(const std::string& section, const std::string& key) const;
  BOOL DeleteSection(const std::string& section) const;

  std::string m_strFile;
  BOOL m_bOpen = 0;
  bool m_bOutside = false;
};
