// Any bytes as a picture whose lower rows are made a stream of their own. Input: one byte
// choosing the MCU row the stream takes up at (as a share of the rows) and the scale, then
// the file. Whatever the file holds, the search and the stream it makes end cleanly; and
// when libjpeg decodes the whole file without a complaint, the stream decodes, from its
// second MCU row's end on, to exactly the whole picture's rows. Not for two kinds of data
// that no encoder writes, which libjpeg's fast path and its careful path read differently
// (which of the two meets them depends on how far the bit buffer had read ahead): fill
// bytes before a stuffed zero (0xFF 0xFF ... 0x00), a marker to the one and data to the
// other, and a code that is in no Huffman table, read as a zero by the one and refused by
// the other.
#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <string>
#include <vector>

#include "decoder/lower_part.h"

#include <jerror.h>

#include "fuzz/fuzz_support.h"

namespace {

struct Failure {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};
[[noreturn]] void Jump(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<Failure*>(cinfo->err)->jump, 1); }
// Stray bytes before a marker are let pass, as the decoder lets them: how many of them
// libjpeg finds depends on how far its bit buffer had read ahead.
void Warn(j_common_ptr cinfo, int level) {
  if (level < 0 && cinfo->err->msg_code != JWRN_EXTRANEOUS_DATA) Jump(cinfo);
}

struct Decode {
  std::vector<std::vector<JSAMPLE>> rows;
  int rowsPerMcuRow = 0;
  bool ok = false;
  int complaint = 0;  // libjpeg's message code when it failed on one
};

// The rows libjpeg makes of `bytes`; `ok` only when it made them all without a warning.
// Held to a small picture, as the search itself is bounded only by the file.
void DecodeRows(const std::vector<JOCTET>& bytes, unsigned eighths, Decode* d) {
  jpeg_decompress_struct cinfo{};
  Failure err{};
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = Jump;
  err.pub.emit_message = Warn;
  if (setjmp(err.jump)) {
    d->complaint = err.pub.msg_code;
    jpeg_destroy_decompress(&cinfo);
    return;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, bytes.data(), bytes.size());
  jpeg_read_header(&cinfo, TRUE);
  if (static_cast<long long>(cinfo.image_width) * cinfo.image_height > 1'000'000 || cinfo.progressive_mode) {
    jpeg_destroy_decompress(&cinfo);
    return;
  }
  cinfo.scale_num = eighths;
  cinfo.scale_denom = 8;
  cinfo.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&cinfo);
  d->rowsPerMcuRow = cinfo.max_v_samp_factor * cinfo.min_DCT_scaled_size;
  while (cinfo.output_scanline < cinfo.output_height) {
    d->rows.emplace_back(static_cast<std::size_t>(cinfo.output_width) * 3);
    JSAMPROW at = d->rows.back().data();
    jpeg_read_scanlines(&cinfo, &at, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  d->ok = true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const int share = data[0] & 15;  // sixteenths of the rows
  const unsigned eighths = 1 + ((data[0] >> 4) & 7);
  const std::vector<JOCTET> bytes(data + 1, data + size);
  static const std::string picture = fuzz::ScratchPath("picture.jpg");
  fuzz::WriteFile(picture, data + 1, size - 1);

  Decode whole;
  DecodeRows(bytes, eighths, &whole);
  if (!whole.ok) return 0;
  jpeg_decompress_struct cinfo{};
  jpeg_error_mgr err{};
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, bytes.data(), bytes.size());
  jpeg_read_header(&cinfo, TRUE);  // read once already without a complaint
  ScanLayout layout;
  const bool splittable = MakeScanLayout(
      cinfo, static_cast<long long>(bytes.size() - cinfo.src->bytes_in_buffer), &layout);
  jpeg_destroy_decompress(&cinfo);
  if (!splittable) return 0;

  const int firstRow = 1 + (layout.mcuRows - 1) * share / 16;
  std::FILE* file = std::fopen(picture.c_str(), "rb");
  if (!file) fuzz::Fail("cannot read the picture back");
  LowerPart part;
  const std::atomic<bool> go{false};
  const bool found = FindLowerPart(file, layout, firstRow, go, &part);
  std::fclose(file);
  if (!found) return 0;
  if (part.tailOffset < 0 || static_cast<std::size_t>(part.tailOffset) > bytes.size())
    fuzz::Fail("the lower stream takes up outside the file");
  const JOCTET fill[] = {0xFF, 0xFF};
  if (std::search(bytes.begin() + layout.dataOffset, bytes.end(), fill, fill + 2) != bytes.end()) return 0;
  std::vector<JOCTET> stream = part.head;
  stream.insert(stream.end(), bytes.begin() + part.tailOffset, bytes.end());
  Decode lower;
  DecodeRows(stream, eighths, &lower);
  if (lower.complaint == JWRN_HUFF_BAD_CODE) return 0;
  if (!lower.ok) fuzz::Fail("the lower stream of a sound picture does not decode");
  const std::size_t skipped = static_cast<std::size_t>(firstRow - 1) * whole.rowsPerMcuRow;
  if (lower.rows.size() + skipped != whole.rows.size()) fuzz::Fail("the lower stream has other rows");
  for (std::size_t y = 2 * static_cast<std::size_t>(whole.rowsPerMcuRow); y < lower.rows.size(); ++y)
    if (lower.rows[y] != whole.rows[y + skipped]) fuzz::Fail("the lower stream decodes to other pixels");
  return 0;
}
