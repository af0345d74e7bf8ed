// The desktop wallpaper on the X root and, through platform/desktop.h, on the desktops that
// draw their own; see platform/wallpaper.h.
#include "platform/wallpaper.h"
#include "platform/idle.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/desktop.h"
#include "platform/x11/bitmap_file.h"
#include "platform/x11/desktop_backends.h"
#include "platform/x11/display_connection.h"
#include "platform/x11/monitors.h"
#include "platform/x11/wallpaper_bmp.h"

namespace {

// Xlib's default error handler ends the process; a stale pixmap id in a root property
// (its owner long gone) must not end ours. The first error is kept, for the drawing that
// must be able to tell the user it failed.
int g_firstXError = 0;
int keepXError(Display*, XErrorEvent* event) {
  if (!g_firstXError) g_firstXError = event->error_code;
  return 0;
}

class XErrorGuard {
 public:
  XErrorGuard() : previous_(XSetErrorHandler(keepXError)) { g_firstXError = 0; }
  ~XErrorGuard() { XSetErrorHandler(previous_); }
  XErrorGuard(const XErrorGuard&) = delete;
  XErrorGuard& operator=(const XErrorGuard&) = delete;
  // The first error since the guard was made or last asked (after an XSync), and forgets it.
  int TakeError() { return std::exchange(g_firstXError, 0); }

 private:
  int (*previous_)(Display*, XErrorEvent*);
};

Pixmap readPixmapProperty(Display* display, Window root, Atom property) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  Pixmap result = None;
  if (XGetWindowProperty(display, root, property, 0, 1, False, AnyPropertyType, &type, &format,
                         &count, &after, &data) == Success &&
      type == XA_PIXMAP && format == 32 && count == 1 && data)
    result = *reinterpret_cast<Pixmap*>(data);
  if (data) XFree(data);
  return result;
}

// A value of the root visual for an RGB colour.
class PixelMapper {
 public:
  PixelMapper(Display* display, int screen) {
    Visual* visual = DefaultVisual(display, screen);
    trueColor_ = visual->c_class == TrueColor || visual->c_class == DirectColor;
    if (trueColor_) {
      red_ = Channel(visual->red_mask);
      green_ = Channel(visual->green_mask);
      blue_ = Channel(visual->blue_mask);
    }
    black_ = BlackPixel(display, screen);
    white_ = WhitePixel(display, screen);
  }
  // Whether the picture's 0x00RRGGBB pixels are already what a 32-bit image of this
  // visual holds, as on every true-colour X server of today: then rows go out as they are.
  bool holdsAsIs(const XImage& image) const {
    const std::uint16_t probe = 1;
    const int hostOrder = *reinterpret_cast<const unsigned char*>(&probe) == 1 ? LSBFirst : MSBFirst;
    return trueColor_ && image.bits_per_pixel == 32 && image.byte_order == hostOrder &&
           red_.mask == 0xFF0000 && green_.mask == 0xFF00 && blue_.mask == 0xFF;
  }
  unsigned long map(std::uint32_t rgb) const {
    unsigned r = rgb >> 16 & 0xFF, g = rgb >> 8 & 0xFF, b = rgb & 0xFF;
    if (trueColor_) return red_.put(r) | green_.put(g) | blue_.put(b);
    // A colour-mapped root (rare today) gets a black-and-white rendering rather than
    // taking over the shared colour map.
    return (r * 30 + g * 59 + b * 11) / 100 >= 128 ? white_ : black_;
  }

 private:
  struct Channel {
    unsigned long mask = 0;
    int shift = 0, bits = 0;
    Channel() = default;
    explicit Channel(unsigned long m) : mask(m) {
      if (!m) return;
      while (!((m >> shift) & 1ul)) ++shift;
      while ((m >> (shift + bits)) & 1ul) ++bits;
    }
    unsigned long put(unsigned v) const {
      if (!bits) return 0;
      unsigned long c = bits >= 8 ? static_cast<unsigned long>(v) << (bits - 8) : v >> (8 - bits);
      return (c << shift) & mask;
    }
  };
  bool trueColor_ = false;
  Channel red_, green_, blue_;
  unsigned long black_ = 0, white_ = 0;
};

// Frees what the previous wallpaper setter left behind: by convention a setter that keeps
// its pixmap alive (RetainPermanent) publishes it in both properties, and the next setter
// kills that client. A pixmap published in only one property belongs to someone who did not
// ask for that, so it is left alone.
void releasePreviousWallpaper(Display* display, Window root, Atom rootId, Atom esetrootId,
                              Pixmap keep) {
  Pixmap rootPixmap = readPixmapProperty(display, root, rootId);
  Pixmap esetPixmap = readPixmapProperty(display, root, esetrootId);
  if (esetPixmap != None && esetPixmap == rootPixmap && esetPixmap != keep)
    XKillClient(display, esetPixmap);
}

// The picture goes to the server in bands of rows of about this many bytes: small enough
// to stay in the processor's cache and for the server to take one in while the next is
// read and converted, large enough that the requests cost little.
constexpr std::size_t kBandBytes = 256 * 1024;

// A band of the picture's rows as an image of the root's visual. On a true-colour server
// whose 32-bit pixels are 0x00RRGGBB (every one of today's) the bitmap's rows are converted
// straight into the image that goes to the server. (Memory shared with the server, MIT-SHM,
// was measured: for the whole picture, making and mapping a segment cost more than the
// copy through the connection that it saves; in bands it saved under a millisecond.)
class BandImage {
 public:
  BandImage(Display* display, int screen) : display_(display), screen_(screen), mapper_(display, screen) {}
  ~BandImage() {
    if (image_) XDestroyImage(image_);  // frees its data
  }
  BandImage(const BandImage&) = delete;
  BandImage& operator=(const BandImage&) = delete;

  // Room for `rows` rows `width` pixels wide; false when there is no memory for it.
  bool Create(int width, int rows) {
    image_ = XCreateImage(display_, DefaultVisual(display_, screen_),
                          static_cast<unsigned>(DefaultDepth(display_, screen_)), ZPixmap, 0,
                          nullptr, static_cast<unsigned>(width), static_cast<unsigned>(rows), 32, 0);
    if (!image_) return false;
    image_->data =
        static_cast<char*>(std::malloc(static_cast<std::size_t>(image_->bytes_per_line) * rows));
    asIs_ = mapper_.holdsAsIs(*image_) && image_->bytes_per_line == width * 4;
    if (!asIs_) rgb_.resize(static_cast<std::size_t>(width) * rows);
    return image_->data != nullptr;
  }

  // The picture's rows [firstRow, firstRow + count) from the file's bytes, to the band's top.
  void Fill(const BitmapFormat& format, const unsigned char* fileRows, std::int64_t firstRow,
            int count) {
    if (asIs_) {
      ConvertBitmapRows(format, fileRows, firstRow, count, reinterpret_cast<std::uint32_t*>(image_->data));
      return;
    }
    // Any other visual: pixel by pixel, from the picture's own rows.
    ConvertBitmapRows(format, fileRows, firstRow, count, rgb_.data());
    const int width = image_->width;
    for (int y = 0; y < count; ++y)
      for (int x = 0; x < width; ++x)
        XPutPixel(image_, x, y, mapper_.map(rgb_[static_cast<std::size_t>(y) * width + x]));
  }

  // Xlib splits an image larger than the server's request limit on its own.
  void Put(Drawable target, GC gc, int fromX, int fromY, int toX, int toY, int w, int h) {
    XPutImage(display_, target, gc, image_, fromX, fromY, toX, toY, static_cast<unsigned>(w),
              static_cast<unsigned>(h));
  }

 private:
  Display* display_;
  int screen_;
  PixelMapper mapper_;
  XImage* image_ = nullptr;
  bool asIs_ = false;
  std::vector<std::uint32_t> rgb_;
};

// Where a part of the picture goes: its rectangle from (fromX, fromY) to (toX, toY).
struct Placement {
  int fromX, fromY, toX, toY, width, height;
};

enum class Drawing { Drawn, NotRead, NoMemory };

// Draws the picture centred on each monitor, clipped to it, and fills what it leaves
// uncovered (bars beside a smaller picture, the screen outside every monitor) with black.
// Only the rows some monitor shows are read.
Drawing drawOnPixmap(Display* display, int screen, Pixmap pixmap, const BitmapFile& file) {
  const BitmapFormat& format = file.format();
  const int pictureW = static_cast<int>(format.width), pictureH = static_cast<int>(format.height);
  GC gc = XCreateGC(display, pixmap, 0, nullptr);
  XSetForeground(display, gc, BlackPixel(display, screen));
  Region bars = XCreateRegion();
  XRectangle whole{0, 0, static_cast<unsigned short>(DisplayWidth(display, screen)),
                   static_cast<unsigned short>(DisplayHeight(display, screen))};
  XUnionRectWithRegion(&whole, bars, bars);
  std::vector<Placement> placements;
  int firstRow = pictureH, endRow = 0;
  for (const MonitorArea& monitor : MonitorsOf(display)) {
    const int left = (monitor.width - pictureW) / 2;
    const int top = (monitor.height - pictureH) / 2;
    const int fromX = std::max(0, -left), fromY = std::max(0, -top);
    const int shownW = std::min(pictureW - fromX, monitor.width - std::max(0, left));
    const int shownH = std::min(pictureH - fromY, monitor.height - std::max(0, top));
    if (shownW <= 0 || shownH <= 0) continue;
    const int toX = monitor.x + std::max(0, left), toY = monitor.y + std::max(0, top);
    placements.push_back({fromX, fromY, toX, toY, shownW, shownH});
    firstRow = std::min(firstRow, fromY);
    endRow = std::max(endRow, fromY + shownH);
    XRectangle shown{static_cast<short>(toX), static_cast<short>(toY),
                     static_cast<unsigned short>(shownW), static_cast<unsigned short>(shownH)};
    Region covered = XCreateRegion();
    XUnionRectWithRegion(&shown, covered, covered);
    XSubtractRegion(bars, covered, bars);
    XDestroyRegion(covered);
  }
  if (!XEmptyRegion(bars)) {
    XSetRegion(display, gc, bars);
    XFillRectangle(display, pixmap, gc, 0, 0, whole.width, whole.height);
    XSetClipMask(display, gc, None);
  }
  XDestroyRegion(bars);

  Drawing result = Drawing::Drawn;
  if (!placements.empty()) {
    const int bandRows = std::clamp(static_cast<int>(kBandBytes / (4u * pictureW)), 1, endRow - firstRow);
    BandImage band(display, screen);
    std::vector<unsigned char> rows;
    if (!band.Create(pictureW, bandRows)) result = Drawing::NoMemory;
    for (int y = firstRow; result == Drawing::Drawn && y < endRow; y += bandRows) {
      const int count = std::min(bandRows, endRow - y);
      if (!file.ReadRows(y, count, rows)) {
        result = Drawing::NotRead;
        break;
      }
      band.Fill(format, rows.data(), y, count);
      for (const Placement& p : placements) {
        const int from = std::max(y, p.fromY), to = std::min(y + count, p.fromY + p.height);
        if (from < to) band.Put(pixmap, gc, p.fromX, from - y, p.toX, p.toY + from - p.fromY, p.width, to - from);
      }
    }
  }
  XFreeGC(display, gc);
  return result;
}

enum class RootShown { Shown, NotRead, Refused };

// Refused (with the X server's words in `problem`) when the picture could not be drawn; the
// old wallpaper then stays, as it does when the file has been cut short since it was
// checked. Errors about a previous setter's pixmap are no failure of ours. `bitmap` is an
// opened file, or nullptr to remove the wallpaper.
RootShown showOnRoot(Display* display, const BitmapFile* bitmap, std::string* problem) {
  XErrorGuard guard;
  const int screen = DefaultScreen(display);
  const Window root = RootWindow(display, screen);
  // Both in one round trip.
  char* names[] = {const_cast<char*>("_XROOTPMAP_ID"), const_cast<char*>("ESETROOT_PMAP_ID")};
  Atom atoms[2] = {None, None};
  XInternAtoms(display, names, 2, False, atoms);
  const Atom rootId = atoms[0], esetrootId = atoms[1];

  if (!bitmap) {
    releasePreviousWallpaper(display, root, rootId, esetrootId, None);
    XDeleteProperty(display, root, rootId);
    XDeleteProperty(display, root, esetrootId);
    XSetWindowBackground(display, root, BlackPixel(display, screen));
    XClearWindow(display, root);
    XSync(display, False);
    return RootShown::Shown;
  }

  const int width = DisplayWidth(display, screen);
  const int height = DisplayHeight(display, screen);
  const int depth = DefaultDepth(display, screen);
  Pixmap pixmap = XCreatePixmap(display, root, static_cast<unsigned>(width),
                                static_cast<unsigned>(height), static_cast<unsigned>(depth));
  // Centred without scaling on each monitor: a picture larger than a monitor is cut
  // evenly on both sides.
  const Drawing drawn = drawOnPixmap(display, screen, pixmap, *bitmap);
  XSync(display, False);
  const int error = guard.TakeError();
  if (drawn != Drawing::Drawn || error) {
    // Out of server memory for a screen-sized pixmap, say: the old wallpaper stays.
    XFreePixmap(display, pixmap);
    XSync(display, False);
    if (drawn == Drawing::NotRead) return RootShown::NotRead;
    char text[128] = "there is no memory for the picture";
    if (error) XGetErrorText(display, error, text, sizeof text);
    *problem = text;
    return RootShown::Refused;
  }

  releasePreviousWallpaper(display, root, rootId, esetrootId, pixmap);
  XChangeProperty(display, root, rootId, XA_PIXMAP, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&pixmap), 1);
  XChangeProperty(display, root, esetrootId, XA_PIXMAP, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&pixmap), 1);
  XSetWindowBackgroundPixmap(display, root, pixmap);
  XClearWindow(display, root);
  // The pixmap must outlive this connection: the next setter frees it by killing us.
  XSetCloseDownMode(display, RetainPermanent);
  XSync(display, False);
  return RootShown::Shown;
}

WallpaperReport& lastReport() {
  static WallpaperReport report;
  return report;
}

constexpr const char* kCopyPrefix = "quillmrk-";
constexpr const char* kCopySuffix = ".bmp";

// The number of a desktop copy's name, 0 for any other name.
unsigned long copyNumber(const std::string& name) {
  const std::size_t prefix = std::strlen(kCopyPrefix), suffix = std::strlen(kCopySuffix);
  if (name.size() <= prefix + suffix || name.compare(0, prefix, kCopyPrefix) != 0 ||
      name.compare(name.size() - suffix, suffix, kCopySuffix) != 0)
    return 0;
  const std::string digits = name.substr(prefix, name.size() - prefix - suffix);
  if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) return 0;
  return std::strtoul(digits.c_str(), nullptr, 10);
}

std::vector<std::string> desktopCopies(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* entry = readdir(dir))
      if (copyNumber(entry->d_name)) names.emplace_back(entry->d_name);
    closedir(dir);
  }
  return names;
}

// A new copy of the bitmap for a desktop that loads it by name; "" when it cannot be written.
std::string writeDesktopCopy(const std::string& bytes) {
  const std::string folder = WithTrailingSeparator(WindowsDirectory());
  unsigned long next = 1;
  for (const std::string& name : desktopCopies(folder)) next = std::max(next, copyNumber(name) + 1);
  const std::string path = folder + kCopyPrefix + std::to_string(next) + kCopySuffix;
  return WriteFileAtomically(path, bytes) ? path : std::string();
}

void removeDesktopCopiesBut(const std::string& keep) {
  const std::string folder = WithTrailingSeparator(WindowsDirectory());
  for (const std::string& name : desktopCopies(folder))
    if (folder + name != keep) unlink((folder + name).c_str());
}

void report(WallpaperShown result, DesktopKind kind, const std::string& message) {
  lastReport() = {result, DesktopName(kind), message};
}

BOOL setWallpaper(const char* text, UINT winIni) {
  if (!text) return FALSE;
  const std::string requested = text;
  BOOL recorded = TRUE;
  if (winIni & SPIF_UPDATEINIFILE)
    recorded = WriteProfileString("Desktop", "Wallpaper", requested.c_str());
  const auto notRead = [&requested] {
    report(WallpaperShown::NotRead, DesktopKind::NoDesktop,
           "the wallpaper bitmap " + requested + " cannot be read");
    return FALSE;
  };

  const bool remove = requested.empty() || requested == "(None)";
  BitmapFile file;
  if (!remove && !file.Open(NativePath(requested))) return notRead();

  const DesktopKind kind = DesktopFromSignals(ReadDesktopSignals());
  switch (kind) {
    case DesktopKind::NoDesktop:
      report(WallpaperShown::NoDisplay, kind,
             "no display to show the wallpaper on; it was recorded and will be shown at the "
             "next log-on with a display");
      return recorded;
    case DesktopKind::WaylandUnknown:
      report(WallpaperShown::CannotSet, kind,
             "this Wayland desktop's background cannot be set by QuillMark; the wallpaper was "
             "recorded only");
      return recorded;
    case DesktopKind::XRoot:
      // Only the root window needs the pixels; the other desktops are handed the file.
      if (DisplayConnection connection; Display* display = connection.get()) {
        connection.TakeOver();  // what it leaves on the server must outlive it
        std::string problem;
        switch (showOnRoot(display, remove ? nullptr : &file, &problem)) {
          case RootShown::Shown: report(WallpaperShown::Shown, kind, ""); break;
          case RootShown::NotRead: return notRead();
          case RootShown::Refused:
            report(WallpaperShown::Failed, kind, "the X server refused the wallpaper: " + problem);
            break;
        }
      } else {
        report(WallpaperShown::NoDisplay, kind, "the X display went away; the wallpaper was recorded only");
      }
      return recorded;
    default: break;
  }

  std::string bytes, copy, problem;
  if (!remove && (!ReadWholeFile(NativePath(requested), bytes) || !CheckBitmapBytes(bytes)))
    return notRead();
  if (!remove && (copy = writeDesktopCopy(bytes)).empty()) {
    report(WallpaperShown::Failed, kind, "no room for the desktop's copy of the wallpaper in " +
                                             WindowsDirectory());
    return recorded;
  }
  if (SetDesktopBackground(kind, remove ? nullptr : &copy, problem)) {
    removeDesktopCopiesBut(copy);
    report(WallpaperShown::Shown, kind, "");
  } else {
    // The desktop still shows the copy it had; the one it refused goes.
    if (!copy.empty()) unlink(copy.c_str());
    report(WallpaperShown::Failed, kind,
           std::string("the ") + DesktopName(kind) + " background was not changed: " + problem);
  }
  return recorded;
}

// ----- the screen saver's switch and delay -------------------------------------------------

constexpr const char* kDesktopKey = "Control Panel\\Desktop";
constexpr const char* kSaverActive = "ScreenSaveActive";
constexpr const char* kSaverTimeout = "ScreenSaveTimeOut";
constexpr int kDefaultSaverTimeout = 600;  // the X server's own default

// The registry text of a value, false when it is missing or not text.
bool readDesktopValue(const char* name, std::string& value) {
  HKEY key = nullptr;
  if (RegOpenKeyEx(HKEY_CURRENT_USER, kDesktopKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  char buffer[64] = {};
  DWORD type = 0, size = sizeof buffer - 1;
  bool found = RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) ==
                   ERROR_SUCCESS &&
               type == REG_SZ;
  RegCloseKey(key);
  if (found) value = buffer;
  return found;
}

bool writeDesktopValue(const char* name, const std::string& value) {
  HKEY key = nullptr;
  if (RegCreateKeyEx(HKEY_CURRENT_USER, kDesktopKey, &key) != ERROR_SUCCESS) return false;
  LONG result = RegSetValueEx(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                              static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

// A whole positive number of seconds, or 0.
int parseSeconds(const std::string& text) {
  char* end = nullptr;
  long value = std::strtol(text.c_str(), &end, 10);
  if (end == text.c_str() || value <= 0 || value > 24L * 60 * 60) return 0;
  return static_cast<int>(value);
}

// The X server's screen saver time-out, -1 without a display.
int serverSaverTimeout() {
  if (!std::getenv("DISPLAY")) return -1;
  Display* display = XOpenDisplay(nullptr);
  if (!display) return -1;
  int timeout = 0, interval = 0, preferBlanking = 0, allowExposures = 0;
  XGetScreenSaver(display, &timeout, &interval, &preferBlanking, &allowExposures);
  XCloseDisplay(display);
  return timeout;
}

void setServerSaverTimeout(int seconds) {
  if (!std::getenv("DISPLAY")) return;
  Display* display = XOpenDisplay(nullptr);
  if (!display) return;
  int timeout = 0, interval = 0, preferBlanking = 0, allowExposures = 0;
  XGetScreenSaver(display, &timeout, &interval, &preferBlanking, &allowExposures);
  XSetScreenSaver(display, seconds, interval, preferBlanking, allowExposures);
  XCloseDisplay(display);
}

bool saverActive() {
  std::string value;
  if (readDesktopValue(kSaverActive, value)) return parseSeconds(value) != 0;
  return serverSaverTimeout() > 0;
}

int saverTimeout() {
  std::string value;
  if (readDesktopValue(kSaverTimeout, value))
    if (int seconds = parseSeconds(value)) return seconds;
  int server = serverSaverTimeout();
  return server > 0 ? server : kDefaultSaverTimeout;
}

BOOL setSaverActive(bool active, UINT winIni) {
  bool recorded = true;
  if (winIni & SPIF_UPDATEINIFILE) recorded = writeDesktopValue(kSaverActive, active ? "1" : "0");
  setServerSaverTimeout(active ? saverTimeout() : 0);
  // Nothing in a Linux session starts the chosen saver by itself: the idle watcher does,
  // from a log-on entry that follows this switch.
  if ((winIni & SPIF_UPDATEINIFILE) && recorded) SetIdleWatcherEnabled(active);
  return recorded ? TRUE : FALSE;
}

BOOL setSaverTimeout(UINT seconds, UINT winIni) {
  if (seconds == 0 || seconds > 24u * 60 * 60) return FALSE;
  bool recorded = true;
  if (winIni & SPIF_UPDATEINIFILE) recorded = writeDesktopValue(kSaverTimeout, std::to_string(seconds));
  if (saverActive()) setServerSaverTimeout(static_cast<int>(seconds));
  return recorded ? TRUE : FALSE;
}

}  // namespace

WallpaperReport LastWallpaperReport() { return lastReport(); }

BOOL SystemParametersInfo(UINT action, UINT uiParam, void* param, UINT winIni) {
  switch (action) {
    case SPI_SETDESKWALLPAPER:
      return setWallpaper(static_cast<const char*>(param), winIni);
    case SPI_GETDESKWALLPAPER: {
      if (!param || uiParam == 0) return FALSE;
      GetProfileString("Desktop", "Wallpaper", "", static_cast<char*>(param), uiParam);
      return TRUE;
    }
    case SPI_GETSCREENSAVEACTIVE:
      if (!param) return FALSE;
      *static_cast<BOOL*>(param) = saverActive() ? TRUE : FALSE;
      return TRUE;
    case SPI_SETSCREENSAVEACTIVE:
      return setSaverActive(uiParam != 0, winIni);
    case SPI_GETSCREENSAVETIMEOUT:
      if (!param) return FALSE;
      *static_cast<int*>(param) = saverTimeout();
      return TRUE;
    case SPI_SETSCREENSAVETIMEOUT:
      return setSaverTimeout(uiParam, winIni);
    default:
      return FALSE;
  }
}
