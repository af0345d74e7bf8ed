#pragma once
// The desktop wallpaper, as the old platform's SystemParametersInfo(SPI_SETDESKWALLPAPER)
// set it: the bitmap file named by the text parameter becomes the wallpaper, centred on
// the desktop colour (black here), and with SPIF_UPDATEINIFILE the choice is recorded in
// win.ini [Desktop] "Wallpaper". The text "(None)" (or an empty text) removes the
// wallpaper; "(None)" is recorded as it is.
//
// On this system the running desktop is changed through its own interface, chosen by
// platform/desktop.h (centred on black, or plain black for no wallpaper):
// - a bare X root window (plain window managers): the root window's background becomes a
//   pixmap of the whole screen with the picture centred on each monitor (RandR), published in the root properties
//   _XROOTPMAP_ID and ESETROOT_PMAP_ID (type PIXMAP) as other wallpaper setters do; the
//   pixmap outlives the program (RetainPermanent) and the previous setter's pixmap is freed;
// - Xfce: xfconf, every monitor and workspace of /backdrop in the xfce4-desktop channel;
// - LXDE and LXQt: pcmanfm's or pcmanfm-qt's --set-wallpaper;
// - GNOME (with Flashback, Unity, Budgie, Pantheon), Cinnamon and MATE: their background
//   keys through GSettings;
// - KDE Plasma: the shell's scripting call, every desktop containment;
// - wlroots compositors (sway): the compositor's "output * bg" command;
// - a Wayland desktop none of these fits, or no display at all: only recorded.
// A desktop that draws its own background owns the root window's pixmap too, so the root
// is left alone there: freeing that pixmap pulls it from under the desktop.
// The bitmap file is read at once (uncompressed BMP of 1, 4, 8, 16, 24 or 32 bits); a
// later change of the file does not change the desktop until the wallpaper is set again.
// Desktops that load the picture from a file are handed a copy under a new name in the
// Windows directory ("quillmrk-<n>.bmp") each time, never a file that is rewritten while
// shown (they cache by name, and some read it again while fading); the copies before it
// are removed once the desktop has been pointed at the new one.
//
// The screen saver's switch and delay (SPI_GET/SETSCREENSAVEACTIVE, SPI_GET/SETSCREENSAVETIMEOUT)
// live in the registry, HKEY_CURRENT_USER "Control Panel\Desktop": "ScreenSaveActive" ("0" or
// "1") and "ScreenSaveTimeOut" (seconds, as text), written when SPIF_UPDATEINIFILE is given.
// With an X display the server's own screen saver follows: its time-out becomes the delay
// while the saver is on and 0 (never) while it is off. A value missing from the registry
// reads as the server's state (time-out 0 means off); without a display as off, with the
// server's default delay of 600 seconds.
//
// Result: TRUE when the wallpaper was recorded (if asked) and the bitmap could be read
// (or the wallpaper removed); FALSE for an unknown action, a missing text, a bitmap that
// cannot be read (the path is still recorded, as the old platform's setting kept a path
// to a missing file) or a failed win.ini write.
#include <string>

#include "platform/types.h"

constexpr UINT SPI_GETDESKWALLPAPER = 0x0073;
constexpr UINT SPI_SETDESKWALLPAPER = 0x0014;
constexpr UINT SPIF_UPDATEINIFILE = 0x0001;
constexpr UINT SPIF_SENDCHANGE = 0x0002;

constexpr UINT SPI_GETSCREENSAVETIMEOUT = 0x000E;
constexpr UINT SPI_SETSCREENSAVETIMEOUT = 0x000F;
constexpr UINT SPI_GETSCREENSAVEACTIVE = 0x0010;
constexpr UINT SPI_SETSCREENSAVEACTIVE = 0x0011;

// SPI_GETSCREENSAVEACTIVE: `param` is a BOOL* that receives the switch.
// SPI_SETSCREENSAVEACTIVE: `uiParam` is TRUE (on) or FALSE (off).
// SPI_GETSCREENSAVETIMEOUT: `param` is an int* that receives the delay in seconds.
// SPI_SETSCREENSAVETIMEOUT: `uiParam` is the delay in seconds; 0 is refused (FALSE).
// The setters return FALSE when the registry could not be written.
// SPI_SETDESKWALLPAPER: `param` is the bitmap path (const char*), `uiParam` is unused.
// SPI_GETDESKWALLPAPER: copies the recorded wallpaper path (win.ini) into `param`, a buffer
// of `uiParam` bytes, cut to fit; "" when none is recorded.
BOOL SystemParametersInfo(UINT action, UINT uiParam, void* param, UINT winIni);

// What the last SPI_SETDESKWALLPAPER of this process did to the running desktop. The old
// platform always had a desktop to show the wallpaper on; here a program run at log-on may
// find none, or one that cannot be set, and must be able to say so.
enum class WallpaperShown {
  Shown,      // the desktop shows it (or shows no wallpaper, when it was removed)
  NoDisplay,  // no display answers: only recorded
  CannotSet,  // a desktop this system cannot set (an unknown Wayland desktop): only recorded
  Failed,     // the desktop's interface refused or did not answer
  NotRead,    // the bitmap could not be read: nothing shown
};
struct WallpaperReport {
  WallpaperShown result = WallpaperShown::NoDisplay;
  std::string desktop;  // DesktopName of the desktop found
  std::string message;  // one line for the user when the result is not Shown
};
WallpaperReport LastWallpaperReport();
