#pragma once
// What every libjpeg instance of the decoder shares: errors that end the decode (with
// the warnings that refuse a damaged picture), the bound on its scans, and a file source
// with a large buffer.
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <vector>

// libjpeg's headers expect <cstdio> first.
#include <jpeglib.h>

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

// Makes `cinfo` report every error, and every warning but those about metadata, by a
// longjmp to `err->jump`.
void UseErrorManager(jpeg_decompress_struct* cinfo, ErrorManager* err);

// Stops a decode that goes on past the scans the file was counted to hold (the count
// decided that the picture was worth decoding; a file that contradicts it is broken).
struct Progress {
  jpeg_progress_mgr pub;
  long scans = 0;
  void Attach(jpeg_decompress_struct* cinfo);
};

// libjpeg's source for a file with a buffer sixteen times stdio's. Its entropy decoder
// takes a fast path only while a whole MCU's worst case (512 bytes a block, 3 KB for the
// usual 4:2:0 picture) is in the buffer; with stdio's 4 KB that held for one byte in four,
// and the slow path's refills of its bit buffer were a tenth of a camera picture's decode.
// `first` bytes, when given, come before the file's (which are read from where the file
// stands); they must outlive the decode.
struct FileSource {
  static constexpr std::size_t kBufferBytes = 65536;
  jpeg_source_mgr pub{};
  std::FILE* file = nullptr;
  std::vector<JOCTET> buffer = std::vector<JOCTET>(kBufferBytes);

  void Attach(jpeg_decompress_struct* cinfo, std::FILE* from,
              const std::vector<JOCTET>* first = nullptr);
  // Where the next byte libjpeg takes lies in the file (for a source without `first`).
  long long Offset() const;
};
