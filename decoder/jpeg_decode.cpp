#include "decoder/jpeg_decode.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

// libjpeg's headers expect <cstdio> first.
#include <jpeglib.h>

#include "decoder/djpeg32.h"
#include "decoder/libjpeg_glue.h"
#include "decoder/resample.h"
#include "decoder/split_decode.h"
#include "platform/paths.h"

namespace {

// Limits that keep a hostile header from making us allocate gigabytes.
constexpr long long kMaxSide = 65535;
constexpr long long kMaxPixels = 200'000'000;
constexpr long long kMaxOutputSide = 32767;
constexpr long long kMaxOutputPixels = 48'000'000;
// A progressive file can repeat scans without end, each one a pass over the picture.
constexpr long kMaxScans = 1000;
// Pictures come from strangers' image sets, so what one may cost is bounded before any
// of it is spent. A scan is a pass over the coefficient blocks of the picture, so the
// work is blocks x scans: a 50-megapixel 4:2:0 progressive picture with the usual 10
// scans is 12 million, 20 scans of the largest progressive picture the memory bound
// lets through 37 million; a flat picture with a thousand scans, which stays inside
// every other limit, is billions and would hold the decode for half a minute.
constexpr long long kMaxBlockScans = 100'000'000;
// Everything one decode holds: a progressive picture keeps all its coefficients (128
// bytes a block) until the last scan, then come the decoded rows and the bitmap. A
// 50-megapixel 4:2:2 progressive picture needs 205 MB; with the program itself the
// decoding process then stays under 300 MB. libjpeg is held to the same bound.
constexpr long long kMaxDecodeBytes = 224LL << 20;

// Reads a file in large pieces, for walking its markers without libjpeg.
class ByteReader {
 public:
  explicit ByteReader(std::FILE* file) : file_(file), buffer_(65536) {}
  int Next() {
    if (at_ == end_ && !Fill()) return -1;
    return buffer_[at_++];
  }
  // Moves on to the byte after the next 0xFF; false at the end of the file.
  bool SkipPastFF() {
    for (;;) {
      if (at_ == end_ && !Fill()) return false;
      const void* ff = std::memchr(buffer_.data() + at_, 0xFF, end_ - at_);
      if (ff) {
        at_ = static_cast<std::size_t>(static_cast<const std::uint8_t*>(ff) - buffer_.data()) + 1;
        return true;
      }
      at_ = end_;
    }
  }
  bool Skip(long long count) {
    const long long inBuffer = static_cast<long long>(end_ - at_);
    if (count <= inBuffer) {
      at_ += static_cast<std::size_t>(count);
      return true;
    }
    at_ = end_;
    return std::fseek(file_, static_cast<long>(count - inBuffer), SEEK_CUR) == 0;
  }

 private:
  bool Fill() {
    at_ = 0;
    end_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
    return end_ > 0;
  }
  std::FILE* file_;
  std::vector<std::uint8_t> buffer_;
  std::size_t at_ = 0, end_ = 0;
};

// The number of scans (start-of-scan markers) in the file, found by walking its segments
// and skipping the entropy-coded data between them: a read of the file without any
// decoding. Segments are skipped by their length, so a thumbnail inside an APP segment
// does not count; a damaged file may count high, which only makes the bound stricter.
long CountScans(std::FILE* file) {
  ByteReader in(file);
  if (in.Next() != 0xFF || in.Next() != 0xD8) return 0;
  long scans = 0;
  while (in.SkipPastFF()) {
    int marker = in.Next();
    while (marker == 0xFF) marker = in.Next();  // fill bytes
    if (marker < 0 || marker == 0xD9) break;   // end of file, end of picture
    // Stuffed bytes and restart markers belong to the entropy-coded data; TEM has no length.
    if (marker == 0x00 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) continue;
    const int high = in.Next(), low = in.Next();
    const int length = (high << 8) | low;
    if (high < 0 || low < 0 || length < 2) break;  // libjpeg refuses such a file anyway
    if (marker == 0xDA) ++scans;
    if (!in.Skip(length - 2)) break;
  }
  return scans;
}

long CountScans(const std::string& path) {
  std::FILE* file = std::fopen(NativePath(path).c_str(), "rb");
  if (!file) return 0;
  const long scans = CountScans(file);
  std::fclose(file);
  return scans;
}

// The bytes of the whole-picture coefficient buffer that libjpeg keeps for a progressive
// or multi-scan picture (0 for a single-scan picture, which is decoded row by row), and
// the number of coefficient blocks in the picture.
struct Blocks {
  long long count = 0;
  long long bufferBytes = 0;
};
Blocks CountBlocks(const jpeg_decompress_struct& cinfo) {
  Blocks blocks;
  for (int c = 0; c < cinfo.num_components; ++c) {
    const jpeg_component_info& comp = cinfo.comp_info[c];
    const long long wide = comp.h_samp_factor, high = comp.v_samp_factor;
    // libjpeg rounds each component up to whole sampling units.
    const long long w = (comp.width_in_blocks + wide - 1) / wide * wide;
    const long long h = (comp.height_in_blocks + high - 1) / high * high;
    blocks.count += w * h;
  }
  const bool wholePicture = cinfo.progressive_mode || cinfo.comps_in_scan < cinfo.num_components;
  if (wholePicture) blocks.bufferBytes = blocks.count * DCTSIZE2 * static_cast<long long>(sizeof(JCOEF));
  return blocks;
}

class DibRows : public RowDestination {
 public:
  DibRows(std::uint8_t* rows, std::size_t stride, int height)
      : rows_(rows), stride_(stride), height_(height) {}
  std::uint8_t* Row(int y) override {
    return rows_ + stride_ * static_cast<std::size_t>(height_ - 1 - y);
  }

 private:
  std::uint8_t* rows_;
  std::size_t stride_;
  int height_;
};

// Where a 24-bit picture's rows go as libjpeg makes them: resized one by one straight into
// the bitmap, which is allocated once the output size is known. The decoded picture is
// never held whole; a 12-megapixel photo for a 1024 x 768 screen holds a few rows of it.
struct Stream {
  DibStore* store = nullptr;
  std::unique_ptr<DibRows> out;
  RowResampler resampler;

  bool Begin(Size target, Size decoded, int channels) {
    const std::size_t stride = RowStride(target.width, 24);
    std::uint8_t* dib = store->Allocate(kInfoHeaderSize + stride * static_cast<std::size_t>(target.height));
    if (!dib) return false;
    WriteInfoHeader(dib, target.width, target.height, 24, 0);
    out = std::make_unique<DibRows>(dib + kInfoHeaderSize, stride, target.height);
    resampler.Start(decoded.width, decoded.height, channels, target.width, target.height, out.get());
    return true;
  }
  bool Used() const { return out != nullptr; }
};

// Everything one decode holds, in one place so that a longjmp out of libjpeg leaves
// nothing behind: the destructor releases it whichever way the decode ended.
struct Job {
  jpeg_decompress_struct cinfo{};
  ErrorManager err{};
  Progress progress{};
  FileSource source;
  Stream* stream = nullptr;  // rows resized as they come, when the output allows it
  std::string path;
  std::FILE* file = nullptr;
  bool created = false;
  long long dataOffset = -1;  // where the entropy-coded data start
  std::unique_ptr<LowerRows> lower;  // the second decoder, for the lower rows of a large picture

  Size target;
  Size decoded;
  int channels = 0;
  bool cmyk = false;
  bool adobeInverted = false;
  bool quantized = false;
  std::vector<std::uint8_t> pixels;  // decoded rows, top-down, tightly packed
  std::uint8_t palette[256][3] = {};  // red, green, blue
  int colors = 0;

  ~Job() {
    lower.reset();  // it writes into the bitmap until it is stopped
    if (created) jpeg_destroy_decompress(&cinfo);
    if (file) std::fclose(file);
  }
};

// What the decode will hold at its peak, counted generously: libjpeg's coefficient
// buffer and its own copy of the rows when it makes a palette, our decoded rows (and
// their RGB copy for CMYK), and the bitmap with its 8-bit working copy.
long long DecodeBytes(const jpeg_decompress_struct& cinfo, const Blocks& blocks, Size target,
                      bool eightBit, bool cmyk) {
  const long long decoded = static_cast<long long>(cinfo.output_width) * cinfo.output_height;
  const long long output = static_cast<long long>(target.width) * target.height;
  long long bytes = blocks.bufferBytes + decoded * (cmyk ? 4 + 3 : 3) + output * 3;
  if (cinfo.quantize_colors) bytes += decoded * 3;
  if (eightBit) bytes += output * 3;
  return bytes;
}

// Runs libjpeg; every libjpeg error lands back here through the longjmp. Nothing in this
// frame is changed after setjmp except through `job`, which lives in the caller.
bool Decode(Job* job, const DecodeRequest& request) {
  const bool eightBit = request.eightBit;
  jpeg_decompress_struct* cinfo = &job->cinfo;
  UseErrorManager(cinfo, &job->err);
  if (setjmp(job->err.jump)) return false;

  jpeg_create_decompress(cinfo);
  job->created = true;
  job->progress.scans = kMaxScans;  // until the header says whether the scans need counting
  job->progress.Attach(cinfo);
  cinfo->mem->max_memory_to_use = kMaxDecodeBytes;
  job->source.Attach(cinfo, job->file);
  jpeg_read_header(cinfo, TRUE);
  job->dataOffset = job->source.Offset();
  // A picture in one scan (not progressive, every component in the first) is decoded in one
  // pass, and libjpeg refuses a scan after that one; only a picture in several is counted.
  if (cinfo->progressive_mode || cinfo->comps_in_scan < cinfo->num_components) {
    job->progress.scans = CountScans(job->path);
    if (job->progress.scans < 1 || job->progress.scans > kMaxScans) return false;
  } else {
    job->progress.scans = 1;
  }

  const long long w = cinfo->image_width, h = cinfo->image_height;
  if (w < 1 || h < 1 || w > kMaxSide || h > kMaxSide || w * h > kMaxPixels) return false;
  job->target = OutputSize({static_cast<int>(w), static_cast<int>(h)},
                           FitBox(request.scaleClass, request.screen), request.panorama);
  const long long tw = job->target.width, th = job->target.height;
  if (tw > kMaxOutputSide || th > kMaxOutputSide || tw * th > kMaxOutputPixels) return false;
  const Blocks blocks = CountBlocks(*cinfo);
  if (blocks.count * job->progress.scans > kMaxBlockScans) return false;

  if (cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK) {
    // libjpeg stops at CMYK; the conversion to RGB (and any palette) is ours.
    cinfo->out_color_space = JCS_CMYK;
    job->cmyk = true;
    job->adobeInverted = cinfo->saw_Adobe_marker;
  } else if (eightBit) {
    cinfo->out_color_space = JCS_RGB;
    cinfo->quantize_colors = TRUE;
    cinfo->two_pass_quantize = TRUE;
    cinfo->dither_mode = JDITHER_FS;
    cinfo->desired_number_of_colors = 256;
    job->quantized = true;
  } else {
    cinfo->out_color_space = JCS_EXT_BGR;  // the order of DIB rows
  }

  // The smallest DCT scale that gives the output size, or within 5% of it: enlarging the
  // last few percent is invisible, while the next larger scale costs a third more decode
  // time (a 4000 x 3000 camera picture decodes at 1/4 to 1000 x 750 for 1024 x 768).
  // The resampler does the rest of the way.
  cinfo->scale_denom = 8;
  for (unsigned num = 1; num <= 8; ++num) {
    cinfo->scale_num = num;
    jpeg_calc_output_dimensions(cinfo);
    if (cinfo->output_width * 20 >= tw * 19 && cinfo->output_height * 20 >= th * 19) break;
  }
  if (DecodeBytes(*cinfo, blocks, job->target, eightBit, job->cmyk) > kMaxDecodeBytes) return false;

  jpeg_start_decompress(cinfo);
  job->decoded = {static_cast<int>(cinfo->output_width), static_cast<int>(cinfo->output_height)};
  job->channels = cinfo->output_components;
  const std::size_t stride = static_cast<std::size_t>(job->decoded.width) * job->channels;
  const bool streamed = job->stream && !job->cmyk && !job->quantized;
  if (streamed && !job->stream->Begin(job->target, job->decoded, job->channels)) return false;
  ScanLayout layout;
  if (streamed && LowerRows::Worthwhile(*cinfo) && MakeScanLayout(*cinfo, job->dataOffset, &layout)) {
    job->lower = std::make_unique<LowerRows>();
    if (!job->lower->Start(job->path, *cinfo, layout, job->progress.scans, job->target.width,
                           job->target.height, job->stream->out.get()))
      job->lower.reset();
  }
  // Streamed rows pass through room for eight; otherwise the picture is kept whole.
  job->pixels.resize(stride * (streamed ? 8 : static_cast<std::size_t>(job->decoded.height)));
  bool lowerDone = false;
  while (cinfo->output_scanline < cinfo->output_height) {
    JSAMPROW rows[8];
    int n = std::min<int>(8, static_cast<int>(cinfo->output_height - cinfo->output_scanline));
    if (job->lower && (n = job->lower->RowsAllowed(static_cast<int>(cinfo->output_scanline), n)) == 0) {
      if ((lowerDone = job->lower->Finish())) break;
      continue;  // the second decoder gave up: the rest is ours
    }
    const unsigned first = streamed ? 0 : cinfo->output_scanline;
    for (int i = 0; i < n; ++i) rows[i] = job->pixels.data() + stride * (first + static_cast<unsigned>(i));
    const JDIMENSION got = jpeg_read_scanlines(cinfo, rows, static_cast<JDIMENSION>(n));
    if (streamed)
      for (JDIMENSION i = 0; i < got; ++i) job->stream->resampler.Push(rows[i]);
  }
  if (job->quantized) {
    job->colors = std::min(256, cinfo->actual_number_of_colors);
    for (int i = 0; i < job->colors; ++i)
      for (int c = 0; c < 3; ++c) job->palette[i][c] = cinfo->colormap[c][i];
  }
  // The second decoder has read the rest of the file to its end.
  if (lowerDone) jpeg_abort_decompress(cinfo);
  else jpeg_finish_decompress(cinfo);
  return true;
}

// CMYK as Adobe writes it is stored inverted (0 = full ink); plain CMYK is not.
std::vector<std::uint8_t> CmykToBgr(const Job& job) {
  const std::size_t count =
      static_cast<std::size_t>(job.decoded.width) * static_cast<std::size_t>(job.decoded.height);
  std::vector<std::uint8_t> bgr(count * 3);
  const std::uint8_t* in = job.pixels.data();
  for (std::size_t i = 0; i < count; ++i, in += 4) {
    unsigned c = in[0], m = in[1], y = in[2], k = in[3];
    if (!job.adobeInverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    bgr[i * 3 + 0] = static_cast<std::uint8_t>((y * k + 127) / 255);
    bgr[i * 3 + 1] = static_cast<std::uint8_t>((m * k + 127) / 255);
    bgr[i * 3 + 2] = static_cast<std::uint8_t>((c * k + 127) / 255);
  }
  return bgr;
}

class PackedRows : public RowDestination {
 public:
  PackedRows(std::uint8_t* rows, std::size_t stride) : rows_(rows), stride_(stride) {}
  std::uint8_t* Row(int y) override { return rows_ + stride_ * static_cast<std::size_t>(y); }

 private:
  std::uint8_t* rows_;
  std::size_t stride_;
};

// The palette for pictures that libjpeg cannot quantize (CMYK): 3 bits of red, 3 of
// green, 2 of blue, with Floyd-Steinberg dithering so smooth areas stay smooth.
void QuantizeFixed(const std::uint8_t* bgr, Size size, std::uint8_t (*palette)[3],
                   RowDestination& out) {
  for (int i = 0; i < 256; ++i) {
    palette[i][0] = static_cast<std::uint8_t>(((i >> 5) & 7) * 255 / 7);
    palette[i][1] = static_cast<std::uint8_t>(((i >> 2) & 7) * 255 / 7);
    palette[i][2] = static_cast<std::uint8_t>((i & 3) * 255 / 3);
  }
  const std::size_t w = static_cast<std::size_t>(size.width);
  std::vector<int> error((w + 2) * 3, 0), next((w + 2) * 3, 0);
  for (int y = 0; y < size.height; ++y) {
    const std::uint8_t* in = bgr + w * 3 * static_cast<std::size_t>(y);
    std::uint8_t* row = out.Row(y);
    std::fill(next.begin(), next.end(), 0);
    for (std::size_t x = 0; x < w; ++x) {
      int want[3];  // red, green, blue
      for (int c = 0; c < 3; ++c)
        want[c] = std::clamp(in[x * 3 + (2 - c)] + error[(x + 1) * 3 + c] / 16, 0, 255);
      const int r = (want[0] * 7 + 127) / 255, g = (want[1] * 7 + 127) / 255,
                b = (want[2] * 3 + 127) / 255;
      const int index = (r << 5) | (g << 2) | b;
      row[x] = static_cast<std::uint8_t>(index);
      for (int c = 0; c < 3; ++c) {
        const int e = want[c] - palette[index][c];
        error[(x + 2) * 3 + c] += e * 7;
        next[x * 3 + c] += e * 3;
        next[(x + 1) * 3 + c] += e * 5;
        next[(x + 2) * 3 + c] += e;
      }
    }
    std::swap(error, next);
  }
}

}  // namespace

Size ClassScreen(int scaleClass) { return FitBox(scaleClass, {}); }

Size FitBox(int scaleClass, Size screen) {
  const QmSize box = QmFitBox(scaleClass, screen.width, screen.height);
  return {box.width, box.height};
}

Size OutputSize(Size picture, Size box, bool panorama) {
  const Size screen = box;
  const long long w = picture.width, h = picture.height;
  const long long sw = screen.width, sh = screen.height;
  auto scaled = [](long long value, long long num, long long den) {
    return static_cast<int>(std::max(1LL, (value * num * 2 + den) / (den * 2)));
  };
  if (w >= 2 * h || (panorama && w > h)) return {scaled(w, sh, h), screen.height};
  if (h >= 2 * w || (panorama && h > w)) return {screen.width, scaled(h, sw, w)};
  if (w * sh >= h * sw) return {screen.width, scaled(h, sw, w)};
  return {scaled(w, sh, h), screen.height};
}

void WriteInfoHeader(std::uint8_t* at, int width, int height, int bitsPerPixel,
                     std::uint32_t colorsUsed) {
  auto put32 = [&](std::size_t offset, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) at[offset + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  std::memset(at, 0, kInfoHeaderSize);
  put32(0, kInfoHeaderSize);
  put32(4, static_cast<std::uint32_t>(width));
  put32(8, static_cast<std::uint32_t>(height));
  at[12] = 1;  // planes
  at[14] = static_cast<std::uint8_t>(bitsPerPixel);
  put32(20, static_cast<std::uint32_t>(RowStride(width, bitsPerPixel) *
                                       static_cast<std::size_t>(height)));
  put32(24, 2835);  // 72 dots per inch
  put32(28, 2835);
  put32(32, colorsUsed);
}

void WriteFileHeader(std::uint8_t* at, std::size_t dibBytes, std::size_t rowsOffset) {
  auto put32 = [&](std::size_t offset, std::size_t v) {
    for (int i = 0; i < 4; ++i) at[offset + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  std::memset(at, 0, kFileHeaderSize);
  at[0] = 'B';
  at[1] = 'M';
  put32(2, kFileHeaderSize + dibBytes);
  put32(10, kFileHeaderSize + rowsOffset);
}

bool DecodeJpegToDib(const std::string& path, const DecodeRequest& request, DibStore& store) {
  const bool eightBit = request.eightBit;
  // The job goes first: a second decoder it holds writes through the stream's rows.
  Stream stream;
  auto job = std::make_unique<Job>();
  stream.store = &store;
  if (!eightBit) job->stream = &stream;
  job->path = path;
  job->file = std::fopen(NativePath(path).c_str(), "rb");
  if (!job->file) return false;
  if (!Decode(job.get(), request)) return false;
  if (stream.Used()) return true;  // the bitmap is complete
  // The file and libjpeg's memory are no longer needed; let them go before the output
  // is allocated.
  jpeg_destroy_decompress(&job->cinfo);
  job->created = false;
  std::fclose(job->file);
  job->file = nullptr;

  const Size target = job->target;
  const bool palette = eightBit;
  const int bits = palette ? 8 : 24;
  const std::size_t stride = RowStride(target.width, bits);
  const std::size_t tableBytes = palette ? 256 * 4 : 0;
  const std::size_t dibBytes =
      kInfoHeaderSize + tableBytes + stride * static_cast<std::size_t>(target.height);
  std::uint8_t* dib = store.Allocate(dibBytes);
  if (!dib) return false;
  WriteInfoHeader(dib, target.width, target.height, bits, palette ? 256 : 0);
  std::uint8_t* rows = dib + kInfoHeaderSize + tableBytes;
  DibRows out(rows, stride, target.height);

  std::vector<std::uint8_t> converted;
  const std::uint8_t* pixels = job->pixels.data();
  int channels = job->channels;
  if (job->cmyk) {
    converted = CmykToBgr(*job);
    job->pixels = {};
    pixels = converted.data();
    channels = 3;
  }
  const std::size_t sourceStride = static_cast<std::size_t>(job->decoded.width) * channels;

  if (job->quantized) {
    ResampleIndices(pixels, job->decoded.width, job->decoded.height, sourceStride, target.width,
                    target.height, out);
  } else if (palette) {
    std::vector<std::uint8_t> sized(static_cast<std::size_t>(target.width) * 3 *
                                    static_cast<std::size_t>(target.height));
    PackedRows packed(sized.data(), static_cast<std::size_t>(target.width) * 3);
    ResampleImage(pixels, job->decoded.width, job->decoded.height, sourceStride, 3,
                  target.width, target.height, packed);
    job->colors = 256;
    QuantizeFixed(sized.data(), target, job->palette, out);
  } else {
    ResampleImage(pixels, job->decoded.width, job->decoded.height, sourceStride, channels,
                  target.width, target.height, out);
  }

  if (palette) {
    std::uint8_t* table = dib + kInfoHeaderSize;
    for (int i = 0; i < job->colors; ++i) {
      table[i * 4 + 0] = job->palette[i][2];
      table[i * 4 + 1] = job->palette[i][1];
      table[i * 4 + 2] = job->palette[i][0];
      table[i * 4 + 3] = 0;
    }
  }
  return true;
}
