#include "platform/reg_text.h"
#include "platform/utf8.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr const char* kHeader5 = "Windows Registry Editor Version 5.00";
constexpr const char* kHeader4 = "REGEDIT4";
constexpr DWORD kRegSz = 1;
constexpr DWORD kRegBinary = 3;
constexpr DWORD kRegDword = 4;

char fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string folded(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = fold(c);
  return out;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string trimmed(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && isBlank(s[b])) ++b;
  while (e > b && isBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}


// The registry editor of the old platform saved its files as UTF-16LE; the suite's
// texts are 8-bit, kept here as UTF-8.
std::string utf16leToUtf8(const std::string& bytes, std::size_t start) {
  std::string out;
  auto unit = [&](std::size_t i) {
    return static_cast<unsigned>(static_cast<unsigned char>(bytes[i])) |
           (static_cast<unsigned>(static_cast<unsigned char>(bytes[i + 1])) << 8);
  };
  for (std::size_t i = start; i + 1 < bytes.size(); i += 2) {
    unsigned u = unit(i);
    if (u >= 0xD800 && u < 0xDC00 && i + 3 < bytes.size()) {
      unsigned low = unit(i + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
        i += 2;
        continue;
      }
    }
    AppendUtf8(out, (u >= 0xD800 && u < 0xE000) ? 0xFFFD : u);
  }
  return out;
}

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(line);
      line.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

// Reads a quoted name or string starting at text[pos] == '"'. Only \\ and \" are
// escapes; any other backslash stands for itself. False when the closing quote is missing.
bool readQuoted(const std::string& text, std::size_t& pos, std::string& out) {
  out.clear();
  for (std::size_t i = pos + 1; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
      out += text[++i];
    } else if (c == '"') {
      pos = i + 1;
      return true;
    } else {
      out += c;
    }
  }
  return false;
}

// After a value's data only blanks and a ';' comment may follow.
bool restIsEmpty(const std::string& text, std::size_t pos) {
  while (pos < text.size() && isBlank(text[pos])) ++pos;
  return pos == text.size() || text[pos] == ';';
}

bool startsWithFolded(const std::string& text, std::size_t pos, const char* prefix) {
  for (std::size_t k = 0; prefix[k]; ++k, ++pos)
    if (pos >= text.size() || fold(text[pos]) != prefix[k]) return false;
  return true;
}

bool parseHexBytes(const std::string& list, std::string& out) {
  out.clear();
  std::size_t pos = 0;
  while (pos <= list.size()) {
    std::size_t comma = list.find(',', pos);
    std::string token = trimmed(list.substr(pos, comma == std::string::npos ? std::string::npos
                                                                              : comma - pos));
    bool last = comma == std::string::npos;
    if (token.empty()) {
      // "hex:" with no bytes, or a trailing comma, is fine; an empty slot inside is not.
      if (!last) return false;
      break;
    }
    if (token.size() > 2) return false;
    int value = 0;
    for (char c : token) {
      int d = hexDigit(c);
      if (d < 0) return false;
      value = value * 16 + d;
    }
    out += static_cast<char>(value);
    if (last) break;
    pos = comma + 1;
  }
  return true;
}

std::string escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

// A string value has the "text" form only when it is exactly text plus one NUL and
// the text fits on a line.
bool hasStringForm(const RegValueEntry& v) {
  if (v.type != kRegSz || v.data.empty() || v.data.back() != '\0') return false;
  std::string text = v.data.substr(0, v.data.size() - 1);
  return text.find('\0') == std::string::npos && RegTextCanHold(text);
}

void appendValue(std::string& out, const RegValueEntry& v) {
  // Appended piece by piece: GCC 12 at -O3 warns falsely about "literal" + std::string.
  std::string line;
  if (v.name.empty()) line = "@=";
  else line.append("\"").append(escaped(v.name)).append("\"=");
  if (hasStringForm(v)) {
    line.append("\"").append(escaped(v.data.substr(0, v.data.size() - 1))).append("\"");
  } else if (v.type == kRegDword && v.data.size() == 4) {
    DWORD n = 0;
    for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(v.data[i]);
    char digits[16];
    std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(n));
    line += "dword:";
    line += digits;
  } else {
    if (v.type == kRegBinary) {
      line += "hex:";
    } else {
      char prefix[24];
      std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(v.type));
      line += prefix;
    }
    // Long lists wrap as the registry editor wrapped them: ",\" and a two-blank indent.
    for (std::size_t i = 0; i < v.data.size(); ++i) {
      char byte[4];
      std::snprintf(byte, sizeof byte, "%02x", static_cast<unsigned char>(v.data[i]));
      line += byte;
      if (i + 1 < v.data.size()) {
        line += ',';
        std::size_t lineStart = line.rfind('\n');
        std::size_t width = line.size() - (lineStart == std::string::npos ? 0 : lineStart + 1);
        if (width > 76) line += "\\\r\n  ";
      }
    }
  }
  out += line + "\r\n";
}

std::vector<std::string> segments(const std::string& path) {
  std::vector<std::string> out;
  std::size_t pos = 0;
  for (;;) {
    std::size_t sep = path.find('\\', pos);
    out.push_back(folded(path.substr(pos, sep == std::string::npos ? std::string::npos
                                                                     : sep - pos)));
    if (sep == std::string::npos) break;
    pos = sep + 1;
  }
  return out;
}

bool isBelow(const std::string& path, const std::string& ancestor) {
  return path.size() > ancestor.size() && path[ancestor.size()] == '\\' &&
         RegNamesEqual(path.substr(0, ancestor.size()), ancestor);
}

// A key path as the file spells it: a root and names, none of them empty.
bool validKeyPath(const std::string& path) {
  if (path.empty()) return false;
  for (const std::string& s : segments(path))
    if (s.empty()) return false;
  return true;
}

}  // namespace

bool RegNamesEqual(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (fold(a[i]) != fold(b[i])) return false;
  return true;
}

bool RegTextCanHold(const std::string& text) {
  return text.find_first_of("\r\n") == std::string::npos;
}

RegValueEntry* RegKeyEntry::findValue(const std::string& name) {
  for (RegValueEntry& v : values)
    if (RegNamesEqual(v.name, name)) return &v;
  return nullptr;
}

void RegKeyEntry::setValue(const std::string& name, DWORD type, const std::string& data) {
  if (RegValueEntry* v = findValue(name)) {
    v->type = type;
    v->data = data;
  } else {
    values.push_back({name, type, data});
  }
}

bool RegKeyEntry::deleteValue(const std::string& name) {
  for (auto it = values.begin(); it != values.end(); ++it) {
    if (RegNamesEqual(it->name, name)) {
      values.erase(it);
      return true;
    }
  }
  return false;
}

RegKeyEntry* RegDocument::findKey(const std::string& path) {
  for (RegKeyEntry& k : keys)
    if (RegNamesEqual(k.path, path)) return &k;
  return nullptr;
}

RegKeyEntry& RegDocument::addKey(const std::string& path) {
  if (RegKeyEntry* k = findKey(path)) return *k;
  // Parents first, so that opening any level of a path that exists succeeds; the bare
  // root gets a line of its own only when it holds values.
  std::size_t sep = path.rfind('\\');
  if (sep != std::string::npos && path.find('\\') != sep) addKey(path.substr(0, sep));
  keys.push_back({path, {}});
  return keys.back();
}

bool RegDocument::deleteKeyTree(const std::string& path) {
  std::size_t before = keys.size();
  keys.erase(std::remove_if(keys.begin(), keys.end(),
                            [&](const RegKeyEntry& k) {
                              return RegNamesEqual(k.path, path) || isBelow(k.path, path);
                            }),
             keys.end());
  return keys.size() != before;
}

std::vector<std::string> RegDocument::subkeys(const std::string& path) const {
  std::vector<std::string> out;
  for (const RegKeyEntry& k : keys)
    if (isBelow(k.path, path) && k.path.find('\\', path.size() + 1) == std::string::npos)
      out.push_back(k.path);
  return out;
}

namespace {
// The text of a registry file: UTF-16LE (with its byte-order mark) becomes UTF-8, a UTF-8
// byte-order mark is dropped.
std::string registryText(const std::string& bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE)
    return utf16leToUtf8(bytes, 2);
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return bytes.substr(3);
  return bytes;
}

// A value's data, read from `pos` of its (trimmed) line.
struct ValueData {
  bool remove = false;
  DWORD type = 0;
  std::string data;
};

// Each reader returns what is wrong with the data, or "" when it was read.
std::string readDword(const std::string& line, std::size_t pos, ValueData& value) {
  std::size_t digits = 0;
  DWORD n = 0;
  while (pos < line.size() && hexDigit(line[pos]) >= 0) {
    n = (n << 4) | static_cast<DWORD>(hexDigit(line[pos]));
    ++pos;
    ++digits;
  }
  if (digits < 1 || digits > 8 || !restIsEmpty(line, pos)) return "a dword that is not 1 to 8 hex digits";
  value.type = kRegDword;
  for (int b = 0; b < 4; ++b) value.data += static_cast<char>((n >> (8 * b)) & 0xFF);
  return "";
}

// "hex:" or "hex(type):" and a byte list; a list ending in "\" goes on in the next line,
// which `i` then steps over.
std::string readHex(const std::string& line, std::size_t pos, const std::vector<std::string>& lines,
                    std::size_t& i, ValueData& value) {
  value.type = kRegBinary;
  if (pos < line.size() && line[pos] == '(') {
    std::size_t close = line.find(')', pos);
    std::string number = close == std::string::npos ? "" : line.substr(pos + 1, close - pos - 1);
    if (number.empty() || number.size() > 8 ||
        !std::all_of(number.begin(), number.end(), [](char c) { return hexDigit(c) >= 0; }))
      return "a hex value with a broken type";
    value.type = static_cast<DWORD>(std::stoul(number, nullptr, 16));
    pos = close + 1;
  }
  if (pos >= line.size() || line[pos] != ':') return "a hex value without \":\"";
  std::string list = line.substr(pos + 1);
  for (;;) {
    std::string t = trimmed(list);
    if (t.empty() || t.back() != '\\') break;
    list = t.substr(0, t.size() - 1);
    if (i + 1 >= lines.size()) return "a hex value cut short";
    list += trimmed(lines[++i]);
  }
  std::size_t comment = list.find(';');
  if (comment != std::string::npos) list.erase(comment);
  if (!parseHexBytes(list, value.data)) return "a hex value with bytes that are not hex";
  return "";
}

std::string readValueData(const std::string& line, std::size_t pos, const std::vector<std::string>& lines,
                          std::size_t& i, ValueData& value) {
  if (pos < line.size() && line[pos] == '"') {
    std::string text;
    if (!readQuoted(line, pos, text) || !restIsEmpty(line, pos))
      return "a string that is not closed or has text after it";
    value.type = kRegSz;
    value.data = text + '\0';
    return "";
  }
  if (pos < line.size() && line[pos] == '-') {
    if (!restIsEmpty(line, pos + 1)) return "text after a value deletion";
    value.remove = true;
    return "";
  }
  if (startsWithFolded(line, pos, "dword:")) return readDword(line, pos + 6, value);
  if (startsWithFolded(line, pos, "hex")) return readHex(line, pos + 3, lines, i, value);
  return "a value of a form that is not known";
}

// Reads the lines of a registry file into a document, noting each line it cannot use.
class RegReader {
 public:
  explicit RegReader(RegDocument& doc) : doc_(doc) {}

  void problem(std::size_t index, const std::string& reason) {
    doc_.problems.push_back({static_cast<int>(index + 1), reason + "; the line is ignored"});
  }

  // "[path]" makes the key current (adding it), "[-path]" deletes the key and its tree.
  void keyLine(std::size_t i, const std::string& line) {
    current_ = kNoKey;
    why_ = NoKey::BrokenKey;
    if (line.back() != ']' || line.size() < 3) return problem(i, "a key line without its closing \"]\"");
    std::string path = line.substr(1, line.size() - 2);
    bool deletion = path[0] == '-';
    if (deletion) path.erase(0, 1);
    if (!path.empty() && path.back() == '\\') path.pop_back();
    if (!validKeyPath(path)) return problem(i, "a key name with an empty part");
    if (deletion) {
      // Values after a deletion line have nowhere to go; they are skipped quietly.
      doc_.deleteKeyTree(path);
      why_ = NoKey::DeletedKey;
      return;
    }
    doc_.addKey(path);
    for (std::size_t k = 0; k < doc_.keys.size(); ++k)
      if (RegNamesEqual(doc_.keys[k].path, path)) current_ = k;
  }

  // "name"=data or @=data; a hex list may take the lines after it, which `i` steps over.
  void valueLine(const std::vector<std::string>& lines, std::size_t& i, const std::string& line) {
    std::string name;
    std::size_t pos = 0;
    if (line[0] == '@') {
      pos = 1;
    } else if (!readQuoted(line, pos, name)) {
      return problem(i, "a value name without its closing quote");
    }
    while (pos < line.size() && isBlank(line[pos])) ++pos;
    if (pos >= line.size() || line[pos] != '=') return problem(i, "a value without \"=\"");
    ++pos;
    while (pos < line.size() && isBlank(line[pos])) ++pos;

    const std::size_t firstLine = i;
    ValueData value;
    if (std::string wrong = readValueData(line, pos, lines, i, value); !wrong.empty())
      return problem(firstLine, wrong);
    if (current_ == kNoKey) {
      if (why_ == NoKey::BrokenKey) problem(firstLine, "a value of a key that could not be read");
      if (why_ == NoKey::BeforeFirst) problem(firstLine, "a value before the first key");
      return;
    }
    if (value.remove)
      doc_.keys[current_].deleteValue(name);
    else
      doc_.keys[current_].setValue(name, value.type, value.data);
  }

 private:
  RegDocument& doc_;
  // Index of the key that values go to; none before the first key line and after a key
  // line that could not be read, so no value lands in the wrong key.
  static constexpr std::size_t kNoKey = static_cast<std::size_t>(-1);
  std::size_t current_ = kNoKey;
  enum class NoKey { BeforeFirst, BrokenKey, DeletedKey } why_ = NoKey::BeforeFirst;
};
}  // namespace

RegDocument ParseRegText(const std::string& bytes) {
  RegDocument doc;
  RegReader reader(doc);
  std::vector<std::string> lines = splitLines(registryText(bytes));

  std::size_t first = 0;
  if (!lines.empty()) {
    std::string head = trimmed(lines[0]);
    if (head == kHeader5 || head == kHeader4) {
      first = 1;
    } else if (!bytes.empty()) {
      doc.problems.push_back({1, "the header \"" + std::string(kHeader5) +
                                     "\" is missing; the lines are read all the same"});
    }
  }

  for (std::size_t i = first; i < lines.size(); ++i) {
    std::string line = trimmed(lines[i]);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[')
      reader.keyLine(i, line);
    else if (line[0] == '"' || line[0] == '@')
      reader.valueLine(lines, i, line);
    else
      reader.problem(i, "not a key, a value or a comment");
  }
  return doc;
}

std::string FormatRegText(const RegDocument& document) {
  std::vector<const RegKeyEntry*> order;
  for (const RegKeyEntry& k : document.keys) order.push_back(&k);
  // Comparing name by name puts every parent before its subkeys (depth first).
  std::stable_sort(order.begin(), order.end(), [](const RegKeyEntry* a, const RegKeyEntry* b) {
    return segments(a->path) < segments(b->path);
  });

  std::string out = std::string(kHeader5) + "\r\n\r\n";
  for (const RegKeyEntry* k : order) {
    out += "[" + k->path + "]\r\n";
    for (const RegValueEntry& v : k->values) appendValue(out, v);
    out += "\r\n";
  }
  return out;
}
