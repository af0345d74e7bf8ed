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
// Result: TRUE when the wallpaper was recorded (if asked) and the bitmap could be read
// (or the wallpaper removed); FALSE for an unknown action, a missing text, a bitmap that
// cannot be read (the path is still recorded, as the old platform's setting kept a path
// to a missing file) or a failed win.ini write.
#include "platform/types.h"

constexpr UINT SPI_GETDESKWALLPAPER = 0x0073;
constexpr UINT SPI_SETDESKWALLPAPER = 0x0014;
constexpr UINT SPIF_UPDATEINIFILE = 0x0001;
constexpr UINT SPIF_SENDCHANGE = 0x0002;

// SPI_SETDESKWALLPAPER: `param` is the bitmap path (const char*), `uiParam` is unused.
// SPI_GETDESKWALLPAPER: copies the recorded wallpaper path (win.ini) into `param`, a buffer
// of `uiParam` bytes, cut to fit; "" when none is recorded.
BOOL SystemParametersInfo(UINT action, UINT uiParam, void* param, UINT winIni);
