#include "platform/short_path.h"

#include <sys/stat.h>

#include <cstring>
#include <string>

#include "platform/paths.h"

DWORD GetShortPathName(const char* longPath, char* shortPath, DWORD size) {
  if (!longPath || !*longPath) return 0;
  struct stat info;
  if (stat(NativePath(longPath).c_str(), &info) != 0) return 0;
  const std::size_t length = std::strlen(longPath);
  if (!shortPath || length + 1 > size) return static_cast<DWORD>(length + 1);
  // The caller's text is kept as written (separators included): it is its own short form.
  std::memmove(shortPath, longPath, length + 1);
  return static_cast<DWORD>(length);
}
