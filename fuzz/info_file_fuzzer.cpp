// Any bytes as a picture's information file and as its set's "photo.nfo": every caption
// block, the panorama settings, the web link and the dialog texts.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "imagelib/info_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string picture = fuzz::ScratchPath("Picture.nfo");
  static const std::string set = fuzz::ScratchPath("photo.nfo");
  fuzz::WriteFile(picture, data, size);
  fuzz::WriteFile(set, data, size);

  for (const char* language : {"English", "German", "French", "Spanish", "Japanese"}) {
    std::string title, text;
    bool found = ReadCaptionBlock(picture, language, title, text);
    if (!found && (!title.empty() || !text.empty())) fuzz::Fail("no caption block, yet texts");
    if (title.find("\r\n") != std::string::npos) fuzz::Fail("a caption title spans lines");
    if (text.find("\r\n\r\n\r\n") != std::string::npos) fuzz::Fail("caption text runs past its end");
    if (title.size() + text.size() > 2 * size + 2) fuzz::Fail("caption longer than its file");
  }
  int direction = ReadPanDirection(picture);
  if (direction < PAN_NONE || direction > PAN_RIGHTTOLEFT) fuzz::Fail("unknown pan direction");
  ReadPanoramicOrigin(picture);
  if (ReadPictureLink(picture).size() >= infofile::kShortTextBuffer) fuzz::Fail("link longer than its buffer");
  PictureInfoTexts texts = ReadPictureInfoTexts(picture, set, "Picture");
  if (texts.title.empty() && texts.information.empty() && texts.additional.empty() &&
      texts.order.empty() && size == 0)
    fuzz::Fail("an empty file gave empty texts instead of \"Not Available\"");
  return 0;
}
