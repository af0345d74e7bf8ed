#include "platform/shortcut.h"

#include <sys/stat.h>

#include "platform/atomic_file.h"
#include "platform/paths.h"
#include "platform/registry.h"

namespace {
constexpr const char* kShellFoldersKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

bool HasControlCharacter(const std::string& text) {
  for (unsigned char c : text)
    if (c < 0x20 || c == 0x7F) return true;
  return false;
}

// A desktop entry's Exec argument: in double quotes, with the four characters the quoting
// rule names escaped, and "%" doubled (field codes). Then the general string escape of the
// file format doubles every backslash once more.
std::string QuotedExecArgument(const std::string& target) {
  std::string quoted = "\"";
  for (char c : target) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    if (c == '%') quoted += '%';
    quoted += c;
  }
  quoted += '"';
  std::string escaped;
  for (char c : quoted) {
    if (c == '\\') escaped += '\\';
    escaped += c;
  }
  return escaped;
}

void MakeFolders(const std::string& folder) {
  std::string partial;
  for (size_t i = 0; i < folder.size(); ++i) {
    partial += folder[i];
    if ((folder[i] == '/' && i > 0) || i + 1 == folder.size()) mkdir(partial.c_str(), 0700);
  }
}
}  // namespace

std::string ShortcutFileName(const std::string& name) { return name + ".desktop"; }

bool GetStartupFolder(std::string& folder) {
  HKEY key = nullptr;
  if (RegOpenKeyEx(HKEY_CURRENT_USER, kShellFoldersKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  char buffer[MAX_PATH] = {};
  DWORD size = sizeof(buffer);
  DWORD type = 0;
  LONG rc = RegQueryValueEx(key, "Startup", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS || type != REG_SZ) return false;
  buffer[MAX_PATH - 1] = '\0';
  folder = buffer;
  return !folder.empty();
}

std::string CShellLink::EntryText() const {
  if (m_target.empty() || HasControlCharacter(m_target) || HasControlCharacter(m_description)) return {};
  std::string name = m_description.empty() ? m_target : m_description;
  std::string text = "[Desktop Entry]\n";
  text += "Type=Application\n";
  text += "Name=" + name + "\n";
  if (!m_description.empty()) text += "Comment=" + m_description + "\n";
  text += "Exec=" + QuotedExecArgument(m_target) + "\n";
  text += "Terminal=false\n";
  text += "NoDisplay=true\n";
  return text;
}

BOOL CShellLink::Save(const std::string& path) const {
  std::string text = EntryText();
  if (text.empty() || path.empty()) return FALSE;
  std::string native = NativePath(path);
  size_t slash = native.rfind('/');
  if (slash != std::string::npos && slash > 0) MakeFolders(native.substr(0, slash));
  return WriteFileAtomically(native, text) ? TRUE : FALSE;
}

std::string ReadShortcutTarget(const std::string& path) {
  std::string bytes;
  if (!ReadWholeFile(NativePath(path), bytes)) return {};
  size_t at = bytes.find("\nExec=");
  if (at == std::string::npos) return {};
  size_t start = at + 6;
  size_t end = bytes.find('\n', start);
  std::string value = bytes.substr(start, end == std::string::npos ? std::string::npos : end - start);
  // Undo the file's string escape, then the Exec quoting.
  std::string unescaped;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) ++i;
    unescaped += value[i];
  }
  if (unescaped.size() < 2 || unescaped.front() != '"' || unescaped.back() != '"') return {};
  std::string target;
  for (size_t i = 1; i + 1 < unescaped.size(); ++i) {
    if (unescaped[i] == '\\' && i + 2 < unescaped.size()) ++i;
    else if (unescaped[i] == '%' && i + 2 < unescaped.size() && unescaped[i + 1] == '%') ++i;
    target += unescaped[i];
  }
  return target;
}
