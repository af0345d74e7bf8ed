// Writes a photograph-like JPEG with detail at every scale (gradients, fine texture and
// noise), so entropy decoding costs what it costs on a real camera picture.
//   qm_bench_make_jpeg out.jpg [width height quality]
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s out.jpg [width height quality]\n", argv[0]);
    return 2;
  }
  const int width = argc > 3 ? std::atoi(argv[2]) : 4000;
  const int height = argc > 3 ? std::atoi(argv[3]) : 3000;
  const int quality = argc > 4 ? std::atoi(argv[4]) : 90;
  std::FILE* out = std::fopen(argv[1], "wb");
  if (!out) {
    std::perror(argv[1]);
    return 1;
  }
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr err{};
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, out);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<unsigned char> row(static_cast<std::size_t>(width) * 3);
  unsigned seed = 12345;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      seed = seed * 1103515245u + 12345u;
      const int noise = static_cast<int>((seed >> 16) & 31) - 16;
      const double fx = static_cast<double>(x) / width, fy = static_cast<double>(y) / height;
      const double texture = 40 * std::sin(x * 0.21 + 3 * std::sin(y * 0.013)) *
                             std::cos(y * 0.17 + 2 * std::sin(x * 0.011));
      const int r = static_cast<int>(200 * fx + texture) + noise;
      const int g = static_cast<int>(180 * fy + 30 * std::sin(x * 0.05)) + noise / 2;
      const int b = static_cast<int>(120 + 100 * std::sin((fx + fy) * 9) - texture / 2) + noise;
      unsigned char* p = &row[static_cast<std::size_t>(x) * 3];
      p[0] = static_cast<unsigned char>(r < 0 ? 0 : r > 255 ? 255 : r);
      p[1] = static_cast<unsigned char>(g < 0 ? 0 : g > 255 ? 255 : g);
      p[2] = static_cast<unsigned char>(b < 0 ? 0 : b > 255 ? 255 : b);
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::fclose(out);
  return 0;
}
