// A stand-in host for the isolated-call tests: does what its first argument says.
//   answer VALUE SIZE   answers VALUE with SIZE bytes of a known pattern
//   echo                answers the input block's size, with each byte of it plus one (and
//                       tries to write into the caller's block through its descriptor)
//   abort | kill | exit | hang   dies, is killed, leaves without answering, never answers
//   answer-then-hang    answers 5, then never ends
//   close-then-hang     shuts its answer pipe without answering, then never ends
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/isolated_call.h"

int main(int argc, char** argv) {
  std::vector<std::string> args;
  if (!IsolatedCallArguments(argc, argv, args)) return 0;
  PrepareIsolatedHost();
  const std::string what = args.empty() ? "" : args[0];
  if (what == "answer" && args.size() == 3) {
    std::vector<unsigned char> data(std::strtoul(args[2].c_str(), nullptr, 10));
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(i * 31 + 7);
    return AnswerIsolatedCall(std::atol(args[1].c_str()), data.data(), data.size()) ? 0 : 1;
  }
  if (what == "echo") {
    HGLOBAL input = IsolatedCallInput();
    if (!input) return AnswerIsolatedCall(-1, nullptr, 0) ? 0 : 1;
    auto* bytes = static_cast<unsigned char*>(GlobalLock(input));
    for (std::size_t i = 0; i < GlobalSize(input); ++i) ++bytes[i];
    // After the changes above, which made the mapping's pages the host's own.
    const unsigned char scribble = 0xFF;
    (void)!pwrite(5, &scribble, 1, 0);
    return AnswerIsolatedCall(static_cast<long>(GlobalSize(input)), bytes, GlobalSize(input)) ? 0 : 1;
  }
  if (what == "abort") std::abort();
  if (what == "kill") raise(SIGKILL);
  if (what == "answer-then-hang" && AnswerIsolatedCall(5, nullptr, 0))
    for (;;) pause();
  if (what == "close-then-hang" && close(3) == 0)
    for (;;) pause();
  if (what == "hang")
    for (;;) pause();
  return 0;
}
