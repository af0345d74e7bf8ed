#include "tests/decoder/jpeg_maker.h"

#include <cstdio>
#include <stdexcept>
#include <vector>

#include <jpeglib.h>

std::string MakeJpeg(const std::string& path, int width, int height, JpegKind kind,
                     const std::function<Rgb(int, int)>& pixel, int quality) {
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
