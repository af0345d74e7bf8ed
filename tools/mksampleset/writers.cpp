#include "tools/mksampleset/writers.h"

#include <errno.h>
#include <iconv.h>

#include <setjmp.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

#include <jpeglib.h>

namespace mks {

namespace {

void Put16(std::string& s, uint16_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>(v >> 8));
}
void Put32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

using Colour = std::array<uint8_t, 3>;

// Median cut: split the box with the widest channel at its median until 256 boxes
// exist or no box has two different colours left. Thumbnails are tiny, so sorting the
// pixels of each box outright is cheap, and stable sorting keeps the result reproducible.
std::vector<Colour> MakePalette(std::vector<Colour> pixels) {
  struct Box {
    size_t begin, end;
    int channel = 0, range = 0;
  };
  auto measure = [&](Box& b) {
    b.range = 0;
    for (int c = 0; c < 3; ++c) {
      uint8_t lo = 255, hi = 0;
      for (size_t i = b.begin; i < b.end; ++i) {
        lo = std::min(lo, pixels[i][c]);
        hi = std::max(hi, pixels[i][c]);
      }
      if (hi - lo > b.range) {
        b.range = hi - lo;
        b.channel = c;
      }
    }
  };
  std::vector<Box> boxes{{0, pixels.size()}};
  measure(boxes[0]);
  while (boxes.size() < 256) {
    auto widest = std::max_element(boxes.begin(), boxes.end(), [](const Box& a, const Box& b) {
      return static_cast<long>(a.range) * static_cast<long>(a.end - a.begin) <
             static_cast<long>(b.range) * static_cast<long>(b.end - b.begin);
    });
    if (widest->range == 0) break;
    Box box = *widest;
    int ch = box.channel;
    std::stable_sort(pixels.begin() + box.begin, pixels.begin() + box.end,
                     [ch](const Colour& a, const Colour& b) { return a[ch] < b[ch]; });
    size_t mid = box.begin + (box.end - box.begin) / 2;
    // Never split between equal values: keep the cut on a colour boundary.
    while (mid > box.begin + 1 && pixels[mid - 1][ch] == pixels[mid][ch]) --mid;
    if (pixels[mid - 1][ch] == pixels[mid][ch]) {
      mid = box.begin + (box.end - box.begin) / 2;
      while (mid < box.end - 1 && pixels[mid - 1][ch] == pixels[mid][ch]) ++mid;
    }
    Box left{box.begin, mid}, right{mid, box.end};
    measure(left);
    measure(right);
    *widest = left;
    boxes.push_back(right);
  }
  std::vector<Colour> palette;
  for (const Box& b : boxes) {
    std::array<unsigned, 3> sum{};
    for (size_t i = b.begin; i < b.end; ++i)
      for (int c = 0; c < 3; ++c) sum[c] += pixels[i][c];
    size_t n = b.end - b.begin;
    palette.push_back({static_cast<uint8_t>((sum[0] + n / 2) / n), static_cast<uint8_t>((sum[1] + n / 2) / n),
                       static_cast<uint8_t>((sum[2] + n / 2) / n)});
  }
  // Unused entries become a grey ramp rather than 0, so a reader that realises the whole
  // table still gets a usable palette.
  for (size_t i = palette.size(); i < 256; ++i) {
    uint8_t v = static_cast<uint8_t>(i);
    palette.push_back({v, v, v});
  }
  return palette;
}

uint8_t Nearest(const std::vector<Colour>& palette, const uint8_t* rgb) {
  int best = 0;
  long bestDist = -1;
  for (int i = 0; i < 256; ++i) {
    long dr = palette[i][0] - rgb[0], dg = palette[i][1] - rgb[1], db = palette[i][2] - rgb[2];
    // Green weighs most for the eye.
    long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
    if (bestDist < 0 || d < bestDist) {
      bestDist = d;
      best = i;
    }
  }
  return static_cast<uint8_t>(best);
}

struct JpegErrorManager {
  jpeg_error_mgr base;
  jmp_buf escape;
  char message[JMSG_LENGTH_MAX];
};

// Everything libjpeg touches lives here, reached through one reference that never changes,
// so nothing is left in a register that longjmp could clobber.
struct JpegJob {
  jpeg_compress_struct cinfo;
  JpegErrorManager err;
  const uint8_t* data = nullptr;
  int width = 0, height = 0, channels = 3, quality = 88;
  bool progressive = false;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
};

// libjpeg's default error handler ends the process; a bad parameter must come back as a
// message instead. libjpeg is C, so the way out is longjmp, not an exception.
void JpegErrorExit(j_common_ptr c) {
  auto* e = reinterpret_cast<JpegErrorManager*>(c->err);
  (*c->err->format_message)(c, e->message);
  longjmp(e->escape, 1);
}

bool Compress(JpegJob& job) {
  job.cinfo.err = jpeg_std_error(&job.err.base);
  job.err.base.error_exit = JpegErrorExit;
  if (setjmp(job.err.escape)) {
    jpeg_destroy_compress(&job.cinfo);
    return false;
  }
  jpeg_create_compress(&job.cinfo);
  jpeg_mem_dest(&job.cinfo, &job.buffer, &job.size);
  job.cinfo.image_width = static_cast<JDIMENSION>(job.width);
  job.cinfo.image_height = static_cast<JDIMENSION>(job.height);
  job.cinfo.input_components = job.channels;
  job.cinfo.in_color_space = job.channels == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&job.cinfo);
  jpeg_set_quality(&job.cinfo, job.quality, TRUE);
  job.cinfo.density_unit = 1;  // dots per inch
  job.cinfo.X_density = job.cinfo.Y_density = 72;
  if (job.progressive) jpeg_simple_progression(&job.cinfo);
  jpeg_start_compress(&job.cinfo, TRUE);
  while (job.cinfo.next_scanline < job.cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(job.data + static_cast<size_t>(job.cinfo.next_scanline) * job.width * job.channels);
    jpeg_write_scanlines(&job.cinfo, &row, 1);
  }
  jpeg_finish_compress(&job.cinfo);
  jpeg_destroy_compress(&job.cinfo);
  return true;
}

}  // namespace

void ToGrey(Raster& picture) {
  ShadeAll(picture, [&](int x, int y) {
    Rgb c = picture.get(x, y);
    double v = c.r * 0.299 + c.g * 0.587 + c.b * 0.114;
    return Rgb{v, v, v};
  });
}

std::string WriteJpeg(const std::string& path, const Raster& picture, JpegKind kind, int quality) {
  JpegJob job;
  job.channels = kind == JpegKind::Greyscale ? 1 : 3;
  std::vector<uint8_t> samples;
  const std::vector<uint8_t>& rgb = picture.pixels();
  if (job.channels == 1) {
    samples.resize(rgb.size() / 3);
    for (size_t i = 0; i < samples.size(); ++i)
      samples[i] = static_cast<uint8_t>((rgb[3 * i] * 299 + rgb[3 * i + 1] * 587 + rgb[3 * i + 2] * 114 + 500) / 1000);
  }
  job.data = job.channels == 1 ? samples.data() : rgb.data();
  job.width = picture.width();
  job.height = picture.height();
  job.quality = quality;
  job.progressive = kind == JpegKind::Progressive;
  bool ok = Compress(job);
  std::string bytes = ok ? std::string(reinterpret_cast<char*>(job.buffer), job.size) : std::string();
  free(job.buffer);
  if (!ok) return "cannot encode " + path + ": " + job.err.message;
  return WriteBytes(path, bytes);
}

Raster Reduce(const Raster& src, int x0, int y0, int ww, int wh, int width, int height) {
  Raster out(width, height);
  for (int y = 0; y < height; ++y) {
    int sy0 = y0 + y * wh / height, sy1 = std::max(sy0 + 1, y0 + (y + 1) * wh / height);
    for (int x = 0; x < width; ++x) {
      int sx0 = x0 + x * ww / width, sx1 = std::max(sx0 + 1, x0 + (x + 1) * ww / width);
      Rgb sum;
      int n = 0;
      for (int sy = sy0; sy < sy1 && sy < src.height(); ++sy)
        for (int sx = sx0; sx < sx1 && sx < src.width(); ++sx) {
          Rgb c = src.get(sx, sy);
          sum.r += c.r;
          sum.g += c.g;
          sum.b += c.b;
          ++n;
        }
      if (n) out.put(x, y, {sum.r / n, sum.g / n, sum.b / n});
    }
  }
  return out;
}

std::string EncodeThumbnailBmp(const Raster& t) {
  const std::vector<uint8_t>& rgb = t.pixels();
  std::vector<Colour> pixels(rgb.size() / 3);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = {rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]};
  std::vector<Colour> palette = MakePalette(pixels);

  const uint32_t rowBytes = (8u * t.width() + 31) / 32 * 4;
  const uint32_t imageSize = rowBytes * t.height();
  const uint32_t bitsOffset = 14 + 40 + 256 * 4;
  std::string s;
  s += "BM";
  Put32(s, bitsOffset + imageSize);
  Put16(s, 0);
  Put16(s, 0);
  Put32(s, bitsOffset);
  Put32(s, 40);
  Put32(s, static_cast<uint32_t>(t.width()));
  Put32(s, static_cast<uint32_t>(t.height()));  // positive: bottom-up rows
  Put16(s, 1);
  Put16(s, 8);
  Put32(s, 0);  // uncompressed
  Put32(s, imageSize);
  Put32(s, 2835);  // 72 dots per inch
  Put32(s, 2835);
  Put32(s, 256);
  Put32(s, 0);
  for (const Colour& c : palette) {
    s.push_back(static_cast<char>(c[2]));
    s.push_back(static_cast<char>(c[1]));
    s.push_back(static_cast<char>(c[0]));
    s.push_back(0);
  }
  for (int y = t.height() - 1; y >= 0; --y) {
    std::string row(rowBytes, '\0');
    for (int x = 0; x < t.width(); ++x)
      row[x] = static_cast<char>(Nearest(palette, &rgb[(static_cast<size_t>(y) * t.width() + x) * 3]));
    s += row;
  }
  return s;
}

std::string Encode(const std::string& utf8, const char* codePage) {
  iconv_t cd = iconv_open(codePage, "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1))
    throw std::runtime_error(std::string("this system cannot convert text to ") + codePage);
  std::string out(utf8.size() * 2 + 8, '\0');
  char* in = const_cast<char*>(utf8.data());
  size_t inLeft = utf8.size();
  char* o = out.data();
  size_t outLeft = out.size();
  size_t rc = iconv(cd, &in, &inLeft, &o, &outLeft);
  int error = errno;
  iconv_close(cd);
  if (rc == static_cast<size_t>(-1) || rc != 0 || inLeft != 0)
    throw std::runtime_error(std::string("text has no exact ") + codePage + " form (" +
                             (rc == static_cast<size_t>(-1) ? std::strerror(error) : "approximated") +
                             "): " + utf8.substr(0, 40));
  out.resize(out.size() - outLeft);
  return out;
}

std::string WriteBytes(const std::string& path, const std::string& bytes) {
  std::string temp = path + ".part";
  FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) return "cannot write " + path + ": " + std::strerror(errno);
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = (std::fclose(f) == 0) && ok;
  if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
    std::string why = std::strerror(errno);
    std::remove(temp.c_str());
    return "cannot write " + path + ": " + why;
  }
  return {};
}

Raster Thumbnail(const Raster& picture, int panoramicOrigin) {
  const int width = picture.width(), height = picture.height();
  int x0 = 0, y0 = 0, ww = width, wh = height;
  if (width * 3 > height * 4) {
    ww = std::max(1, height * 4 / 3);
    x0 = panoramicOrigin >= 0 ? panoramicOrigin * height / 480 : (width - ww) / 2;
    x0 = std::min(std::max(0, x0), width - ww);
  } else if (width * 3 < height * 4) {
    wh = std::max(1, width * 3 / 4);
    y0 = (height - wh) / 2;
  }
  return Reduce(picture, x0, y0, ww, wh, 80, 60);
}

}  // namespace mks
