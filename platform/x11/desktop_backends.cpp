// Each desktop's own way of taking a background: see desktop_backends.h.
#include "platform/x11/desktop_backends.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "platform/x11/display_connection.h"
#include "platform/x11/gio_calls.h"

extern char** environ;

namespace {

// ----- helper programs ----------------------------------------------------------------------

// Runs a desktop's own command-line client from PATH (never the program folder, never a
// shell) and waits for it. A client that hangs is ended: the log-on must go on.
bool runClient(const std::vector<std::string>& args, std::string& problem) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  // Their replies (swaymsg prints one) are not for the user; their complaints may be.
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    problem = args[0] + " could not be started: " + std::strerror(rc);
    return false;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  int status = 0;
  for (;;) {
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) {
      problem = args[0] + " vanished";
      return false;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      problem = args[0] + " did not finish";
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    problem = args[0] + " refused the background";
    return false;
  }
  return true;
}

// ----- the session bus ----------------------------------------------------------------------

GDBusConnection* sessionBus(std::string& problem) {
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (!address || !*address) {
    problem = "no session bus (DBUS_SESSION_BUS_ADDRESS is not set)";
    return nullptr;
  }
  const GioCalls* gio = Gio(&problem);
  if (!gio) return nullptr;
  GError* error = nullptr;
  GDBusConnection* bus = gio->g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
  if (!bus) {
    problem = std::string("the session bus cannot be reached: ") + error->message;
    gio->g_clear_error(&error);
  }
  return bus;
}

// Calls a method; consumes `arguments` (floating). False with the bus's message on failure.
bool busCall(GDBusConnection* bus, const char* service, const char* path, const char* interface,
             const char* method, GVariant* arguments, std::string& problem,
             GVariant** reply = nullptr) {
  const GioCalls* gio = Gio();  // there is a bus, so GIO is loaded
  GError* error = nullptr;
  GVariant* result = gio->g_dbus_connection_call_sync(bus, service, path, interface, method, arguments,
                                                 nullptr, G_DBUS_CALL_FLAGS_NONE, 10000, nullptr,
                                                 &error);
  if (!result) {
    problem = std::string(service) + " " + method + ": " + error->message;
    gio->g_clear_error(&error);
    return false;
  }
  if (reply) *reply = result;
  else gio->g_variant_unref(result);
  return true;
}

// ----- GSettings (GNOME, Cinnamon, MATE) ---------------------------------------------------

bool setGSettings(const char* schemaId,
                  const std::vector<std::pair<const char*, std::string>>& values,
                  std::string& problem) {
  const GioCalls* gio = Gio(&problem);
  if (!gio) return false;
  GSettingsBackend* backend = gio->g_settings_backend_get_default();
  const std::string store = gio->g_type_name(G_OBJECT_TYPE(backend));
  gio->g_object_unref(backend);
  if (store == "GMemorySettingsBackend") {
    problem = "no settings store (dconf) to write the desktop's settings to";
    return false;
  }
  // dconf writes through its service on the session bus; without one it would try to
  // start a bus of its own and lose the write.
  if (store == "DConfSettingsBackend" && !std::getenv("DBUS_SESSION_BUS_ADDRESS")) {
    problem = "no session bus for the desktop's settings";
    return false;
  }
  // g_settings_new() ends the process on a schema that is not installed.
  GSettingsSchemaSource* source = gio->g_settings_schema_source_get_default();
  GSettingsSchema* schema = source ? gio->g_settings_schema_source_lookup(source, schemaId, TRUE) : nullptr;
  if (!schema) {
    problem = std::string("the settings schema ") + schemaId + " is not installed";
    return false;
  }
  GSettings* settings = gio->g_settings_new_full(schema, nullptr, nullptr);
  bool ok = true;
  gio->g_settings_delay(settings);  // one change for the desktop, not one per key
  for (const auto& [key, value] : values) {
    if (!gio->g_settings_schema_has_key(schema, key)) continue;  // e.g. picture-uri-dark before GNOME 42
    if (!gio->g_settings_set_string(settings, key, value.c_str())) {
      problem = std::string(schemaId) + " " + key + " does not take \"" + value + "\"";
      ok = false;
    }
  }
  gio->g_settings_apply(settings);
  gio->g_settings_sync();
  gio->g_object_unref(settings);
  gio->g_settings_schema_unref(schema);
  return ok;
}

bool setGnomeFamily(const char* schemaId, bool darkToo, const std::string* file,
                    std::string& problem) {
  std::vector<std::pair<const char*, std::string>> values = {
      {"primary-color", "#000000"}, {"color-shading-type", "solid"}};
  if (file) {
    values.emplace_back("picture-uri", FileUri(*file));
    if (darkToo) values.emplace_back("picture-uri-dark", FileUri(*file));
    values.emplace_back("picture-options", "centered");
  } else {
    values.emplace_back("picture-options", "none");
  }
  return setGSettings(schemaId, values, problem);
}

bool setMate(const std::string* file, std::string& problem) {
  // MATE's key takes a plain path, and has no "none": an empty name means colour only.
  std::vector<std::pair<const char*, std::string>> values = {
      {"primary-color", "#000000"}, {"color-shading-type", "solid"},
      {"picture-filename", file ? *file : std::string()}};
  if (file) values.emplace_back("picture-options", "centered");
  return setGSettings("org.mate.background", values, problem);
}

// ----- Xfce ------------------------------------------------------------------------------------

int workspaceCount() {
  const DisplayConnection connection;
  Display* display = connection.get();
  if (!display) return 1;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  long n = 1;
  if (XGetWindowProperty(display, DefaultRootWindow(display),
                         XInternAtom(display, "_NET_NUMBER_OF_DESKTOPS", False), 0, 1, False,
                         XA_CARDINAL, &type, &format, &count, &after, &data) == Success &&
      type == XA_CARDINAL && count == 1 && data)
    n = *reinterpret_cast<long*>(data);
  if (data) XFree(data);
  return n >= 1 && n <= 64 ? static_cast<int>(n) : 1;
}

// xfdesktop reads one set of properties per monitor and workspace, and writes the ones it
// knows when it starts; every one of them, and every workspace of each monitor, is set.
bool setXfce(const std::string* file, std::string& problem) {
  GDBusConnection* bus = sessionBus(problem);
  if (!bus) return false;
  const GioCalls* gio = Gio();
  GVariant* all = nullptr;
  if (!busCall(bus, "org.xfce.Xfconf", "/org/xfce/Xfconf", "org.xfce.Xfconf", "GetAllProperties",
               gio->g_variant_new("(ss)", "xfce4-desktop", "/backdrop"), problem, &all)) {
    gio->g_object_unref(bus);
    return false;
  }
  std::set<std::string> monitors;
  std::set<std::string> prefixes;
  GVariantIter* iter = nullptr;
  const gchar* key = nullptr;
  GVariant* value = nullptr;
  gio->g_variant_get(all, "(a{sv})", &iter);
  while (gio->g_variant_iter_loop(iter, "{&sv}", &key, &value)) {
    std::string property = key;
    std::size_t workspace = property.find("/workspace");
    if (property.rfind("/backdrop/screen", 0) != 0 || workspace == std::string::npos) continue;
    std::size_t end = property.find('/', workspace + 1);
    if (end == std::string::npos) continue;
    monitors.insert(property.substr(0, workspace + 1));
    prefixes.insert(property.substr(0, end + 1));
  }
  gio->g_variant_iter_free(iter);
  gio->g_variant_unref(all);
  const int workspaces = workspaceCount();
  for (const std::string& monitor : monitors)
    for (int w = 0; w < workspaces; ++w) prefixes.insert(monitor + "workspace" + std::to_string(w) + "/");
  if (prefixes.empty()) {
    problem = "xfdesktop has no monitor in its settings yet";
    gio->g_object_unref(bus);
    return false;
  }

  bool ok = true;
  auto set = [&](const std::string& property, GVariant* v) {
    ok = busCall(bus, "org.xfce.Xfconf", "/org/xfce/Xfconf", "org.xfce.Xfconf", "SetProperty",
                 gio->g_variant_new("(ssv)", "xfce4-desktop", property.c_str(), v), problem) && ok;
  };
  for (const std::string& prefix : prefixes) {
    GVariant* black[4] = {gio->g_variant_new_variant(gio->g_variant_new_double(0)),
                          gio->g_variant_new_variant(gio->g_variant_new_double(0)),
                          gio->g_variant_new_variant(gio->g_variant_new_double(0)),
                          gio->g_variant_new_variant(gio->g_variant_new_double(1))};
    set(prefix + "color-style", gio->g_variant_new_int32(0));  // solid
    set(prefix + "rgba1", gio->g_variant_new_array(G_VARIANT_TYPE_VARIANT, black, 4));
    // The picture last: it is what makes xfdesktop redraw.
    set(prefix + "image-style", gio->g_variant_new_int32(file ? 1 : 0));  // centred / none
    if (file) set(prefix + "last-image", gio->g_variant_new_string(file->c_str()));
  }
  gio->g_object_unref(bus);
  return ok;
}

// ----- KDE Plasma --------------------------------------------------------------------------

bool setPlasma(const std::string* file, std::string& problem) {
  GDBusConnection* bus = sessionBus(problem);
  if (!bus) return false;
  const GioCalls* gio = Gio();
  const std::string script = PlasmaWallpaperScript(file);
  bool ok = busCall(bus, "org.kde.plasmashell", "/PlasmaShell", "org.kde.PlasmaShell",
                    "evaluateScript", gio->g_variant_new("(s)", script.c_str()), problem);
  gio->g_object_unref(bus);
  return ok;
}

// ----- wlroots compositors -------------------------------------------------------------------

// sway parses its command text itself: the path goes in double quotes.
std::string swayQuoted(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

bool setWlroots(const std::string* file, std::string& problem) {
  const std::string command = file ? "output * bg " + swayQuoted(*file) + " center #000000"
                                   : "output * bg #000000 solid_color";
  return runClient({"swaymsg", command}, problem);
}

}  // namespace

std::string FileUri(const std::string& path) {
  static const char hex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (unsigned char c : path) {
    if (std::isalnum(c) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += hex[c >> 4];
      uri += hex[c & 15];
    }
  }
  return uri;
}

std::string PlasmaWallpaperScript(const std::string* file) {
  std::string script = "var all = desktops();\nfor (var i = 0; i < all.length; i++) {\n  var d = all[i];\n";
  if (file) {
    script +=
        "  d.wallpaperPlugin = 'org.kde.image';\n"
        "  d.currentConfigGroup = ['Wallpaper', 'org.kde.image', 'General'];\n"
        "  d.writeConfig('Image', '" + FileUri(*file) + "');\n"
        "  d.writeConfig('FillMode', 6);\n"  // Image.Pad: centred, not scaled
        "  d.writeConfig('Color', '#000000');\n";
  } else {
    script +=
        "  d.wallpaperPlugin = 'org.kde.color';\n"
        "  d.currentConfigGroup = ['Wallpaper', 'org.kde.color', 'General'];\n"
        "  d.writeConfig('Color', '#000000');\n";
  }
  return script + "}\n";
}

bool SetDesktopBackground(DesktopKind kind, const std::string* file, std::string& problem) {
  switch (kind) {
    case DesktopKind::Xfce: return setXfce(file, problem);
    case DesktopKind::Lxde:
    case DesktopKind::Lxqt: {
      const char* client = kind == DesktopKind::Lxde ? "pcmanfm" : "pcmanfm-qt";
      if (file) return runClient({client, "--set-wallpaper=" + *file, "--wallpaper-mode=center"}, problem);
      return runClient({client, "--wallpaper-mode=color"}, problem);
    }
    case DesktopKind::Gnome:
      return setGnomeFamily("org.gnome.desktop.background", true, file, problem);
    case DesktopKind::Cinnamon:
      return setGnomeFamily("org.cinnamon.desktop.background", false, file, problem);
    case DesktopKind::Mate: return setMate(file, problem);
    case DesktopKind::Kde: return setPlasma(file, problem);
    case DesktopKind::Wlroots: return setWlroots(file, problem);
    case DesktopKind::NoDesktop:
    case DesktopKind::XRoot:
    case DesktopKind::WaylandUnknown: break;
  }
  problem = std::string("the background of this desktop (") + DesktopName(kind) +
            ") cannot be set";
  return false;
}
