#include "platform/registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <set>
#include <string>

#include "platform/atomic_file.h"
#include "platform/paths.h"
#include "platform/reg_text.h"
#include "platform/write_failures.h"

struct RegistryKey {
  std::string path;  // full path, "HKEY_CURRENT_USER\\..."
};

namespace {

const char kRoot[] = "HKEY_CURRENT_USER";

RegistryKey& currentUserKey() {
  static RegistryKey key{kRoot};
  return key;
}

std::mutex& handleMutex() {
  static std::mutex m;
  return m;
}

std::set<HKEY>& openHandles() {
  static std::set<HKEY> handles;
  return handles;
}

bool validHandle(HKEY key) {
  if (!key) return false;
  if (key == &currentUserKey()) return true;
  std::lock_guard<std::mutex> lock(handleMutex());
  return openHandles().count(key) != 0;
}

HKEY newHandle(const std::string& path) {
  HKEY key = new RegistryKey{path};
  std::lock_guard<std::mutex> lock(handleMutex());
  openHandles().insert(key);
  return key;
}

std::string registryFile() { return WindowsDirectory() + "/user.reg"; }

bool isRoot(const std::string& path) { return RegNamesEqual(path, kRoot); }

// Warn once per broken state of the file, not at every one of the many reads a program
// makes of an unchanged file.
void warnProblems(const std::string& file, const std::string& bytes, const RegDocument& doc) {
  if (doc.problems.empty()) return;
  static std::mutex m;
  static std::string lastFile;
  static std::size_t lastHash = 0;
  std::lock_guard<std::mutex> lock(m);
  std::size_t hash = std::hash<std::string>{}(bytes);
  if (file == lastFile && hash == lastHash) return;
  lastFile = file;
  lastHash = hash;
  for (const RegProblem& p : doc.problems)
    std::fprintf(stderr, "%s:%d: %s\n", file.c_str(), p.line, p.reason.c_str());
}

// The shell of the old platform always kept the user's Startup folder here, and the
// configuration program finds it nowhere else; on this desktop it is the XDG autostart
// folder beside the Windows directory. Put back whenever it is missing, as that shell did.
void seedShellFolders(RegDocument& doc) {
  const std::string path = std::string(kRoot) +
      "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  RegKeyEntry* key = doc.findKey(path);
  if (key && key->findValue("Startup")) return;
  std::string configHome = WindowsDirectory();
  configHome.erase(configHome.rfind('/'));
  doc.addKey(path).setValue("Startup", REG_SZ, configHome + "/autostart/" + '\0');
}

enum class Load { Ok, Unreadable };

// The file as it is now. A missing file is an empty registry; one that exists but
// cannot be read must not be taken for empty, or the next change would wipe it.
Load loadDocument(RegDocument& doc, std::string& bytes) {
  std::string file = registryFile();
  bytes.clear();
  if (!ReadWholeFile(file, bytes)) {
    int readError = errno;
    struct stat st{};
    if (lstat(file.c_str(), &st) == 0 || errno != ENOENT) {
      errno = readError;
      return Load::Unreadable;
    }
    doc = RegDocument{};
    seedShellFolders(doc);
    return Load::Ok;
  }
  doc = ParseRegText(bytes);
  warnProblems(file, bytes, doc);
  seedShellFolders(doc);
  return Load::Ok;
}

// Holds an exclusive lock on a companion file for the time of one read-change-write,
// so that two programs changing the registry at once do not lose either change. The
// registry file itself cannot carry the lock: it is replaced by rename on every write.
class ChangeLock {
 public:
  ChangeLock() {
    std::string lockFile = WindowsDirectory() + "/.user.reg.lock";
    fd_ = open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ >= 0) {
      while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
    }
  }
  ~ChangeLock() {
    if (fd_ >= 0) close(fd_);  // closing releases the lock
  }
  ChangeLock(const ChangeLock&) = delete;
  ChangeLock& operator=(const ChangeLock&) = delete;

 private:
  int fd_ = -1;
};

// Reads the file, lets `apply` change the document (it says whether it did and what to
// return), and writes the file back only when something changed.
LONG changeRegistry(const std::function<LONG(RegDocument&, bool& changed)>& apply) {
  ChangeLock lock;
  RegDocument doc;
  std::string original;
  if (loadDocument(doc, original) == Load::Unreadable) {
    RecordWriteFailure(registryFile(), errno);
    return ERROR_ACCESS_DENIED;
  }
  bool changed = false;
  LONG result = apply(doc, changed);
  if (result != ERROR_SUCCESS || !changed) return result;
  std::string file = registryFile();
  // The lines that could not be read are about to go; keep the file as it was beside it.
  if (!doc.problems.empty()) {
    std::string backup = file + ".bak";
    if (WriteFileAtomically(backup, original))
      std::fprintf(stderr, "%s: the unreadable lines are dropped; the old file is kept as %s\n",
                   file.c_str(), backup.c_str());
  }
  if (!WriteFileAtomically(file, FormatRegText(doc))) return ERROR_ACCESS_DENIED;
  return ERROR_SUCCESS;
}

LONG readRegistry(RegDocument& doc) {
  std::string bytes;
  return loadDocument(doc, bytes) == Load::Ok ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

// The full path of `subKey` below `parent`. One trailing "\" is tolerated; an empty
// name inside the path, or a character that would break the file's lines, is not.
LONG joinPath(HKEY parent, const char* subKey, std::string& path) {
  if (!validHandle(parent)) return ERROR_INVALID_HANDLE;
  path = parent->path;
  if (!subKey || !*subKey) return ERROR_SUCCESS;
  std::string rest = subKey;
  if (rest.back() == '\\') rest.pop_back();
  if (rest.empty() || rest.front() == '\\' || rest.find("\\\\") != std::string::npos)
    return ERROR_INVALID_PARAMETER;
  for (unsigned char c : rest)
    if (c < 0x20 || c == 0x7F) return ERROR_INVALID_PARAMETER;
  path += "\\" + rest;
  return ERROR_SUCCESS;
}

// Reading a file gives every key its parents, so a key exists exactly when it has an
// entry; the root always exists.
bool keyExists(RegDocument& doc, const std::string& path) {
  return isRoot(path) || doc.findKey(path) != nullptr;
}

std::string valueName(const char* name) { return name ? name : ""; }

}  // namespace

const HKEY HKEY_CURRENT_USER = &currentUserKey();

LONG RegOpenKeyEx(HKEY parent, const char* subKey, DWORD, DWORD, HKEY* result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  std::string path;
  if (LONG r = joinPath(parent, subKey, path)) return r;
  RegDocument doc;
  if (LONG r = readRegistry(doc)) return r;
  if (!keyExists(doc, path)) return ERROR_FILE_NOT_FOUND;
  *result = newHandle(path);
  return ERROR_SUCCESS;
}

LONG RegCreateKeyEx(HKEY parent, const char* subKey, HKEY* result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  std::string path;
  if (LONG r = joinPath(parent, subKey, path)) return r;
  LONG r = changeRegistry([&](RegDocument& doc, bool& changed) -> LONG {
    if (keyExists(doc, path)) return ERROR_SUCCESS;
    doc.addKey(path);
    changed = true;
    return ERROR_SUCCESS;
  });
  if (r != ERROR_SUCCESS) return r;
  *result = newHandle(path);
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  if (key == HKEY_CURRENT_USER) return ERROR_SUCCESS;
  {
    std::lock_guard<std::mutex> lock(handleMutex());
    if (!key || openHandles().erase(key) == 0) return ERROR_INVALID_HANDLE;
  }
  delete key;
  return ERROR_SUCCESS;
}

LONG RegQueryValueEx(HKEY key, const char* name, DWORD* reserved, DWORD* type, BYTE* data,
                     DWORD* dataSize) {
  if (!validHandle(key)) return ERROR_INVALID_HANDLE;
  if (reserved || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
  RegDocument doc;
  if (LONG r = readRegistry(doc)) return r;
  if (!keyExists(doc, key->path)) return ERROR_KEY_DELETED;
  RegKeyEntry* entry = doc.findKey(key->path);
  RegValueEntry* value = entry ? entry->findValue(valueName(name)) : nullptr;
  if (!value) return ERROR_FILE_NOT_FOUND;
  if (type) *type = value->type;
  DWORD needed = static_cast<DWORD>(value->data.size());
  if (!data) {
    if (dataSize) *dataSize = needed;
    return ERROR_SUCCESS;
  }
  DWORD room = *dataSize;
  *dataSize = needed;
  if (room < needed) return ERROR_MORE_DATA;
  std::memcpy(data, value->data.data(), needed);
  return ERROR_SUCCESS;
}

LONG RegSetValueEx(HKEY key, const char* name, DWORD, DWORD type, const BYTE* data,
                   DWORD dataSize) {
  if (!validHandle(key)) return ERROR_INVALID_HANDLE;
  if (!data && dataSize != 0) return ERROR_INVALID_PARAMETER;
  std::string stored;
  if (type == REG_SZ) {
    // The string ends at its NUL or at dataSize, whichever comes first; it is kept as
    // text, so it reads back with exactly one NUL.
    const char* text = reinterpret_cast<const char*>(data);
    std::size_t length = 0;
    while (length < dataSize && text[length] != '\0') ++length;
    std::string s = data ? std::string(text, length) : std::string();
    if (!RegTextCanHold(s)) return ERROR_INVALID_PARAMETER;
    stored = s + '\0';
  } else if (type == REG_DWORD) {
    if (dataSize != 4) return ERROR_INVALID_PARAMETER;
    stored.assign(reinterpret_cast<const char*>(data), 4);
  } else {
    return ERROR_INVALID_PARAMETER;
  }
  std::string vname = valueName(name);
  if (!RegTextCanHold(vname)) return ERROR_INVALID_PARAMETER;
  const std::string path = key->path;
  return changeRegistry([&](RegDocument& doc, bool& changed) -> LONG {
    if (!keyExists(doc, path)) return ERROR_KEY_DELETED;
    RegKeyEntry& entry = doc.addKey(path);
    RegValueEntry* old = entry.findValue(vname);
    if (old && old->type == type && old->data == stored) return ERROR_SUCCESS;
    entry.setValue(vname, type, stored);
    changed = true;
    return ERROR_SUCCESS;
  });
}

LONG RegEnumValue(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* reserved,
                  DWORD* type, BYTE* data, DWORD* dataSize) {
  if (!validHandle(key)) return ERROR_INVALID_HANDLE;
  if (!name || !nameSize || reserved || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
  RegDocument doc;
  if (LONG r = readRegistry(doc)) return r;
  if (!keyExists(doc, key->path)) return ERROR_KEY_DELETED;
  RegKeyEntry* entry = doc.findKey(key->path);
  if (!entry || index >= entry->values.size()) return ERROR_NO_MORE_ITEMS;
  const RegValueEntry& value = entry->values[index];

  DWORD nameRoom = *nameSize;
  DWORD nameNeeded = static_cast<DWORD>(value.name.size()) + 1;
  DWORD dataNeeded = static_cast<DWORD>(value.data.size());
  bool nameFits = nameRoom >= nameNeeded;
  bool dataFits = !data || *dataSize >= dataNeeded;
  if (type) *type = value.type;
  if (!nameFits || !dataFits) {
    *nameSize = nameNeeded;
    if (dataSize) *dataSize = dataNeeded;
    return ERROR_MORE_DATA;
  }
  std::memcpy(name, value.name.c_str(), nameNeeded);
  *nameSize = nameNeeded - 1;
  if (dataSize) *dataSize = dataNeeded;
  if (data) std::memcpy(data, value.data.data(), dataNeeded);
  return ERROR_SUCCESS;
}

LONG RegDeleteValue(HKEY key, const char* name) {
  if (!validHandle(key)) return ERROR_INVALID_HANDLE;
  const std::string path = key->path;
  const std::string vname = valueName(name);
  return changeRegistry([&](RegDocument& doc, bool& changed) -> LONG {
    if (!keyExists(doc, path)) return ERROR_KEY_DELETED;
    RegKeyEntry* entry = doc.findKey(path);
    if (!entry || !entry->deleteValue(vname)) return ERROR_FILE_NOT_FOUND;
    changed = true;
    return ERROR_SUCCESS;
  });
}

LONG RegDeleteKey(HKEY parent, const char* subKey) {
  if (!subKey || !*subKey) return validHandle(parent) ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE;
  std::string path;
  if (LONG r = joinPath(parent, subKey, path)) return r;
  return changeRegistry([&](RegDocument& doc, bool& changed) -> LONG {
    if (!keyExists(doc, path)) return ERROR_FILE_NOT_FOUND;
    doc.deleteKeyTree(path);
    changed = true;
    return ERROR_SUCCESS;
  });
}
