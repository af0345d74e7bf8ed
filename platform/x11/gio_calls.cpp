#include "platform/x11/gio_calls.h"

#include <dlfcn.h>

const GioCalls* Gio(std::string* problem) {
  static const GioCalls* calls = []() -> const GioCalls* {
    // The system's own GIO, by the name its package gives it, like a linked library.
    void* library = dlopen("libgio-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!library) return nullptr;
    static GioCalls loaded;
    bool complete = true;
    // A handle's lookup also searches what the library needs (GObject, GLib).
#define QM_GIO_BIND(name)                                                          \
  loaded.name = reinterpret_cast<decltype(loaded.name)>(dlsym(library, #name)); \
  complete = complete && loaded.name;
    QM_GIO_FUNCTIONS(QM_GIO_BIND)
#undef QM_GIO_BIND
    return complete ? &loaded : nullptr;
  }();
  if (!calls && problem) *problem = "GIO (libgio-2.0.so.0) cannot be loaded";
  return calls;
}
