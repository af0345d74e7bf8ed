#pragma once
// Calling into a library that may crash. On the old platform the decoder ran inside the
// calling program, and a decoder that faulted took the program down with it: the screen
// saver vanished, the configuration program lost what the user had not applied yet.
// Here the call runs in a small host program of the suite, started afresh for the call
// (posix_spawn: nothing of the caller is copied, neither its threads nor its memory), which
// loads the library itself. A library that crashes, aborts or is killed ends only the
// host, and the caller sees a failed call and carries on. The host answers with a number
// and, optionally, a block of bytes that it writes into a memory file the caller handed
// it, so a decoded picture reaches the caller without a pipe copy.
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "platform/global_memory.h"

struct IsolatedCallResult {
  // False when the host did not finish the call: `signal` says what ended it (0 when it
  // exited without answering); `timedOut` when it was stopped for taking too long,
  // `interrupted` when the program's watch (below) stopped it, `notStarted` when the host
  // could not be started at all (missing, or out of processes).
  bool completed = false;
  bool timedOut = false;
  bool interrupted = false;
  bool notStarted = false;
  int signal = 0;
  long value = 0;
  // The block the host answered with, owned by the caller (nullptr when it sent none).
  HGLOBAL block = nullptr;
};

struct IsolatedCall {
  std::string program;            // the host, by full path (never searched for)
  std::vector<std::string> args;  // its arguments after its name
  HGLOBAL input = nullptr;        // a block for the host to read (IsolatedCallInput), or none
};

// Starts the host and waits for its answer. With a positive `timeLimitSeconds`, a host
// that has not answered by then is killed, so a library caught in a loop cannot hold the
// caller for ever. The input block is shared with the host without a copy when it came
// from an earlier answer, and copied once into a memory file otherwise. A whole answer
// completes the call: the host's exit is not waited for (a thread of this program reaps it;
// one still there when the program ends is killed then), so whatever befalls the host
// after it has answered changes nothing.
IsolatedCallResult RunIsolated(const IsolatedCall& call, int timeLimitSeconds = 0);

// Starts the host of a call that is still being worked out, so that its start (a new
// process loading its libraries) overlaps the caller's own work; it waits for the call.
// The next RunIsolated of the same program without an input block gives it its arguments.
// One never called is ended when the caller's program ends or starts another ahead: only
// one waits at a time.
void PrestartIsolatedHost(const std::string& program);

// The host's side. It never dumps core (a crash in the program folder would otherwise
// leave a core file among the user's pictures): call PrepareIsolatedHost first.
void PrepareIsolatedHost();
// The host's arguments after its name: from its command line, or from the caller of a host
// started ahead. False when that caller made no call: the host then has nothing to do.
bool IsolatedCallArguments(int argc, char** argv, std::vector<std::string>& args);
// The block the caller handed over (a private copy-on-write mapping), or nullptr.
HGLOBAL IsolatedCallInput();
// Sends the answer: `value`, and when `size` is nonzero those bytes as the block. False
// when it could not be sent; the host then exits with a failure.
bool AnswerIsolatedCall(long value, const void* data, std::size_t size);

// What may cut short the wait for any isolated call of the program: the caller's own
// event loop does not run while it waits, so a program that must stay responsive (the
// screen saver, which input and signals must end at once) watches here instead. While a
// call is waited for, `start` is called once, then `stop` whenever one of `fds` is
// readable and at least every 100 ms; when it answers true the host is killed and the
// call counts as not completed (`interrupted`).
struct IsolatedCallWatch {
  std::vector<int> fds;
  std::function<void()> start;
  std::function<bool()> stop;
};
// Replaces the program's watch; the default, an empty one, watches nothing.
void SetIsolatedCallWatch(IsolatedCallWatch watch);
