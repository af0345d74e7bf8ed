#include "tests/support/jpeg_maker.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include <jpeglib.h>

std::string MakeJpeg(const std::string& path, int width, int height, JpegKind kind,
                     const std::function<Rgb(int, int)>& pixel, int quality,
                     const JpegLayout& layout) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr err{};
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  int components = 3;
  cinfo.in_color_space = JCS_RGB;
  if (kind == JpegKind::Grey) {
    components = 1;
    cinfo.in_color_space = JCS_GRAYSCALE;
  } else if (kind == JpegKind::AdobeCmyk) {
    components = 4;
    cinfo.in_color_space = JCS_CMYK;
  }
  cinfo.input_components = components;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  if (kind == JpegKind::Progressive) jpeg_simple_progression(&cinfo);
  if (kind == JpegKind::Colour) {
    cinfo.comp_info[0].h_samp_factor = layout.lumaWide;
    cinfo.comp_info[0].v_samp_factor = layout.lumaHigh;
  }
  cinfo.restart_in_rows = layout.restartRows;
  cinfo.optimize_coding = layout.ownTables ? TRUE : FALSE;
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<unsigned char> row(static_cast<std::size_t>(width) * components);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      Rgb p = pixel(x, y);
      unsigned char* out = &row[static_cast<std::size_t>(x) * components];
      if (kind == JpegKind::Grey) {
        out[0] = p.g;
      } else if (kind == JpegKind::AdobeCmyk) {
        // Adobe stores ink inverted; with no black ink, C = 255 - R etc. inverted back.
        out[0] = p.r;
        out[1] = p.g;
        out[2] = p.b;
        out[3] = 255;
      } else {
        out[0] = p.r;
        out[1] = p.g;
        out[2] = p.b;
      }
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::string bytes(reinterpret_cast<char*>(buffer), size);
  std::free(buffer);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw std::runtime_error("cannot write " + path);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  return bytes;
}

namespace {

// Entropy-coded bits, with a 0 byte stuffed after every 0xFF.
class BitWriter {
 public:
  explicit BitWriter(std::string& out) : out_(out) {}
  void Put(unsigned bits, int count) {
    for (int i = count - 1; i >= 0; --i) {
      byte_ = static_cast<unsigned>(byte_ << 1 | ((bits >> i) & 1));
      if (++filled_ == 8) Flush();
    }
  }
  void End() {
    while (filled_ != 0) Put(1, 1);  // padding is ones
  }

 private:
  void Flush() {
    out_ += static_cast<char>(byte_);
    if (byte_ == 0xFF) out_ += '\0';
    byte_ = 0;
    filled_ = 0;
  }
  std::string& out_;
  unsigned byte_ = 0;
  int filled_ = 0;
};

void Segment(std::string& out, int marker, const std::string& body) {
  out += '\xFF';
  out += static_cast<char>(marker);
  const std::size_t length = body.size() + 2;
  out += static_cast<char>(length >> 8);
  out += static_cast<char>(length & 0xFF);
  out += body;
}

}  // namespace

std::string MakeFlatProgressiveJpeg(const std::string& path, int width, int height, int scans) {
  std::string out = "\xFF\xD8";
  Segment(out, 0xDB, std::string(1, '\0') + std::string(64, '\1'));  // all quantizers 1
  std::string frame = {8, static_cast<char>(height >> 8), static_cast<char>(height & 0xFF),
                       static_cast<char>(width >> 8), static_cast<char>(width & 0xFF), 3};
  for (char id = 1; id <= 3; ++id) frame += std::string{id, 0x11, 0};
  Segment(out, 0xC2, frame);
  // DC table: one code "0" for "no difference". AC table: the 15 end-of-band runs
  // (symbol r << 4: 2^r blocks plus r more bits), four bits each.
  std::string dc = {0x00, 1};
  dc += std::string(15, '\0') + '\0';
  std::string ac = {0x10, 0, 0, 0, 15};
  ac += std::string(12, '\0');
  for (int r = 0; r <= 14; ++r) ac += static_cast<char>(r << 4);
  Segment(out, 0xC4, dc + ac);

  const long long blocks = static_cast<long long>(width / 8) * (height / 8);
  Segment(out, 0xDA, std::string{3, 1, 0, 2, 0, 3, 0, 0, 0, 0});
  {
    BitWriter bits(out);
    for (long long i = 0; i < blocks * 3; ++i) bits.Put(0, 1);
    bits.End();
  }
  for (int scan = 1; scan < scans; ++scan) {
    const char component = static_cast<char>(1 + (scan - 1) % 3);
    Segment(out, 0xDA, std::string{1, component, 0, 1, 63, 0});
    BitWriter bits(out);
    for (long long left = blocks; left > 0;) {
      int r = 0;
      while (r < 14 && (2LL << r) <= left) ++r;
      const long long run = std::min(left, (2LL << r) - 1);
      bits.Put(static_cast<unsigned>(r), 4);
      if (r > 0) bits.Put(static_cast<unsigned>(run - (1LL << r)), r);
      left -= run;
    }
    bits.End();
  }
  out += "\xFF\xD9";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw std::runtime_error("cannot write " + path);
  std::fwrite(out.data(), 1, out.size(), f);
  std::fclose(f);
  return out;
}
