#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/screen.h"
#include "platform/wallpaper.h"
#include "platform/x11/bitmap_file.h"
#include "platform/x11/wallpaper_bmp.h"
#include "tests/support/sandbox.h"
#include "tests/wallpaper/pictures.h"

#include <gio/gio.h>

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/desktop.h"
#include "platform/x11/desktop_backends.h"

// Last: Xlib's macros (None, Bool, Status) would spoil the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace fs = std::filesystem;

TEST(BitmapReading, DepthsOrientationAndPalettes) {
  RgbPicture p;
  ASSERT_TRUE(DecodeBitmapBytes(MakeBitmap(3, 2, [](int x, int y) { return x == 0 && y == 0 ? 0xFF0000u : 0x0000FFu; }), p));
  EXPECT_EQ(p.width, 3);
  EXPECT_EQ(p.height, 2);
  EXPECT_EQ(p.pixels[0], 0xFF0000u) << "bottom-up rows come out top first";
  EXPECT_EQ(p.pixels[5], 0x0000FFu);

  std::vector<std::uint32_t> palette = {0x000000, 0x123456, 0xABCDEF};
  ASSERT_TRUE(DecodeBitmapBytes(MakeBitmap(5, 3, [](int x, int) { return x % 3; }, palette, true), p));
  EXPECT_EQ(p.pixels[1], 0x123456u);
  EXPECT_EQ(p.pixels[2 * 5 + 2], 0xABCDEFu) << "top-down rows as stored";
}

// Refused whether the pixels are wanted (the root window) or only the file is checked (a
// desktop handed the file).
TEST(BitmapReading, BrokenFilesAreRefused) {
  RgbPicture p;
  auto refused = [&p](const std::string& bytes) { return !DecodeBitmapBytes(bytes, p) && !CheckBitmapBytes(bytes); };
  const std::string good = MakeBitmap(4, 4, [](int, int) { return 0x808080u; });
  EXPECT_TRUE(refused(""));
  EXPECT_TRUE(refused("XX" + good.substr(2)));
  EXPECT_TRUE(refused(good.substr(0, good.size() - 1))) << "short pixel data";
  EXPECT_TRUE(refused(good.substr(0, 30)));

  std::string huge = good;
  huge[18] = '\xFF', huge[19] = '\xFF', huge[20] = '\xFF', huge[21] = '\x7F';  // width 2^31-1
  EXPECT_TRUE(refused(huge));
  std::string farOffset = good;
  farOffset[10] = '\xFF', farOffset[11] = '\xFF', farOffset[12] = '\xFF', farOffset[13] = '\xFF';
  EXPECT_TRUE(refused(farOffset));
  std::string compressed = good;
  compressed[30] = 1;  // RLE8
  EXPECT_TRUE(refused(compressed));
  std::string bigTable = MakeBitmap(2, 2, [](int, int) { return 0u; }, {0, 0});
  bigTable[46] = '\xFF', bigTable[47] = '\xFF';  // 65535 colours used, file far shorter
  bigTable[28] = 8;
  EXPECT_TRUE(refused(bigTable));
  EXPECT_TRUE(DecodeBitmapBytes(good, p));
  EXPECT_TRUE(CheckBitmapBytes(good));
}

TEST(BitmapReading, AFileReadInBandsIsCheckedAgainstItsSizeAtEachBand) {
  Sandbox box;
  const std::string path = box.path("w.bmp");
  box.writeFile(path, MakeBitmap(10, 10, [](int, int y) { return static_cast<std::uint32_t>(y); }));
  BitmapFile file;
  ASSERT_TRUE(file.Open(path));
  std::vector<unsigned char> rows;
  ASSERT_TRUE(file.ReadRows(7, 2, rows));
  std::uint32_t pixels[20];
  ConvertBitmapRows(file.format(), rows.data(), 7, 2, pixels);
  EXPECT_EQ(pixels[0], 7u);
  EXPECT_EQ(pixels[19], 8u);
  // Cut short after the check: the bottom rows (the file's first) are still there.
  ASSERT_EQ(truncate(path.c_str(), 54 + 32 * 5), 0);
  EXPECT_TRUE(file.ReadRows(5, 5, rows));
  EXPECT_FALSE(file.ReadRows(4, 1, rows));
  ASSERT_EQ(mkfifo(box.path("pipe.bmp").c_str(), 0600), 0);
  EXPECT_FALSE(BitmapFile().Open(box.path("pipe.bmp"))) << "returns at once";
}

namespace {
// An X server of our own, so that no test ever reaches the user's desktop.
class OwnXServer : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("XDG_CURRENT_DESKTOP");
    if (system("command -v Xvfb >/dev/null 2>&1") != 0) GTEST_SKIP() << "Xvfb is not installed";
    // The server picks a free display itself: tests running side by side never share one.
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    pid_t child = fork();
    if (child == 0) {
      int devnull = open("/dev/null", O_WRONLY);
      dup2(devnull, 1), dup2(devnull, 2), close(fds[0]);
      const std::string fd = std::to_string(fds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "320x240x24", "-noreset",
             "-nolisten", "tcp", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    std::string name = ":";
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') name += c;
    close(fds[0]);
    if (name.size() > 1 && (display_ = XOpenDisplay(name.c_str()))) {
      pid_ = child;
      setenv("DISPLAY", name.c_str(), 1);
    } else if (child > 0) {
      kill(child, SIGTERM);
      waitpid(child, nullptr, 0);
    }
    ASSERT_NE(display_, nullptr) << "could not start Xvfb";
  }
  void TearDown() override {
    if (display_) XCloseDisplay(display_);
    if (pid_) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    unsetenv("DISPLAY");
  }

  Pixmap property(const char* name) {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    Pixmap result = None;
    Atom atom = XInternAtom(display_, name, False);
    if (XGetWindowProperty(display_, DefaultRootWindow(display_), atom, 0, 1, False,
                           AnyPropertyType, &type, &format, &count, &after, &data) == Success &&
        type == XA_PIXMAP && count == 1)
      result = *reinterpret_cast<Pixmap*>(data);
    if (data) XFree(data);
    return result;
  }
  unsigned long pixel(Drawable d, int x, int y) {
    XImage* image = XGetImage(display_, d, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return 0xDEADBEEF;
    unsigned long p = XGetPixel(image, 0, 0) & 0xFFFFFF;
    XDestroyImage(image);
    return p;
  }
  static int countError(Display*, XErrorEvent*) {
    ++errors_;
    return 0;
  }
  bool pixmapExists(Pixmap p) {
    errors_ = 0;
    auto previous = XSetErrorHandler(countError);
    Window root;
    int x, y;
    unsigned w, h, border, depth;
    XGetGeometry(display_, p, &root, &x, &y, &w, &h, &border, &depth);
    XSync(display_, False);
    XSetErrorHandler(previous);
    return errors_ == 0;
  }

  Sandbox box;
  Display* display_ = nullptr;
  pid_t pid_ = 0;
  static inline int errors_ = 0;
};
}  // namespace

TEST_F(OwnXServer, WallpaperIsCentredOnTheRootAndTheOldPixmapFreed) {
  ScreenMetrics m = GetScreenMetrics();
  EXPECT_TRUE(m.fromDisplay);
  EXPECT_EQ(m.width, 320);
  EXPECT_EQ(m.height, 240);
  EXPECT_EQ(m.bitsPerPixel, 24);

  const std::string small = box.path("small.bmp"), large = box.path("large.bmp");
  box.writeFile(small, MakeBitmap(100, 60, [](int, int) { return 0xFF0000u; }));
  // Larger than the screen: cut evenly, the middle shows; 8-bit with a palette. Its rows
  // go to the server in two bands.
  box.writeFile(large, MakeBitmap(400, 300, [](int x, int y) { return x <= 40 ? 1u : y >= 250 ? 2u : 0u; },
                                  {0x0000FF, 0x00FF00, 0xFF0000}));

  ASSERT_TRUE(SystemParametersInfo(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(small.c_str()),
                                   SPIF_UPDATEINIFILE));
  Pixmap first = property("_XROOTPMAP_ID");
  ASSERT_NE(first, None);
  EXPECT_EQ(property("ESETROOT_PMAP_ID"), first);
  EXPECT_EQ(pixel(first, 160, 120), 0xFF0000u);
  EXPECT_EQ(pixel(first, 110, 90), 0xFF0000u) << "the picture's top-left corner";
  EXPECT_EQ(pixel(first, 109, 120), 0x000000u) << "black around it";
  EXPECT_EQ(pixel(DefaultRootWindow(display_), 160, 120), 0xFF0000u) << "the root shows it";

  ASSERT_TRUE(SystemParametersInfo(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(large.c_str()),
                                   SPIF_UPDATEINIFILE));
  Pixmap second = property("_XROOTPMAP_ID");
  ASSERT_NE(second, None);
  EXPECT_NE(second, first);
  EXPECT_FALSE(pixmapExists(first)) << "the previous wallpaper's pixmap is released";
  EXPECT_EQ(pixel(second, 0, 0), 0x00FF00u) << "column 40 of the picture is the screen's 0";
  EXPECT_EQ(pixel(second, 1, 0), 0x0000FFu);
  EXPECT_EQ(pixel(second, 1, 219), 0x0000FFu);
  EXPECT_EQ(pixel(second, 1, 220), 0xFF0000u);
  EXPECT_EQ(pixel(second, 319, 239), 0xFF0000u) << "the picture's row 269, the screen's last";
  char recorded[300];
  SystemParametersInfo(SPI_GETDESKWALLPAPER, sizeof recorded, recorded, 0);
  EXPECT_EQ(std::string(recorded), large);

  ASSERT_TRUE(SystemParametersInfo(SPI_SETDESKWALLPAPER, 0, const_cast<char*>("(None)"),
                                   SPIF_UPDATEINIFILE));
  EXPECT_EQ(property("_XROOTPMAP_ID"), None);
  EXPECT_EQ(property("ESETROOT_PMAP_ID"), None);
  EXPECT_FALSE(pixmapExists(second));
  EXPECT_EQ(pixel(DefaultRootWindow(display_), 160, 120), 0x000000u);
  SystemParametersInfo(SPI_GETDESKWALLPAPER, sizeof recorded, recorded, 0);
  EXPECT_EQ(std::string(recorded), "(None)");
}

TEST_F(OwnXServer, WallpaperIsCentredOnEachMonitor) {
  // Two monitors side by side (the left one takes the place of the screen's own), the
  // right one narrower than the picture.
  const std::string monitors = "xrandr --setmonitor left 200/1x240/1+0+0 screen && "
                               "xrandr --setmonitor right 120/1x240/1+200+0 none";
  ASSERT_EQ(system(monitors.c_str()), 0);
  ASSERT_EQ(GetMonitors().size(), 2u);
  EXPECT_EQ(LargestMonitor().width, 200);

  const std::string small = box.path("small.bmp");
  box.writeFile(small, MakeBitmap(140, 60, [](int, int) { return 0xFF0000u; }));
  ASSERT_TRUE(SystemParametersInfo(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(small.c_str()),
                                   SPIF_UPDATEINIFILE));
  Pixmap shown = property("_XROOTPMAP_ID");
  ASSERT_NE(shown, None);
  EXPECT_EQ(pixel(shown, 30, 90), 0xFF0000u) << "the left monitor's picture starts at 30";
  EXPECT_EQ(pixel(shown, 29, 90), 0x000000u);
  EXPECT_EQ(pixel(shown, 169, 149), 0xFF0000u);
  EXPECT_EQ(pixel(shown, 170, 120), 0x000000u) << "nothing runs over the seam";
  EXPECT_EQ(pixel(shown, 200, 120), 0xFF0000u) << "the right monitor's copy, cut to it";
  EXPECT_EQ(pixel(shown, 319, 149), 0xFF0000u);
  EXPECT_EQ(pixel(shown, 260, 89), 0x000000u);
}

TEST_F(OwnXServer, UnreadableBitmapLeavesTheDesktopAlone) {
  const std::string good = box.path("good.bmp"), bad = box.path("bad.bmp");
  box.writeFile(good, MakeBitmap(10, 10, [](int, int) { return 0x00FF00u; }));
  box.writeFile(bad, "BM broken");
  ASSERT_TRUE(SystemParametersInfo(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(good.c_str()), 0));
  Pixmap shown = property("_XROOTPMAP_ID");
  EXPECT_FALSE(SystemParametersInfo(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(bad.c_str()),
                                    SPIF_UPDATEINIFILE));
  EXPECT_FALSE(SystemParametersInfo(SPI_SETDESKWALLPAPER, 0,
                                    const_cast<char*>(box.path("missing.bmp").c_str()), 0));
  EXPECT_EQ(property("_XROOTPMAP_ID"), shown);
  EXPECT_TRUE(pixmapExists(shown));
  char recorded[300];
  SystemParametersInfo(SPI_GETDESKWALLPAPER, sizeof recorded, recorded, 0);
  EXPECT_EQ(std::string(recorded), bad) << "the request is recorded as the old setting kept it";
}

TEST(DesktopSettings, GnomeFamilyGetsItsBackgroundKeysOnANewCopyEachTime) {
  Sandbox box;
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  EXPECT_FALSE(GetScreenMetrics().fromDisplay);
  EXPECT_EQ(GetScreenMetrics().width, 1024);

  // GSettings' own file store stands in for dconf: the keys are the same.
  setenv("GSETTINGS_BACKEND", "keyfile", 1);
  const std::string picture = box.path("my pictures/wall'paper.bmp");
  box.writeFile(picture, MakeBitmap(2, 2, [](int, int) { return 0u; }));
  auto read = [](const char* schema, const char* key) {
    GSettings* settings = g_settings_new(schema);
    gchar* value = g_settings_get_string(settings, key);
    std::string text = value;
    g_free(value);
    g_object_unref(settings);
    return text;
  };
  const std::string copies = box.windowsDirectory() + "/quillmrk-";

  setenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME", 1);
  ASSERT_TRUE(SystemParametersInfo(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(picture.c_str()), 0));
  EXPECT_EQ(LastWallpaperReport().result, WallpaperShown::Shown) << LastWallpaperReport().message;
  EXPECT_EQ(read("org.gnome.desktop.background", "picture-uri"), "file://" + copies + "1.bmp");
  EXPECT_EQ(read("org.gnome.desktop.background", "picture-uri-dark"), "file://" + copies + "1.bmp");
  EXPECT_EQ(read("org.gnome.desktop.background", "picture-options"), "centered");
  EXPECT_EQ(read("org.gnome.desktop.background", "primary-color"), "#000000");
  EXPECT_EQ(box.readFile(copies + "1.bmp"), box.readFile(picture));

  setenv("XDG_CURRENT_DESKTOP", "MATE", 1);
  ASSERT_TRUE(SystemParametersInfo(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(picture.c_str()), 0));
  EXPECT_EQ(read("org.mate.background", "picture-filename"), copies + "2.bmp") << "a plain path";
  EXPECT_FALSE(fs::exists(copies + "1.bmp")) << "the copy shown before is removed";
  EXPECT_TRUE(fs::exists(picture)) << "the caller's bitmap is never touched";

  ASSERT_TRUE(SystemParametersInfo(SPI_SETDESKWALLPAPER, 0, const_cast<char*>("(None)"), 0));
  EXPECT_EQ(read("org.mate.background", "picture-filename"), "");
  EXPECT_FALSE(fs::exists(copies + "2.bmp"));

  // Xfce without its desktop window on a display: nothing is sent anywhere, only recorded.
  setenv("XDG_CURRENT_DESKTOP", "XFCE", 1);
  ASSERT_TRUE(SystemParametersInfo(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(picture.c_str()),
                                   SPIF_UPDATEINIFILE));
  EXPECT_EQ(LastWallpaperReport().result, WallpaperShown::NoDisplay);
  EXPECT_FALSE(fs::exists(copies + "3.bmp"));
  unsetenv("XDG_CURRENT_DESKTOP");
  unsetenv("GSETTINGS_BACKEND");
}

TEST(DesktopDetection, WhatRunsDecidesInOrderOfTrust) {
  auto kind = [](DesktopSignals s) { return DesktopFromSignals(s); };
  DesktopSignals x;
  x.xDisplay = true;
  EXPECT_EQ(kind(x), DesktopKind::XRoot) << "a bare window manager";
  EXPECT_EQ(kind({}), DesktopKind::NoDesktop);

  // The desktop window's owner beats what the session variables claim.
  DesktopSignals s = x;
  s.currentDesktop = "GNOME";
  s.desktopWindowProgram = "xfdesktop";
  EXPECT_EQ(kind(s), DesktopKind::Xfce);
  s.desktopWindowProgram = "";  // a process name cut short or unreadable: WM_CLASS tells
  s.desktopWindowClass = "desktop_window.Caja";
  EXPECT_EQ(kind(s), DesktopKind::Mate);
  s.desktopWindowClass = "pcmanfm.Pcmanfm";
  EXPECT_EQ(kind(s), DesktopKind::Lxde);
  s.desktopWindowClass = "pcmanfm-qt.pcmanfm-qt";
  EXPECT_EQ(kind(s), DesktopKind::Lxqt);

  // On X, Xfce named without its desktop window shows nothing of its setting: the root.
  s = x;
  s.currentDesktop = "XFCE";
  EXPECT_EQ(kind(s), DesktopKind::XRoot);
  s.currentDesktop = "ubuntu:GNOME";
  EXPECT_EQ(kind(s), DesktopKind::Gnome);
  s.currentDesktop = "X-Cinnamon";
  EXPECT_EQ(kind(s), DesktopKind::Cinnamon);
  s.currentDesktop = "Budgie:GNOME";
  EXPECT_EQ(kind(s), DesktopKind::Gnome);

  // Nothing named: the bus shows who runs.
  s = x;
  s.busNames = {"org.freedesktop.DBus", "org.kde.plasmashell"};
  EXPECT_EQ(kind(s), DesktopKind::Kde);

  // Wayland: an X display from XWayland is no desktop to paint.
  DesktopSignals w;
  w.wayland = w.xDisplay = true;
  EXPECT_EQ(kind(w), DesktopKind::WaylandUnknown);
  w.currentDesktop = "XFCE";
  EXPECT_EQ(kind(w), DesktopKind::Xfce);
  w.currentDesktop = "sway";
  EXPECT_EQ(kind(w), DesktopKind::WaylandUnknown) << "sway named, but its socket does not answer";
  w.swaySocket = true;
  EXPECT_EQ(kind(w), DesktopKind::Wlroots);
  w.currentDesktop = "";
  EXPECT_EQ(kind(w), DesktopKind::Wlroots);
}

namespace {
// Plasma cannot run here: a stand-in owns its name on a private session bus and records
// every call it is sent, as "path interface.method argument".
class PlasmaStandIn {
 public:
  PlasmaStandIn() {
    FILE* out = popen("dbus-daemon --session --fork --print-address=1 --print-pid=1 "
                      "--address=unix:tmpdir=/tmp 2>/dev/null", "r");
    char line[512] = {};
    if (out && fgets(line, sizeof line, out)) address_ = std::string(line, strcspn(line, "\n"));
    if (out && fgets(line, sizeof line, out)) busPid_ = std::atoi(line);
    if (out) pclose(out);
    if (address_.empty()) return;
    setenv("DBUS_SESSION_BUS_ADDRESS", address_.c_str(), 1);
    thread_ = std::thread([this] { serve(); });
    std::unique_lock<std::mutex> lock(mutex_);
    ready_.wait_for(lock, std::chrono::seconds(10), [this] { return owned_; });
  }
  ~PlasmaStandIn() {
    if (loop_) g_main_loop_quit(loop_);
    if (thread_.joinable()) thread_.join();
    if (busPid_ > 0) kill(busPid_, SIGTERM);
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
  }
  bool running() {
    std::lock_guard<std::mutex> lock(mutex_);
    return owned_;
  }
  std::vector<std::string> calls() {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
  }

 private:
  void serve() {
    GMainContext* context = g_main_context_new();
    g_main_context_push_thread_default(context);
    GDBusConnection* connection = g_dbus_connection_new_for_address_sync(
        address_.c_str(),
        GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                             G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(
        "<node><interface name='org.kde.PlasmaShell'><method name='evaluateScript'>"
        "<arg type='s' direction='in'/><arg type='s' direction='out'/></method></interface></node>",
        nullptr);
    static const GDBusInterfaceVTable vtable = {
        [](GDBusConnection*, const gchar*, const gchar* path, const gchar* interface,
           const gchar* method, GVariant* parameters, GDBusMethodInvocation* invocation,
           gpointer self) {
          const gchar* script = nullptr;
          g_variant_get(parameters, "(&s)", &script);
          auto* standIn = static_cast<PlasmaStandIn*>(self);
          std::lock_guard<std::mutex> lock(standIn->mutex_);
          standIn->calls_.push_back(std::string(path) + " " + interface + "." + method + " " + script);
          g_dbus_method_invocation_return_value(invocation, g_variant_new("(s)", ""));
        },
        nullptr, nullptr, {}};
    if (connection && node)
      g_dbus_connection_register_object(connection, "/PlasmaShell", node->interfaces[0], &vtable,
                                        this, nullptr, nullptr);
    GVariant* reply = connection ? g_dbus_connection_call_sync(
        connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "RequestName", g_variant_new("(su)", "org.kde.plasmashell", 4u), nullptr,
        G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr) : nullptr;
    loop_ = g_main_loop_new(context, FALSE);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      owned_ = reply != nullptr;
    }
    ready_.notify_all();
    if (reply) g_variant_unref(reply);
    g_main_loop_run(loop_);
    if (node) g_dbus_node_info_unref(node);
    if (connection) {
      g_dbus_connection_close_sync(connection, nullptr, nullptr);
      g_object_unref(connection);
    }
    g_main_context_pop_thread_default(context);
    g_main_context_unref(context);
  }

  std::string address_;
  int busPid_ = 0;
  std::thread thread_;
  GMainLoop* loop_ = nullptr;
  std::mutex mutex_;
  std::condition_variable ready_;
  bool owned_ = false;
  std::vector<std::string> calls_;
};
}  // namespace

TEST(DesktopSettings, PlasmaIsToldThroughItsShellScriptingForEveryDesktop) {
  Sandbox box;
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  unsetenv("XDG_CURRENT_DESKTOP");  // the shell's name on the bus is enough
  if (system("command -v dbus-daemon >/dev/null 2>&1") != 0) GTEST_SKIP() << "no dbus-daemon";
  PlasmaStandIn plasma;
  ASSERT_TRUE(plasma.running());
  const std::string picture = box.path("picture.bmp");
  box.writeFile(picture, MakeBitmap(2, 2, [](int, int) { return 0u; }));

  ASSERT_TRUE(SystemParametersInfo(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(picture.c_str()), 0));
  EXPECT_EQ(LastWallpaperReport().result, WallpaperShown::Shown) << LastWallpaperReport().message;
  ASSERT_TRUE(SystemParametersInfo(SPI_SETDESKWALLPAPER, 0, const_cast<char*>("(None)"), 0));
  const std::vector<std::string> calls = plasma.calls();
  ASSERT_EQ(calls.size(), 2u);
  const std::string copy = box.windowsDirectory() + "/quillmrk-1.bmp";
  EXPECT_EQ(calls[0], "/PlasmaShell org.kde.PlasmaShell.evaluateScript " + PlasmaWallpaperScript(&copy));
  for (const char* part : {"desktops()", "wallpaperPlugin = 'org.kde.image'",
                           "['Wallpaper', 'org.kde.image', 'General']", "'FillMode', 6"})
    EXPECT_NE(calls[0].find(part), std::string::npos) << part;
  EXPECT_NE(calls[0].find("'Image', 'file://" + copy + "'"), std::string::npos);
  EXPECT_NE(calls[1].find("wallpaperPlugin = 'org.kde.color'"), std::string::npos) << calls[1];
  EXPECT_FALSE(fs::exists(copy)) << "no copy is left once the desktop shows none";
}
