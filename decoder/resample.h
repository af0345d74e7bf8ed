#pragma once
// Resizing of decoded rows to the exact output size. Reduction averages every source
// pixel that an output pixel covers (weighted by how much of it is covered), so fine
// detail turns into its mean colour instead of aliasing into moire; enlargement is
// bilinear. Both are separable and done in 14-bit fixed point.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// The source pixels that make one output sample and their weights (summing to 1 << 14).
struct Taps {
  int first = 0;
  std::vector<std::int32_t> weights;
};

// One entry per output position, for `source` samples resized to `target` samples.
std::vector<Taps> MakeTaps(int source, int target);

// Resizes an image of `channels` interleaved 8-bit samples per pixel, `sourceStride`
// bytes per row, top-down. Output row y (top-down) goes to `destination.Row(y)`, which may
// be asked for from two threads at once. `threads` 0 uses a second core when there is one.
class RowDestination {
 public:
  virtual ~RowDestination() = default;
  virtual std::uint8_t* Row(int y) = 0;
};
void ResampleImage(const std::uint8_t* source, int sourceWidth, int sourceHeight,
                   std::size_t sourceStride, int channels, int targetWidth, int targetHeight,
                   RowDestination& destination, int threads = 0);

struct FlatTaps;
// The same resize as ResampleImage, fed a source row at a time (as a decoder makes them)
// and holding only the few rows that the next output row needs: a picture need not be
// kept whole at its decoded size. Every output row has gone to the destination once the
// last source row is in.
class RowResampler {
 public:
  RowResampler();
  ~RowResampler();
  // With `splitRow`, the rows above it are another resampler's (the picture is decoded in
  // two parts at once): this one makes only the output rows that read row `splitRow` or a
  // row below it, and is fed from FirstRowNeeded() on. The one fed the rows above
  // `splitRow` makes all the other output rows.
  void Start(int sourceWidth, int sourceHeight, int channels, int targetWidth, int targetHeight,
             RowDestination* destination, int splitRow = 0);
  int FirstRowNeeded() const { return pushed_; }
  void Push(const std::uint8_t* row);  // the next source row, top-down

 private:
  int sourceWidth_ = 0, channels_ = 0, targetWidth_ = 0, targetHeight_ = 0;
  RowDestination* destination_ = nullptr;
  std::size_t rowBytes_ = 0;
  std::unique_ptr<FlatTaps> across_;
  std::vector<Taps> down_;
  int capacity_ = 1;
  std::vector<std::uint8_t> ring_;
  std::vector<std::int32_t> sum_;
  int pushed_ = 0, next_ = 0;
};

// Nearest-neighbour resizing for palette indices (one byte per pixel), which cannot be
// averaged.
void ResampleIndices(const std::uint8_t* source, int sourceWidth, int sourceHeight,
                     std::size_t sourceStride, int targetWidth, int targetHeight,
                     RowDestination& destination);
