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
// Our own choices where the old platform left room: a UTF-8 byte-order mark at the start
// of a file is skipped; a value containing CR or LF is refused (the write fails) since it
// would corrupt the file; every write replaces the file atomically (a temporary file in
// the same folder, then rename), so a crash never leaves a torn file.
//
// A null pointer for `section`/`key`/`value` has the old platform's meaning (list names,
// delete a key, delete a section). Strings are 8-bit bytes, passed through unchanged.
#include "platform/types.h"

// GetPrivateProfileStringA. key == nullptr lists the key names of the section, section ==
// nullptr lists the section names (NUL-separated, double-NUL ended).
DWORD GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                              char* buffer, DWORD size, const char* fileName);
// GetPrivateProfileIntA.
UINT GetPrivateProfileInt(const char* section, const char* key, INT defaultValue,
                          const char* fileName);
// GetPrivateProfileSectionA: "key=value\0...\0\0".
DWORD GetPrivateProfileSection(const char* section, char* buffer, DWORD size,
                               const char* fileName);
// GetPrivateProfileSectionNamesA.
DWORD GetPrivateProfileSectionNames(char* buffer, DWORD size, const char* fileName);
// WritePrivateProfileStringA: value == nullptr deletes the key, key == nullptr deletes the
// section. FALSE when the file cannot be written (missing folder, read-only, ...).
BOOL WritePrivateProfileString(const char* section, const char* key, const char* value,
                               const char* fileName);
// WritePrivateProfileSectionA: replaces all key lines of the section with the
// "key=value\0...\0\0" list (creating the section when missing).
BOOL WritePrivateProfileSection(const char* section, const char* keysAndValues,
                                const char* fileName);

// The win.ini forms (GetProfileString, WriteProfileString, GetProfileInt).
DWORD GetProfileString(const char* section, const char* key, const char* defaultValue,
                       char* buffer, DWORD size);
UINT GetProfileInt(const char* section, const char* key, INT defaultValue);
BOOL WriteProfileString(const char* section, const char* key, const char* value);
