#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "decoder/lower_part.h"
#include "tests/support/jpeg_maker.h"
#include "tests/support/sandbox.h"

namespace {

Rgb Noisy(int x, int y) {
  unsigned h = static_cast<unsigned>(x * 7919 + y * 104729);
  h = (h ^ (h >> 7)) * 2654435761U;
  return {static_cast<std::uint8_t>(x + (h >> 27)), static_cast<std::uint8_t>(y + ((h >> 20) & 63)),
          static_cast<std::uint8_t>(h >> 9)};
}

// The picture's rows at 1/8 to 8/8 of its size, as libjpeg decodes `bytes`.
struct Decoded {
  std::vector<std::vector<JSAMPLE>> rows;
  int rowsPerMcuRow = 0;
};
// libjpeg with `bytes` as its source and their header read.
void ReadHeader(const std::string& bytes, jpeg_decompress_struct& cinfo, jpeg_error_mgr& err) {
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  jpeg_read_header(&cinfo, TRUE);
}

Decoded DecodeRows(const std::string& bytes, int eighths) {
  jpeg_decompress_struct cinfo{};
  jpeg_error_mgr err{};
  ReadHeader(bytes, cinfo, err);
  cinfo.scale_num = static_cast<unsigned>(eighths);
  cinfo.scale_denom = 8;
  cinfo.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&cinfo);
  Decoded d;
  d.rowsPerMcuRow = cinfo.max_v_samp_factor * cinfo.min_DCT_scaled_size;
  while (cinfo.output_scanline < cinfo.output_height) {
    std::vector<JSAMPLE> row(static_cast<std::size_t>(cinfo.output_width) * 3);
    JSAMPROW at = row.data();
    jpeg_read_scanlines(&cinfo, &at, 1);
    d.rows.push_back(std::move(row));
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return d;
}

}  // namespace

// The stream made for a picture's lower rows decodes, from the second of its MCU rows on,
// to exactly the rows of the whole picture: entered after the first MCU row, in the middle
// and at the last, for every way of sampling the colours, at a small and at full scale.
TEST(LowerPart, TheLowerStreamDecodesToTheWholePicturesRows) {
  Sandbox sandbox;
  for (const JpegSampling& c : kJpegSamplings) {
    const std::string path = sandbox.path("p.jpg");
    const std::string bytes = MakeJpeg(path, 421, 333, c.kind, Noisy, 92, c.layout);
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    ReadHeader(bytes, cinfo, err);
    ScanLayout layout;
    const long long dataOffset = static_cast<long long>(bytes.size() - cinfo.src->bytes_in_buffer);
    ASSERT_TRUE(MakeScanLayout(cinfo, dataOffset, &layout)) << c.name;
    jpeg_destroy_decompress(&cinfo);

    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    const std::atomic<bool> go{false};
    for (int firstRow : {1, layout.mcuRows / 2, layout.mcuRows - 1}) {
      LowerPart part;
      ASSERT_TRUE(FindLowerPart(file, layout, firstRow, go, &part)) << c.name << " row " << firstRow;
      const std::string lower = std::string(part.head.begin(), part.head.end()) +
                                bytes.substr(static_cast<std::size_t>(part.tailOffset));
      for (int eighths : {2, 8}) {
        const Decoded whole = DecodeRows(bytes, eighths), got = DecodeRows(lower, eighths);
        const std::size_t skipped = static_cast<std::size_t>(firstRow - 1) * whole.rowsPerMcuRow;
        ASSERT_EQ(got.rows.size() + skipped, whole.rows.size()) << c.name << " row " << firstRow;
        for (std::size_t y = 2 * static_cast<std::size_t>(whole.rowsPerMcuRow); y < got.rows.size(); ++y)
          ASSERT_TRUE(got.rows[y] == whole.rows[y + skipped])
              << c.name << " entered at MCU row " << firstRow << ", " << eighths << "/8, row " << y;
      }
    }
    // A picture cut short before the row is refused; so is a search told to stop.
    const std::string cut = sandbox.path("cut.jpg");
    sandbox.writeFile(cut, bytes.substr(0, static_cast<std::size_t>(dataOffset) + 200));
    std::FILE* short_ = std::fopen(cut.c_str(), "rb");
    LowerPart part;
    EXPECT_FALSE(FindLowerPart(short_, layout, layout.mcuRows - 1, go, &part)) << c.name;
    std::fclose(short_);
    const std::atomic<bool> stop{true};
    EXPECT_FALSE(FindLowerPart(file, layout, 1, stop, &part)) << c.name;
    std::fclose(file);
  }
}
