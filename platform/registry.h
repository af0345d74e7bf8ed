#pragma once
// The old platform's registry under HKEY_CURRENT_USER, kept in
// "<Windows directory>/user.reg" as ".reg" version 5 text (UTF-8, no byte-order mark,
// CR LF line ends, "Windows Registry Editor Version 5.00" header). Key and value names
// match without regard to letter case and keep the case they were created with.
// Every change rewrites the file atomically. A file that is partly broken loses no key
// that can be read: what parses is kept, and a warning goes to stderr.
//
// Result codes are the old platform's (ERROR_SUCCESS = 0 ...). Only string (REG_SZ) and
// 32-bit number (REG_DWORD) values can be written; that is all the suite stores. Values
// of other types found in the file are kept and read back as their bytes.
//
// Nothing is cached: every call reads the file, and every change reads it, applies the
// change and replaces it while holding a lock, so the programs of the suite (and the
// installer) can change it at the same time without losing each other's writes. A
// handle only remembers its key's path; a key deleted behind an open handle gives
// ERROR_KEY_DELETED. String data or names holding CR or LF cannot be kept in the file
// and are refused with ERROR_INVALID_PARAMETER; a file that exists but cannot be read
// is never overwritten (ERROR_ACCESS_DENIED). A change that cannot be written is also
// recorded for the program to report (platform/write_failures.h).
//
// Like the old shell, the registry always holds the user's Startup folder: the value
// "Startup" of Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders reads
// as "$XDG_CONFIG_HOME/autostart/" whenever it is missing.
#include "platform/types.h"

struct RegistryKey;
using HKEY = RegistryKey*;
extern const HKEY HKEY_CURRENT_USER;

constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr LONG ERROR_NO_MORE_ITEMS = 259;
constexpr LONG ERROR_KEY_DELETED = 1018;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

constexpr DWORD KEY_READ = 0x20019;
constexpr DWORD KEY_WRITE = 0x20006;
constexpr DWORD KEY_ALL_ACCESS = 0xF003F;

// subKey is a "\"-separated path below `parent`.
LONG RegOpenKeyEx(HKEY parent, const char* subKey, DWORD options, DWORD access, HKEY* result);
LONG RegCreateKeyEx(HKEY parent, const char* subKey, HKEY* result);
LONG RegCloseKey(HKEY key);
// name == nullptr or "" is the key's default value. data may be nullptr to ask the size
// only; *dataSize is in bytes and includes the terminating NUL for REG_SZ.
// ERROR_MORE_DATA when the buffer is too small.
LONG RegQueryValueEx(HKEY key, const char* name, DWORD* reserved, DWORD* type, BYTE* data,
                     DWORD* dataSize);
// For REG_SZ, data is a NUL-terminated string; for REG_DWORD, 4 bytes little-endian.
LONG RegSetValueEx(HKEY key, const char* name, DWORD reserved, DWORD type, const BYTE* data,
                   DWORD dataSize);
// Value at `index` in creation order. *nameSize is in characters (without NUL on return),
// *dataSize in bytes; data may be nullptr to ask the size. Either buffer too small gives
// ERROR_MORE_DATA with the sizes needed (name: characters including the NUL); past the
// end ERROR_NO_MORE_ITEMS.
LONG RegEnumValue(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* reserved,
                  DWORD* type, BYTE* data, DWORD* dataSize);
LONG RegDeleteValue(HKEY key, const char* name);
// Deletes subKey (and, unlike the oldest platforms, everything below it).
LONG RegDeleteKey(HKEY parent, const char* subKey);
