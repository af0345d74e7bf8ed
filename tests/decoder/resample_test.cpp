#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "decoder/resample.h"

namespace {
std::vector<std::uint8_t> Noise(std::size_t bytes) {
  std::vector<std::uint8_t> v(bytes);
  std::uint32_t seed = 12345;
  for (std::uint8_t& b : v) b = static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
  return v;
}
struct Rows : RowDestination {
  std::vector<std::uint8_t> bytes;
  std::size_t stride;
  Rows(int width, int height) : bytes(static_cast<std::size_t>(width) * 3 * height), stride(static_cast<std::size_t>(width) * 3) {}
  std::uint8_t* Row(int y) override { return bytes.data() + stride * static_cast<std::size_t>(y); }
};
}  // namespace

// A large picture is resized on two cores, each taking half of the rows: the result is the
// same, row for row, as on one, for a reduction and an enlargement alike.
TEST(Resample, TwoThreadsGiveTheRowsOfOne) {
  struct Case {
    int sw, sh, tw, th;
  } cases[] = {{2400, 1800, 2000, 1500}, {2000, 1500, 2400, 1801}};
  for (const Case& c : cases) {
    const std::vector<std::uint8_t> source = Noise(static_cast<std::size_t>(c.sw) * 3 * c.sh);
    Rows one(c.tw, c.th), two(c.tw, c.th);
    ResampleImage(source.data(), c.sw, c.sh, static_cast<std::size_t>(c.sw) * 3, 3, c.tw, c.th, one, 1);
    ResampleImage(source.data(), c.sw, c.sh, static_cast<std::size_t>(c.sw) * 3, 3, c.tw, c.th, two, 2);
    EXPECT_TRUE(one.bytes == two.bytes) << c.sw << "x" << c.sh << " to " << c.tw << "x" << c.th;
  }
}

// Fed a row at a time, as the decoder hands them over, the resize gives the picture it
// gives when it has the whole picture: smaller, larger, the same size, and mixed.
TEST(Resample, RowByRowGivesTheWholePicturesResult) {
  struct Case {
    int sw, sh, tw, th;
  } cases[] = {{1000, 750, 640, 480}, {1000, 750, 1024, 768}, {97, 61, 97, 61}, {300, 40, 120, 333}, {5, 400, 9, 7}};
  for (const Case& c : cases) {
    const std::vector<std::uint8_t> source = Noise(static_cast<std::size_t>(c.sw) * 3 * c.sh);
    Rows whole(c.tw, c.th), rows(c.tw, c.th);
    ResampleImage(source.data(), c.sw, c.sh, static_cast<std::size_t>(c.sw) * 3, 3, c.tw, c.th, whole, 1);
    RowResampler resampler;
    resampler.Start(c.sw, c.sh, 3, c.tw, c.th, &rows);
    for (int y = 0; y < c.sh; ++y) resampler.Push(source.data() + static_cast<std::size_t>(c.sw) * 3 * y);
    EXPECT_TRUE(whole.bytes == rows.bytes) << c.sw << "x" << c.sh << " to " << c.tw << "x" << c.th;
  }
}
