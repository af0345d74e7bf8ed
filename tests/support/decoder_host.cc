// The tests run from their own folder, not the program folder: their decoder calls go
// through the decoder host that the build put in the program folder.
#include "imagelib/decoder_call.h"

namespace {
const bool kHostChosen = [] {
  SetDecoderHostForTesting(QM_BIN_DIR "/quilldec");
  return true;
}();
}  // namespace
