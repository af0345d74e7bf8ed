#include "platform/ini_text.h"
#include "platform/utf8.h"

#include <cstdint>
#include <cstring>

namespace ini {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v'; }

std::string_view Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::string_view StripSpaces(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  return s.substr(b, e - b);
}

namespace {
char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

bool LineReader::next(Line& line) {
  if (pos_ >= text_.size()) return false;
  const char* data = text_.data();
  std::size_t size = text_.size();
  line = Line{};
  line.start = pos_;
  std::size_t e = pos_;
  while (e < size && data[e] != '\r' && data[e] != '\n') ++e;
  line.end = e;
  if (e < size) line.next = (data[e] == '\r' && e + 1 < size && data[e + 1] == '\n') ? e + 2 : e + 1;
  else line.next = size;
  pos_ = line.next;

  // What the line says stops at a NUL byte.
  std::size_t said = line.end;
  if (const void* nul = std::memchr(data + line.start, '\0', line.end - line.start))
    said = static_cast<std::size_t>(static_cast<const char*>(nul) - data);
  std::size_t p = line.start;
  while (p < said && IsBlank(data[p])) ++p;

  if (p < said && data[p] == '[') {
    line.kind = LineKind::Section;
    std::string_view rest = text_.substr(p + 1, said - p - 1);
    std::size_t close = rest.find(']');
    line.name = Trim(close == std::string_view::npos ? rest : rest.substr(0, close));
    inSection_ = true;
    return true;
  }
  if (!inSection_) {
    line.kind = LineKind::Preamble;
    return true;
  }
  if (p == said) {
    line.kind = LineKind::Blank;
    return true;
  }
  if (data[p] == ';') {
    line.kind = LineKind::Comment;
    return true;
  }
  std::string_view body = text_.substr(p, said - p);
  std::size_t eq = body.find('=');
  if (eq == std::string_view::npos) {
    line.kind = LineKind::Bare;
    line.name = Trim(body);
  } else {
    line.kind = LineKind::Key;
    line.name = Trim(body.substr(0, eq));
    line.value = Trim(body.substr(eq + 1));
  }
  return true;
}

bool FindSection(std::string_view text, std::string_view name, Line& header) {
  LineReader reader(text);
  Line line;
  while (reader.next(line)) {
    if (line.kind == LineKind::Section && SameName(line.name, name)) {
      header = line;
      return true;
    }
  }
  return false;
}

bool FindEntry(std::string_view text, const Line& header, std::string_view key, Line& entry) {
  LineReader reader(text, header.next, true);
  Line line;
  while (reader.next(line)) {
    if (line.kind == LineKind::Section) return false;
    if ((line.kind == LineKind::Key || line.kind == LineKind::Bare) && SameName(line.name, key)) {
      entry = line;
      return true;
    }
  }
  return false;
}

// ---- encodings ----

namespace {


void AppendUtf16(std::string& out, std::uint32_t unit) {
  out += static_cast<char>(unit & 0xFF);
  out += static_cast<char>(unit >> 8);
}

// Length of the UTF-8 sequence at `i` (surrogates allowed, so that text decoded from a
// UTF-16 file goes back unchanged), or 0 when the bytes there are not one.
std::size_t SequenceAt(std::string_view s, std::size_t i, std::uint32_t& cp) {
  auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char c = b(i);
  if (c < 0x80) {
    cp = c;
    return 1;
  }
  std::size_t len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 0;
  if (len == 0 || c > 0xF4 || i + len > s.size()) return 0;
  cp = c & (0x7F >> len);
  for (std::size_t k = 1; k < len; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b(i + k) & 0x3F);
  }
  static const std::uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMin[len] || cp > 0x10FFFF) return 0;
  return len;
}

bool IsUtf8(std::string_view s) {
  std::uint32_t cp;
  for (std::size_t i = 0; i < s.size();) {
    std::size_t n = SequenceAt(s, i, cp);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

// Windows-1252 bytes 0x80..0x9F; the five unassigned ones map to the C1 controls, as the
// old platform's conversion did.
const std::uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

FileImage DecodeFile(const std::string& bytes) {
  FileImage image;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    image.mark = bytes.substr(0, 2);
    image.utf16 = true;
    std::size_t units = (bytes.size() - 2) / 2;
    if ((bytes.size() - 2) % 2) image.tail = bytes.substr(bytes.size() - 1);
    image.text.reserve(units);
    auto unitAt = [&](std::size_t k) {
      return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2 + 2 * k])) |
             (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[3 + 2 * k])) << 8);
    };
    for (std::size_t k = 0; k < units; ++k) {
      std::uint32_t u = unitAt(k);
      if (u >= 0xD800 && u < 0xDC00 && k + 1 < units) {
        std::uint32_t low = unitAt(k + 1);
        if (low >= 0xDC00 && low < 0xE000) {
          AppendUtf8(image.text, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
          ++k;
          continue;
        }
      }
      AppendUtf8(image.text, u);  // lone surrogates keep their 3-byte form
    }
    return image;
  }
  // The UTF-8 mark is not text: it must not spoil a section header on line 1.
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    image.mark = bytes.substr(0, 3);
    image.text = bytes.substr(3);
    return image;
  }
  image.text = bytes;
  return image;
}

std::string EncodeFile(const FileImage& image) {
  if (!image.utf16) return image.mark + image.text;
  std::string out = image.mark;
  out.reserve(image.mark.size() + image.text.size() * 2 + image.tail.size());
  const std::string& s = image.text;
  for (std::size_t i = 0; i < s.size();) {
    std::uint32_t cp;
    std::size_t n = SequenceAt(s, i, cp);
    if (n == 0) {  // cannot come from DecodeFile or ToImageText; keep the byte as Latin-1
      cp = static_cast<unsigned char>(s[i]);
      n = 1;
    }
    i += n;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      AppendUtf16(out, 0xD800 + (cp >> 10));
      AppendUtf16(out, 0xDC00 + (cp & 0x3FF));
    } else {
      AppendUtf16(out, cp);
    }
  }
  return out + image.tail;
}

std::string ToImageText(const FileImage& image, std::string_view callerText) {
  if (!image.utf16 || IsUtf8(callerText)) return std::string(callerText);
  std::string out;
  for (char ch : callerText) {
    auto c = static_cast<unsigned char>(ch);
    AppendUtf8(out, (c >= 0x80 && c < 0xA0) ? kCp1252High[c - 0x80] : c);
  }
  return out;
}

}  // namespace ini
