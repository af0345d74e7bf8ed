#include "platform/dbus/locker_watch.h"

#include <gio/gio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <map>

namespace {
// Service names and their object paths; each service's interface has the service's name.
struct Service {
  const char* name;
  const char* path;
};
constexpr Service kServices[] = {
    {"org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver"},
    {"org.gnome.ScreenSaver", "/org/gnome/ScreenSaver"},
    {"org.cinnamon.ScreenSaver", "/org/cinnamon/ScreenSaver"},
    {"org.mate.ScreenSaver", "/org/mate/ScreenSaver"},
    {"org.xfce.ScreenSaver", "/org/xfce/ScreenSaver"},
};
constexpr int kCallTimeoutMs = 500;

bool IsSocket(const std::string& path) {
  struct stat st{};
  return stat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

std::string SessionBusAddress() {
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address && *address) return address;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && runtime[0] == '/' && IsSocket(std::string(runtime) + "/bus"))
    return std::string("unix:path=") + runtime + "/bus";
  return {};
}

std::string SystemBusAddress() {
  const char* address = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
  if (address && *address) return address;
  if (IsSocket("/run/dbus/system_bus_socket")) return "unix:path=/run/dbus/system_bus_socket";
  return {};
}

GDBusConnection* Connect(const std::string& address) {
  if (address.empty()) return nullptr;
  GError* error = nullptr;
  GDBusConnection* c = g_dbus_connection_new_for_address_sync(
      address.c_str(),
      static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                        G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
      nullptr, nullptr, &error);
  if (error) g_error_free(error);
  if (c) g_dbus_connection_set_exit_on_close(c, FALSE);
  return c;
}

// A method call's reply, or nullptr (no such service, an error, no answer in time).
GVariant* Call(GDBusConnection* c, const char* name, const char* path, const char* interface,
               const char* method, GVariant* args, const char* replyType) {
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_sync(c, name, path, interface, method, args,
                                                G_VARIANT_TYPE(replyType), G_DBUS_CALL_FLAGS_NO_AUTO_START,
                                                kCallTimeoutMs, nullptr, &error);
  if (error) g_error_free(error);
  return reply;
}
}  // namespace

struct LockerWatch::Impl {
  GMainContext* context = nullptr;
  GDBusConnection* session = nullptr;
  GDBusConnection* system = nullptr;
  std::string sessionPath;  // logind's object for our session
  std::map<std::string, bool> active;
  int lockRequests = 0;
  bool sessionLocked = false;  // logind's LockedHint for our session
  std::string lastLocker;
  std::vector<GPollFD> gfds;
  int priority = 0;
  std::size_t firstFd = 0;

  static void OnActiveChanged(GDBusConnection*, const char*, const char*, const char* interface, const char*,
                              GVariant* parameters, gpointer data) {
    auto* self = static_cast<Impl*>(data);
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(b)"))) return;
    gboolean on = FALSE;
    g_variant_get(parameters, "(b)", &on);
    self->active[interface] = on != FALSE;
  }

  static void OnLock(GDBusConnection*, const char*, const char*, const char*, const char* member, GVariant*,
                     gpointer data) {
    auto* self = static_cast<Impl*>(data);
    if (std::strcmp(member, "Lock") == 0) {
      ++self->lockRequests;
      self->lastLocker = "logind";
    }
  }

  // Lockers that tell logind (GNOME's, KDE's, light-locker, xfce4-screensaver) set the
  // session's LockedHint while the lock screen is up.
  static void OnSessionProperties(GDBusConnection*, const char*, const char*, const char*, const char*,
                                  GVariant* parameters, gpointer data) {
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(sa{sv}as)"))) return;
    GVariant* changed = g_variant_get_child_value(parameters, 1);
    gboolean locked = FALSE;
    if (g_variant_lookup(changed, "LockedHint", "b", &locked)) static_cast<Impl*>(data)->sessionLocked = locked != FALSE;
    g_variant_unref(changed);
  }

  void ReadLockedHint() {
    GVariant* reply = Call(system, "org.freedesktop.login1", sessionPath.c_str(), "org.freedesktop.DBus.Properties",
                           "Get", g_variant_new("(ss)", "org.freedesktop.login1.Session", "LockedHint"), "(v)");
    if (!reply) return;
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_BOOLEAN)) sessionLocked = g_variant_get_boolean(value) != FALSE;
    g_variant_unref(value);
    g_variant_unref(reply);
  }

  void WatchSession() {
    session = Connect(SessionBusAddress());
    if (!session) return;
    for (const Service& s : kServices) {
      // Any sender: a false "on" only ends a slideshow, which input would do anyway.
      g_dbus_connection_signal_subscribe(session, nullptr, s.name, "ActiveChanged", nullptr, nullptr,
                                         G_DBUS_SIGNAL_FLAGS_NONE, OnActiveChanged, this, nullptr);
    }
    for (const Service& s : kServices) {
      GVariant* reply = Call(session, s.name, s.path, s.name, "GetActive", nullptr, "(b)");
      if (!reply) continue;
      gboolean on = FALSE;
      g_variant_get(reply, "(b)", &on);
      g_variant_unref(reply);
      active[s.name] = on != FALSE;
    }
  }

  void WatchLogind() {
    system = Connect(SystemBusAddress());
    if (!system) return;
    const char* id = std::getenv("XDG_SESSION_ID");
    GVariant* reply =
        id && *id ? Call(system, "org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                         "GetSession", g_variant_new("(s)", id), "(o)")
                  : Call(system, "org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                         "GetSessionByPID", g_variant_new("(u)", static_cast<guint32>(getpid())), "(o)");
    if (!reply) {
      // No logind, or not inside one of its sessions: nobody can ask this session to lock.
      g_object_unref(system);
      system = nullptr;
      return;
    }
    const char* path = nullptr;
    g_variant_get(reply, "(&o)", &path);
    sessionPath = path;
    g_variant_unref(reply);
    g_dbus_connection_signal_subscribe(system, "org.freedesktop.login1", "org.freedesktop.login1.Session", "Lock",
                                       sessionPath.c_str(), nullptr, G_DBUS_SIGNAL_FLAGS_NONE, OnLock, this, nullptr);
    g_dbus_connection_signal_subscribe(system, "org.freedesktop.login1", "org.freedesktop.DBus.Properties",
                                       "PropertiesChanged", sessionPath.c_str(), "org.freedesktop.login1.Session",
                                       G_DBUS_SIGNAL_FLAGS_NONE, OnSessionProperties, this, nullptr);
    ReadLockedHint();
  }
};

LockerWatch::LockerWatch() : m_impl(new Impl) {
  m_impl->context = g_main_context_new();
  // Signal handlers run in the context that was the thread's default when they were
  // subscribed: ours, which only Dispatch runs.
  g_main_context_push_thread_default(m_impl->context);
  m_impl->WatchSession();
  m_impl->WatchLogind();
  g_main_context_pop_thread_default(m_impl->context);
}

LockerWatch::~LockerWatch() {
  if (m_impl->session) {
    g_dbus_connection_close_sync(m_impl->session, nullptr, nullptr);
    g_object_unref(m_impl->session);
  }
  if (m_impl->system) {
    g_dbus_connection_close_sync(m_impl->system, nullptr, nullptr);
    g_object_unref(m_impl->system);
  }
  // Let the pending unsubscriptions and closes finish before the context goes.
  while (g_main_context_iteration(m_impl->context, FALSE)) {
  }
  g_main_context_unref(m_impl->context);
  delete m_impl;
}

void LockerWatch::Prepare(std::vector<pollfd>& fds, int& timeoutMs) {
  Impl& d = *m_impl;
  if (!g_main_context_acquire(d.context)) return;
  g_main_context_prepare(d.context, &d.priority);
  int timeout = -1;
  int count = 0;
  for (;;) {
    count = g_main_context_query(d.context, d.priority, &timeout, d.gfds.data(), static_cast<gint>(d.gfds.size()));
    if (count <= static_cast<int>(d.gfds.size())) break;
    d.gfds.resize(static_cast<std::size_t>(count));
  }
  d.gfds.resize(static_cast<std::size_t>(count));
  d.firstFd = fds.size();
  for (const GPollFD& g : d.gfds) fds.push_back(pollfd{g.fd, static_cast<short>(g.events), 0});
  if (timeout >= 0 && timeout < timeoutMs) timeoutMs = timeout;
}

void LockerWatch::Dispatch(std::vector<pollfd>& fds) {
  Impl& d = *m_impl;
  if (!g_main_context_is_owner(d.context)) return;
  for (std::size_t i = 0; i < d.gfds.size() && d.firstFd + i < fds.size(); ++i)
    d.gfds[i].revents = static_cast<gushort>(fds[d.firstFd + i].revents);
  if (g_main_context_check(d.context, d.priority, d.gfds.data(), static_cast<gint>(d.gfds.size())))
    g_main_context_dispatch(d.context);
  g_main_context_release(d.context);
}

bool LockerWatch::ServiceActive() const {
  for (const auto& [name, on] : m_impl->active)
    if (on) return true;
  return false;
}

bool LockerWatch::SessionLocked() const { return m_impl->sessionLocked; }

bool LockerWatch::TakeLockRequest() {
  if (m_impl->lockRequests == 0) return false;
  m_impl->lockRequests = 0;
  return true;
}

std::string LockerWatch::Who() const {
  for (const auto& [name, on] : m_impl->active)
    if (on) return name;
  if (m_impl->sessionLocked) return "logind (session locked)";
  return m_impl->lastLocker;
}

bool LockerWatch::WatchesSessionBus() const { return m_impl->session != nullptr; }
bool LockerWatch::WatchesLogind() const { return m_impl->system != nullptr; }

long long LockerWatch::DesktopIdleMs() {
  if (!m_impl->session) return -1;
  GVariant* reply = Call(m_impl->session, "org.gnome.Mutter.IdleMonitor", "/org/gnome/Mutter/IdleMonitor/Core",
                         "org.gnome.Mutter.IdleMonitor", "GetIdletime", nullptr, "(t)");
  if (!reply) return -1;
  guint64 ms = 0;
  g_variant_get(reply, "(t)", &ms);
  g_variant_unref(reply);
  return static_cast<long long>(ms);
}

bool LockerWatch::DesktopIdleInhibited() {
  if (!m_impl->session) return false;
  constexpr guint32 kInhibitIdle = 8;
  GVariant* reply = Call(m_impl->session, "org.gnome.SessionManager", "/org/gnome/SessionManager",
                         "org.gnome.SessionManager", "IsInhibited", g_variant_new("(u)", kInhibitIdle), "(b)");
  if (!reply) return false;
  gboolean inhibited = FALSE;
  g_variant_get(reply, "(b)", &inhibited);
  g_variant_unref(reply);
  return inhibited != FALSE;
}
