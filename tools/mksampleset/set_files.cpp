#include "tools/mksampleset/set_files.h"

#include <stdexcept>

#include "imagelib/settings_keys.h"

namespace mks {

namespace {

const char kCrLf[] = "\r\n";

std::string Ansi(const std::string& utf8) { return Encode(utf8, "CP1252"); }

// Refuses values the profile reader would change or split: it trims blanks and ends a
// value at the line end.
std::string Value(const std::string& utf8) {
  if (utf8.find_first_of("\r\n") != std::string::npos || utf8.front() == ' ' || utf8.back() == ' ')
    throw std::runtime_error("a profile value must be one line without outer blanks: " + utf8);
  return Ansi(utf8);
}

void Key(std::string& out, const std::string& key, const std::string& value) {
  if (!value.empty()) out += key + "=" + Value(value) + kCrLf;
}

void Section(std::string& out, const std::string& name) {
  if (!out.empty()) out += kCrLf;
  out += "[" + Ansi(name) + "]" + kCrLf;
}

// One caption block: "<language>=<title>", an empty line, the text, two empty lines.
// The reader ends a text at the first two empty lines in a row, so paragraphs may be
// separated by one empty line only, and the block must not start with a blank text line.
std::string CaptionBlock(const char* language, const Caption& c, const char* codePage) {
  const std::string& t = c.text;
  if (c.title.empty() || c.title.find('\n') != std::string::npos || t.empty() || t.front() == '\n' ||
      t.back() == '\n' || t.find("\n\n\n") != std::string::npos || t.find('=') != std::string::npos ||
      t.find('[') != std::string::npos)
    throw std::runtime_error(std::string("malformed ") + language + " caption: " + c.title);
  std::string text;
  for (char ch : t) {
    if (ch == '\n') text += kCrLf;
    else text += ch;
  }
  return std::string(language) + "=" + Encode(c.title, codePage) + kCrLf + kCrLf +
         Encode(text, codePage) + kCrLf + kCrLf + kCrLf;
}

}  // namespace

std::string ImagesIni(const SampleSet& set) {
  if (set.name.find('~') != std::string::npos)
    throw std::runtime_error("a set name must not contain \"~\": " + set.name);
  std::string out;
  Section(out, settings::kSetDescriptions);
  out += Ansi(set.name) + "=" + Ansi(set.folder) + "\\" + kCrLf;
  Section(out, set.name);
  for (const Picture& p : set.pictures) out += Ansi(p.name) + "=" + Ansi(p.fileBase) + kCrLf;
  return out;
}

std::string InformationFile(const Picture& p) {
  std::string out;
  for (size_t i = 0; i < kLanguages.size(); ++i) {
    const char* codePage = std::string(kLanguages[i]) == "Japanese" ? "CP932" : "CP1252";
    out += CaptionBlock(kLanguages[i], p.captions[i], codePage);
  }
  std::string profile;
  switch (p.infoStyle) {
    case InfoStyle::PictureSection:
      Section(profile, p.name);
      Key(profile, "PictureInfo", p.pictureInfo);
      Key(profile, "ImageNumber", p.imageNumber);
      Key(profile, "Photo", p.photo);
      Key(profile, "PrintOrder", p.printOrder);
      break;
    case InfoStyle::BlankKeyNames:
      Section(profile, p.name);
      Key(profile, "Picture Info", p.pictureInfo);
      Key(profile, "Image Number", p.imageNumber);
      Key(profile, "Photo", p.photo);
      Key(profile, "PrintOrder", p.printOrder);
      break;
    case InfoStyle::FileWideOnly:
      Section(profile, "Info");
      Key(profile, "PictureInfo", p.pictureInfo);
      Key(profile, "ImageNumber", p.imageNumber);
      break;
  }
  if (p.panoramicOrigin >= 0 || !p.panDirection.empty()) {
    Section(profile, "Panoramic");
    if (p.panoramicOrigin >= 0) Key(profile, "PanoramicOrigin", std::to_string(p.panoramicOrigin));
    Key(profile, "PanDirection", p.panDirection);
  }
  if (!p.url.empty()) {
    Section(profile, "NetJumper");
    Key(profile, "URL", p.url);
  }
  return out + profile;
}

std::string SetInformationFile(const SampleSet& set) {
  std::string out;
  Section(out, "Info");
  Key(out, "Photo", set.photo);
  Key(out, "PrintOrder", set.printOrder);
  return out;
}

std::string CompanyIni(const Company& c) {
  std::string out;
  Section(out, "Company");
  Key(out, "Introduction", c.introduction);
  Key(out, "Company Name", c.name);
  Key(out, "Street Address", c.street);
  Key(out, "City State Zip", c.cityStateZip);
  Key(out, "Phone", c.phone);
  Key(out, "Web Site", c.webSite);
  Section(out, "NetJumper");
  Key(out, "NetJumper", std::to_string(c.netJumper));
  Key(out, "companyURL", c.companyUrl);
  Key(out, "setURL", c.setUrl);
  Key(out, "SSNetJumper", std::to_string(c.ssNetJumper));
  Key(out, "SSURL", c.ssUrl);
  return out;
}

}  // namespace mks
