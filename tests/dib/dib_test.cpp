#include "imagelib/dib.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/support/sandbox.h"

namespace {

void Put16(std::string& s, std::size_t at, unsigned v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A bitmap file with an information header. Colour entry i is (blue i, green 2i, red
// 255 - i); pixel bytes count up from 0.
std::string BitmapFile(int width, int height, int bits, std::uint32_t colorsUsed,
                       std::uint32_t imageSizeField, int tableEntries) {
  const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
  const std::size_t rows = stride * static_cast<std::size_t>(height);
  std::string s(14 + 40 + tableEntries * 4 + rows, '\0');
  s[0] = 'B';
  s[1] = 'M';
  Put32(s, 2, static_cast<std::uint32_t>(s.size()));
  Put32(s, 10, static_cast<std::uint32_t>(14 + 40 + tableEntries * 4));
  Put32(s, 14, 40);
  Put32(s, 18, static_cast<std::uint32_t>(width));
  Put32(s, 22, static_cast<std::uint32_t>(height));
  Put16(s, 26, 1);
  Put16(s, 28, static_cast<unsigned>(bits));
  Put32(s, 34, imageSizeField);
  Put32(s, 46, colorsUsed);
  for (int i = 0; i < tableEntries; ++i) {
    s[54 + i * 4] = static_cast<char>(i);
    s[54 + i * 4 + 1] = static_cast<char>(2 * i);
    s[54 + i * 4 + 2] = static_cast<char>(255 - i);
  }
  for (std::size_t i = 0; i < rows; ++i) s[54 + tableEntries * 4 + i] = static_cast<char>(i % 251);
  return s;
}

// A core-header bitmap: 4 x 2 pixels, 8 bits, 256 three-byte colour entries.
std::string CoreBitmapFile() {
  std::string s(14 + 12 + 256 * 3 + 8, '\0');
  s[0] = 'B';
  s[1] = 'M';
  Put32(s, 2, static_cast<std::uint32_t>(s.size()));
  Put32(s, 14, 12);
  Put16(s, 18, 4);
  Put16(s, 20, 2);
  Put16(s, 22, 1);
  Put16(s, 24, 8);
  for (int i = 0; i < 256; ++i) {
    s[26 + i * 3] = static_cast<char>(i);          // blue
    s[26 + i * 3 + 2] = static_cast<char>(255 - i);  // red
  }
  for (int i = 0; i < 8; ++i) s[26 + 768 + i] = static_cast<char>(10 + i);
  return s;
}

unsigned U16At(const void* p, std::size_t at) {
  const auto* b = static_cast<const BYTE*>(p) + at;
  return b[0] | b[1] << 8;
}

class Dib : public ::testing::Test {
 protected:
  Sandbox sandbox;
  std::string Write(const std::string& name, const std::string& bytes) {
    std::string path = sandbox.path(name);
    sandbox.writeFile(path, bytes);
    return path;
  }
};

TEST_F(Dib, WholeReaderKeepsTheDibAndMeasuresIt) {
  std::string file = BitmapFile(5, 3, 8, 0, 0, 256);
  HGLOBAL h = ReadDIBFile(Write("a.bmp", file).c_str());
  ASSERT_NE(h, nullptr);
  auto* p = static_cast<BYTE*>(GlobalLock(h));
  EXPECT_EQ(DIBNumColors(p), 256);
  EXPECT_EQ(PaletteSize(p), 1024);
  EXPECT_EQ(DIBWidth(p), 5u);
  EXPECT_EQ(DIBHeight(p), 3u);
  EXPECT_EQ(FindDIBBits(p), p + 40 + 1024);
  EXPECT_EQ(std::memcmp(p, file.data() + 14, file.size() - 14), 0);
  GlobalUnlock(h);
  GlobalFree(h);

  // Entry counts by depth and by colours-used.
  struct Case {
    int bits;
    std::uint32_t used;
    int table;
    WORD want;
  } cases[] = {{1, 0, 2, 2}, {4, 0, 16, 16}, {8, 20, 20, 20}, {24, 0, 0, 0}, {32, 0, 0, 0}};
  for (const Case& c : cases) {
    HGLOBAL b = ReadDIBFile(Write("c.bmp", BitmapFile(4, 2, c.bits, c.used, 0, c.table)).c_str());
    ASSERT_NE(b, nullptr) << c.bits;
    EXPECT_EQ(DIBNumColors(GlobalLock(b)), c.want) << c.bits << " bits";
    GlobalUnlock(b);
    GlobalFree(b);
  }

  HGLOBAL core = ReadDIBFile(Write("core.bmp", CoreBitmapFile()).c_str());
  ASSERT_NE(core, nullptr);
  p = static_cast<BYTE*>(GlobalLock(core));
  EXPECT_EQ(DIBWidth(p), 4u);
  EXPECT_EQ(DIBHeight(p), 2u);
  EXPECT_EQ(PaletteSize(p), 768);
  EXPECT_EQ(FindDIBBits(p)[0], 10);
  GlobalUnlock(core);
  GlobalFree(core);
}

TEST_F(Dib, WholeReaderFindsRowsBehindAGapAtTheFileOffset) {
  std::string file = BitmapFile(4, 2, 24, 0, 0, 0);
  std::string rows = file.substr(54);
  std::string gapped = file.substr(0, 54) + std::string(30, '\x77') + rows;
  Put32(gapped, 10, 54 + 30);
  HGLOBAL h = ReadDIBFile(Write("gap.bmp", gapped).c_str());
  ASSERT_NE(h, nullptr);
  auto* p = static_cast<BYTE*>(GlobalLock(h));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(FindDIBBits(p)), rows.size()), rows);
  GlobalUnlock(h);
  GlobalFree(h);
}

// Thumbnails that today's tools write: colour masks, top-down rows and run-length rows
// come out as plain bottom-up rows.
TEST_F(Dib, MaskedTopDownAndRunLengthFilesBecomePlainRows) {
  // 2 x 2, 32 bits with masks (red in the low byte), rows top-down: top row red, green.
  std::string masked = BitmapFile(2, 2, 32, 0, 0, 0);
  masked.insert(54, 12, '\0');
  Put32(masked, 10, 66);
  Put32(masked, 22, static_cast<std::uint32_t>(-2));
  Put32(masked, 30, BI_BITFIELDS);
  Put32(masked, 54, 0x000000FF);
  Put32(masked, 58, 0x0000FF00);
  Put32(masked, 62, 0x00FF0000);
  const std::uint32_t pixels[4] = {0xFF, 0xFF00, 0xFF0000, 0};  // top row first
  for (int i = 0; i < 4; ++i) Put32(masked, 66 + 4 * i, pixels[i]);
  // 16 bits 5-6-5 top-down: only the size and depth matter here.
  std::string sixteen = BitmapFile(3, 2, 16, 0, 0, 0);
  sixteen.insert(54, 12, '\0');
  Put32(sixteen, 10, 66);
  Put32(sixteen, 22, static_cast<std::uint32_t>(-2));
  Put32(sixteen, 30, BI_BITFIELDS);
  Put32(sixteen, 54, 0xF800);
  Put32(sixteen, 58, 0x07E0);
  Put32(sixteen, 62, 0x001F);
  // 4 x 2, 8 bits run-length: bottom row 4 x colour 7, top row literal 1 2 3 then 9.
  std::string rle = BitmapFile(4, 2, 8, 0, 0, 256).substr(0, 54 + 1024);
  Put32(rle, 30, BI_RLE8);
  rle += std::string("\x04\x07\x00\x00\x00\x03\x01\x02\x03\x00\x01\x09\x00\x01", 14);

  HGLOBAL m = ReadDIBFile(Write("m.bmp", masked).c_str());
  ASSERT_NE(m, nullptr);
  auto* p = static_cast<BYTE*>(GlobalLock(m));
  EXPECT_EQ(DIBHeight(p), 2u);
  const BYTE* bits = FindDIBBits(p);
  // Bottom row first in blue, green, red order: the top row (red, green) comes second.
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bits) + 8, 6), std::string("\0\0\xFF\0\xFF\0", 6));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bits), 3), std::string("\xFF\0\0", 3));
  GlobalUnlock(m);
  GlobalFree(m);

  HGLOBAL r = ReadDIBFile(Write("r.bmp", rle).c_str());
  ASSERT_NE(r, nullptr);
  p = static_cast<BYTE*>(GlobalLock(r));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(FindDIBBits(p)), 8), std::string("\7\7\7\7\1\2\3\x09", 8));
  GlobalUnlock(r);
  GlobalFree(r);

  for (const std::string* file : {&masked, &sixteen, &rle}) {
    HGLOBAL block = nullptr;
    WORD offset = 0;
    EXPECT_EQ(ReadDIBFileByHeader(Write("s.bmp", *file).c_str(), block, offset), 1);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(U16At(GlobalLock(block), 14), file == &rle ? 8 : 24);
    GlobalUnlock(block);
    GlobalFree(block);
  }
}

// Hostile and broken files give no block (whole reader) or 0 (saver's reader) and never
// read beyond the data or allocate what the file does not hold.
TEST_F(Dib, BrokenFilesAreRefusedByBothReaders) {
  std::string good = BitmapFile(16, 16, 8, 0, 0, 256);
  std::string wrongType = good;
  wrongType[0] = 'X';
  std::string hugeSize = good;
  Put32(hugeSize, 18, 60000);  // 60000 x 60000 claimed
  Put32(hugeSize, 22, 60000);
  std::string hugeImageSize = good;
  Put32(hugeImageSize, 34, 0xFFFFFF00u);
  std::string negativeHeight = good;
  Put32(negativeHeight, 22, 0x80000000u);  // top-down rows, but no height to turn them by
  std::string offsetPastEnd = BitmapFile(16, 16, 24, 0, 0, 0);
  Put32(offsetPastEnd, 10, 1u << 30);
  std::string hugeColours = good;
  Put32(hugeColours, 46, 0x7FFFFFFF);
  std::string oddDepth = good;
  Put16(oddDepth, 28, 7);
  std::string compressed = good;
  Put32(compressed, 30, 4);  // JPEG inside a bitmap
  std::string runOut = good.substr(0, 54 + 1024) + std::string("\x00\x40\x01\x02", 4);
  Put32(runOut, 30, BI_RLE8);  // a literal run of 64 with two bytes of data
  std::string tinyHeader = good;
  Put32(tinyHeader, 14, 20);
  std::string smallImageSize = good;
  Put32(smallImageSize, 34, 10);  // fewer bytes than the rows need

  struct Case {
    const char* name;
    std::string bytes;
    bool wholeToo;  // the whole reader ignores the offset and image size fields
  } cases[] = {
      {"empty", "", true},
      {"short file header", "BM\x10", true},
      {"wrong type", wrongType, true},
      {"short rows", good.substr(0, good.size() - 1), true},
      {"short header", good.substr(0, 30), true},
      {"huge size", hugeSize, true},
      {"huge image size", hugeImageSize, false},
      {"negative height", negativeHeight, true},
      {"offset past end", offsetPastEnd, false},
      {"huge colours", hugeColours, true},
      {"odd depth", oddDepth, true},
      {"compressed", compressed, true},
      {"run-length data that runs out", runOut, true},
      {"tiny header", tinyHeader, true},
      {"small image size", smallImageSize, false},
  };
  for (const Case& c : cases) {
    std::string path = Write("bad.bmp", c.bytes);
    if (c.wholeToo) {
      EXPECT_EQ(ReadDIBFile(path.c_str()), nullptr) << c.name;
    }
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 1064);
    WORD offset = 0;
    EXPECT_EQ(ReadDIBFileByHeader(path.c_str(), block, offset), 0) << c.name;
    GlobalFree(block);
  }
  EXPECT_EQ(ReadDIBFile(sandbox.path("missing.bmp").c_str()), nullptr);

  // The saver refuses core headers.
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 40);
  WORD offset = 0;
  EXPECT_EQ(ReadDIBFileByHeader(Write("core.bmp", CoreBitmapFile()).c_str(), block, offset), 0);
  GlobalFree(block);
}

TEST_F(Dib, SaverReaderFillsInColoursUsedAndImageSize) {
  // 640 x 480 x 8 with both fields 0: 256 entries, 307200 bytes of rows.
  std::string file = BitmapFile(640, 480, 8, 0, 0, 256);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 40);
  WORD offset = 0;
  ASSERT_EQ(ReadDIBFileByHeader(Write("w.bmp", file).c_str(), block, offset), 1);
  EXPECT_EQ(offset, 40 + 1024);
  EXPECT_EQ(GlobalSize(block), 40u + 1024u + 307200u);
  auto* p = static_cast<BYTE*>(GlobalLock(block));
  EXPECT_FALSE(GlobalUnlock(block)) << "the block is left unlocked";
  p = static_cast<BYTE*>(GlobalLock(block));
  EXPECT_EQ(p[32] | p[33] << 8, 256);
  EXPECT_EQ(p[20] | p[21] << 8 | p[22] << 16, 307200);
  EXPECT_EQ(std::memcmp(p + 40, file.data() + 54, 1024 + 307200), 0);
  GlobalUnlock(block);

  // A 24-bit picture read into the same block: no colour table.
  std::string rgb = BitmapFile(30, 10, 24, 0, 0, 0);
  ASSERT_EQ(ReadDIBFileByHeader(Write("r.bmp", rgb).c_str(), block, offset), 1);
  EXPECT_EQ(offset, 40);
  p = static_cast<BYTE*>(GlobalLock(block));
  EXPECT_EQ(std::memcmp(p + 40, rgb.data() + 54, rgb.size() - 54), 0);
  GlobalUnlock(block);
  GlobalFree(block);

  // With no block yet, one is made.
  HGLOBAL none = nullptr;
  ASSERT_EQ(ReadDIBFileByHeader(sandbox.path("r.bmp").c_str(), none, offset), 1);
  EXPECT_NE(none, nullptr);
  GlobalFree(none);
}

TEST_F(Dib, PalettesFollowTheColourTable) {
  HGLOBAL eight = ReadDIBFile(Write("8.bmp", BitmapFile(4, 4, 8, 0, 0, 256)).c_str());
  HGLOBAL core = ReadDIBFile(Write("c.bmp", CoreBitmapFile()).c_str());
  HGLOBAL rgb = ReadDIBFile(Write("24.bmp", BitmapFile(4, 4, 24, 0, 0, 0)).c_str());
  ASSERT_TRUE(eight && core && rgb);

  HPALETTE palette = nullptr;
  ASSERT_TRUE(CreateDIBPalette(eight, palette));
  PALETTEENTRY entries[256];
  ASSERT_EQ(GetPaletteEntries(palette, 0, 256, entries), 256u);
  EXPECT_EQ(entries[3].peRed, 252);
  EXPECT_EQ(entries[3].peGreen, 6);
  EXPECT_EQ(entries[3].peBlue, 3);
  ASSERT_TRUE(CreateDIBPalette(core, palette)) << "three-byte entries";
  ASSERT_EQ(GetPaletteEntries(palette, 0, 256, entries), 256u);
  EXPECT_EQ(entries[7].peRed, 248);
  EXPECT_EQ(entries[7].peBlue, 7);
  DeleteObject(palette);
  palette = nullptr;
  EXPECT_FALSE(CreateDIBPalette(rgb, palette)) << "no colour table, no palette";
  EXPECT_EQ(palette, nullptr);

  // The saver's maker: the stock palette for a 24-bit block, its own for 8 bits.
  HPALETTE stock = MakeDIBPalette(GlobalLock(rgb));
  EXPECT_EQ(stock, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)));
  GlobalUnlock(rgb);
  HGLOBAL saverBlock = nullptr;
  WORD offset = 0;
  ASSERT_EQ(ReadDIBFileByHeader(sandbox.path("8.bmp").c_str(), saverBlock, offset), 1);
  HPALETTE own = MakeDIBPalette(GlobalLock(saverBlock));
  GlobalUnlock(saverBlock);
  ASSERT_NE(own, nullptr);
  ASSERT_EQ(GetPaletteEntries(own, 0, 256, entries), 256u);
  EXPECT_EQ(entries[255].peRed, 0);
  EXPECT_EQ(entries[255].peBlue, 255);
  DeleteObject(own);
  for (HGLOBAL h : {eight, core, rgb, saverBlock}) GlobalFree(h);
}

TEST_F(Dib, PaintDrawsTheSourceRectangleCountedFromTheTop) {
  // 4 x 4, 24 bits; the top row (stored last) is red, everything else blue.
  std::string file = BitmapFile(4, 4, 24, 0, 0, 0);
  for (int i = 0; i < 48; ++i) file[54 + i] = static_cast<char>(i % 3 == 0 ? 255 : 0);
  for (int x = 0; x < 4; ++x) {
    file[54 + 36 + x * 3] = 0;
    file[54 + 36 + x * 3 + 2] = static_cast<char>(255);
  }
  HGLOBAL dib = ReadDIBFile(Write("p.bmp", file).c_str());
  ASSERT_NE(dib, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, 8, 8);
  HGDIOBJ old = SelectObject(dc, bitmap);

  EXPECT_EQ(PaintDIB(dc, RECT{0, 0, 8, 8}, nullptr, RECT{0, 0, 4, 4}, nullptr), 0);
  // Unscaled: the top row of the picture lands on the top row of the destination.
  EXPECT_NE(PaintDIB(dc, RECT{0, 0, 4, 4}, dib, RECT{0, 0, 4, 4}, nullptr), 0);
  EXPECT_EQ(GetPixel(dc, 1, 0), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 1, 3), RGB(0, 0, 255));
  // Stretched, from the top half only: the red row fills the destination's top half.
  EXPECT_NE(PaintDIB(dc, RECT{4, 0, 8, 8}, dib, RECT{0, 0, 2, 2}, nullptr), 0);
  EXPECT_EQ(GetPixel(dc, 5, 0), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 5, 3), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 5, 6), RGB(0, 0, 255));

  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  GlobalFree(dib);
}

}  // namespace
