#pragma once
// Procedural landscape painting for the sample pictures. Everything is a pure function of
// the pixel position and fixed seeds, so the same build always paints the same bytes and
// rows can be shaded in parallel without changing the result.
#include <cstdint>
#include <functional>
#include <vector>

namespace mks {

struct Rgb {
  double r = 0, g = 0, b = 0;
};

Rgb Mix(const Rgb& a, const Rgb& b, double t);
Rgb Hex(uint32_t rrggbb);

class Raster {
 public:
  Raster(int width, int height);
  int width() const { return width_; }
  int height() const { return height_; }
  void put(int x, int y, const Rgb& c);
  Rgb get(int x, int y) const;
  // 8-bit RGB, top row first.
  const std::vector<uint8_t>& pixels() const { return pixels_; }

 private:
  int width_, height_;
  std::vector<uint8_t> pixels_;
};

// Hash-based value noise in [0, 1]; no generator state, so order of evaluation never matters.
double Noise1(double x, uint32_t seed);
double Noise2(double x, double y, uint32_t seed);
double Fbm1(double x, int octaves, uint32_t seed);
double Fbm2(double x, double y, int octaves, uint32_t seed);
double Hash01(int x, int y, uint32_t seed);
double SmoothStep(double e0, double e1, double x);

// Calls shade(x, y) for every pixel, on up to two threads (the build machines have two cores).
void ShadeAll(Raster& r, const std::function<Rgb(int x, int y)>& shade);

enum class Surface { Rock, Snow, Sand, Meadow, Forest, Headland };

struct Ridge {
  double baseY;        // mean height of the outline, in picture heights from the top
  double amplitude;    // how far the outline rises above baseY
  double frequency;    // outline features per picture height
  Rgb colour;
  Surface surface = Surface::Rock;
  double snowLine = -1;  // outline points above this (picture heights) carry snow; -1 none
  Rgb snowColour{0.957, 0.969, 0.984};
  uint32_t seed = 1;
  double fromX = -1e9, toX = 1e9;  // horizontal extent in picture heights (headlands)
};

struct Water {
  double horizonY;  // in picture heights from the top
  Rgb nearColour, farColour;
  double waveScale = 1.0;
};

struct Landscape {
  Rgb skyTop, skyHorizon;
  double horizonY = 0.6;  // where the sky gradient reaches skyHorizon
  double sunX = -1, sunY = 0, sunRadius = 0;  // in picture heights; sunRadius 0 = no sun
  Rgb sunColour;
  double glow = 0.5;
  double clouds = 0;  // 0 none .. 1 overcast
  Rgb cloudColour;
  double stars = 0;   // fraction of sky pixels that are stars
  double fog = 0;     // 0..1, rises from the bottom of each far layer
  Rgb fogColour;
  std::vector<Ridge> farRidges;    // behind the water
  bool hasWater = false;
  Water water;
  std::vector<Ridge> nearRidges;   // in front of the water
  uint32_t seed = 7;
};

void PaintLandscape(Raster& r, const Landscape& scene);

// Overlays painted after the landscape.
void PaintLighthouse(Raster& r, double x, double baseY, double height, bool lampLit);
void PaintBoats(Raster& r, double horizonY, int count, uint32_t seed);
// A waterfall pouring between cliffs down the middle of a tall picture.
void PaintWaterfall(Raster& r, double topY, double poolY, uint32_t seed);
void PaintFilmGrain(Raster& r, double strength, uint32_t seed);

}  // namespace mks
