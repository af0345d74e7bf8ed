#pragma once
// Packed device-independent bitmaps: one movable memory block holding a bitmap header
// (BITMAPINFOHEADER, 40 bytes or more, or BITMAPCOREHEADER, 12 bytes), its colour table
// and its pixel rows, exactly as the drawing functions take it. Decoded pictures, the
// wallpaper bitmap and the preview bitmaps all travel in this form.
//
// The readers take bitmap files from outside (image sets, the wallpaper), so they check
// what they read before they trust it: a block they return always holds its header,
// its whole colour table and every pixel row the header promises, the header is 12 or
// at least 40 bytes, width and height are above zero (bottom-up rows), the depth is 1, 4,
// 8, 16, 24 or 32 bits and the rows are uncompressed. Files with colour masks (16 and 32
// bits), top-down rows or run-length rows (8 and 4 bits) are first turned into that form
// (masked colours become 24 bits, run-length rows 8 bits). Anything else is refused, and
// no allocation is made for sizes that the file does not actually hold.
#include "platform/gdi.h"
#include "platform/global_memory.h"
#include "platform/types.h"

// "BM", the type of a bitmap file.
constexpr WORD DIB_HEADER_MARKER = 0x4D42;

// Measuring a locked block. The entry count is colours-used when an information header
// sets it, else 2, 16 or 256 for 1, 4 or 8 bits, else 0; it is a 16-bit number.
WORD DIBNumColors(const void* dib);
// Bytes of colour table: entries x 4 after an information header, x 3 after a core header.
WORD PaletteSize(const void* dib);
// The first pixel row: header size + colour table size into the block.
BYTE* FindDIBBits(void* dib);
const BYTE* FindDIBBits(const void* dib);
DWORD DIBWidth(const void* dib);
DWORD DIBHeight(const void* dib);

// Reads a whole bitmap file (the configuration program's reader) into a new movable
// block holding the packed DIB, or nullptr. Where the file's pixel-row offset leaves a
// gap after the colour table, the rows are moved up behind it, so FindDIBBits always
// finds them.
HGLOBAL ReadDIBFile(const char* path);

// The screen saver's reader: fills `block` (resized as needed; allocated when null) with
// the file's header, colour table and rows and reports where the rows start. Core headers
// are refused. Colours-used is set to the entry count when it was 0, image size to the
// rows' size when it was 0. Returns 1 on success, 0 on failure; when the block cannot be
// resized it is freed and `block` cleared. The block is left unlocked.
BOOL ReadDIBFileByHeader(const char* path, HGLOBAL& block, WORD& bitsOffset);

// Palettes and painting (below) draw through the platform's toolkit and are linked from
// qm_imagelib_draw; everything above needs no toolkit.

// The configuration program's palette maker: a logical palette of the block's colour
// table into `palette` (a palette it held before is deleted first). FALSE, and no
// palette, when the block has no colour table.
BOOL CreateDIBPalette(HGLOBAL dib, HPALETTE& palette);

// The screen saver's palette maker, for a locked block with an information header: the
// stock default palette when colours-used is 0, else a new palette of its colour table;
// nullptr when it cannot be made.
HPALETTE MakeDIBPalette(const void* dib);

// Draws the block's `source` rectangle (rows counted from the top of the picture) into
// `destination`: unscaled with SetDIBitsToDevice when the sizes match, otherwise with
// StretchDIBits, dropping rows and columns (COLORONCOLOR). The palette, when given, is
// selected as a background palette for the drawing and the previous one put back.
// Returns the drawing function's result, 0 without a block.
int PaintDIB(HDC dc, const RECT& destination, HGLOBAL dib, const RECT& source,
             HPALETTE palette);
