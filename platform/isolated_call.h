#pragma once
// Calling into a library that may crash. On the old platform the decoder ran inside the
// calling program, and a decoder that faulted took the program down with it: the screen
// saver vanished, the configuration program lost what the user had not applied yet.
// Here the call runs in a fork of the caller, so a library that crashes, aborts or is
// killed ends only that child, and the caller sees a failed call and carries on. The
// child sends back a number and a block of bytes; nothing else it does to memory is seen
// by the caller (files it writes are, of course).
#include <functional>
#include <string>
#include <vector>

struct IsolatedCallResult {
  // False when the child did not finish the call: `signal` says what ended it (0 when it
  // exited without answering); `timedOut` when it was stopped for taking too long,
  // `interrupted` when the program's watch (below) stopped it.
  bool completed = false;
  bool timedOut = false;
  bool interrupted = false;
  int signal = 0;
  long value = 0;
  std::vector<unsigned char> data;
};

// Runs `call` in a child process and waits for it; `call` fills `data` with the bytes to
// send back and returns the number. With a positive `timeLimitSeconds`, a child that has
// not answered by then is killed, so a library caught in a loop cannot hold the caller
// for ever. The child never dumps core (a crash in the program folder would otherwise
// leave a core file among the user's pictures). When no child can be made (out of
// processes or memory), the call runs in this process instead, as before.
IsolatedCallResult RunIsolated(const std::function<long(std::vector<unsigned char>& data)>& call,
                               int timeLimitSeconds = 0);

// What may cut short the wait for any isolated call of the program: the caller's own
// event loop does not run while it waits, so a program that must stay responsive (the
// screen saver, which input and signals must end at once) watches here instead. While a
// call is waited for, `start` is called once, then `stop` whenever one of `fds` is
// readable and at least every 100 ms; when it answers true the child is killed and the
// call counts as not completed (`interrupted`).
struct IsolatedCallWatch {
  std::vector<int> fds;
  std::function<void()> start;
  std::function<bool()> stop;
};
// Replaces the program's watch; the default, an empty one, watches nothing.
void SetIsolatedCallWatch(IsolatedCallWatch watch);
