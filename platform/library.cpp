#include "platform/library.h"

#include <dlfcn.h>

#include <cstdint>
#include <string>

#include "platform/paths.h"

namespace {
std::string& lastError() {
  static std::string text;
  return text;
}

void noteError(const char* fallback) {
  const char* e = dlerror();
  lastError() = e ? e : fallback;
}
}  // namespace

const char* ProcedureNameForOrdinal(WORD ordinal) {
  switch (ordinal) {
    case 2: return "QmDecodeJpeg";
    case 3: return "QmWritePanoramaWindow";
    default: return nullptr;
  }
}

HMODULE LoadLibrary(const char* path) {
  lastError().clear();
  if (!path || !*path) {
    lastError() = "no library path";
    return nullptr;
  }
  std::string file = NativePath(path);
  // dlopen searches the library path for a bare name; the suite only ever means a file.
  if (file.find('/') == std::string::npos) file = "./" + file;
  dlerror();
  void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) noteError("cannot load library");
  return static_cast<HMODULE>(handle);
}

FARPROC GetProcAddress(HMODULE module, WORD ordinal) {
  const char* name = ProcedureNameForOrdinal(ordinal);
  if (!name) {
    lastError() = "no procedure with ordinal " + std::to_string(ordinal);
    return nullptr;
  }
  return GetProcAddress(module, name);
}

FARPROC GetProcAddress(HMODULE module, const char* name) {
  lastError().clear();
  if (!module) {
    lastError() = "no library";
    return nullptr;
  }
  auto packed = reinterpret_cast<std::uintptr_t>(name);
  if (packed < 0x10000) return GetProcAddress(module, static_cast<WORD>(packed));
  dlerror();
  void* symbol = dlsym(static_cast<void*>(module), name);
  if (!symbol) {
    noteError("no such procedure");
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(symbol);
}

BOOL FreeLibrary(HMODULE module) {
  if (!module) return FALSE;
  return dlclose(static_cast<void*>(module)) == 0 ? TRUE : FALSE;
}

std::string LibraryPathOf(FARPROC procedure) {
  Dl_info info{};
  if (!procedure || !dladdr(reinterpret_cast<void*>(procedure), &info) || !info.dli_fname)
    return {};
  return info.dli_fname;
}

const char* LibraryErrorText() { return lastError().c_str(); }
