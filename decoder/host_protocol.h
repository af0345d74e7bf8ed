#pragma once
// How a program hands one decoder call to the decoder host (quilldec, beside the programs)
// on its command line, and what the host answers. The arguments are
//   procedure  library  text-count  texts...  numbers...
// so a procedure that grows a numeric argument only appends a number: a host reading
// fewer numbers than sent ignores the rest, one reading more takes a default.
#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

constexpr const char* kDecoderHostName = "quilldec";
constexpr const char* kDecoderHostDecode = "decode";  // ordinal 2: picture, output; class, colours
constexpr const char* kDecoderHostWindow = "window";  // ordinal 3: output; origin (block in)
// The same for a known screen (QmDecodeJpegForScreen, QmWritePanoramaWindowForScreen):
constexpr const char* kDecoderHostDecodeForScreen = "decode-screen";  // + width, height, panorama
constexpr const char* kDecoderHostWindowForScreen = "window-screen";  // origin, class, width, height

// The host's answer value for "decode"; the block, if any, comes with kDecoderHostBlock.
enum : long { kDecoderHostNoPicture = 0, kDecoderHostToFile = 1, kDecoderHostBlock = 2 };

struct DecoderHostArguments {
  std::string procedure;
  std::string library;
  std::vector<std::string> texts;
  std::vector<long> numbers;

  long Number(std::size_t index, long otherwise = 0) const {
    return index < numbers.size() ? numbers[index] : otherwise;
  }
};

inline std::vector<std::string> FormatDecoderHostArguments(const DecoderHostArguments& a) {
  std::vector<std::string> out{a.procedure, a.library, std::to_string(a.texts.size())};
  out.insert(out.end(), a.texts.begin(), a.texts.end());
  for (long n : a.numbers) out.push_back(std::to_string(n));
  return out;
}

// False for anything but a whole, well-formed argument list.
inline bool ParseDecoderHostArguments(int argc, char** argv, DecoderHostArguments& a) {
  auto number = [](const char* text, long& value) {
    if (!text || !*text) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text, &end, 10);
    return errno == 0 && *end == '\0';
  };
  if (argc < 4) return false;
  a.procedure = argv[1];
  a.library = argv[2];
  long count = 0;
  if (!number(argv[3], count) || count < 0 || count > argc - 4) return false;
  a.texts.assign(argv + 4, argv + 4 + count);
  a.numbers.clear();
  for (int i = 4 + static_cast<int>(count); i < argc; ++i) {
    long value = 0;
    if (!number(argv[i], value)) return false;
    a.numbers.push_back(value);
  }
  return true;
}
