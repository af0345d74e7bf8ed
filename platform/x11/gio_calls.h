#pragma once
// GIO (GSettings, D-Bus), loaded the first time a desktop's own interface is asked for,
// not when a program starts: the log-on change on a bare X root, which never needs it,
// then starts without its ten libraries (about 3 MB and a few milliseconds).
#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gio.h>
#include <gio/gsettingsbackend.h>

#include <string>

// Every GIO function the desktops' interfaces call, named as GIO names them.
#define QM_GIO_FUNCTIONS(X)                                                                    \
  X(g_bus_get_sync) X(g_clear_error) X(g_dbus_connection_call_sync) X(g_object_unref)         \
  X(g_type_name) X(g_settings_apply) X(g_settings_backend_get_default) X(g_settings_delay)    \
  X(g_settings_new_full) X(g_settings_schema_has_key) X(g_settings_schema_source_get_default) \
  X(g_settings_schema_source_lookup) X(g_settings_schema_unref) X(g_settings_set_string)      \
  X(g_settings_sync) X(g_variant_get) X(g_variant_iter_free) X(g_variant_iter_loop)           \
  X(g_variant_new) X(g_variant_new_array) X(g_variant_new_double) X(g_variant_new_int32)      \
  X(g_variant_new_string) X(g_variant_new_variant) X(g_variant_unref)

struct GioCalls {
#define QM_GIO_MEMBER(name) decltype(&::name) name = nullptr;
  QM_GIO_FUNCTIONS(QM_GIO_MEMBER)
#undef QM_GIO_MEMBER
};

// GIO's functions, loaded once for the life of the process (GIO cannot be unloaded); null,
// with the reason in `problem` when one is given, when the library is not there.
const GioCalls* Gio(std::string* problem = nullptr);
