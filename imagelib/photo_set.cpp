#include "imagelib/photo_set.h"

#include <png.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

#include "imagelib/catalogue.h"
#include "imagelib/profile_file.h"
#include "platform/code_page.h"
#include "platform/folder_ops.h"
#include "platform/registry.h"
#include "tools/mksampleset/sample_sets.h"
#include "tools/mksampleset/set_files.h"
#include "tools/mksampleset/writers.h"

namespace fs = std::filesystem;

namespace photos {
namespace {

constexpr std::size_t kMaxPhotoBytes = 256u << 20;
// The suite's JPEG decoder refuses larger pictures.
constexpr long long kMaxSide = 32767, kMaxPixels = 48'000'000;
constexpr int kQuality = 90;
// The saver reads picture names into 64-byte buffers and file bases into 16-byte ones.
constexpr std::size_t kMaxPictureName = 60;
constexpr int kMaxPictures = 499;  // what one section listing of the catalogue holds
// The installed-set record is read through a 260-byte buffer, terminator included.
constexpr std::size_t kMaxSetName = 259;

struct Rgb {
  int width = 0, height = 0;
  std::vector<unsigned char> pixels;  // 3 bytes a pixel, top row first
};

// ---- texts --------------------------------------------------------------------------------

std::string Convert(const std::string& text, const char* to, const char* from) {
  return ConvertCodePage(text, to, from);
}

// Metadata text as valid UTF-8 that the code page of the caption also holds: control
// characters go, the characters that would end a caption text or start a profile key
// are replaced, blank runs and empty-line runs shrink, blanks at either end go.
std::string Clean(const std::string& raw, const char* codePage, bool oneLine) {
  std::string utf8 = Convert(Convert(raw, codePage, "UTF-8"), "UTF-8", codePage);
  std::string out;
  int newlines = 0;
  for (char c : utf8) {
    if (c == '\r') continue;
    if (c == '\n' || c == '\t') {
      if (oneLine || c == '\t') c = ' ';
    } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
      continue;
    }
    if (c == '=') c = '-';
    if (c == '[') c = '(';
    if (c == ']') c = ')';
    if (c == '\n') {
      while (!out.empty() && out.back() == ' ') out.pop_back();
      if (out.empty() || ++newlines > 2) continue;
    } else if (c == ' ') {
      if (out.empty() || out.back() == ' ' || out.back() == '\n') continue;
    } else {
      newlines = 0;
    }
    out += c;
  }
  while (!out.empty() && (out.back() == ' ' || out.back() == '\n')) out.pop_back();
  return out;
}

std::string Readable(const fs::path& file) {
  std::string stem = file.stem().string(), out;
  for (char c : stem) out += (c == '_' || c == '-' || c == '.') ? ' ' : c;
  out = Clean(out, "CP1252", true);
  if (!out.empty() && out[0] >= 'a' && out[0] <= 'z') out[0] = static_cast<char>(out[0] - 32);
  return out.empty() ? "Photo" : out;
}

// A picture name: one line, no more than the saver's buffer holds, unique in the set
// ignoring case, never starting with what a profile file reads as a comment or section.
std::string PictureName(std::string title, const std::set<std::string>& taken) {
  title = Clean(title, "CP1252", true);
  while (!title.empty() && (title[0] == ';' || title[0] == '(' || title[0] == ' ')) title.erase(0, 1);
  if (title.empty()) title = "Photo";
  auto fit = [](std::string text, std::size_t bytes) {
    // Cut in the code page the name is stored in, so that no character is cut in half.
    std::string ansi = Convert(text, "CP1252", "UTF-8");
    if (ansi.size() > bytes) ansi.resize(bytes);
    std::string back = Convert(ansi, "UTF-8", "CP1252");
    while (!back.empty() && back.back() == ' ') back.pop_back();
    return back;
  };
  auto lower = [](std::string s) {
    for (char& c : s) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    return s;
  };
  std::string name = fit(title, kMaxPictureName);
  for (int n = 2; taken.count(lower(name)); ++n) {
    const std::string suffix = " " + std::to_string(n);
    name = fit(title, kMaxPictureName - suffix.size()) + suffix;
  }
  return name;
}

// ---- metadata -----------------------------------------------------------------------------

struct Facts {
  int orientation = 1;
  std::string title, description, date, place;
};

std::string XmpText(const Exiv2::XmpData& xmp, const char* key) {
  auto it = xmp.findKey(Exiv2::XmpKey(key));
  if (it == xmp.end()) return "";
  if (const auto* alt = dynamic_cast<const Exiv2::LangAltValue*>(&it->value())) {
    auto def = alt->value_.find("x-default");
    if (def != alt->value_.end()) return def->second;
    return alt->value_.empty() ? "" : alt->value_.begin()->second;
  }
  return it->toString();
}

std::string ExifText(const Exiv2::ExifData& exif, const char* key, bool printed = false) {
  auto it = exif.findKey(Exiv2::ExifKey(key));
  if (it == exif.end()) return "";
  // The XP fields are UCS-2 bytes; their printed form is the text.
  return printed ? it->print(&exif) : it->toString();
}

std::string IptcText(const Exiv2::IptcData& iptc, const char* key) {
  auto it = iptc.findKey(Exiv2::IptcKey(key));
  return it == iptc.end() ? "" : it->toString();
}

std::string FirstOf(std::initializer_list<std::string> texts) {
  for (const std::string& t : texts)
    if (!Clean(t, "CP1252", false).empty()) return t;
  return "";
}

// Degrees, minutes and seconds as three rationals, and the hemisphere letter.
std::string Coordinate(const Exiv2::ExifData& exif, const char* key, const char* refKey) {
  auto it = exif.findKey(Exiv2::ExifKey(key));
  if (it == exif.end() || it->count() != 3) return "";
  double value = 0;
  for (int i = 0; i < 3; ++i) {
    const Exiv2::Rational r = it->toRational(i);
    if (r.second == 0) return "";
    value += static_cast<double>(r.first) / r.second / std::pow(60.0, i);
  }
  if (!std::isfinite(value) || value > 180) return "";
  std::string ref = ExifText(exif, refKey);
  char text[40];
  std::snprintf(text, sizeof text, "%.4f\u00b0 %s", value, ref.substr(0, 1).c_str());
  return text;
}

Facts ReadFacts(const std::string& bytes) {
  Facts f;
  try {
    Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(
        reinterpret_cast<const Exiv2::byte*>(bytes.data()), static_cast<long>(bytes.size()));
    if (!image.get()) return f;
    image->readMetadata();
    const Exiv2::ExifData& exif = image->exifData();
    const Exiv2::IptcData& iptc = image->iptcData();
    const Exiv2::XmpData& xmp = image->xmpData();
    auto o = exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
    if (o != exif.end() && o->count() > 0) {
      const long v = o->toLong();
      if (v >= 1 && v <= 8) f.orientation = static_cast<int>(v);
    }
    f.title = FirstOf({XmpText(xmp, "Xmp.dc.title"), ExifText(exif, "Exif.Image.XPTitle", true),
                       IptcText(iptc, "Iptc.Application2.ObjectName")});
    f.description = FirstOf({XmpText(xmp, "Xmp.dc.description"),
                             ExifText(exif, "Exif.Image.ImageDescription"),
                             IptcText(iptc, "Iptc.Application2.Caption"),
                             ExifText(exif, "Exif.Image.XPComment", true),
                             ExifText(exif, "Exif.Image.XPSubject", true)});
    // A description alone is the best title there is.
    if (f.title.empty()) f.title = f.description;
    std::string date = FirstOf({ExifText(exif, "Exif.Photo.DateTimeOriginal"),
                                ExifText(exif, "Exif.Image.DateTime")});
    if (date.size() >= 10 && date[4] == ':' && date[7] == ':') {
      date[4] = date[7] = '-';
      f.date = date.substr(0, 10);
    }
    std::string city = FirstOf({XmpText(xmp, "Xmp.photoshop.City"), IptcText(iptc, "Iptc.Application2.City")});
    std::string country = FirstOf({XmpText(xmp, "Xmp.photoshop.Country"),
                                   IptcText(iptc, "Iptc.Application2.CountryName")});
    f.place = city.empty() ? country : country.empty() ? city : city + ", " + country;
    if (f.place.empty()) {
      const std::string lat = Coordinate(exif, "Exif.GPSInfo.GPSLatitude", "Exif.GPSInfo.GPSLatitudeRef");
      const std::string lon = Coordinate(exif, "Exif.GPSInfo.GPSLongitude", "Exif.GPSInfo.GPSLongitudeRef");
      if (!lat.empty() && !lon.empty()) f.place = lat + ", " + lon;
    }
  } catch (const std::exception&) {
    // Metadata that cannot be read leaves the picture without it, not without the picture.
  }
  return f;
}

// ---- pictures -----------------------------------------------------------------------------

struct TurboJpeg {
  tjhandle handle;
  explicit TurboJpeg(tjhandle h) : handle(h) {}
  ~TurboJpeg() { if (handle) tjDestroy(handle); }
  TurboJpeg(const TurboJpeg&) = delete;
  TurboJpeg& operator=(const TurboJpeg&) = delete;
};

bool Fatal(tjhandle h, int rc) { return rc != 0 && tjGetErrorCode(h) == TJERR_FATAL; }

bool DecodeJpeg(const std::string& jpeg, Rgb& out, int minWidth = 0, int minHeight = 0) {
  TurboJpeg tj(tjInitDecompress());
  int w, h, sub, space;
  auto* data = reinterpret_cast<const unsigned char*>(jpeg.data());
  if (!tj.handle || tjDecompressHeader3(tj.handle, data, jpeg.size(), &w, &h, &sub, &space) != 0)
    return false;
  if (w < 1 || h < 1 || w > kMaxSide || h > kMaxSide || static_cast<long long>(w) * h > kMaxPixels)
    return false;
  // For a thumbnail, the smallest scaled decode that is still large enough.
  int count = 0;
  const tjscalingfactor* factors = tjGetScalingFactors(&count);
  int sw = w, sh = h;
  for (int i = 0; minWidth > 0 && factors && i < count; ++i) {
    const int cw = TJSCALED(w, factors[i]), ch = TJSCALED(h, factors[i]);
    if (cw >= minWidth && ch >= minHeight && cw < sw) {
      sw = cw;
      sh = ch;
    }
  }
  out.width = sw;
  out.height = sh;
  out.pixels.assign(static_cast<std::size_t>(sw) * sh * 3, 0);
  return !Fatal(tj.handle, tjDecompress2(tj.handle, data, jpeg.size(), out.pixels.data(), sw, 0,
                                         sh, TJPF_RGB, 0));
}

bool DecodePng(const std::string& bytes, Rgb& out) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return false;
  if (image.width < 1 || image.height < 1 || image.width > kMaxSide || image.height > kMaxSide ||
      static_cast<long long>(image.width) * image.height > kMaxPixels) {
    png_image_free(&image);
    return false;
  }
  image.format = PNG_FORMAT_RGB;
  out.width = static_cast<int>(image.width);
  out.height = static_cast<int>(image.height);
  out.pixels.assign(PNG_IMAGE_SIZE(image), 0);
  // Transparent parts are laid on white, as a viewer shows them on a page.
  png_color white{255, 255, 255};
  const bool ok = png_image_finish_read(&image, &white, out.pixels.data(), 0, nullptr) != 0;
  png_image_free(&image);
  return ok;
}

// The picture as stored, turned upright by its orientation code (2..8).
Rgb Upright(const Rgb& in, int orientation) {
  const bool swap = orientation >= 5;
  Rgb out;
  out.width = swap ? in.height : in.width;
  out.height = swap ? in.width : in.height;
  out.pixels.resize(in.pixels.size());
  const int W = out.width, H = out.height;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      int sx = x, sy = y;  // where in the stored picture the upright pixel (x, y) lies
      switch (orientation) {
        case 2: sx = W - 1 - x; break;
        case 3: sx = W - 1 - x; sy = H - 1 - y; break;
        case 4: sy = H - 1 - y; break;
        case 5: sx = y; sy = x; break;
        case 6: sx = y; sy = W - 1 - x; break;
        case 7: sx = H - 1 - y; sy = W - 1 - x; break;
        case 8: sx = H - 1 - y; sy = x; break;
        default: break;
      }
      const unsigned char* s = &in.pixels[(static_cast<std::size_t>(sy) * in.width + sx) * 3];
      unsigned char* d = &out.pixels[(static_cast<std::size_t>(y) * W + x) * 3];
      d[0] = s[0];
      d[1] = s[1];
      d[2] = s[2];
    }
  return out;
}

bool EncodeJpeg(const Rgb& picture, std::string& out) {
  TurboJpeg tj(tjInitCompress());
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  if (!tj.handle || tjCompress2(tj.handle, picture.pixels.data(), picture.width, 0, picture.height,
                                TJPF_RGB, &buffer, &size, TJSAMP_420, kQuality, 0) != 0) {
    tjFree(buffer);
    return false;
  }
  out.assign(reinterpret_cast<const char*>(buffer), size);
  tjFree(buffer);
  return true;
}

// A JPEG turned upright without decoding it where the transform is exact, its metadata
// dropped (an orientation left in it would turn the picture a second time elsewhere).
bool LosslessUpright(const std::string& jpeg, int orientation, std::string& out) {
  static const int ops[9] = {TJXOP_NONE, TJXOP_NONE, TJXOP_HFLIP, TJXOP_ROT180, TJXOP_VFLIP,
                             TJXOP_TRANSPOSE, TJXOP_ROT90, TJXOP_TRANSVERSE, TJXOP_ROT270};
  TurboJpeg tj(tjInitTransform());
  int w, h, sub, space;
  auto* data = reinterpret_cast<const unsigned char*>(jpeg.data());
  if (!tj.handle || tjDecompressHeader3(tj.handle, data, jpeg.size(), &w, &h, &sub, &space) != 0)
    return false;
  // The suite's decoder shows colour and grey pictures only.
  if (space == TJCS_CMYK || space == TJCS_YCCK) return false;
  tjtransform t{};
  t.op = ops[orientation];
  t.options = TJXOPT_PERFECT | TJXOPT_COPYNONE;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  if (tjTransform(tj.handle, data, jpeg.size(), 1, &buffer, &size, &t, 0) != 0) {
    tjFree(buffer);
    return false;
  }
  out.assign(reinterpret_cast<const char*>(buffer), size);
  tjFree(buffer);
  return true;
}

// Reads a photo without following a link and without waiting on a special file.
bool ReadPhoto(const fs::path& path, std::string& bytes, std::string& why) {
  return ReadPlainFileNoFollow(path.string(), kMaxPhotoBytes, bytes, why);
}

void RemoveFile(const std::string& path) {
  std::error_code ec;
  fs::remove(path, ec);
}

struct Made {
  std::string name;  // picture name
};

// Writes the picture's .jpg, .bmp and .nfo into the set folder. "" on success.
std::string MakePicture(const fs::path& source, const std::string& relative, const fs::path& setPath,
                        const std::string& fileBase, const std::set<std::string>& taken, Made& made) {
  std::string bytes, why;
  if (!ReadPhoto(source, bytes, why)) return why;
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
  const bool jpeg = bytes.size() > 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF;
  const bool png = bytes.size() > 8 && png_sig_cmp(b, 0, 8) == 0;
  if (!jpeg && !png) return "is not a JPEG or PNG picture";
  const Facts facts = ReadFacts(bytes);

  std::string stored;
  if (!jpeg || !LosslessUpright(bytes, facts.orientation, stored)) {
    Rgb picture;
    if (!(jpeg ? DecodeJpeg(bytes, picture) : DecodePng(bytes, picture)))
      return "cannot be decoded";
    if (facts.orientation != 1) picture = Upright(picture, facts.orientation);
    if (!EncodeJpeg(picture, stored)) return "cannot be stored as a JPEG picture";
  }
  // Decoding what is stored proves it whole and gives the thumbnail.
  Rgb small;
  if (!DecodeJpeg(stored, small, 80, 60)) return "cannot be decoded";
  TurboJpeg tj(tjInitDecompress());
  int w = 0, h = 0, sub, space;
  tjDecompressHeader3(tj.handle, reinterpret_cast<const unsigned char*>(stored.data()),
                      stored.size(), &w, &h, &sub, &space);
  if (w < 1 || h < 1) return "cannot be decoded";

  mks::Picture p;
  p.fileBase = fileBase;
  p.width = w;
  p.height = h;
  p.infoStyle = mks::InfoStyle::FileWideOnly;
  if (w >= 2 * h) {
    // Shown first from its middle: the origin counts pixels of the picture scaled to a
    // 480-pixel-high screen that is 640 pixels wide.
    p.panoramicOrigin = std::max(0, static_cast<int>((static_cast<long long>(w) * 480 / h - 640) / 2));
    p.panDirection = "LEFTTORIGHT";
  }
  mks::Raster raster(small.width, small.height);
  for (int y = 0; y < small.height; ++y)
    for (int x = 0; x < small.width; ++x) {
      const unsigned char* px = &small.pixels[(static_cast<std::size_t>(y) * small.width + x) * 3];
      raster.put(x, y, {px[0] / 255.0, px[1] / 255.0, px[2] / 255.0});
    }
  // The thumbnail shows the part of the picture the origin names, at the small scale.
  const int origin = p.panoramicOrigin;

  const std::string readable = Readable(source.filename());
  const std::string title = facts.title.empty() ? readable : facts.title;
  p.name = PictureName(title, taken);
  for (std::size_t i = 0; i < mks::kLanguages.size(); ++i) {
    const char* codePage = i == 4 ? "CP932" : "CP1252";
    std::string text = Clean(facts.description, codePage, false);
    if (Clean(title, codePage, true) == text) text.clear();
    std::string when;
    if (!facts.date.empty()) when = "Taken " + facts.date;
    const std::string place = Clean(facts.place, codePage, true);
    if (!place.empty()) when += (when.empty() ? "Taken in " : " in ") + place;
    if (!when.empty()) text += (text.empty() ? "" : "\n\n") + when;
    if (text.empty()) text = Clean(relative, codePage, true);
    if (text.empty()) text = "Photo";
    std::string captionTitle = Clean(title, codePage, true);
    p.captions[i] = {captionTitle.empty() ? "Photo" : captionTitle, text};
  }
  p.pictureInfo = Clean(title, "CP1252", true);
  std::string info = Clean(relative, "CP1252", true);
  info += (info.empty() ? "" : ", ") + std::to_string(w) + " x " + std::to_string(h);
  if (!facts.date.empty()) info += ", " + facts.date;
  const std::string place = Clean(facts.place, "CP1252", true);
  if (!place.empty()) info += ", " + place;
  p.imageNumber = info;

  const std::string base = (setPath / fileBase).string();
  std::string error;
  try {
    error = mks::WriteBytes(base + ".jpg", stored);
    if (error.empty()) error = mks::WriteBytes(base + ".bmp", mks::EncodeThumbnailBmp(mks::Thumbnail(raster, origin)));
    if (error.empty()) error = mks::WriteBytes(base + ".nfo", mks::InformationFile(p));
  } catch (const std::exception& e) {
    error = e.what();
  }
  if (!error.empty()) {
    for (const char* ext : {".jpg", ".bmp", ".nfo"}) RemoveFile(base + ext);
    return "cannot be stored: " + error;
  }
  made.name = p.name;
  return "";
}

// ---- the set ------------------------------------------------------------------------------

bool IsPhotoName(const fs::path& path) {
  std::string ext = path.extension().string();
  for (char& c : ext) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
  return ext == ".jpg" || ext == ".jpeg" || ext == ".jpe" || ext == ".png";
}

bool Tell(const Progress& progress, int done, int total, bool skipped, const std::string& line) {
  return !progress || progress(Step{done, total, skipped, line});
}

// The photos below `folder` in path order, as paths relative to it. Links are not
// followed, neither to files nor into folders; each one is said once. False when the
// listing was stopped.
bool ListPhotos(const fs::path& folder, const Progress& progress, std::vector<std::string>& found) {
  std::error_code ec;
  std::size_t seen = 0;
  for (auto it = fs::recursive_directory_iterator(folder, fs::directory_options::skip_permission_denied, ec);
       !ec && it != fs::end(it); it.increment(ec)) {
    // A folder with a great many entries is listed for a while; the one who waits may stop it.
    if (++seen % 256 == 0 && !Tell(progress, 0, 0, false, "")) return false;
    const fs::file_status status = it->symlink_status(ec);
    // Lexically: resolving the name would follow the very links that are skipped.
    const std::string relative = it->path().lexically_relative(folder).string();
    if (fs::is_symlink(status)) {
      if ((IsPhotoName(it->path()) || fs::is_directory(it->path(), ec)) &&
          !Tell(progress, 0, 0, true, "skipping " + relative + ": a link"))
        return false;
      continue;
    }
    if (!fs::is_regular_file(status) || !IsPhotoName(it->path())) continue;
    // The name is kept in a profile file: one line, no blanks at either end.
    if (relative.find_first_of("\r\n") != std::string::npos || relative.front() == ' ' ||
        relative.back() == ' ') {
      if (!Tell(progress, 0, 0, true, "skipping a photo whose name holds a line break or outer blank")) return false;
      continue;
    }
    found.push_back(relative);
  }
  std::sort(found.begin(), found.end());
  return true;
}

std::string Lower(std::string s) {
  for (char& c : s) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
  return s;
}

struct Entry {
  std::string name, fileBase, source;
};

std::string NextFileBase(std::set<std::string>& used, int& counter) {
  for (;;) {
    char base[16];
    std::snprintf(base, sizeof base, "pic%05d", ++counter);
    if (used.insert(base).second) return base;
  }
}

// Adds the photos in `sources` to `entries`, telling `progress` of each. File bases count
// on from `counter` and are never given twice: a picture dropped from the set must not
// come back under another photo. False when stopped.
bool AddPhotos(const fs::path& photoFolder, const fs::path& setPath, const std::vector<std::string>& sources,
               std::vector<Entry>& entries, int& counter, const Progress& progress) {
  std::set<std::string> names, bases;
  for (const Entry& e : entries) {
    names.insert(Lower(e.name));
    bases.insert(e.fileBase);
  }
  const int total = static_cast<int>(sources.size());
  int done = 0;
  for (const std::string& relative : sources) {
    ++done;
    if (entries.size() >= static_cast<std::size_t>(kMaxPictures)) {
      if (!Tell(progress, done, total, true,
                "skipping " + relative + ": a set holds " + std::to_string(kMaxPictures) + " pictures at most"))
        return false;
      continue;
    }
    const std::string fileBase = NextFileBase(bases, counter);
    Made made;
    const std::string why = MakePicture(photoFolder / relative, relative, setPath, fileBase, names, made);
    if (!why.empty()) {
      bases.erase(fileBase);
      --counter;
      if (!Tell(progress, done, total, true, "skipping " + relative + ": it " + why)) return false;
      continue;
    }
    names.insert(Lower(made.name));
    entries.push_back({made.name, fileBase, relative});
    if (!Tell(progress, done, total, false, relative + " -> " + made.name)) return false;
  }
  return true;
}

std::string WriteSetFiles(const fs::path& setPath, const std::string& setName,
                          const std::string& folder, const fs::path& photoFolder,
                          const std::vector<Entry>& entries, int counter) {
  mks::SampleSet set;
  set.name = setName;
  set.folder = folder;
  set.photo = "Photographs from " + Clean(photoFolder.filename().string(), "CP1252", true);
  for (const Entry& e : entries) {
    mks::Picture p;
    p.name = e.name;
    p.fileBase = e.fileBase;
    set.pictures.push_back(p);
  }
  // The record of where each picture came from; read back only by --update.
  std::string record = "[Photos]\r\nFolder=" + photoFolder.string() + "\r\nLast=" +
                       std::to_string(counter) + "\r\n\r\n[Files]\r\n";
  for (const Entry& e : entries) record += e.fileBase + "=" + e.source + "\r\n";
  try {
    std::string error = mks::WriteBytes((setPath / "company.ini").string(), mks::CompanyIni(set.company));
    if (error.empty()) error = mks::WriteBytes((setPath / "photo.nfo").string(), mks::SetInformationFile(set));
    if (error.empty()) error = mks::WriteBytes((setPath / kSourceFile).string(), record);
    // Last: the set description is what makes the folder a set.
    if (error.empty()) error = mks::WriteBytes((setPath / catalogue::kSetDescriptionFile).string(), mks::ImagesIni(set));
    return error;
  } catch (const std::exception& e) {
    return e.what();
  }
}

bool PhotoFolder(const std::string& given, fs::path& folder) {
  std::error_code ec;
  folder = fs::canonical(given, ec);
  return !ec && fs::is_directory(folder, ec);
}

}  // namespace

bool StoredName(const std::string& utf8, std::string& stored) {
  try {
    stored = mks::Encode(utf8, "CP1252");
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

std::string FolderForName(const std::string& setName) {
  std::string folder;
  for (char c : setName) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (plain) folder += c;
    else if (!folder.empty() && folder.back() != '_') folder += '_';
    if (folder.size() >= 40) break;
  }
  while (!folder.empty() && folder.back() == '_') folder.pop_back();
  return folder.empty() ? "Photos" : folder;
}

std::string InstalledSetClash(const std::string& programFolder, const std::string& stored,
                              const std::string& setFolder) {
  std::vector<SetAndFolder> others = ListInstalledSetFolders();
  const CProfileFile main((fs::path(programFolder) / catalogue::kMainSettingsFile).string());
  std::vector<std::string> names;
  main.ReadKeyNames(catalogue::kSetDescriptions, names);
  for (const std::string& name : names) {
    std::string folder;
    main.ReadString(catalogue::kSetDescriptions, name, folder);
    others.emplace_back(name, folder);
  }
  return SetClashProblem(stored, setFolder, others);
}

std::string NewSetProblem(const std::string& programFolder, const std::string& setName, std::string& stored) {
  if (!StoredName(setName, stored))
    return "the set name \"" + setName + "\" has characters that a set name cannot hold";
  if (std::string problem = SetNameProblem(stored); !problem.empty())
    return "the set name \"" + setName + "\" is " + problem;
  if (stored.size() > kMaxSetName) return "the set name is longer than 259 bytes";
  const std::string folder = FolderForName(stored);
  if (std::string problem = InstalledSetClash(programFolder, stored, folder + "\\"); !problem.empty())
    return "the set \"" + setName + "\" has " + problem;
  // Said here, while another name can still be chosen, rather than once the photos are read.
  std::error_code ec;
  if (fs::symlink_status(fs::path(programFolder) / folder, ec).type() != fs::file_type::not_found)
    return "the set folder \"" + folder + "\" that the name gets is taken";
  return "";
}

std::string MakeSet(const std::string& programFolder, const std::string& photoFolderText,
                    const std::string& setName, std::string& setFolder, const Progress& progress) {
  Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
  fs::path photoFolder;
  if (!PhotoFolder(photoFolderText, photoFolder)) return "the photo folder " + photoFolderText + " does not exist";
  std::error_code ec;
  // A folder that cannot be listed would otherwise pass for one without photos.
  fs::directory_iterator probe(photoFolder, ec);
  if (ec) return "the photo folder " + photoFolder.string() + " cannot be read (" + ec.message() + ")";
  const std::string folder = FolderForName(setName);
  const fs::path setPath = fs::path(programFolder) / folder;
  // A new folder of our own, made here: a folder or link already there is someone else's.
  if (!fs::create_directory(setPath, ec))
    return "the set folder " + setPath.string() + " is taken (or cannot be made)";
  std::string resolved;
  if (!ResolveFolderInside(programFolder, folder, resolved)) {
    DeleteFolderFiles(setPath.string());
    return "the set folder does not lie inside the program folder";
  }

  std::vector<Entry> entries;
  std::vector<std::string> sources;
  int counter = 0;
  // Half a set would be taken for a set by nobody, and block the name's folder.
  if (!ListPhotos(photoFolder, progress, sources) ||
      !AddPhotos(photoFolder, setPath, sources, entries, counter, progress)) {
    DeleteFolderFiles(setPath.string());
    return "stopped: no set was made";
  }
  if (entries.empty()) {
    DeleteFolderFiles(setPath.string());
    return sources.empty() ? "the folder " + photoFolder.string() + " holds no JPEG or PNG photo"
                           : "no photo of " + photoFolder.string() + " could be used";
  }
  if (std::string error = WriteSetFiles(setPath, setName, folder, photoFolder, entries, counter);
      !error.empty()) {
    DeleteFolderFiles(setPath.string());
    return error;
  }
  setFolder = folder + "\\";
  return "";
}

std::string AddMadeSet(const std::string& programFolder, const std::string& stored,
                       const std::string& setFolder) {
  HKEY key = nullptr;
  LONG rc = RegCreateKeyEx(HKEY_CURRENT_USER, catalogue::kRecordKey, &key);
  if (rc == ERROR_SUCCESS) {
    rc = RegSetValueEx(key, stored.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(setFolder.c_str()),
                       static_cast<DWORD>(setFolder.size() + 1));
    RegCloseKey(key);
  }
  if (rc != ERROR_SUCCESS) return "the installed-set record cannot be written";
  const std::string description = (fs::path(programFolder) / setFolder.substr(0, setFolder.size() - 1) /
                                   catalogue::kSetDescriptionFile).string();
  const CProfileFile main((fs::path(programFolder) / catalogue::kMainSettingsFile).string());
  if (!CopySetFromFolder(CProfileFile::Outside(description), main))
    return "the set cannot be added to " + std::string(catalogue::kMainSettingsFile);
  return "";
}

std::string UpdateSet(const std::string& programFolder, const std::string& setNameText,
                      const Progress& progress, std::string& summary) {
  Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
  // The catalogue and the set's files hold names in the code page; entries carry UTF-8.
  std::string setName;
  if (!StoredName(setNameText, setName)) return "no set can have the name \"" + setNameText + "\"";
  auto utf8 = [](const std::string& stored) { return Convert(stored, "UTF-8", "CP1252"); };
  const CProfileFile main(programFolder + "/" + catalogue::kMainSettingsFile);
  std::string folder;
  for (const auto& [name, recorded] : ListInstalledSetFolders())
    if (name == setName) folder = recorded;
  if (folder.empty()) return "the set \"" + setName + "\" is not installed";
  std::string resolved;
  if (!ResolveFolderInside(programFolder, folder, resolved)) return "the set folder " + folder + " is missing";
  const fs::path setPath = resolved;
  const CProfileFile record((setPath / kSourceFile).string());
  const CProfileFile images((setPath / catalogue::kSetDescriptionFile).string());
  std::string photoText;
  if (!FileExists((setPath / kSourceFile).string()) || record.ReadString("Photos", "Folder", photoText) == 0)
    return "the set \"" + setName + "\" was not made from a photo folder";
  fs::path photoFolder;
  if (!PhotoFolder(photoText, photoFolder)) return "the photo folder " + photoText + " does not exist any more";

  std::vector<std::string> now;
  ListPhotos(photoFolder, progress, now);
  const std::set<std::string> present(now.begin(), now.end());
  std::vector<Entry> entries;
  std::set<std::string> known;
  std::vector<std::string> names;
  images.ReadKeyNames(setName, names);
  std::map<std::string, std::string> removedByBase;  // file base -> picture name taken out
  std::vector<std::string> removed;
  main.ReadKeyNames(setName + catalogue::kDeletedSuffix, removed);
  for (const std::string& name : removed) {
    std::string base;
    main.ReadString(setName + catalogue::kDeletedSuffix, name, base);
    removedByBase[base] = name;
  }
  int dropped = 0;
  for (const std::string& name : names) {
    std::string base, source;
    images.ReadString(setName, name, base);
    record.ReadString("Files", base, source);
    known.insert(source);
    if (present.count(source)) {
      entries.push_back({utf8(name), base, source});
      continue;
    }
    // Gone from the photo folder: gone from the set, wherever the user had put it.
    ++dropped;
    Tell(progress, 0, 0, false, "removed " + name + " (" + source + ")");
    for (const char* ext : {".jpg", ".bmp", ".nfo"}) RemoveFile((setPath / (base + ext)).string());
    main.DeleteKey(setName, name);
    if (auto it = removedByBase.find(base); it != removedByBase.end())
      main.DeleteKey(setName + catalogue::kDeletedSuffix, it->second);
  }
  std::vector<std::string> added;
  for (const std::string& relative : now)
    if (!known.count(relative)) added.push_back(relative);
  const std::size_t before = entries.size();
  int counter = std::max(0, record.ReadInt("Photos", "Last"));
  for (const Entry& e : entries)
    if (e.fileBase.rfind("pic", 0) == 0) counter = std::max(counter, std::atoi(e.fileBase.c_str() + 3));
  AddPhotos(photoFolder, setPath, added, entries, counter, progress);
  if (std::string error = WriteSetFiles(setPath, setNameText, folder.substr(0, folder.find_last_not_of("\\/") + 1),
                                        photoFolder, entries, counter);
      !error.empty())
    return error;
  // The catalogue learns of the new pictures at the end of the set; a set not yet taken
  // into the catalogue gets them from the set description when it is.
  std::string stored;
  if (main.ReadString(catalogue::kSetDescriptions, setName, stored) > 0)
    for (std::size_t i = before; i < entries.size(); ++i) main.WriteString(setName, Convert(entries[i].name, "CP1252", "UTF-8"), entries[i].fileBase);
  summary = "updated \"" + setName + "\": " + std::to_string(entries.size() - before) + " added, " +
            std::to_string(dropped) + " removed";
  return "";
}

}  // namespace photos
