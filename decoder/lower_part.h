#pragma once
// A picture's lower rows as a JPEG stream of their own, so that a second libjpeg can
// decode them while the first decodes the upper rows. A baseline picture without restart
// markers can only be entered at its start: each block's DC value is kept as a difference
// from the one before, and the Huffman codes run on without a byte boundary. So the way in
// is found by reading the codes of the upper rows without decoding them (about twice
// libjpeg's pace), and the new stream is the picture's own header with a shorter height,
// one made-up MCU row whose DC values bring each component to where the chosen row takes
// up (its pixels are thrown away), and the file's own bytes from there on. Its rows decode
// to exactly the pixels of the same rows of the whole picture, except that the first
// pixel rows of the chosen row may differ where libjpeg smooths them with the rows above.
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

// libjpeg's headers expect <cstdio> first.
#include <jpeglib.h>

// What the search needs of the picture, copied from the first decoder once its header is
// read (that decoder goes on meanwhile).
struct ScanLayout {
  int mcusPerRow = 0;
  int mcuRows = 0;
  int mcuHeight = 0;  // pixels
  int height = 0;
  int blocks = 0;  // per MCU
  int blockComponent[10] = {};
  int blockDc[10] = {};  // table numbers
  int blockAc[10] = {};
  JHUFF_TBL dc[NUM_HUFF_TBLS] = {};
  JHUFF_TBL ac[NUM_HUFF_TBLS] = {};
  long long dataOffset = 0;  // where the entropy-coded data start in the file
};

// False when the picture is not one this can split: progressive, arithmetic-coded, in
// several scans, with restart markers, with tables libjpeg would make up itself.
// `dataOffset` is where the first decoder's source stands right after the header.
bool MakeScanLayout(const jpeg_decompress_struct& cinfo, long long dataOffset, ScanLayout* layout);

struct LowerPart {
  std::vector<JOCTET> head;   // header, made-up row and the byte where they join the file's
  long long tailOffset = 0;   // the file's bytes from here on follow `head`
};

// Where the codes of an MCU row start: the file offset of the byte and the bit in it
// (from the top), and each component's DC value before the row.
struct RowEntry {
  long long offset = 0;
  int bit = 0;
  int predictor[4] = {};
};

// Reads the codes from the start of the data, recording each MCU row's entry, and asks
// `enough` at the start of every row from 1 on whether to stop there. True when it did
// (the entries run to that row); false at the end of the data, on damage, or at `stop`.
bool ScanRows(std::FILE* file, const ScanLayout& layout, const std::function<bool(int row)>& enough,
              const std::atomic<bool>& stop, std::vector<RowEntry>* entries);
// Makes the stream whose second MCU row is the picture's row `firstRow` (at least 1),
// which starts at `entry`. False when the picture's tables cannot code the made-up row.
bool MakeLowerPart(std::FILE* file, const ScanLayout& layout, int firstRow, const RowEntry& entry,
                   LowerPart* part);

// Both in one: makes the stream whose second MCU row is the picture's row `firstRow`.
// False when the data cannot be read to there (a damaged picture: the first decoder meets
// the damage itself), when the picture's tables cannot code the made-up row, or when
// `stop` is set.
bool FindLowerPart(std::FILE* file, const ScanLayout& layout, int firstRow,
                   const std::atomic<bool>& stop, LowerPart* part);
