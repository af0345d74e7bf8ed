#pragma once
// The text layer under the private profile functions: splitting an INI file into lines
// the way the old platform read them, and the file's encoding (plain 8-bit bytes, a UTF-8
// byte-order mark, or UTF-16LE with its mark). Nothing here touches the disk.
//
// Reading rules (shared by every profile function):
// - CR LF, LF alone and CR alone each end a line.
// - A NUL byte ends what a line says; the bytes after it on that line are kept in the file
//   but never read (a file padded with NULs yields no phantom keys).
// - Space, tab and vertical tab are the blanks that are trimmed.
// - A line whose first non-blank byte is "[" is a section header; the name runs to the
//   first "]" (or the end of the line when there is none) and is trimmed.
// - Before the first header nothing can be reached. After it, ";" first means a comment;
//   a line with "=" is a key (split at the first "="); any other non-blank line is a bare
//   entry: listed by the section read, but it has no value.
#include <cstddef>
#include <string>
#include <string_view>

namespace ini {

enum class LineKind { Preamble, Blank, Comment, Section, Key, Bare };

struct Line {
  std::size_t start = 0;  // first byte of the line
  std::size_t end = 0;    // where its line break begins (or the end of the text)
  std::size_t next = 0;   // first byte of the following line
  LineKind kind = LineKind::Blank;
  std::string_view name;   // section name, key name or bare entry text, trimmed
  std::string_view value;  // key value, trimmed (quotes kept)
  bool terminated() const { return next > end; }
};

// Walks the lines of `text` from `offset` on. `inSection` says whether a section header
// has been seen before `offset` (otherwise lines are Preamble until the first header).
class LineReader {
 public:
  explicit LineReader(std::string_view text, std::size_t offset = 0, bool inSection = false)
      : text_(text), pos_(offset), inSection_(inSection) {}
  bool next(Line& line);

 private:
  std::string_view text_;
  std::size_t pos_;
  bool inSection_;
};

bool IsBlank(char c);
std::string_view Trim(std::string_view s);
// Names handed in by a caller lose only outer spaces.
std::string_view StripSpaces(std::string_view s);
// ASCII case-insensitive equality.
bool SameName(std::string_view a, std::string_view b);
// One pair of matching outer quotes (' or ") comes off a value of two or more bytes.
std::string_view Unquote(std::string_view value);

// Finds the header of the first section called `name` (already space-stripped).
bool FindSection(std::string_view text, std::string_view name, Line& header);
// Finds the first key or bare entry called `key` in the section whose header is given.
bool FindEntry(std::string_view text, const Line& header, std::string_view key, Line& entry);

// A profile file split into its encoding and the text the parser works on. For UTF-16LE
// files the text is UTF-8 (lone surrogates kept in their 3-byte form), so that decoding and
// encoding again gives back every byte of an untouched file.
struct FileImage {
  std::string mark;   // byte-order mark kept verbatim ("" when there is none)
  bool utf16 = false;
  std::string text;
  std::string tail;   // an odd last byte of a UTF-16 file, kept verbatim
};

FileImage DecodeFile(const std::string& bytes);
std::string EncodeFile(const FileImage& image);
// Caller text as it must appear in the image's text: unchanged for 8-bit files; for a
// UTF-16 file, UTF-8 stays as is and other bytes are read as Windows-1252.
std::string ToImageText(const FileImage& image, std::string_view callerText);

}  // namespace ini
