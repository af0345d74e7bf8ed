#include "tools/mksampleset/painting.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace mks {

namespace {

double Clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

uint32_t HashBits(uint32_t x, uint32_t y, uint32_t seed) {
  uint32_t h = seed * 0x9E3779B9u ^ x * 0x85EBCA6Bu ^ y * 0xC2B2AE35u;
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  return h;
}

double Fade(double t) { return t * t * (3 - 2 * t); }

Rgb Scale(const Rgb& c, double k) { return {c.r * k, c.g * k, c.b * k}; }
Rgb Add(const Rgb& a, const Rgb& b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }

// Shapes are filled with 4x4 supersampling so their edges stay smooth when the
// pictures are scaled down for thumbnails and small screens.
template <class Inside>
void FillShape(Raster& r, double x0, double y0, double x1, double y1, const Rgb& colour,
               Inside inside) {
  const double h = r.height();
  int px0 = std::max(0, static_cast<int>(std::floor(x0 * h)));
  int py0 = std::max(0, static_cast<int>(std::floor(y0 * h)));
  int px1 = std::min(r.width() - 1, static_cast<int>(std::ceil(x1 * h)));
  int py1 = std::min(r.height() - 1, static_cast<int>(std::ceil(y1 * h)));
  for (int y = py0; y <= py1; ++y) {
    for (int x = px0; x <= px1; ++x) {
      int hits = 0;
      for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx)
          if (inside((x + (sx + 0.5) / 4) / h, (y + (sy + 0.5) / 4) / h)) ++hits;
      if (hits) r.put(x, y, Mix(r.get(x, y), colour, hits / 16.0));
    }
  }
}

struct Outline {
  std::vector<double> top;    // per column, in picture heights
  std::vector<double> slope;  // of the outline, smoothed over a few pixels; > 0 falls to the right
};

Outline TraceRidge(const Ridge& ridge, int width, double h) {
  Outline o;
  o.top.resize(width);
  for (int x = 0; x < width; ++x) {
    double X = x / h;
    double n = Fbm1(X * ridge.frequency + ridge.seed * 17.3, 7, ridge.seed);
    // Summed noise huddles around 0.5; stretch it so outlines really rise and fall.
    double m = std::clamp((n - 0.5) * 2.6 + 0.5, 0.0, 1.0);
    double t = m;
    if (ridge.surface == Surface::Rock) {
      m = std::clamp((n - 0.5) * 1.8 + 0.5, 0.0, 1.0);
      // Ridged noise: sharp crests where the noise crosses its middle, as mountains have.
      double crest = 1 - std::fabs(2 * m - 1);
      t = 0.25 * m + 0.75 * crest * crest;
    }
    double top = ridge.baseY - ridge.amplitude * t;
    if (ridge.surface == Surface::Forest)
      top -= ridge.amplitude * 0.15 * std::pow(Noise1(X * 260, ridge.seed + 5), 3);
    double edge = std::min(0.12, (ridge.toX - ridge.fromX) * 0.3);
    double taper = SmoothStep(ridge.fromX, ridge.fromX + edge, X) * SmoothStep(ridge.toX, ridge.toX - edge, X);
    o.top[x] = top * taper + 2.0 * (1 - taper);
  }
  o.slope.resize(width);
  int k = std::max(1, static_cast<int>(h * 0.004));
  for (int x = 0; x < width; ++x) {
    int a = std::max(0, x - k), b = std::min(width - 1, x + k);
    o.slope[x] = b > a ? (o.top[b] - o.top[a]) * h / (b - a) : 0;
  }
  return o;
}

// Light comes from the upper left. Near the crest the face follows the outline; deeper
// down a 2D relief takes over, so faces never turn into vertical stripes.
double Relief(double X, double Y, double scale, uint32_t seed) {
  const double e = 0.6 / scale;
  double a = Fbm2((X - e) * scale + Y * 0.8, Y * scale * 0.7, 4, seed);
  double b = Fbm2((X + e) * scale + Y * 0.8, Y * scale * 0.7, 4, seed);
  return std::clamp((a - b) * 1.3, -0.25, 0.25);
}

Rgb ShadeSurface(const Ridge& ridge, const Outline& o, int x, double X, double Y, double depth) {
  double crestLight = std::clamp(o.slope[x] * 0.5, -0.35, 0.35);
  double nearCrest = std::exp(-depth / 0.04);
  double grain = Fbm2(X * 55, Y * 55, 3, ridge.seed + 11);
  const bool relieved = ridge.surface != Surface::Meadow && ridge.surface != Surface::Forest;
  const double relief = relieved ? Relief(X, Y, ridge.surface == Surface::Headland ? 14 : 9, ridge.seed + 7) : 0;
  Rgb c = ridge.colour;
  switch (ridge.surface) {
    case Surface::Rock: {
      double light = 1 + crestLight * nearCrest + relief * (1 - nearCrest);
      double gully = Fbm2(X * 70, Y * 14, 3, ridge.seed + 8);
      c = Scale(c, light * (0.8 + 0.22 * grain + 0.12 * gully));
      break;
    }
    case Surface::Snow: {
      double light = 1 + 0.3 * crestLight * nearCrest + 0.5 * relief;
      c = Mix(Scale(c, light * (0.95 + 0.06 * grain)), Hex(0x9FB4D6), std::min(0.2, std::max(0.0, 1 - light)));
      break;
    }
    case Surface::Sand: {
      double warp = Fbm2(X * 5, Y * 5, 3, ridge.seed + 9);
      double ripple = std::sin(X * 320 + Y * 150 + warp * 40);
      double light = 1 + 0.8 * crestLight * nearCrest + 0.6 * relief;
      c = Scale(c, light * (0.94 + 0.04 * ripple + 0.04 * grain));
      break;
    }
    case Surface::Meadow: {
      double patches = Fbm2(X * 6, Y * 9, 4, ridge.seed + 6);
      double blades = Fbm2(X * 400, Y * 70, 2, ridge.seed + 4);
      c = Scale(c, (0.78 + 0.35 * patches) * (0.92 + 0.16 * blades) * (1.05 - 0.15 * std::min(1.0, depth * 4)));
      double fleck = Hash01(static_cast<int>(X * 900), static_cast<int>(Y * 900), ridge.seed);
      if (depth > 0.01 && fleck > 0.985) {
        static const Rgb kFlowers[] = {Hex(0xF4E04D), Hex(0xF2F2F2), Hex(0xD94A8C), Hex(0x8E6BD8)};
        c = kFlowers[static_cast<int>(fleck * 1e4) % 4];
      }
      break;
    }
    case Surface::Forest: {
      double trunks = Fbm2(X * 240, Y * 24, 3, ridge.seed + 3);
      c = Scale(c, 0.72 + 0.5 * trunks * grain + 0.3 * crestLight * nearCrest);
      break;
    }
    case Surface::Headland: {
      double grassDepth = 0.012 + 0.01 * grain;
      Rgb grass = Scale(Hex(0x5F7F3A), 0.85 + 0.3 * grain);
      double strata = 0.5 + 0.5 * std::sin(Y * 420 + Fbm2(X * 12, Y * 12, 3, ridge.seed + 5) * 9);
      double light = 1 + relief;
      Rgb rock = Scale(c, light * (0.78 + 0.25 * grain + 0.1 * strata));
      c = Mix(grass, rock, SmoothStep(grassDepth, grassDepth + 0.006, depth));
      break;
    }
  }
  if (ridge.snowLine >= 0) {
    double crest = o.top[x];
    double reach = (ridge.snowLine - crest) * (0.5 + 0.9 * Fbm2(X * 30, Y * 12, 4, ridge.seed + 2));
    if (crest < ridge.snowLine && depth < reach) {
      double light = 1 + 0.5 * (crestLight * nearCrest + relief * (1 - nearCrest));
      Rgb snow = Scale(ridge.snowColour, std::min(1.05, 0.82 + 0.2 * light));
      c = Mix(c, snow, SmoothStep(reach, reach * 0.8, depth));
    }
  }
  return c;
}

}  // namespace

Rgb Mix(const Rgb& a, const Rgb& b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb Hex(uint32_t v) {
  return {((v >> 16) & 0xFF) / 255.0, ((v >> 8) & 0xFF) / 255.0, (v & 0xFF) / 255.0};
}

Raster::Raster(int width, int height)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height * 3) {}

void Raster::put(int x, int y, const Rgb& c) {
  uint8_t* p = &pixels_[(static_cast<size_t>(y) * width_ + x) * 3];
  p[0] = static_cast<uint8_t>(std::lround(Clamp01(c.r) * 255));
  p[1] = static_cast<uint8_t>(std::lround(Clamp01(c.g) * 255));
  p[2] = static_cast<uint8_t>(std::lround(Clamp01(c.b) * 255));
}

Rgb Raster::get(int x, int y) const {
  const uint8_t* p = &pixels_[(static_cast<size_t>(y) * width_ + x) * 3];
  return {p[0] / 255.0, p[1] / 255.0, p[2] / 255.0};
}

double Hash01(int x, int y, uint32_t seed) {
  return HashBits(static_cast<uint32_t>(x), static_cast<uint32_t>(y), seed) / 4294967296.0;
}

double SmoothStep(double e0, double e1, double x) {
  if (e0 == e1) return x < e0 ? 0 : 1;
  return Fade(Clamp01((x - e0) / (e1 - e0)));
}

double Noise1(double x, uint32_t seed) {
  double fx = std::floor(x);
  int ix = static_cast<int>(fx);
  double t = Fade(x - fx);
  return Hash01(ix, 0, seed) * (1 - t) + Hash01(ix + 1, 0, seed) * t;
}

double Noise2(double x, double y, uint32_t seed) {
  double fx = std::floor(x), fy = std::floor(y);
  int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
  double tx = Fade(x - fx), ty = Fade(y - fy);
  double a = Hash01(ix, iy, seed), b = Hash01(ix + 1, iy, seed);
  double c = Hash01(ix, iy + 1, seed), d = Hash01(ix + 1, iy + 1, seed);
  return (a * (1 - tx) + b * tx) * (1 - ty) + (c * (1 - tx) + d * tx) * ty;
}

double Fbm1(double x, int octaves, uint32_t seed) {
  double sum = 0, amp = 0.5, norm = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += amp * Noise1(x, seed + i * 101);
    norm += amp;
    x *= 2.03;
    amp *= 0.5;
  }
  return sum / norm;
}

double Fbm2(double x, double y, int octaves, uint32_t seed) {
  double sum = 0, amp = 0.5, norm = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += amp * Noise2(x, y, seed + i * 101);
    norm += amp;
    x *= 2.01;
    y *= 2.01;
    amp *= 0.5;
  }
  return sum / norm;
}

void ShadeAll(Raster& r, const std::function<Rgb(int, int)>& shade) {
  auto band = [&](int first, int step) {
    for (int y = first; y < r.height(); y += step)
      for (int x = 0; x < r.width(); ++x) r.put(x, y, shade(x, y));
  };
  // Interleaved rows keep both threads equally busy whatever the scene; each pixel is
  // written by exactly one thread, so the result does not depend on scheduling.
  std::thread helper(band, 1, 2);
  band(0, 2);
  helper.join();
}

static Rgb SkyColour(const Landscape& s, int x, int y, double X, double Y, double h) {
  double t = Clamp01(Y / s.horizonY);
  Rgb c = Mix(s.skyTop, s.skyHorizon, std::pow(t, 0.8));
  if (s.stars > 0) {
    double star = Hash01(x, y, s.seed + 99);
    if (star < s.stars) {
      double bright = 0.45 + 0.55 * Hash01(y, x, s.seed + 98);
      c = Mix(c, Hex(0xFFF8E8), bright * (1 - t));
    }
  }
  double sunDist = 1e9;
  if (s.sunRadius > 0) {
    sunDist = std::hypot(X - s.sunX, (Y - s.sunY) * 1.0);
    double halo = s.glow * std::exp(-std::max(0.0, sunDist - s.sunRadius) / (s.sunRadius * 4));
    c = Add(c, Scale(s.sunColour, halo * 0.6));
  }
  if (s.clouds > 0) {
    double n = Fbm2(X * 2.5, Y * 8, 6, s.seed + 3);
    double edge = 1 - s.clouds * 0.55;
    double cover = SmoothStep(edge - 0.08, edge + 0.12, n) * (1 - SmoothStep(s.horizonY * 0.7, s.horizonY, Y));
    Rgb cloud = Scale(s.cloudColour, 0.85 + 0.3 * Fbm2(X * 9, Y * 18, 3, s.seed + 4));
    if (s.sunRadius > 0)
      cloud = Mix(cloud, s.sunColour, 0.5 * std::exp(-sunDist / (s.sunRadius * 6)));
    c = Mix(c, cloud, cover * 0.9);
  }
  if (s.sunRadius > 0) {
    double disc = SmoothStep(s.sunRadius + 1.0 / h, s.sunRadius - 1.0 / h, sunDist);
    c = Mix(c, s.sunColour, disc);
  }
  return c;
}

static Rgb WaterColour(const Landscape& s, double X, double Y) {
  const Water& w = s.water;
  double below = Y - w.horizonY;
  double near01 = Clamp01(below / std::max(1e-6, 1 - w.horizonY));
  Rgb sea = Mix(w.farColour, w.nearColour, std::sqrt(near01));
  sea = Mix(sea, s.skyHorizon, 0.35 * (1 - SmoothStep(0, 0.08, below)));
  double z = 1 / (below + 0.015);
  double wave = Fbm2(X * z * 0.9 * w.waveScale, z * 2.2 * w.waveScale, 4, s.seed + 21);
  sea = Scale(sea, 0.86 + 0.28 * wave);
  if (s.sunRadius > 0) {
    double spread = 0.03 + below * 0.5;
    double column = std::exp(-std::pow((X - s.sunX) / spread, 2));
    double sparkle = std::pow(Noise2(X * z * 3, z * 9, s.seed + 22), 5) * 3.5;
    sea = Add(sea, Scale(s.sunColour, column * (0.15 + sparkle)));
  }
  return sea;
}

void PaintLandscape(Raster& r, const Landscape& s) {
  const double h = r.height();
  std::vector<Outline> far, near;
  for (const Ridge& ridge : s.farRidges) far.push_back(TraceRidge(ridge, r.width(), h));
  for (const Ridge& ridge : s.nearRidges) near.push_back(TraceRidge(ridge, r.width(), h));

  // The frontmost layer that covers a pixel completely hides everything behind it; shading
  // starts there, which saves most of the work in the lower half of a picture.
  auto frontmostFull = [&](const std::vector<Outline>& outlines, int x, double Y) {
    for (size_t i = outlines.size(); i-- > 0;)
      if ((Y - outlines[i].top[x]) * h + 0.5 >= 1) return static_cast<int>(i);
    return -1;
  };
  auto layer = [&](Rgb c, const std::vector<Ridge>& ridges, const std::vector<Outline>& outlines,
                   int x, double X, double Y, bool fogged, int first) {
    for (size_t i = std::max(0, first); i < ridges.size(); ++i) {
      double top = outlines[i].top[x];
      double cover = Clamp01((Y - top) * h + 0.5);
      if (cover <= 0) continue;
      double depth = Y - top;
      Rgb surf = ShadeSurface(ridges[i], outlines[i], x, X, Y, depth);
      if (fogged && s.fog > 0)
        surf = Mix(surf, s.fogColour, s.fog * SmoothStep(0.0, 0.22, depth) * (1 - 0.4 * i / ridges.size()));
      c = Mix(c, surf, cover);
    }
    return c;
  };

  ShadeAll(r, [&](int x, int y) {
    const double X = x / h, Y = y / h;
    int nearFirst = frontmostFull(near, x, Y);
    if (nearFirst >= 0) return layer(Rgb{}, s.nearRidges, near, x, X, Y, false, nearFirst);
    Rgb c;
    double waterCover = s.hasWater ? Clamp01((Y - s.water.horizonY) * h + 0.5) : 0;
    if (waterCover < 1) {
      int farFirst = frontmostFull(far, x, Y);
      if (farFirst < 0) c = SkyColour(s, x, y, X, Y, h);
      c = layer(c, s.farRidges, far, x, X, Y, true, farFirst);
    }
    if (waterCover > 0) c = Mix(c, WaterColour(s, X, Y), waterCover);
    return layer(c, s.nearRidges, near, x, X, Y, false, 0);
  });
}

void PaintLighthouse(Raster& r, double x, double baseY, double height, bool lampLit) {
  const double halfBase = height * 0.09, halfTop = height * 0.06;
  const double top = baseY - height;
  auto halfAt = [&](double Y) { return halfTop + (halfBase - halfTop) * (Y - top) / height; };
  // Tower, banded red and white, lit from the left.
  const double h = r.height();
  for (int py = std::max(0, static_cast<int>(top * h)); py < std::min(r.height(), static_cast<int>(baseY * h) + 1); ++py) {
    double Y = (py + 0.5) / h;
    double half = halfAt(Y);
    int px0 = std::max(0, static_cast<int>(std::floor((x - half) * h)));
    int px1 = std::min(r.width() - 1, static_cast<int>(std::ceil((x + half) * h)));
    int band = static_cast<int>((Y - top) / height * 6);
    Rgb paint = band % 2 ? Hex(0xB8322B) : Hex(0xF3EEE6);
    for (int px = px0; px <= px1; ++px) {
      double X = (px + 0.5) / h;
      double across = (X - x) / half;  // -1 .. 1
      double cover = Clamp01((half - std::fabs(X - x)) * h + 0.5);
      if (cover <= 0) continue;
      double shade = 1.05 - 0.45 * SmoothStep(-0.6, 1.0, across);
      r.put(px, py, Mix(r.get(px, py), Scale(paint, shade), cover));
    }
  }
  // Gallery, lantern and cap.
  double lanternTop = top - height * 0.16;
  FillShape(r, x - halfTop * 1.5, top - height * 0.02, x + halfTop * 1.5, top + height * 0.01,
            Hex(0x2B2B30), [&](double X, double Y) {
              return std::fabs(X - x) < halfTop * 1.5 && Y > top - height * 0.02 && Y < top + height * 0.01;
            });
  Rgb lamp = lampLit ? Hex(0xFFF1B0) : Hex(0x8FA7B5);
  FillShape(r, x - halfTop, lanternTop, x + halfTop, top, lamp, [&](double X, double Y) {
    return std::fabs(X - x) < halfTop * 0.8 && Y > lanternTop + height * 0.04 && Y < top - height * 0.02;
  });
  FillShape(r, x - halfTop, lanternTop - height * 0.05, x + halfTop, lanternTop + height * 0.04,
            Hex(0x242428), [&](double X, double Y) {
              double rise = (Y - (lanternTop - height * 0.05)) / (height * 0.09);
              return Y < lanternTop + height * 0.04 && std::fabs(X - x) < halfTop * rise;
            });
  if (lampLit) {
    double ly = lanternTop + height * 0.08;
    int px0 = std::max(0, static_cast<int>((x - height) * h)), px1 = std::min(r.width() - 1, static_cast<int>((x + height) * h));
    int py0 = std::max(0, static_cast<int>((ly - height * 0.5) * h)), py1 = std::min(r.height() - 1, static_cast<int>((ly + height * 0.5) * h));
    for (int py = py0; py <= py1; ++py)
      for (int px = px0; px <= px1; ++px) {
        double d = std::hypot((px + 0.5) / h - x, (py + 0.5) / h - ly);
        double g = 0.55 * std::exp(-d / (height * 0.12));
        r.put(px, py, Add(r.get(px, py), Scale(Hex(0xFFE9A0), g)));
      }
  }
}

void PaintBoats(Raster& r, double horizonY, int count, uint32_t seed) {
  double aspect = static_cast<double>(r.width()) / r.height();
  for (int i = 0; i < count; ++i) {
    double x = aspect * (0.1 + 0.8 * (i + Hash01(i, 1, seed)) / count);
    double y = horizonY + 0.03 + 0.12 * Hash01(i, 2, seed);
    double size = 0.03 + 0.12 * (y - horizonY);
    Rgb hull = Mix(Hex(0x1E2530), Hex(0x5A3A2A), Hash01(i, 3, seed));
    FillShape(r, x - size, y - size * 0.3, x + size, y, hull, [&](double X, double Y) {
      double depth = (Y - (y - size * 0.25)) / (size * 0.25);
      return depth >= 0 && depth <= 1 && std::fabs(X - x) < size * (1 - 0.35 * depth);
    });
    FillShape(r, x - size * 0.05, y - size * 1.9, x + size * 0.05, y - size * 0.25, Hex(0x2A2A2A),
              [&](double X, double Y) {
                return std::fabs(X - x) < size * 0.025 && Y > y - size * 1.9 && Y < y - size * 0.25;
              });
    Rgb sail = Mix(Hex(0xF5EFE0), Hex(0xE8C9A0), Hash01(i, 4, seed));
    FillShape(r, x, y - size * 1.85, x + size * 0.9, y - size * 0.35, sail, [&](double X, double Y) {
      double up = (y - size * 0.35 - Y) / (size * 1.5);  // 0 at the boom, 1 at the masthead
      return up >= 0 && up <= 1 && X > x + size * 0.04 && X < x + size * 0.85 * (1 - up);
    });
  }
}

void PaintWaterfall(Raster& r, double topY, double poolY, uint32_t seed) {
  const double h = r.height();
  const double aspect = r.width() / h;
  ShadeAll(r, [&](int x, int y) {
    double X = x / h, Y = y / h;
    Rgb c = r.get(x, y);
    if (Y < topY) return c;
    double along = (Y - topY) / (poolY - topY);
    double centre = aspect * 0.5 + 0.01 * (Fbm1(Y * 6, 3, seed) - 0.5);
    double half = aspect * (0.05 + 0.05 * std::min(1.0, along));
    double inside = Clamp01((half - std::fabs(X - centre)) * h + 0.5);
    if (Y < poolY && inside > 0) {
      double streak = Fbm2(X * 160, Y * 6 - along * 4, 4, seed + 1);
      Rgb water = Mix(Hex(0x9DB8C4), Hex(0xFDFEFF), SmoothStep(0.35, 0.75, streak));
      c = Mix(c, water, inside);
    }
    if (Y >= poolY - 0.01) {
      double below = Y - poolY;
      double ring = std::fabs(X - centre) / (aspect * 0.45);
      double foam = Fbm2(X * 60, Y * 60, 4, seed + 2);
      Rgb pool = Mix(Hex(0x2F5E64), Hex(0x4E8A8C), foam);
      double froth = (1 - SmoothStep(0.0, 0.12, below)) * (1 - SmoothStep(0.2, 1.0, ring));
      pool = Mix(pool, Hex(0xEEF4F5), froth * SmoothStep(0.4, 0.7, foam + 0.25));
      // The pool's far shore wanders a little; the foreground rocks close it below.
      double shore = poolY + 0.008 * Fbm1(X * 30, 4, seed + 4);
      c = Mix(c, pool, Clamp01((Y - shore) * h + 0.5));
    }
    double mist = 0.55 * std::exp(-std::fabs(Y - poolY) / 0.06) * std::exp(-std::fabs(X - centre) / 0.2);
    return Mix(c, Hex(0xF2F6F8), Clamp01(mist * (0.6 + 0.4 * Fbm2(X * 8, Y * 8, 3, seed + 3))));
  });
}

void PaintFilmGrain(Raster& r, double strength, uint32_t seed) {
  ShadeAll(r, [&](int x, int y) {
    double n = (Hash01(x, y, seed) - 0.5) * strength;
    Rgb c = r.get(x, y);
    return Rgb{c.r + n, c.g + n, c.b + n};
  });
}

}  // namespace mks
