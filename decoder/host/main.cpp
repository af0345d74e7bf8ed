// quilldec: runs one call of the decoder library for a program of the suite, so that a
// decoder that crashes or hangs costs that program nothing but the call (see
// platform/isolated_call.h). Started by the programs only; the library is the file the
// program itself loaded from its folder, by full path.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "decoder/djpeg32.h"
#include "decoder/host_protocol.h"
#include "platform/isolated_call.h"
#include "platform/library.h"

namespace {
int N(const DecoderHostArguments& a, std::size_t index, long otherwise = 0) {
  return static_cast<int>(a.Number(index, otherwise));
}

int AnswerDecode(HGLOBAL block) {
  if (!block) return AnswerIsolatedCall(kDecoderHostNoPicture, nullptr, 0) ? 0 : 1;
  if (block == QM_DECODED_TO_FILE) return AnswerIsolatedCall(kDecoderHostToFile, nullptr, 0) ? 0 : 1;
  // The block is written to the caller's memory file, then given back: the process ends
  // now, but a host built with the leak checker would otherwise report it as lost.
  const bool sent = AnswerIsolatedCall(kDecoderHostBlock, GlobalLock(block), GlobalSize(block));
  GlobalUnlock(block);
  GlobalFree(block);
  return sent ? 0 : 1;
}

int Decode(HMODULE library, const DecoderHostArguments& a) {
  auto decode = reinterpret_cast<QmDecodeJpegProc>(GetProcAddress(library, WORD{2}));
  if (!decode || a.texts.size() != 2) return 2;
  return AnswerDecode(decode(a.texts[0].c_str(), a.texts[1].c_str(), nullptr, N(a, 0, 1), N(a, 1)));
}

int DecodeForScreen(HMODULE library, const DecoderHostArguments& a) {
  auto decode = reinterpret_cast<QmDecodeJpegForScreenProc>(
      GetProcAddress(library, kQmDecodeJpegForScreenName));
  if (!decode || a.texts.size() != 2) return 2;
  return AnswerDecode(decode(a.texts[0].c_str(), a.texts[1].c_str(), N(a, 0, 1), N(a, 1), N(a, 2),
                             N(a, 3), N(a, 4)));
}

int Window(HMODULE library, const DecoderHostArguments& a) {
  auto window = reinterpret_cast<QmWritePanoramaWindowProc>(GetProcAddress(library, WORD{3}));
  if (!window || a.texts.size() != 1) return 2;
  const int written = window(a.texts[0].c_str(), IsolatedCallInput(), static_cast<int>(a.Number(0)));
  return AnswerIsolatedCall(written != 0 ? 1 : 0, nullptr, 0) ? 0 : 1;
}

int WindowForScreen(HMODULE library, const DecoderHostArguments& a) {
  auto window = reinterpret_cast<QmWritePanoramaWindowForScreenProc>(
      GetProcAddress(library, kQmWritePanoramaWindowForScreenName));
  if (!window || a.texts.size() != 1) return 2;
  const int written = window(a.texts[0].c_str(), IsolatedCallInput(), N(a, 0), N(a, 1, 1), N(a, 2), N(a, 3));
  return AnswerIsolatedCall(written != 0 ? 1 : 0, nullptr, 0) ? 0 : 1;
}
}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args;
  if (!IsolatedCallArguments(argc, argv, args)) return 0;  // started ahead, never called
  PrepareIsolatedHost();
  std::vector<char*> argument{argv[0]};
  for (std::string& arg : args) argument.push_back(arg.data());
  argument.push_back(nullptr);
  DecoderHostArguments a;
  if (!ParseDecoderHostArguments(static_cast<int>(argument.size()) - 1, argument.data(), a) ||
      a.library.empty() || a.library[0] != '/') {
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
  if (a.procedure == kDecoderHostDecodeForScreen) return DecodeForScreen(library, a);
  if (a.procedure == kDecoderHostWindowForScreen) return WindowForScreen(library, a);
  return 2;
}
