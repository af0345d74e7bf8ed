// mksampleset <output folder>
// Paints the sample image sets and writes each into a set folder below the output folder,
// laid out as an installed set is: images.ini, company.ini, photo.nfo, and for every
// picture its .jpg, .bmp thumbnail and .nfo information file. The output is the same, byte
// for byte, on every run.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "imagelib/settings_keys.h"
#include "tools/mksampleset/sample_sets.h"
#include "tools/mksampleset/set_files.h"
#include "tools/mksampleset/writers.h"

namespace fs = std::filesystem;
using namespace mks;

namespace {

constexpr int kJpegQuality = 88;

void Check(const std::string& error) {
  if (!error.empty()) throw std::runtime_error(error);
}

void WriteSet(const fs::path& out, const SampleSet& set) {
  fs::path folder = out / set.folder;
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) throw std::runtime_error("cannot make " + folder.string() + ": " + ec.message());
  Check(WriteBytes((folder / settings::kSetDescriptionFile).string(), ImagesIni(set)));
  Check(WriteBytes((folder / settings::kCompanyFile).string(), CompanyIni(set.company)));
  Check(WriteBytes((folder / "photo.nfo").string(), SetInformationFile(set)));
  for (const Picture& p : set.pictures) {
    std::string base = (folder / p.fileBase).string();
    // Texts first: a wrong character fails the run before any painting time is spent.
    Check(WriteBytes(base + ".nfo", InformationFile(p)));
    Raster picture(p.width, p.height);
    p.paint(picture);
    // The thumbnail of a greyscale picture must be grey too.
    if (p.kind == JpegKind::Greyscale) ToGrey(picture);
    Check(WriteJpeg(base + ".jpg", picture, p.kind, kJpegQuality));
    Check(WriteBytes(base + ".bmp", EncodeThumbnailBmp(Thumbnail(picture, p.panoramicOrigin))));
  }
  std::printf("%s: %zu pictures in %s\n", set.name.c_str(), set.pictures.size(), folder.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (!std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "--help"))) {
    std::printf("usage: mksampleset <output folder>\n"
                "Writes the sample image sets, one set folder each, into the output folder.\n");
    return 0;
  }
  if (argc != 2 || argv[1][0] == '\0') {
    std::fprintf(stderr, "usage: mksampleset <output folder>\n");
    return 2;
  }
  try {
    for (const SampleSet& set : SampleSets()) WriteSet(argv[1], set);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "mksampleset: %s\n", e.what());
    return 1;
  }
  return 0;
}
