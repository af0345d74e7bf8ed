#include "decoder/libjpeg_glue.h"

#include <jerror.h>

namespace {

[[noreturn]] void Fail(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// A damaged picture is refused rather than shown with grey or smeared blocks; only
// warnings about metadata pass.
void OnMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;  // trace output
  switch (cinfo->err->msg_code) {
    case JWRN_ADOBE_XFORM:
    case JWRN_EXTRANEOUS_DATA:  // stray bytes between segments, common and harmless
    case JWRN_JFIF_MAJOR:
    case JWRN_BOGUS_ICC:
      ++cinfo->err->num_warnings;
      return;
    default:
      Fail(cinfo);
  }
}

void OnProgress(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  const auto* progress = reinterpret_cast<const Progress*>(cinfo->progress);
  if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > progress->scans)
    Fail(cinfo);
}

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

boolean FillSource(j_decompress_ptr cinfo) {
  auto* self = reinterpret_cast<FileSource*>(cinfo->src);
  std::size_t n = std::fread(self->buffer.data(), 1, self->buffer.size(), self->file);
  if (n == 0) {
    // A file cut short ends in an end-of-image marker, as libjpeg's own source does;
    // the warning refuses the picture (OnMessage).
    WARNMS(cinfo, JWRN_JPEG_EOF);
    self->buffer[0] = 0xFF;
    self->buffer[1] = JPEG_EOI;
    n = 2;
  }
  self->pub.next_input_byte = self->buffer.data();
  self->pub.bytes_in_buffer = n;
  return TRUE;
}

void SkipSource(j_decompress_ptr cinfo, long count) {
  auto* self = reinterpret_cast<FileSource*>(cinfo->src);
  while (count > static_cast<long>(self->pub.bytes_in_buffer)) {
    count -= static_cast<long>(self->pub.bytes_in_buffer);
    FillSource(cinfo);
  }
  if (count > 0) {
    self->pub.next_input_byte += count;
    self->pub.bytes_in_buffer -= static_cast<std::size_t>(count);
  }
}

}  // namespace

void UseErrorManager(jpeg_decompress_struct* cinfo, ErrorManager* err) {
  cinfo->err = jpeg_std_error(&err->pub);
  err->pub.error_exit = Fail;
  err->pub.emit_message = OnMessage;
}

void Progress::Attach(jpeg_decompress_struct* cinfo) {
  pub.progress_monitor = OnProgress;
  cinfo->progress = &pub;
}

void FileSource::Attach(jpeg_decompress_struct* cinfo, std::FILE* from,
                        const std::vector<JOCTET>* first) {
  file = from;
  pub.init_source = InitSource;
  pub.fill_input_buffer = FillSource;
  pub.skip_input_data = SkipSource;
  pub.resync_to_restart = jpeg_resync_to_restart;
  pub.term_source = TermSource;
  pub.next_input_byte = first ? first->data() : nullptr;
  pub.bytes_in_buffer = first ? first->size() : 0;
  cinfo->src = &pub;
}

long long FileSource::Offset() const {
  const long position = std::ftell(file);
  return position < 0 ? -1 : position - static_cast<long long>(pub.bytes_in_buffer);
}
