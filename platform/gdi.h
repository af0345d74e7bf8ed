#pragma once
// The old platform's graphics device interface (GDI) for a true-colour display:
//  - device contexts on a window surface (GetDC/BeginPaint in platform/window.h), on the
//    screen, or in memory (CreateCompatibleDC) with a bitmap selected into them;
//  - compatible bitmaps (32 bits per pixel, start black), BitBlt copies between them,
//    including copies inside one window surface (a scroll by one pixel) done as if the
//    source were copied first;
//  - device-independent bitmaps drawn with StretchDIBits and SetDIBitsToDevice: 1, 4 and
//    8 bits with a colour table (RGBQUAD after a BITMAPINFOHEADER, RGBTRIPLE after a
//    BITMAPCOREHEADER), 16 (5-5-5), 24 and 32 bits, bottom-up (positive height) and
//    top-down (negative height), uncompressed only (compressed ones draw nothing, result 0);
//    source coordinates of a bottom-up DIB count from its bottom row, as they did;
//  - logical palettes: made, selected and realised as on a true-colour display, where
//    realising maps nothing (result 0) and colours are drawn as given;
//  - pens, brushes, fonts, text colour and background mode, DrawText;
//  - every drawing call is clipped to the target (and a paint's update rectangle);
//    rectangles exclude their right and bottom edges; LineTo excludes its end point;
//  - handles are checked: a deleted or unknown handle makes a call fail (0/FALSE/nullptr)
//    instead of crashing; stock objects are never deleted; an object selected into a
//    device context cannot be deleted (FALSE) until it is selected out or the context ends.
// 8-bit text is decoded for display only: valid UTF-8 as UTF-8, anything else as
// Windows-1252; a font made with SHIFTJIS_CHARSET decodes Shift_JIS instead. A font made
// with height 0 and no face name is the device context's own (system) font, so
// CreateFont(0, 0, 0, 0, 0, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0, nullptr) draws
// Japanese text in the context's own font.
// Faces resolve through fontconfig; "Arial", "Helv", "MS Sans Serif" and "MS Shell Dlg"
// resolve to Liberation Sans (metric-compatible with Arial) when it is installed.
#include "platform/types.h"
#include "platform/window.h"

// ---- Objects -------------------------------------------------------------------------------
// Every GDI object is one of these; the drawing layer keeps what they hold.
struct GdiObject {
  virtual ~GdiObject() = default;

 protected:
  GdiObject() = default;
};
struct PenObject : GdiObject {};
struct BrushObject : GdiObject {};
struct FontObject : GdiObject {};
struct BitmapObject : GdiObject {};
struct PaletteObject : GdiObject {};

using HGDIOBJ = GdiObject*;
using HPEN = PenObject*;
// HBRUSH is declared in platform/window.h (a window class names its background brush).
using HFONT = FontObject*;
using HBITMAP = BitmapObject*;
using HPALETTE = PaletteObject*;

using COLORREF = DWORD;  // 0x00BBGGRR
constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
  return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;
constexpr int GDI_ERROR = -1;

// Stock objects (GetStockObject).
constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = NULL_BRUSH;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int OEM_FIXED_FONT = 10;
constexpr int ANSI_FIXED_FONT = 11;
constexpr int ANSI_VAR_FONT = 12;
constexpr int SYSTEM_FONT = 13;
constexpr int DEVICE_DEFAULT_FONT = 14;
constexpr int DEFAULT_PALETTE = 15;
constexpr int SYSTEM_FIXED_FONT = 16;
constexpr int DEFAULT_GUI_FONT = 17;
// nullptr for an unknown index.
HGDIOBJ GetStockObject(int index);

// Deletes a pen, brush, font, bitmap or palette. TRUE for a stock object (which stays);
// FALSE for an unknown handle or one still selected into a device context.
BOOL DeleteObject(HGDIOBJ object);

// Puts a pen, brush, font or bitmap into the context and returns the one it replaces
// (nullptr on failure). A bitmap can be selected into one memory context at a time, and
// only into a memory context. Palettes use SelectPalette.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);

constexpr int OBJ_PEN = 1;
constexpr int OBJ_BRUSH = 2;
constexpr int OBJ_DC = 3;
constexpr int OBJ_PAL = 5;
constexpr int OBJ_FONT = 6;
constexpr int OBJ_BITMAP = 7;
constexpr int OBJ_MEMDC = 10;
// The kind of a live object (OBJ_*), or 0.
DWORD GetObjectType(HGDIOBJ object);

// ---- Device contexts -----------------------------------------------------------------------
// A memory context with a 1 x 1 black bitmap selected, compatible with the display
// (the context argument may be nullptr or any live context).
HDC CreateCompatibleDC(HDC dc);
// Ends a memory context; its selected objects are kept alive and become free to delete.
BOOL DeleteDC(HDC dc);

constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;
constexpr int NUMCOLORS = 24;
constexpr int TECHNOLOGY = 2;
constexpr int RASTERCAPS = 38;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
constexpr int SIZEPALETTE = 104;
constexpr int NUMRESERVED = 106;
constexpr int COLORRES = 108;
constexpr int DT_RASDISPLAY = 1;
constexpr int RC_BITBLT = 0x0001;
constexpr int RC_BITMAP64 = 0x0008;
constexpr int RC_DI_BITMAP = 0x0080;
constexpr int RC_PALETTE = 0x0100;  // never set: the display is true colour
constexpr int RC_DIBTODEV = 0x0200;
constexpr int RC_STRETCHBLT = 0x0800;
constexpr int RC_STRETCHDIB = 0x2000;
// HORZRES/VERTRES: the primary screen in pixels (for every kind of context, as for a
// display context); BITSPIXEL 24, PLANES 1, NUMCOLORS -1, SIZEPALETTE 0, LOGPIXELS 96.
int GetDeviceCaps(HDC dc, int index);

// ---- Bitmaps and blits -----------------------------------------------------------------
// A black bitmap of the display's format; nullptr for a size of 0, a negative size or
// one too large to hold (over 2^28 pixels).
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);

struct BITMAP {
  LONG bmType = 0;
  LONG bmWidth = 0;
  LONG bmHeight = 0;
  LONG bmWidthBytes = 0;
  WORD bmPlanes = 1;
  WORD bmBitsPixel = 32;
  void* bmBits = nullptr;
};
// GetObject for a bitmap: fills a BITMAP (bmBits stays nullptr); returns the bytes filled.
int GetObject(HGDIOBJ object, int size, void* buffer);

// The one raster operation the suite uses: the source replaces the destination. Every
// call that takes an operation refuses any other.
constexpr DWORD SRCCOPY = 0x00CC0020;

// Copies width x height pixels from (xSrc, ySrc) of the source context to (x, y) of the
// destination (the same context may be both). Only pixels inside both surfaces are
// touched. FALSE for another operation or a context that is not live.
BOOL BitBlt(HDC dc, int x, int y, int width, int height, HDC source, int xSrc, int ySrc, DWORD rop);
// Scales the source rectangle onto the destination rectangle (negative sizes mirror) with
// the destination's stretch mode.
BOOL StretchBlt(HDC dc, int x, int y, int width, int height, HDC source, int xSrc, int ySrc,
                int srcWidth, int srcHeight, DWORD rop);

// Stretch modes: every mode but HALFTONE picks source pixels (rows and columns are
// dropped or repeated); HALFTONE averages.
constexpr int BLACKONWHITE = 1;
constexpr int WHITEONBLACK = 2;
constexpr int COLORONCOLOR = 3;
constexpr int HALFTONE = 4;
constexpr int STRETCH_ANDSCANS = BLACKONWHITE;
constexpr int STRETCH_ORSCANS = WHITEONBLACK;
constexpr int STRETCH_DELETESCANS = COLORONCOLOR;
constexpr int STRETCH_HALFTONE = HALFTONE;
// Returns the previous mode, 0 on failure.
int SetStretchBltMode(HDC dc, int mode);

// ---- Device-independent bitmaps --------------------------------------------------------
#pragma pack(push, 1)
struct BITMAPFILEHEADER {
  WORD bfType = 0;
  DWORD bfSize = 0;
  WORD bfReserved1 = 0;
  WORD bfReserved2 = 0;
  DWORD bfOffBits = 0;
};
#pragma pack(pop)
static_assert(sizeof(BITMAPFILEHEADER) == 14);

struct BITMAPINFOHEADER {
  DWORD biSize = 0;
  LONG biWidth = 0;
  LONG biHeight = 0;  // positive: rows stored bottom-up
  WORD biPlanes = 0;
  WORD biBitCount = 0;
  DWORD biCompression = 0;
  DWORD biSizeImage = 0;
  LONG biXPelsPerMeter = 0;
  LONG biYPelsPerMeter = 0;
  DWORD biClrUsed = 0;
  DWORD biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

struct BITMAPCOREHEADER {
  DWORD bcSize = 0;
  WORD bcWidth = 0;
  WORD bcHeight = 0;
  WORD bcPlanes = 0;
  WORD bcBitCount = 0;
};
static_assert(sizeof(BITMAPCOREHEADER) == 12);

struct RGBQUAD {
  BYTE rgbBlue = 0;
  BYTE rgbGreen = 0;
  BYTE rgbRed = 0;
  BYTE rgbReserved = 0;
};
struct RGBTRIPLE {
  BYTE rgbtBlue = 0;
  BYTE rgbtGreen = 0;
  BYTE rgbtRed = 0;
};
// A header followed by its colour table (bmiColors has as many entries as the table).
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};
struct BITMAPCOREINFO {
  BITMAPCOREHEADER bmciHeader;
  RGBTRIPLE bmciColors[1];
};

constexpr DWORD BI_RGB = 0;
constexpr DWORD BI_RLE8 = 1;
constexpr DWORD BI_RLE4 = 2;
constexpr DWORD BI_BITFIELDS = 3;
// How a colour table is read: RGB colours, or 16-bit indices into the selected palette.
constexpr UINT DIB_RGB_COLORS = 0;
constexpr UINT DIB_PAL_COLORS = 1;

// The header is read through its first field: 12 bytes (core) or 40 or more (info; the
// colour table follows the full header size). Returns the number of scan lines drawn,
// 0 when nothing could be drawn (bad header, compression, no bits).
// SetDIBitsToDevice: draws width x height pixels unscaled; (xSrc, ySrc) is the lower-left
// corner of the source rectangle for a bottom-up DIB and the upper-left for a top-down
// one; `bits` holds `lines` scan lines starting with scan line `startScan`.
int SetDIBitsToDevice(HDC dc, int xDest, int yDest, DWORD width, DWORD height, int xSrc, int ySrc,
                      UINT startScan, UINT lines, const void* bits, const BITMAPINFO* info,
                      UINT colorUse);
// StretchDIBits: scales the source rectangle to the destination rectangle (negative sizes
// mirror) with the stretch mode; ySrc counts from the bottom row of a bottom-up DIB. The
// raster operation must be SRCCOPY. Returns the number of source scan lines, 0 (GDI_ERROR
// for another operation) when nothing was drawn.
int StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                  int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info,
                  UINT colorUse, DWORD rop);

// ---- Palettes ----------------------------------------------------------------------------
struct PALETTEENTRY {
  BYTE peRed = 0;
  BYTE peGreen = 0;
  BYTE peBlue = 0;
  BYTE peFlags = 0;
};
// palNumEntries entries follow the header (the array is declared with one).
struct LOGPALETTE {
  WORD palVersion = 0x300;
  WORD palNumEntries = 0;
  PALETTEENTRY palPalEntry[1];
};
constexpr BYTE PC_RESERVED = 0x01;
constexpr BYTE PC_EXPLICIT = 0x02;
constexpr BYTE PC_NOCOLLAPSE = 0x04;

// nullptr for a null description, a version other than 0x300, or 0 entries.
HPALETTE CreatePalette(const LOGPALETTE* palette);
// Returns the previous palette (the stock DEFAULT_PALETTE at first), nullptr on failure.
HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground);
// On a true-colour display no system palette entries change: 0, or GDI_ERROR for a bad
// context.
UINT RealizePalette(HDC dc);
UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries);

// ---- Pens, brushes, shapes -----------------------------------------------------------------
constexpr int PS_SOLID = 0;
constexpr int PS_DASH = 1;
constexpr int PS_DOT = 2;
constexpr int PS_DASHDOT = 3;
constexpr int PS_DASHDOTDOT = 4;
constexpr int PS_NULL = 5;
constexpr int PS_INSIDEFRAME = 6;
// Width 0 is one pixel wide.
HPEN CreatePen(int style, int width, COLORREF color);
HBRUSH CreateSolidBrush(COLORREF color);

BOOL MoveToEx(HDC dc, int x, int y, POINT* previous);
// Draws from the current position to (x, y), not including (x, y), which becomes the
// current position.
BOOL LineTo(HDC dc, int x, int y);
// Fills [left, right) x [top, bottom) with the brush; 0 on failure.
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);
// CLR_INVALID outside the surface.
COLORREF GetPixel(HDC dc, int x, int y);

// ---- Text ------------------------------------------------------------------------------
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
// The previous colour / mode (CLR_INVALID / 0 on failure).
COLORREF SetTextColor(HDC dc, COLORREF color);
int SetBkMode(HDC dc, int mode);

constexpr int LF_FACESIZE = 32;
struct LOGFONT {
  LONG lfHeight = 0;  // < 0: character height in pixels; > 0: cell height; 0: default
  LONG lfWidth = 0;
  LONG lfEscapement = 0;
  LONG lfOrientation = 0;
  LONG lfWeight = 0;  // 0 default, 400 normal, 700 bold
  BYTE lfItalic = 0;
  BYTE lfUnderline = 0;
  BYTE lfStrikeOut = 0;
  BYTE lfCharSet = 0;
  BYTE lfOutPrecision = 0;
  BYTE lfClipPrecision = 0;
  BYTE lfQuality = 0;
  BYTE lfPitchAndFamily = 0;
  char lfFaceName[LF_FACESIZE] = {};
};
constexpr int FW_DONTCARE = 0;
constexpr int FW_THIN = 100;
constexpr int FW_LIGHT = 300;
constexpr int FW_NORMAL = 400;
constexpr int FW_MEDIUM = 500;
constexpr int FW_SEMIBOLD = 600;
constexpr int FW_BOLD = 700;
constexpr int FW_HEAVY = 900;
constexpr BYTE ANSI_CHARSET = 0;
constexpr BYTE DEFAULT_CHARSET = 1;
constexpr BYTE SYMBOL_CHARSET = 2;
constexpr BYTE SHIFTJIS_CHARSET = 128;
constexpr BYTE OEM_CHARSET = 255;
constexpr BYTE OUT_DEFAULT_PRECIS = 0;
constexpr BYTE CLIP_DEFAULT_PRECIS = 0;
constexpr BYTE DEFAULT_QUALITY = 0;
constexpr BYTE NONANTIALIASED_QUALITY = 3;
constexpr BYTE ANTIALIASED_QUALITY = 4;
constexpr BYTE DEFAULT_PITCH = 0;
constexpr BYTE FIXED_PITCH = 1;
constexpr BYTE VARIABLE_PITCH = 2;
constexpr BYTE FF_DONTCARE = 0x00;
constexpr BYTE FF_ROMAN = 0x10;
constexpr BYTE FF_SWISS = 0x20;
constexpr BYTE FF_MODERN = 0x30;
constexpr BYTE FF_SCRIPT = 0x40;
constexpr BYTE FF_DECORATIVE = 0x50;

HFONT CreateFontIndirect(const LOGFONT* font);
HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                 DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCSTR faceName);

struct TEXTMETRIC {
  LONG tmHeight = 0;  // ascent + descent: the line height of DrawText
  LONG tmAscent = 0;
  LONG tmDescent = 0;
  LONG tmInternalLeading = 0;
  LONG tmExternalLeading = 0;
  LONG tmAveCharWidth = 0;
  LONG tmMaxCharWidth = 0;
  LONG tmWeight = 0;
  BYTE tmCharSet = 0;
};
BOOL GetTextMetrics(HDC dc, TEXTMETRIC* metrics);
// Width and height of the first `count` bytes of text in the selected font.
BOOL GetTextExtentPoint32(HDC dc, LPCSTR text, int count, SIZE* size);

constexpr UINT DT_TOP = 0x0000;
constexpr UINT DT_LEFT = 0x0000;
constexpr UINT DT_CENTER = 0x0001;
constexpr UINT DT_RIGHT = 0x0002;
constexpr UINT DT_VCENTER = 0x0004;  // with DT_SINGLELINE
constexpr UINT DT_BOTTOM = 0x0008;   // with DT_SINGLELINE
constexpr UINT DT_WORDBREAK = 0x0010;
constexpr UINT DT_SINGLELINE = 0x0020;
constexpr UINT DT_EXPANDTABS = 0x0040;
constexpr UINT DT_NOCLIP = 0x0100;
constexpr UINT DT_CALCRECT = 0x0400;
constexpr UINT DT_NOPREFIX = 0x0800;
// Draws 8-bit text (count -1: up to the NUL) formatted in the rectangle. Lines break at
// CR LF, CR or LF unless DT_SINGLELINE; with DT_WORDBREAK also between words where a line
// would pass the right edge (a word wider than the rectangle stays whole). "&" marks the
// next character as a mnemonic (underlined; "&&" is "&") unless DT_NOPREFIX. Without
// DT_NOCLIP the text is clipped to the rectangle. DT_CALCRECT draws nothing: it sets the
// rectangle's right edge to left + the widest line (wrapped lines, or a word wider than
// the rectangle) and its bottom to top + the height. Returns the height of the text
// (measured from the top), 0 on failure.
int DrawText(HDC dc, LPCSTR text, int count, RECT* rect, UINT format);
