#pragma once
// Seeing the user's input on the X server while the program's own event loop is held up
// (the screen saver waiting for its decoder). It uses a connection of its own and the
// raw events of the input extension (2.1 or later), which reach every client that asks
// for them, even while another client (the saver itself) has grabbed keyboard and
// pointer; the program's own connection still gets every event as usual.
typedef struct _XDisplay Display;

class InputWatch {
 public:
  // Connects to $DISPLAY; without a display or the extension the watch is inactive.
  InputWatch();
  ~InputWatch();
  InputWatch(const InputWatch&) = delete;
  InputWatch& operator=(const InputWatch&) = delete;

  bool Active() const { return display_ != nullptr; }
  // Readable when events have arrived.
  int Fd() const;
  // Forgets the input so far: only what follows counts.
  void Forget();
  // Whether input since the last call ends a screen saver: a key, a mouse button (not
  // the wheel), or a pointer now more than `threshold` pixels (in x or y) from (x0, y0).
  bool SaverEndingInput(int x0, int y0, int threshold);

 private:
  Display* display_ = nullptr;
  int opcode_ = 0;
};
