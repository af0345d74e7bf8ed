#include "platform/code_page.h"

#include <iconv.h>

#include <cerrno>

std::string ConvertCodePage(const std::string& text, const char* to, const char* from) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return "";
  std::string out(text.size() * 4 + 16, '\0');
  char* in = const_cast<char*>(text.data());
  char* o = out.data();
  std::size_t inLeft = text.size(), outLeft = out.size();
  while (inLeft > 0 && iconv(cd, &in, &inLeft, &o, &outLeft) == static_cast<std::size_t>(-1)) {
    if (errno != EILSEQ && errno != EINVAL) break;
    if (outLeft == 0) break;
    *o++ = '?';
    --outLeft;
    ++in;
    --inLeft;
  }
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}
