#pragma once
// The old platform's private profile (INI file) functions, with their observable
// behaviour: a bare file name resolves to the Windows directory; section and key names
// match without regard to ASCII letter case and with outer spaces ignored; values are
// trimmed and lose one pair of matching outer quotes; results are cut to the caller's
// buffer; integer reads parse like the old platform (text that is not a number is 0);
// a new key goes after the last key line of its section, a new section at the end of the
// file; every untouched byte of the file survives a write. Each call reads the file as
// it is on disk now (no cache).
//
// Our own choices where the old platform left room:
// - A UTF-8 byte-order mark at the start of a file is skipped (line 1 stays readable) and
//   kept on rewrite. A file starting with the UTF-16LE mark is read and written as UTF-16LE;
//   values come back as UTF-8, and caller text that is not UTF-8 is taken as Windows-1252.
// - A NUL byte ends what a line says (the rest of the line is kept in the file, unread).
// - A write is refused (FALSE, file untouched) when it would corrupt the file or write a
//   line that could never be found again: CR or LF in a value, section or key; "]" or edge
//   tabs in a section name; "=", a leading "[" or edge tabs in a key name.
// - Every write replaces the file atomically (a temporary file in the same folder, then
//   rename), so a crash never leaves a torn file; writers of one folder are serialised so
//   that no concurrent write is lost. A file that exists but cannot be read is never
//   overwritten. A write that would leave the file's bytes as they are does not touch it.
// - A write that fails on the disk (or on a file that cannot be read) is also recorded
//   for the program to report (platform/write_failures.h).
// - Listing names (null key or null section) when there is nothing to list gives the
//   default text, followed by a second NUL when there is room. Empty names (a "[]"
//   section, a "=value" key) are left out of listings: they would end the list early.
// - Duplicate sections or keys: reads, writes and deletes all act on the first one only.
// - GetPrivateProfileInt with a null section or key returns the default.
//
// A null pointer for `section`/`key`/`value` has the old platform's meaning (list names,
// delete a key, delete a section). Strings are 8-bit bytes, passed through unchanged.
#include <string>
#include <utility>
#include <vector>

#include "platform/types.h"

// GetPrivateProfileStringA. key == nullptr lists the key names of the section, section ==
// nullptr lists the section names (NUL-separated, double-NUL ended).
DWORD GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                              char* buffer, DWORD size, const char* fileName);
// GetPrivateProfileIntA.
UINT GetPrivateProfileInt(const char* section, const char* key, INT defaultValue,
                          const char* fileName);
// GetPrivateProfileSectionA: "key=value\0...\0\0", names and values trimmed but not
// unquoted (so that WritePrivateProfileSection can copy a section faithfully); lines
// without "=" appear as they are, comments not at all.
DWORD GetPrivateProfileSection(const char* section, char* buffer, DWORD size,
                               const char* fileName);
// GetPrivateProfileSectionNamesA.
DWORD GetPrivateProfileSectionNames(char* buffer, DWORD size, const char* fileName);
// WritePrivateProfileStringA: value == nullptr deletes the key, key == nullptr deletes the
// section. FALSE when the file cannot be written (missing folder, read-only, ...).
BOOL WritePrivateProfileString(const char* section, const char* key, const char* value,
                               const char* fileName);
// Our own: several keys of one section set as WritePrivateProfileString sets each, in one
// write of the file, so that they change together or not at all.
BOOL WritePrivateProfileStrings(const char* section,
                                const std::vector<std::pair<std::string, std::string>>& keysAndValues,
                                const char* fileName);
// WritePrivateProfileSectionA: replaces all key lines of the section with the
// "key=value\0...\0\0" list (creating the section when missing). The new lines take the
// place of the first old key line; comments stay. A null list deletes the section.
BOOL WritePrivateProfileSection(const char* section, const char* keysAndValues,
                                const char* fileName);

// Files that come with an image set (information files, a set's images.ini and
// company.ini) are written by strangers and may be of any size; the suite only reads
// them. These forms of the reads above see only the first kOutsideFileLimit bytes of the
// file and ignore the rest, so a huge file costs no more than a large real one. The
// suite's own settings files are always read whole: a caller that reads, edits and
// writes one back must never lose what lies past a cut.
constexpr unsigned kOutsideFileLimit = 1u << 20;
DWORD GetOutsideProfileString(const char* section, const char* key, const char* defaultValue,
                              char* buffer, DWORD size, const char* fileName);
UINT GetOutsideProfileInt(const char* section, const char* key, INT defaultValue,
                          const char* fileName);
DWORD GetOutsideProfileSection(const char* section, char* buffer, DWORD size,
                               const char* fileName);

// The win.ini forms (GetProfileString, WriteProfileString, GetProfileInt).
DWORD GetProfileString(const char* section, const char* key, const char* defaultValue,
                       char* buffer, DWORD size);
UINT GetProfileInt(const char* section, const char* key, INT defaultValue);
BOOL WriteProfileString(const char* section, const char* key, const char* value);
