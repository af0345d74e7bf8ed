#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "decoder/resample.h"

namespace {
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
    std::vector<std::uint8_t> source(static_cast<std::size_t>(c.sw) * 3 * c.sh);
    std::uint32_t seed = 12345;
    for (std::uint8_t& b : source) b = static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
    Rows one(c.tw, c.th), two(c.tw, c.th);
    ResampleImage(source.data(), c.sw, c.sh, static_cast<std::size_t>(c.sw) * 3, 3, c.tw, c.th, one, 1);
    ResampleImage(source.data(), c.sw, c.sh, static_cast<std::size_t>(c.sw) * 3, 3, c.tw, c.th, two, 2);
    EXPECT_TRUE(one.bytes == two.bytes) << c.sw << "x" << c.sh << " to " << c.tw << "x" << c.th;
  }
}
