#pragma once
// A wallpaper bitmap read from its file a band of rows at a time: the X root is sent a
// screen-sized picture band by band while the server takes in the last one, and the whole
// file never has to sit in memory. The header is checked against the file's size when it
// is opened, as the old desktop checked a bitmap before it showed any of it.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/x11/wallpaper_bmp.h"

class BitmapFile {
 public:
  BitmapFile() = default;
  ~BitmapFile();
  BitmapFile(const BitmapFile&) = delete;
  BitmapFile& operator=(const BitmapFile&) = delete;

  // False for a file that is missing, not a plain file, or not a bitmap the desktop shows.
  bool Open(const std::string& path);
  const BitmapFormat& format() const { return format_; }
  // The picture's rows [firstRow, firstRow + count) as ConvertBitmapRows takes them; false
  // when the file has been cut short since it was opened.
  bool ReadRows(std::int64_t firstRow, std::int64_t count, std::vector<unsigned char>& rows) const;

 private:
  int fd_ = -1;
  BitmapFormat format_;
};
