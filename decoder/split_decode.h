#pragma once
// A large picture decoded on two cores: while the first libjpeg decodes the upper rows,
// a second one, on a thread of its own, decodes the lower rows from a stream of their own
// (decoder/lower_part.h) and resizes them into the same bitmap. The first decoder stops
// where the second took over; when the second cannot (a damaged lower part, tables that
// cannot code its made-up row, or the first got there first) the first goes on to the
// end by itself, and the bitmap is the same either way.
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "decoder/libjpeg_glue.h"
#include "decoder/lower_part.h"
#include "decoder/resample.h"

// How the first decoder decodes, so that the second decodes the same way.
struct LowerOutput {
  unsigned scaleNum = 8, scaleDenom = 8;
  J_COLOR_SPACE colorSpace = JCS_EXT_BGR;
  J_DCT_METHOD dct = JDCT_ISLOW;
  boolean fancyUpsampling = TRUE;
  int width = 0, height = 0;  // the decoded picture's
};

class LowerRows {
 public:
  LowerRows() = default;
  LowerRows(const LowerRows&) = delete;
  LowerRows& operator=(const LowerRows&) = delete;
  ~LowerRows();  // stops the second decoder and waits for it

  // Worth it only for a picture this large, and with a second core.
  static bool Worthwhile(const jpeg_decompress_struct& upper);

  // Starts the second decoder on the file at `path`, once `upper` has started its
  // output (24-bit rows of `target` size resized into `out`). `scans` is the bound the
  // first decoder runs under. False when the picture cannot be split.
  bool Start(const std::string& path, const jpeg_decompress_struct& upper, const ScanLayout& layout,
             long scans, int targetWidth, int targetHeight, RowDestination* out);

  // How many of the `wanted` rows from row `next` on the first decoder may read: fewer
  // when the second has taken over the rows further down. 0 means it has reached them.
  int RowsAllowed(int next, int wanted);
  // Once RowsAllowed gave 0: waits for the second decoder. True when the lower rows are
  // in the bitmap; false when the first decoder must go on with them itself.
  bool Finish();

 private:
  void Run();
  bool SplitHere(int mcuRow);
  int RowsBelow(int mcuRow) const;
  bool TooLate(int mcuRow) const;
  bool DecodeLower(std::FILE* file, const LowerPart& part);

  enum class State { Searching, Decoding, Done, Failed };
  std::mutex mutex_;
  std::condition_variable changed_;
  State state_ = State::Searching;
  int upperNext_ = 0;           // the row the first decoder has read up to (exclusive)
  int splitRow_ = 0;            // the first decoded row that is the second decoder's
  std::atomic<bool> stop_{false};
  std::thread thread_;

  // What the second decoder needs, fixed before it starts.
  std::string path_;
  int targetWidth_ = 0, targetHeight_ = 0, channels_ = 0;
  RowDestination* out_ = nullptr;
  ScanLayout layout_;
  long scans_ = 0;
  LowerOutput output_;
  int rowsPerMcuRow_ = 0;      // decoded rows a row of MCUs makes
  // Chosen by the second decoder's thread as it reads the codes:
  int firstMcuRow_ = 0;        // the picture's MCU row that is the lower stream's second
  int firstKept_ = 0;          // the first decoded row the second decoder resizes
  RowResampler resampler_;
};
