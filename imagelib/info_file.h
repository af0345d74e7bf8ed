#pragma once
// A picture's information file (file base + ".nfo") and a set's information file
// ("photo.nfo"). One file is read two ways: as a profile file for the dialog texts, the
// panorama settings and the web link, and as plain text for the caption block of a
// language, which may stand anywhere in the file. The suite only reads these files.
//
// A missing or unreadable file reads as a file without keys: "Not Available" texts, no
// panorama (origin -1), pan direction 0, link "NotFound", no caption block.
// Texts are 8-bit bytes in the set's code page, handed on unchanged.
#include <string>

// What the screen saver keeps of [Panoramic] "PanDirection".
enum PanDirection : int {
  PAN_NONE = 0,  // also any text not below: the saver pans by the picture's shape
  PAN_TOPTOBOTTOM = 1,
  PAN_BOTTOMTOTOP = 2,
  PAN_LEFTTORIGHT = 3,
  PAN_RIGHTTOLEFT = 4,
};

namespace infofile {
constexpr const char* kSetInfoFile = "photo.nfo";
constexpr const char* kNoLink = "NotFound";
// The saver's buffers for "PanDirection" and "URL" hold this many bytes with the NUL.
constexpr unsigned kShortTextBuffer = 260;
}  // namespace infofile

// The code of a "PanDirection" text, compared without regard to ASCII letter case.
int PanDirectionCode(const std::string& text);
// [Panoramic] "PanDirection" of the file (default "None"), as a code.
int ReadPanDirection(const std::string& infoFile);
// [Panoramic] "PanoramicOrigin": pixels of a 640-wide screen, or -1 when the key is missing
// (the picture is no panorama). A written -1 reads the same.
int ReadPanoramicOrigin(const std::string& infoFile);
// [NetJumper] "URL", the picture's own web link, or "NotFound" (cut to 259 bytes).
std::string ReadPictureLink(const std::string& infoFile);

// The caption block of `language` ("English", "German", "French", "Spanish", "Japanese"):
// the first "<language>=" anywhere in the file (letter case counts) starts it; the rest
// of that line is the title; after exactly one empty line comes the descriptive text, up
// to two empty lines or the end of the file, its own line breaks kept (as CR LF). False
// when the file cannot be read, is empty or has no such block; `title` and `text` are
// then empty. A title line without an empty line after it, or followed by two, gives no
// descriptive text.
bool ReadCaptionBlock(const std::string& infoFile, const std::string& language,
                      std::string& title, std::string& text);

// The texts of the Image Information dialog, each "Not Available" when neither the
// picture's own information file nor its fallbacks have it.
struct PictureInfoTexts {
  std::string title;        // [picture] "PictureInfo", "Picture Info", then [Info] "PictureInfo"
  std::string information;  // [picture] "ImageNumber", "Image Number", then [Info] "ImageNumber"
  std::string additional;   // [picture] "Photo", then the set file's [Info] "Photo"
  std::string order;        // [picture] "PrintOrder", then the set file's [Info] "PrintOrder"
};
PictureInfoTexts ReadPictureInfoTexts(const std::string& infoFile, const std::string& setInfoFile,
                                      const std::string& pictureName);
