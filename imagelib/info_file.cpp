#include "imagelib/info_file.h"

#include <vector>

#include "imagelib/profile_file.h"
#include "platform/atomic_file.h"
#include "platform/paths.h"
#include "platform/profile.h"

namespace {
const std::string kBreak = "\r\n";

std::string upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

std::string readShortText(const std::string& file, const char* section, const char* key,
                          const char* fallback) {
  std::vector<char> buffer(infofile::kShortTextBuffer, '\0');
  DWORD n = GetOutsideProfileString(section, key, fallback, buffer.data(),
                                    infofile::kShortTextBuffer, file.c_str());
  if (n >= infofile::kShortTextBuffer) n = infofile::kShortTextBuffer - 1;
  return std::string(buffer.data(), n);
}

// Information files come from whoever prepared the set; one saved with bare LF line ends
// would otherwise read as a single endless title line. Every bare LF becomes CR LF, so
// files with CR LF (the set format) are searched exactly as written.
std::string withCrLf(const std::string& bytes) {
  if (bytes.find('\n') == std::string::npos) return bytes;
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 16);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) out += '\r';
    out += bytes[i];
  }
  return out;
}

bool breakAt(const std::string& s, std::size_t at) { return s.compare(at, 2, kBreak) == 0; }
}  // namespace

int PanDirectionCode(const std::string& text) {
  const std::string u = upper(text);
  if (u == "TOPTOBOTTOM") return PAN_TOPTOBOTTOM;
  if (u == "BOTTOMTOTOP") return PAN_BOTTOMTOTOP;
  if (u == "LEFTTORIGHT") return PAN_LEFTTORIGHT;
  if (u == "RIGHTTOLEFT") return PAN_RIGHTTOLEFT;
  return PAN_NONE;
}

int ReadPanDirection(const std::string& infoFile) {
  return PanDirectionCode(readShortText(infoFile, "Panoramic", "PanDirection", "None"));
}

int ReadPanoramicOrigin(const std::string& infoFile) {
  return CProfileFile::Outside(infoFile).ReadInt("Panoramic", "PanoramicOrigin");
}

std::string ReadPictureLink(const std::string& infoFile) {
  return readShortText(infoFile, "NetJumper", "URL", infofile::kNoLink);
}

bool ReadCaptionBlock(const std::string& infoFile, const std::string& language,
                      std::string& title, std::string& text) {
  title.clear();
  text.clear();
  if (language.empty()) return false;
  std::string raw;
  if (!ReadFileStart(NativePath(infoFile), raw, kOutsideFileLimit) || raw.empty()) return false;
  const std::string file = withCrLf(raw);

  const std::size_t key = file.find(language + "=");
  if (key == std::string::npos) return false;
  const std::size_t titleStart = key + language.size() + 1;
  const std::size_t titleEnd = file.find(kBreak, titleStart);
  if (titleEnd == std::string::npos) {
    // A title on the last line of a file without a final line break is still a title.
    title = file.substr(titleStart);
    if (!title.empty() && title.back() == '\r') title.pop_back();
    return true;
  }
  title = file.substr(titleStart, titleEnd - titleStart);

  const std::size_t afterTitle = titleEnd + 2;
  if (!breakAt(file, afterTitle) || breakAt(file, afterTitle + 2)) return true;
  const std::size_t textStart = afterTitle + 2;
  const std::size_t textEnd = file.find("\r\n\r\n\r\n", textStart);
  text = file.substr(textStart, textEnd == std::string::npos ? std::string::npos
                                                             : textEnd - textStart);
  return true;
}

PictureInfoTexts ReadPictureInfoTexts(const std::string& infoFile, const std::string& setInfoFile,
                                      const std::string& pictureName) {
  const CProfileFile info = CProfileFile::Outside(infoFile), set = CProfileFile::Outside(setInfoFile);
  auto missing = [](const std::string& s) { return s == CProfileFile::kNotAvailable; };
  PictureInfoTexts t;
  info.ReadString(pictureName, "PictureInfo", t.title);
  info.ReadString(pictureName, "ImageNumber", t.information);
  info.ReadString(pictureName, "Photo", t.additional);
  if (missing(t.title)) info.ReadString(pictureName, "Picture Info", t.title);
  if (missing(t.information)) info.ReadString(pictureName, "Image Number", t.information);
  if (missing(t.title)) info.ReadString("Info", "PictureInfo", t.title);
  if (missing(t.information)) info.ReadString("Info", "ImageNumber", t.information);
  if (missing(t.additional)) set.ReadString("Info", "Photo", t.additional);
  info.ReadString(pictureName, "PrintOrder", t.order);
  if (missing(t.order)) set.ReadString("Info", "PrintOrder", t.order);
  return t;
}
