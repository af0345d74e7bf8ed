// quilldec: runs one call of the decoder library for a program of the suite, so that a
// decoder that crashes or hangs costs that program nothing but the call (see
// platform/isolated_call.h). Started by the programs only; the library is the file the
// program itself loaded from its folder, by full path.
#include <cstdio>
#include <cstring>

#include "decoder/djpeg32.h"
#include "decoder/host_protocol.h"
#include "platform/isolated_call.h"
#include "platform/library.h"

namespace {
int Decode(HMODULE library, const DecoderHostArguments& a) {
  auto decode = reinterpret_cast<QmDecodeJpegProc>(GetProcAddress(library, WORD{2}));
  if (!decode || a.texts.size() != 2) return 2;
  HGLOBAL block = decode(a.texts[0].c_str(), a.texts[1].c_str(), nullptr, static_cast<int>(a.Number(0, 1)),
                         static_cast<int>(a.Number(1)));
  if (!block) return AnswerIsolatedCall(kDecoderHostNoPicture, nullptr, 0) ? 0 : 1;
  if (block == QM_DECODED_TO_FILE) return AnswerIsolatedCall(kDecoderHostToFile, nullptr, 0) ? 0 : 1;
  // The block goes to the caller's memory file and is not freed: the process ends now.
  const bool sent = AnswerIsolatedCall(kDecoderHostBlock, GlobalLock(block), GlobalSize(block));
  return sent ? 0 : 1;
}

int Window(HMODULE library, const DecoderHostArguments& a) {
  auto window = reinterpret_cast<QmWritePanoramaWindowProc>(GetProcAddress(library, WORD{3}));
  if (!window || a.texts.size() != 1) return 2;
  const int written = window(a.texts[0].c_str(), IsolatedCallInput(), static_cast<int>(a.Number(0)));
  return AnswerIsolatedCall(written != 0 ? 1 : 0, nullptr, 0) ? 0 : 1;
}
}  // namespace

int main(int argc, char** argv) {
  PrepareIsolatedHost();
  DecoderHostArguments a;
  if (!ParseDecoderHostArguments(argc, argv, a) || a.library.empty() || a.library[0] != '/') {
    std::fprintf(stderr, "quilldec: started by the programs of the suite only\n");
    return 2;
  }
  HMODULE library = LoadLibrary(a.library.c_str());
  if (!library) {
    std::fprintf(stderr, "quilldec: %s\n", LibraryErrorText());
    return 2;
  }
  if (a.procedure == kDecoderHostDecode) return Decode(library, a);
  if (a.procedure == kDecoderHostWindow) return Window(library, a);
  return 2;
}
