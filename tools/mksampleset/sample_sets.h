#pragma once
// What the generator makes: the sample image sets, their pictures and all their texts.
// Texts are written here in UTF-8 and converted to the suite's 8-bit code pages on output.
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "tools/mksampleset/painting.h"
#include "tools/mksampleset/writers.h"

namespace mks {

// The caption languages, in the order their blocks appear in an information file.
inline constexpr std::array<const char*, 5> kLanguages = {"English", "German", "French", "Spanish",
                                                          "Japanese"};

struct Caption {
  std::string title;
  // Paragraphs separated by an empty line ("\n\n"); no line of it may be empty otherwise.
  std::string text;
};

// Which of the information file's key forms a picture uses, so the sets exercise every
// fallback of the Image Information dialog.
enum class InfoStyle {
  PictureSection,  // [picture name] PictureInfo, ImageNumber, Photo (and PrintOrder if given)
  BlankKeyNames,   // [picture name] "Picture Info", "Image Number", Photo
  FileWideOnly,    // [Info] PictureInfo, ImageNumber; the rest comes from photo.nfo
};

struct Picture {
  std::string name;      // picture name: a title, the key in the set's section
  std::string fileBase;  // relative to the set folder, no extension
  int width = 0, height = 0;
  JpegKind kind = JpegKind::Baseline;
  std::function<void(Raster&)> paint;
  std::array<Caption, 5> captions;  // in kLanguages order
  InfoStyle infoStyle = InfoStyle::PictureSection;
  std::string pictureInfo, imageNumber, photo, printOrder;  // empty: key not written
  int panoramicOrigin = -1;  // -1: no [Panoramic] origin (not a panorama)
  std::string panDirection;  // empty: no key
  std::string url;           // empty: no [NetJumper] section
};

struct Company {
  std::string introduction, name, street, cityStateZip, phone, webSite;
  int netJumper = 0;
  std::string companyUrl, setUrl;
  int ssNetJumper = 0;
  std::string ssUrl;
};

struct SampleSet {
  std::string name;    // set name; never contains "~"
  std::string folder;  // set folder below the program folder, without a trailing separator
  Company company;
  std::string photo, printOrder;  // photo.nfo [Info]
  std::vector<Picture> pictures;  // slideshow order
};

std::vector<SampleSet> SampleSets();

}  // namespace mks
