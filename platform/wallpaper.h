#pragma once
// The desktop wallpaper, as the old platform's SystemParametersInfo(SPI_SETDESKWALLPAPER)
// set it: the bitmap file named by the text parameter becomes the wallpaper, centred on
// the desktop colour (black here), and with SPIF_UPDATEINIFILE the choice is recorded in
// win.ini [Desktop] "Wallpaper". The text "(None)" (or an empty text) removes the
// wallpaper; "(None)" is recorded as it is.
//
// On this system the running desktop is changed as far as it can be:
// - an X display (DISPLAY): the root window's background becomes a pixmap of the whole
//   screen with the picture centred on black, published in the root properties
//   _XROOTPMAP_ID and ESETROOT_PMAP_ID (type PIXMAP) as other wallpaper setters do; the
//   pixmap outlives the program (RetainPermanent) and the previous setter's pixmap is freed;
// - a GNOME-family desktop (XDG_CURRENT_DESKTOP names GNOME, Unity, Budgie, Pantheon,
//   Cinnamon or MATE), which covers the root window with its own: its background settings
//   are set through the gsettings program as well (picture and the centred style);
// - no display: the choice is only recorded.
// The bitmap file is read at once (uncompressed BMP of 1, 4, 8, 16, 24 or 32 bits); a
// later change of the file does not change the desktop until the wallpaper is set again.
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
