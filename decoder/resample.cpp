#include "decoder/resample.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <system_error>
#include <thread>

namespace {
constexpr int kShift = 14;
constexpr std::int32_t kOne = 1 << kShift;
constexpr std::int32_t kHalf = 1 << (kShift - 1);
}  // namespace

// The taps of every output position in flat arrays, so that the inner loops run over plain
// memory rather than a vector per position.
struct FlatTaps {
  std::vector<int> first, count;
  std::vector<std::size_t> at;  // where a position's weights start
  std::vector<std::int32_t> weights;
  explicit FlatTaps(const std::vector<Taps>& taps) {
    for (const Taps& t : taps) {
      first.push_back(t.first);
      count.push_back(static_cast<int>(t.weights.size()));
      at.push_back(weights.size());
      weights.insert(weights.end(), t.weights.begin(), t.weights.end());
    }
  }
};

namespace {

// One row across, with the number of channels known to the compiler for the common cases.
template <int kChannels>
void resampleRow(const std::uint8_t* in, std::uint8_t* out, const FlatTaps& taps, int targetWidth,
                 int channels) {
  const int n = kChannels ? kChannels : channels;
  for (int x = 0; x < targetWidth; ++x) {
    const std::int32_t* w = taps.weights.data() + taps.at[static_cast<std::size_t>(x)];
    const std::uint8_t* p = in + static_cast<std::size_t>(taps.first[static_cast<std::size_t>(x)]) * n;
    std::int32_t sum[4] = {kHalf, kHalf, kHalf, kHalf};
    const int count = taps.count[static_cast<std::size_t>(x)];
    if (count == 2) {  // every position of an enlargement
      for (int c = 0; c < n; ++c) sum[c] += w[0] * p[c] + w[1] * p[n + c];
    } else {
      for (int k = 0; k < count; ++k, p += n)
        for (int c = 0; c < n; ++c) sum[c] += w[k] * p[c];
    }
    for (int c = 0; c < n; ++c) out[x * n + c] = static_cast<std::uint8_t>(std::min(255, sum[c] >> kShift));
  }
}

// One output row from the source rows its taps name; row(i) is source row t.first + i.
template <typename RowAt>
void verticalRow(const Taps& t, RowAt row, std::uint8_t* out, std::size_t rowBytes,
                 std::vector<std::int32_t>& sum) {
  if (t.weights.size() == 1) {
    std::memcpy(out, row(0), rowBytes);
    return;
  }
  if (t.weights.size() == 2) {  // an enlargement: one pass over the two rows
    const std::int32_t w0 = t.weights[0], w1 = t.weights[1];
    const std::uint8_t* a = row(0);
    const std::uint8_t* b = row(1);
    for (std::size_t i = 0; i < rowBytes; ++i)
      out[i] = static_cast<std::uint8_t>(std::min(255, (kHalf + w0 * a[i] + w1 * b[i]) >> kShift));
    return;
  }
  sum.assign(rowBytes, kHalf);
  for (std::size_t k = 0; k < t.weights.size(); ++k) {
    const std::int32_t w = t.weights[k];
    if (w == 0) continue;
    const std::uint8_t* in = row(k);
    for (std::size_t i = 0; i < rowBytes; ++i) sum[i] += w * in[i];
  }
  for (std::size_t i = 0; i < rowBytes; ++i)
    out[i] = static_cast<std::uint8_t>(std::min(255, sum[i] >> kShift));
}

using RowFunction = void (*)(const std::uint8_t*, std::uint8_t*, const FlatTaps&, int, int);
RowFunction rowFunction(int channels) {
  return channels == 3 ? resampleRow<3> : channels == 4 ? resampleRow<4> : channels == 1 ? resampleRow<1> : resampleRow<0>;
}

// Runs work(begin, end) over rows [0, count), split in two when there is a second core and
// enough rows to be worth a thread (resizing a whole 4K picture, as the palette and CMYK
// paths do, is a fifth of its decode; a 1024 x 768 one's is too short to pay for a
// thread). The halves write disjoint rows, so the result is the same either way.
void ForRows(int count, std::size_t bytesPerRow, int threads, const std::function<void(int, int)>& work) {
  constexpr std::size_t kWorthAThread = 8 << 20;
  if (threads < 1) threads = std::thread::hardware_concurrency() >= 2 ? 2 : 1;
  if (threads < 2 || count < 2 || static_cast<std::size_t>(count) * bytesPerRow < kWorthAThread) {
    work(0, count);
    return;
  }
  const int half = count / 2;
  std::thread second;
  try {
    second = std::thread(work, half, count);
  } catch (const std::system_error&) {  // no thread to be had: do it all here
    work(0, count);
    return;
  }
  work(0, half);
  second.join();
}

}  // namespace

std::vector<Taps> MakeTaps(int source, int target) {
  std::vector<Taps> taps(static_cast<std::size_t>(target));
  const double scale = static_cast<double>(source) / target;
  for (int i = 0; i < target; ++i) {
    Taps& t = taps[static_cast<std::size_t>(i)];
    if (source == target) {
      t.first = i;
      t.weights = {kOne};
    } else if (target > source) {
      // Bilinear: sample centres map onto each other, edges are held.
      double x = (i + 0.5) * scale - 0.5;
      x = std::clamp(x, 0.0, static_cast<double>(source - 1));
      int j = static_cast<int>(std::floor(x));
      if (j >= source - 1) {
        t.first = source - 1;
        t.weights = {kOne};
      } else {
        std::int32_t right = static_cast<std::int32_t>(std::lround((x - j) * kOne));
        t.first = j;
        t.weights = {kOne - right, right};
      }
    } else {
      // Area average over [left, right) in source pixels. Weights are taken from the
      // running sum so that they add up to exactly one after rounding.
      double left = i * scale, right = (i + 1) * scale;
      int first = static_cast<int>(std::floor(left));
      int last = std::min(source - 1, static_cast<int>(std::ceil(right)) - 1);
      t.first = first;
      double covered = 0;
      std::int32_t given = 0;
      for (int j = first; j <= last; ++j) {
        double overlap = std::min(right, j + 1.0) - std::max(left, static_cast<double>(j));
        covered += std::max(0.0, overlap) / scale;
        std::int32_t upTo = j == last ? kOne : static_cast<std::int32_t>(std::lround(covered * kOne));
        t.weights.push_back(upTo - given);
        given = upTo;
      }
    }
  }
  return taps;
}

void ResampleImage(const std::uint8_t* source, int sourceWidth, int sourceHeight,
                   std::size_t sourceStride, int channels, int targetWidth, int targetHeight,
                   RowDestination& destination, int threads) {
  // Horizontal pass into an intermediate of target width and source height.
  const std::uint8_t* middle = source;
  std::size_t middleStride = sourceStride;
  std::vector<std::uint8_t> wide;
  if (targetWidth != sourceWidth) {
    const FlatTaps taps(MakeTaps(sourceWidth, targetWidth));
    middleStride = static_cast<std::size_t>(targetWidth) * channels;
    wide.resize(middleStride * static_cast<std::size_t>(sourceHeight));
    const RowFunction row = rowFunction(channels);
    ForRows(sourceHeight, middleStride, threads, [&](int begin, int end) {
      for (int y = begin; y < end; ++y)
        row(source + sourceStride * static_cast<std::size_t>(y),
            wide.data() + middleStride * static_cast<std::size_t>(y), taps, targetWidth, channels);
    });
    middle = wide.data();
  }

  // Vertical pass straight into the destination rows.
  const std::size_t rowBytes = static_cast<std::size_t>(targetWidth) * channels;
  const std::vector<Taps> taps = MakeTaps(sourceHeight, targetHeight);
  ForRows(targetHeight, rowBytes, threads, [&](int begin, int end) {
    std::vector<std::int32_t> sum(rowBytes);
    for (int y = begin; y < end; ++y) {
      const Taps& t = taps[static_cast<std::size_t>(y)];
      verticalRow(t, [&](std::size_t k) { return middle + middleStride * (static_cast<std::size_t>(t.first) + k); },
                  destination.Row(y), rowBytes, sum);
    }
  });
}

// Keeps the last `capacity_` horizontally resized rows; row r sits in slot r % capacity_.
void RowResampler::Start(int sourceWidth, int sourceHeight, int channels, int targetWidth,
                         int targetHeight, RowDestination* destination, int splitRow) {
  sourceWidth_ = sourceWidth;
  channels_ = channels;
  targetWidth_ = targetWidth;
  targetHeight_ = targetHeight;
  destination_ = destination;
  rowBytes_ = static_cast<std::size_t>(targetWidth) * channels;
  across_ = std::make_unique<FlatTaps>(MakeTaps(sourceWidth, targetWidth));
  down_ = MakeTaps(sourceHeight, targetHeight);
  capacity_ = 1;
  for (const Taps& t : down_) capacity_ = std::max(capacity_, static_cast<int>(t.weights.size()));
  ring_.assign(rowBytes_ * static_cast<std::size_t>(capacity_), 0);
  pushed_ = 0;
  next_ = 0;
  if (splitRow <= 0) return;
  while (next_ < targetHeight &&
         down_[static_cast<std::size_t>(next_)].first +
                 static_cast<int>(down_[static_cast<std::size_t>(next_)].weights.size()) - 1 < splitRow)
    ++next_;
  pushed_ = next_ < targetHeight ? down_[static_cast<std::size_t>(next_)].first : sourceHeight;
}

RowResampler::RowResampler() = default;
RowResampler::~RowResampler() = default;

void RowResampler::Push(const std::uint8_t* row) {
  const int r = pushed_++;
  std::uint8_t* slot = ring_.data() + rowBytes_ * static_cast<std::size_t>(r % capacity_);
  if (targetWidth_ == sourceWidth_) std::memcpy(slot, row, rowBytes_);
  else rowFunction(channels_)(row, slot, *across_, targetWidth_, channels_);
  // A target row goes out as soon as the last source row it reads is in; the taps move
  // down monotonically, so the rows it reads are the last few pushed.
  while (next_ < targetHeight_) {
    const Taps& t = down_[static_cast<std::size_t>(next_)];
    if (t.first + static_cast<int>(t.weights.size()) - 1 > r) break;
    verticalRow(t, [&](std::size_t k) {
                  return ring_.data() + rowBytes_ * ((static_cast<std::size_t>(t.first) + k) % static_cast<std::size_t>(capacity_));
                },
                destination_->Row(next_), rowBytes_, sum_);
    ++next_;
  }
}

void ResampleIndices(const std::uint8_t* source, int sourceWidth, int sourceHeight,
                     std::size_t sourceStride, int targetWidth, int targetHeight,
                     RowDestination& destination) {
  std::vector<int> column(static_cast<std::size_t>(targetWidth));
  for (int x = 0; x < targetWidth; ++x)
    column[static_cast<std::size_t>(x)] = std::min(
        sourceWidth - 1,
        static_cast<int>((static_cast<long long>(2 * x + 1) * sourceWidth) / (2LL * targetWidth)));
  for (int y = 0; y < targetHeight; ++y) {
    int sy = std::min(sourceHeight - 1, static_cast<int>((static_cast<long long>(2 * y + 1) *
                                                          sourceHeight) / (2LL * targetHeight)));
    const std::uint8_t* in = source + sourceStride * static_cast<std::size_t>(sy);
    std::uint8_t* out = destination.Row(y);
    if (targetWidth == sourceWidth) {
      std::memcpy(out, in, static_cast<std::size_t>(targetWidth));
    } else {
      for (int x = 0; x < targetWidth; ++x) out[x] = in[column[static_cast<std::size_t>(x)]];
    }
  }
}
