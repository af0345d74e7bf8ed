#pragma once
// Test pictures made on the spot with libjpeg, so every case knows exactly what its
// pixels should look like.
#include <cstdint>
#include <functional>
#include <string>

struct Rgb {
  std::uint8_t r, g, b;
};

enum class JpegKind { Colour, Progressive, Grey, AdobeCmyk };

// How the encoder lays the picture out: the luma sampling (2 x 2 is 4:2:0, 1 x 1 is 4:4:4),
// a restart marker every `restartRows` rows of MCUs, Huffman tables made for the picture.
struct JpegLayout {
  int lumaWide = 2, lumaHigh = 2;
  int restartRows = 0;
  bool ownTables = false;
};

// Every way a baseline picture's colours are sampled: 4:2:0, 4:2:2, 4:4:4 and grey.
struct JpegSampling {
  const char* name;
  JpegKind kind;
  JpegLayout layout;
};
inline const JpegSampling kJpegSamplings[] = {{"4:2:0", JpegKind::Colour, {}},
                                              {"4:2:2", JpegKind::Colour, {2, 1, 0, false}},
                                              {"4:4:4", JpegKind::Colour, {1, 1, 0, false}},
                                              {"grey", JpegKind::Grey, {}}};

// Writes a JPEG of width x height whose pixel (x, y) (y from the top) is pixel(x, y).
// Returns the file's bytes as well.
std::string MakeJpeg(const std::string& path, int width, int height, JpegKind kind,
                     const std::function<Rgb(int, int)>& pixel, int quality = 95,
                     const JpegLayout& layout = {});

// A flat grey 4:4:4 progressive JPEG of any size, written byte by byte (no encoder, so no
// whole-picture buffer): one DC scan, then `scans - 1` full AC scans of the components in
// turn, all coefficients zero. libjpeg takes the repeated scans without complaint, which
// is what makes such a file a cheap attack. Width and height are multiples of 8.
std::string MakeFlatProgressiveJpeg(const std::string& path, int width, int height, int scans);
