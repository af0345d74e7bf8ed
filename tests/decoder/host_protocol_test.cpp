// The decoder host's command line: what a program sends comes back whole (texts with
// blanks, negative and extra numbers), and anything else is refused rather than guessed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoder/host_protocol.h"

namespace {
bool Parse(std::vector<std::string> args, DecoderHostArguments& out) {
  args.insert(args.begin(), "quilldec");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  return ParseDecoderHostArguments(static_cast<int>(argv.size()), argv.data(), out);
}

TEST(DecoderHostArguments, WhatIsSentIsWhatTheHostReads) {
  const DecoderHostArguments sent{kDecoderHostDecode, "/opt/q m/djpeg32.so",
                                  {"/sets/a b.jpg", ""}, {3, -16777216, 3840}};
  DecoderHostArguments read;
  ASSERT_TRUE(Parse(FormatDecoderHostArguments(sent), read));
  EXPECT_EQ(read.procedure, sent.procedure);
  EXPECT_EQ(read.library, sent.library);
  EXPECT_EQ(read.texts, sent.texts) << "an empty output path is a text of its own";
  EXPECT_EQ(read.numbers, sent.numbers);
  EXPECT_EQ(read.Number(5, 7), 7) << "a number not sent takes its default";

  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{"decode", "/lib.so"},               // no text count
        {"decode", "/lib.so", "3", "a", "b"},                         // fewer texts than counted
        {"decode", "/lib.so", "-1"},                                  // negative count
        {"decode", "/lib.so", "1", "a", "12x"},                       // not a number
        {"decode", "/lib.so", "1", "a", ""},                          // empty number
        {"decode", "/lib.so", "1", "a", "99999999999999999999999"}})  // out of range
    EXPECT_FALSE(Parse(bad, read)) << bad.size();
}
}  // namespace
