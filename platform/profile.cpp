#include "platform/profile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/ini_text.h"
#include "platform/paths.h"
#include "platform/write_failures.h"

namespace {

using ini::Line;
using ini::LineKind;
using ini::LineReader;

constexpr const char* kCrLf = "\r\n";

enum class FileState { Missing, Loaded, Unreadable };

std::string PathOf(const char* fileName) { return ResolveProfilePath(fileName ? fileName : "win.ini"); }

// Tells a missing file from one that exists but cannot be read: writing over the latter
// would throw its content away. `bytes` keeps the file (or its first `limit` bytes) as it
// was read.
FileState Load(const std::string& path, ini::FileImage& image, std::string& bytes,
               std::size_t limit = std::string::npos) {
  if (ReadFileStart(path, bytes, limit)) {
    image = ini::DecodeFile(bytes);
    return FileState::Loaded;
  }
  int readError = errno;
  struct stat st{};
  if (stat(path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR))
    return FileState::Missing;
  errno = readError;
  return FileState::Unreadable;
}

// For the writers: a file that cannot be read cannot be written either.
FileState LoadForWriting(const std::string& path, ini::FileImage& image, std::string& bytes) {
  FileState state = Load(path, image, bytes);
  if (state == FileState::Unreadable) RecordWriteFailure(path, errno);
  return state;
}

// How much of a file a read takes: all of it, or the start of an outside file.
enum class Reach { Whole, OutsideLimit };

bool LoadForReading(const char* fileName, ini::FileImage& image, Reach reach) {
  if (fileName && !*fileName) return false;
  const std::size_t limit = reach == Reach::Whole ? std::string::npos : kOutsideFileLimit;
  std::string bytes;
  return Load(PathOf(fileName), image, bytes, limit) == FileState::Loaded;
}

// Every write reads, edits and replaces the whole file, so two programs writing the same
// file at once would each drop the other's change. Writers take an exclusive lock on the
// file's folder for the whole cycle (the file itself is replaced, so it cannot carry the
// lock). Where the folder cannot be opened the write fails on its own.
class WriteLock {
 public:
  explicit WriteLock(const std::string& path) {
    std::size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    fd_ = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ >= 0)
      while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
  }
  ~WriteLock() {
    if (fd_ >= 0) close(fd_);  // releases the lock
  }
  WriteLock(const WriteLock&) = delete;
  WriteLock& operator=(const WriteLock&) = delete;

 private:
  int fd_ = -1;
};

// A write that changes nothing leaves the file alone: a program that publishes the same
// value at every start then works with a settings folder it may not write to.
BOOL Save(const std::string& path, const ini::FileImage& image, FileState state, const std::string& original) {
  std::string bytes = ini::EncodeFile(image);
  if (state == FileState::Loaded && bytes == original) return TRUE;
  return WriteFileAtomically(path, bytes) ? TRUE : FALSE;
}

// ---- results into the caller's buffer (size >= 1 on entry) ----

DWORD CopyText(std::string_view text, char* buffer, DWORD size) {
  std::size_t n = text.size() < size ? text.size() : size - 1;
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return static_cast<DWORD>(n);
}

// The default loses trailing spaces only, and is never unquoted. When it stands in for a
// name list, a second NUL (room permitting) keeps it a well-formed list as well.
DWORD CopyDefault(const char* defaultValue, char* buffer, DWORD size, bool asList) {
  std::string_view d = defaultValue ? defaultValue : "";
  while (!d.empty() && d.back() == ' ') d.remove_suffix(1);
  DWORD n = CopyText(d, buffer, size);
  if (asList && static_cast<std::size_t>(n) + 1 < size) buffer[n + 1] = '\0';
  return n;
}

// `list` holds NUL-terminated names. On overflow the old platform fills all but two bytes,
// ends with two NULs and returns size - 2; an exact fit counts as overflow too.
DWORD CopyList(const std::string& list, char* buffer, DWORD size) {
  std::size_t total = list.size();
  if (total == 0) {
    buffer[0] = '\0';
    return 0;
  }
  if (size >= total + 2) {
    std::memcpy(buffer, list.data(), total);
    buffer[total] = '\0';
    return static_cast<DWORD>(total);
  }
  if (size <= 2) {
    std::memset(buffer, 0, size);
    return 0;
  }
  std::memcpy(buffer, list.data(), size - 2);
  buffer[size - 2] = buffer[size - 1] = '\0';
  return size - 2;
}

// Names that are empty cannot be told from the list's end, so they are left out.
void AddName(std::string& list, std::string_view name) {
  if (name.empty()) return;
  list.append(name);
  list += '\0';
}

std::string SectionNames(std::string_view text) {
  std::string list;
  LineReader reader(text);
  Line line;
  while (reader.next(line))
    if (line.kind == LineKind::Section) AddName(list, line.name);
  return list;
}

// Key names (listing) or "key=value" / bare entries (section read) of one section.
std::string SectionEntries(std::string_view text, const Line& header, bool keyNamesOnly) {
  std::string list;
  LineReader reader(text, header.next, true);
  Line line;
  while (reader.next(line) && line.kind != LineKind::Section) {
    if (line.kind == LineKind::Key) {
      if (keyNamesOnly) {
        AddName(list, line.name);
      } else {
        list.append(line.name);
        list += '=';
        list.append(line.value);
        list += '\0';
      }
    } else if (line.kind == LineKind::Bare && !keyNamesOnly) {
      AddName(list, line.name);
    }
  }
  return list;
}

// ---- what a write may put into a file ----

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

// A name is refused when it could not be found again after writing: each later write would
// then add another copy of the section or key, and a "[" at the start of a key line would
// split the section in two.
bool WritableSectionName(std::string_view name) {
  return !HasLineBreak(name) && name.find(']') == std::string_view::npos &&
         ini::Trim(name).size() == name.size();
}

bool WritableKeyName(std::string_view name) {
  return !HasLineBreak(name) && name.find('=') == std::string_view::npos &&
         ini::Trim(name).size() == name.size() && (name.empty() || name.front() != '[');
}

bool EndsWithLineBreak(std::string_view text) {
  return !text.empty() && (text.back() == '\r' || text.back() == '\n');
}

// A new section goes at the very end, on a line of its own.
std::string AppendSection(const ini::FileImage& image, std::string_view section,
                          std::string_view body) {
  std::string out = image.text;
  bool empty = image.text.empty() && image.mark.empty();
  if (!empty && !EndsWithLineBreak(image.text)) out += kCrLf;
  out += '[';
  out.append(section);
  out += ']';
  out += kCrLf;
  out.append(body);
  return out;
}

std::string SetValue(const ini::FileImage& image, std::string_view section, std::string_view key,
                     std::string_view value) {
  const std::string& text = image.text;
  std::string newLine = std::string(key) + "=" + std::string(value) + kCrLf;
  Line header;
  if (!ini::FindSection(text, section, header)) return AppendSection(image, section, newLine);

  Line entry;
  if (ini::FindEntry(text, header, key, entry)) {
    // Keep the line where it is and the key as the file spells it.
    std::string out = text.substr(0, entry.start);
    out.append(entry.name);
    out += '=';
    out.append(value);
    out += kCrLf;
    out.append(text, entry.next, std::string::npos);
    return out;
  }

  // A new key follows the section's last entry, so comments and blank lines that close
  // the section stay below it. A key starting with ";" can only ever be a comment line;
  // it goes after the section's last comment or entry.
  bool asComment = !key.empty() && key.front() == ';';
  Line anchor = header;
  LineReader reader(text, header.next, true);
  Line line;
  while (reader.next(line) && line.kind != LineKind::Section) {
    if (line.kind == LineKind::Key || line.kind == LineKind::Bare ||
        (asComment && line.kind == LineKind::Comment))
      anchor = line;
  }
  std::string out = text.substr(0, anchor.next);
  if (!anchor.terminated()) out += kCrLf;
  out += newLine;
  out.append(text, anchor.next, std::string::npos);
  return out;
}

// Removes the given [begin, end) line ranges (ascending, disjoint) from `text`.
std::string Without(const std::string& text, const std::vector<std::pair<std::size_t, std::size_t>>& cut,
                    std::size_t from = 0) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = from;
  for (const auto& [b, e] : cut) {
    out.append(text, pos, b - pos);
    pos = e;
  }
  out.append(text, pos, std::string::npos);
  return out;
}

// Header and entry lines of the first section of that name; its comments and blank lines
// stay where they are.
bool DeleteSection(const std::string& text, std::string_view section, std::string& out) {
  Line header;
  if (!ini::FindSection(text, section, header)) return false;
  std::vector<std::pair<std::size_t, std::size_t>> cut{{header.start, header.next}};
  LineReader reader(text, header.next, true);
  Line line;
  while (reader.next(line) && line.kind != LineKind::Section)
    if (line.kind == LineKind::Key || line.kind == LineKind::Bare) cut.emplace_back(line.start, line.next);
  out = Without(text, cut);
  return true;
}

bool DeleteKey(const std::string& text, std::string_view section, std::string_view key,
               std::string& out) {
  Line header, entry;
  if (!ini::FindSection(text, section, header) || !ini::FindEntry(text, header, key, entry))
    return false;
  out = text.substr(0, entry.start) + text.substr(entry.next);
  return true;
}

// Parses an integer the way the old platform's profile reads did: leading control and
// blank characters skipped, one sign, "0x"/"0o"/"0b" prefixes (lower case), otherwise
// decimal even with a leading 0; stops at the first invalid character; wraps modulo 2^32.
UINT ParseProfileInteger(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && static_cast<unsigned char>(s[i]) <= ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  unsigned base = 10;
  if (i + 1 < s.size() && s[i] == '0') {
    if (s[i + 1] == 'x') base = 16;
    else if (s[i + 1] == 'o') base = 8;
    else if (s[i + 1] == 'b') base = 2;
    if (base != 10) i += 2;
  }
  UINT value = 0;
  for (; i < s.size(); ++i) {
    char c = s[i];
    unsigned digit;
    if (c >= '0' && c <= '9') digit = static_cast<unsigned>(c - '0');
    else if (c >= 'a' && c <= 'f') digit = static_cast<unsigned>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F') digit = static_cast<unsigned>(c - 'A' + 10);
    else break;
    if (digit >= base) break;
    value = value * base + digit;
  }
  return negative ? 0u - value : value;
}

}  // namespace

namespace {

DWORD ReadProfileString(const char* section, const char* key, const char* defaultValue,
                        char* buffer, DWORD size, const char* fileName, Reach reach) {
  if (!buffer || size == 0) return 0;
  try {
    ini::FileImage image;
    bool loaded = LoadForReading(fileName, image, reach);
    const std::string& text = image.text;
    if (!section) {
      std::string names = loaded ? SectionNames(text) : std::string();
      if (!names.empty()) return CopyList(names, buffer, size);
      return CopyDefault(defaultValue, buffer, size, true);
    }
    Line header;
    bool found = loaded && ini::FindSection(text, ini::ToImageText(image, ini::StripSpaces(section)), header);
    if (!key) {
      // A missing or empty section gives the default rather than an empty list, so that a
      // caller can pass a marker default and recognise "no keys".
      std::string names = found ? SectionEntries(text, header, true) : std::string();
      if (!names.empty()) return CopyList(names, buffer, size);
      return CopyDefault(defaultValue, buffer, size, true);
    }
    Line entry;
    // "k=" is a key with an empty value; a bare "k" has no value, so the default applies.
    if (found && ini::FindEntry(text, header, ini::ToImageText(image, ini::StripSpaces(key)), entry) &&
        entry.kind == LineKind::Key)
      return CopyText(ini::Unquote(entry.value), buffer, size);
    return CopyDefault(defaultValue, buffer, size, false);
  } catch (...) {
    buffer[0] = '\0';
    return 0;
  }
}

UINT ReadProfileInt(const char* section, const char* key, INT defaultValue,
                    const char* fileName, Reach reach) {
  if (!section || !key) return static_cast<UINT>(defaultValue);
  // The old platform read the text into 30 characters first; longer texts are cut there.
  char text[30];
  DWORD n = ReadProfileString(section, key, "", text, sizeof text, fileName, reach);
  // An empty value counts as missing.
  if (n == 0) return static_cast<UINT>(defaultValue);
  return ParseProfileInteger(std::string_view(text, n));
}

DWORD ReadProfileSection(const char* section, char* buffer, DWORD size, const char* fileName,
                         Reach reach) {
  if (!section || !buffer || size == 0) return 0;
  try {
    ini::FileImage image;
    Line header;
    std::string entries;
    if (LoadForReading(fileName, image, reach) &&
        ini::FindSection(image.text, ini::ToImageText(image, ini::StripSpaces(section)), header))
      entries = SectionEntries(image.text, header, false);
    return CopyList(entries, buffer, size);
  } catch (...) {
    buffer[0] = '\0';
    return 0;
  }
}

}  // namespace

DWORD GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                              char* buffer, DWORD size, const char* fileName) {
  return ReadProfileString(section, key, defaultValue, buffer, size, fileName, Reach::Whole);
}
UINT GetPrivateProfileInt(const char* section, const char* key, INT defaultValue,
                          const char* fileName) {
  return ReadProfileInt(section, key, defaultValue, fileName, Reach::Whole);
}
DWORD GetPrivateProfileSection(const char* section, char* buffer, DWORD size,
                               const char* fileName) {
  return ReadProfileSection(section, buffer, size, fileName, Reach::Whole);
}

DWORD GetOutsideProfileString(const char* section, const char* key, const char* defaultValue,
                              char* buffer, DWORD size, const char* fileName) {
  return ReadProfileString(section, key, defaultValue, buffer, size, fileName, Reach::OutsideLimit);
}
UINT GetOutsideProfileInt(const char* section, const char* key, INT defaultValue,
                          const char* fileName) {
  return ReadProfileInt(section, key, defaultValue, fileName, Reach::OutsideLimit);
}
DWORD GetOutsideProfileSection(const char* section, char* buffer, DWORD size,
                               const char* fileName) {
  return ReadProfileSection(section, buffer, size, fileName, Reach::OutsideLimit);
}

DWORD GetPrivateProfileSectionNames(char* buffer, DWORD size, const char* fileName) {
  if (!buffer || size == 0) return 0;
  try {
    ini::FileImage image;
    std::string names;
    if (LoadForReading(fileName, image, Reach::Whole)) names = SectionNames(image.text);
    return CopyList(names, buffer, size);
  } catch (...) {
    buffer[0] = '\0';
    return 0;
  }
}

namespace {
// One write's cycle: the file read under its folder's lock, edited, saved; the section's
// name as the file's text spells it.
struct WriteCycle {
  WriteCycle(const char* fileName, const char* section)
      : path(PathOf(fileName)), lock(path), state(LoadForWriting(path, image, original)),
        sectionName(ini::ToImageText(image, ini::StripSpaces(section))) {}
  BOOL Save() const { return ::Save(path, image, state, original); }

  std::string path;
  WriteLock lock;
  ini::FileImage image;
  std::string original;
  FileState state;
  std::string sectionName;
};
}  // namespace

BOOL WritePrivateProfileString(const char* section, const char* key, const char* value,
                               const char* fileName) {
  // A null section (this includes the all-null "flush" call) writes nothing.
  if (!section || (fileName && !*fileName)) return FALSE;
  if (key && value) return WritePrivateProfileStrings(section, {{key, value}}, fileName);
  try {
    WriteCycle write(fileName, section);
    if (write.state == FileState::Unreadable) return FALSE;
    ini::FileImage& image = write.image;
    const std::string& sectionName = write.sectionName;
    // Deleting from a missing file leaves an empty file behind, as the old platform did.
    if (write.state == FileState::Missing) return WriteFileAtomically(write.path, std::string()) ? TRUE : FALSE;
    std::string out;
    bool changed = key ? DeleteKey(image.text, sectionName,
                                   ini::ToImageText(image, ini::StripSpaces(key)), out)
                       : DeleteSection(image.text, sectionName, out);
    if (!changed) return TRUE;
    image.text = std::move(out);
    return write.Save();
  } catch (...) {
    return FALSE;
  }
}

BOOL WritePrivateProfileStrings(const char* section,
                                const std::vector<std::pair<std::string, std::string>>& keysAndValues,
                                const char* fileName) {
  if (!section || (fileName && !*fileName)) return FALSE;
  try {
    WriteCycle write(fileName, section);
    if (write.state == FileState::Unreadable) return FALSE;
    ini::FileImage& image = write.image;
    const std::string& sectionName = write.sectionName;
    if (!WritableSectionName(sectionName)) return FALSE;
    // Each key as a write of its own would set it; a refused one keeps them all out.
    for (const auto& [key, value] : keysAndValues) {
      std::string keyName = ini::ToImageText(image, ini::StripSpaces(key));
      // A line break in a value would turn its tail into lines of their own.
      if (HasLineBreak(value) || !WritableKeyName(keyName)) return FALSE;
      image.text = SetValue(image, sectionName, keyName, ini::ToImageText(image, value));
    }
    return write.Save();
  } catch (...) {
    return FALSE;
  }
}

BOOL WritePrivateProfileSection(const char* section, const char* keysAndValues,
                                const char* fileName) {
  if (!section || (fileName && !*fileName)) return FALSE;
  if (!keysAndValues) return WritePrivateProfileString(section, nullptr, nullptr, fileName);
  try {
    std::vector<std::string_view> entries;
    for (const char* p = keysAndValues; *p; p += std::strlen(p) + 1) {
      std::string_view entry(p);
      std::string_view said = ini::Trim(entry);
      if (HasLineBreak(entry) || (!said.empty() && said.front() == '[')) return FALSE;
      entries.push_back(entry);
    }
    WriteCycle write(fileName, section);
    if (write.state == FileState::Unreadable) return FALSE;
    ini::FileImage& image = write.image;
    const std::string& sectionName = write.sectionName;
    if (!WritableSectionName(sectionName)) return FALSE;

    std::string block;
    for (std::string_view entry : entries) {
      block += ini::ToImageText(image, entry);
      block += kCrLf;
    }

    const std::string& text = image.text;
    Line header;
    if (!ini::FindSection(text, sectionName, header)) {
      image.text = AppendSection(image, sectionName, block);
      return write.Save();
    }
    // The new entries take the place of the first old one; comments stay.
    std::vector<std::pair<std::size_t, std::size_t>> cut;
    LineReader reader(text, header.next, true);
    Line line;
    while (reader.next(line) && line.kind != LineKind::Section)
      if (line.kind == LineKind::Key || line.kind == LineKind::Bare) cut.emplace_back(line.start, line.next);
    std::size_t insertAt = cut.empty() ? header.next : cut.front().first;
    std::string out = text.substr(0, insertAt);
    if (insertAt == header.next && !header.terminated()) out += kCrLf;
    out += block;
    out += Without(text, cut, insertAt);
    image.text = std::move(out);
    return write.Save();
  } catch (...) {
    return FALSE;
  }
}

DWORD GetProfileString(const char* section, const char* key, const char* defaultValue,
                       char* buffer, DWORD size) {
  return GetPrivateProfileString(section, key, defaultValue, buffer, size, "win.ini");
}

UINT GetProfileInt(const char* section, const char* key, INT defaultValue) {
  return GetPrivateProfileInt(section, key, defaultValue, "win.ini");
}

BOOL WriteProfileString(const char* section, const char* key, const char* value) {
  return WritePrivateProfileString(section, key, value, "win.ini");
}
