#include "imagelib/profile_file.h"

#include <cstdio>
#include <cstring>

#include "platform/profile.h"

void CProfileFile::SetFile(const std::string& path) {
  m_strFile = path;
  m_bOpen = 1;
}

int CProfileFile::ReadInt(const std::string& section, const std::string& key) const {
  if (!m_bOpen) return 0;
  // The platform hands back the two's complement of a negative number as unsigned.
  const auto read = m_bOutside ? GetOutsideProfileInt : GetPrivateProfileInt;
  return static_cast<int>(read(section.c_str(), key.c_str(), -1, m_strFile.c_str()));
}

int CProfileFile::ReadString(const std::string& section, const std::string& key,
                             std::string& out) const {
  out.clear();
  if (!m_bOpen) return 0;
  std::vector<char> buffer(kStringBufferSize, '\0');
  const auto read = m_bOutside ? GetOutsideProfileString : GetPrivateProfileString;
  DWORD n = read(section.c_str(), key.c_str(), kNotAvailable, buffer.data(), kStringBufferSize,
                 m_strFile.c_str());
  if (n >= kStringBufferSize) n = kStringBufferSize - 1;
  out.assign(buffer.data(), n);
  return static_cast<int>(n);
}

int CProfileFile::ReadKeyNames(const std::string& section, std::vector<std::string>& list) const {
  if (!m_bOpen) {
    list.clear();
    return 0;
  }
  // One spare byte beyond the size handed over keeps the walk below inside the buffer
  // even if the list were not double-NUL ended.
  std::vector<char> buffer(kKeyListBufferSize + 1, '\0');
  const auto read = m_bOutside ? GetOutsideProfileString : GetPrivateProfileString;
  DWORD n = read(section.c_str(), nullptr, kNotAvailable, buffer.data(), kKeyListBufferSize,
                 m_strFile.c_str());
  if (n > kKeyListBufferSize) n = kKeyListBufferSize;
  if (n == 0 || std::strcmp(buffer.data(), kNotAvailable) == 0) {
    list.clear();
    return 0;
  }
  int added = 0;
  std::size_t pos = 0;
  while (pos < n && buffer[pos] != '\0' && static_cast<std::size_t>(added) < kMaxKeyNames) {
    std::size_t len = std::strlen(buffer.data() + pos);
    list.emplace_back(buffer.data() + pos, len);
    ++added;
    pos += len + 1;
  }
  return added;
}

BOOL CProfileFile::WriteString(const std::string& section, const std::string& key,
                               const std::string& value) const {
  if (!m_bOpen) return 0;
  return WritePrivateProfileString(section.c_str(), key.c_str(), value.c_str(),
                                   m_strFile.c_str());
}

BOOL CProfileFile::WriteStrings(
    const std::string& section,
    const std::vector<std::pair<std::string, std::string>>& keysAndValues) const {
  if (!m_bOpen) return 0;
  return WritePrivateProfileStrings(section.c_str(), keysAndValues, m_strFile.c_str());
}

BOOL CProfileFile::WriteInt(const std::string& section, const std::string& key, int n) const {
  if (!m_bOpen) return 0;
  char text[16];
  std::snprintf(text, sizeof text, "%d", n);
  return WritePrivateProfileString(section.c_str(), key.c_str(), text, m_strFile.c_str());
}

BOOL CProfileFile::DeleteKey(const std::string& section, const std::string& key) const {
  if (!m_bOpen) return 0;
  return WritePrivateProfileString(section.c_str(), key.c_str(), nullptr, m_strFile.c_str());
}

BOOL CProfileFile::DeleteSection(const std::string& section) const {
  if (!m_bOpen) return 0;
  return WritePrivateProfileString(section.c_str(), nullptr, nullptr, m_strFile.c_str());
}
