#pragma once
// The caption shown over the lower part of the screen for the first seconds of a picture:
// the picture's title and, where its information file has one, a descriptive paragraph in
// the chosen language. The window has no background of its own: the picture shows
// through a fine diagonal hatching, and the text is white with a black shadow.
#include <string>

#include "platform/gdi.h"
#include "platform/window.h"

constexpr const char* kCaptionClassName = "QuillSav Window Class";

// Where the caption window goes and how big it is, in the saver window's coordinates.
struct CaptionPlacement {
  int x = 0, y = 0, width = 0, height = 0;
};

class CCaptionWindow {
 public:
  // Remembers the saver window, the instance and the area the caption is laid out in;
  // nothing is kept unless both window and instance are given.
  void Initialise(HWND parent, HINSTANCE instance, int screenWidth, int screenHeight);
  // Moves the area the caption is laid out in (the view the picture is shown in), so the
  // caption lies over the lower part of the picture wherever and however large that is.
  void SetArea(int left, int top, int width, int height);
  // The saver's own buffers for the current picture name, its information file and the
  // caption language; read afresh at every Show.
  void SetSources(const char* pictureName, const char* infoFile, const char* language);
  // 1 when a caption period starts (also for a picture that asks for no caption), else 0.
  int Show();
  // 0 when the window was never made; else hides it, stores the area it covered (in the
  // saver window's coordinates) when asked, and returns 1.
  int Hide(RECT* covered);
  // Ends the window and its class; the object can be initialised again.
  void Destroy();

  bool IsVisible() const { return visible_; }
  HWND Window() const { return window_; }
  const std::string& Title() const { return title_; }
  const std::string& Text() const { return text_; }
  // Whether the text is drawn as Shift_JIS (Japanese text that is not UTF-8).
  bool DrawsShiftJis() const;

  // The layout of the caption for text measured in `dc` (with the caption's font already
  // selected).
  static CaptionPlacement Place(HDC dc, const std::string& title, const std::string& text,
                                int screenWidth, int screenHeight);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HFONT SelectCaptionFont(HDC dc);
  void PlaceWindow();
  void Paint();

  HWND parent_ = nullptr;
  HINSTANCE instance_ = nullptr;
  HWND window_ = nullptr;
  ATOM atom_ = 0;
  int areaLeft_ = 0, areaTop_ = 0;
  int screenWidth_ = 0, screenHeight_ = 0;
  HFONT font_ = nullptr;       // "Arial" bold 12 points
  HFONT shiftJisFont_ = nullptr;  // the context's own font, decoding Shift_JIS
  bool visible_ = false;
  bool ignoreNextMouse_ = false;
  std::string title_, text_;
  const char* pictureName_ = nullptr;
  const char* infoFile_ = nullptr;
  const char* language_ = nullptr;
};

extern CCaptionWindow g_caption;

// Whether the bytes are well-formed UTF-8 (plain ASCII is).
bool IsValidUtf8(const std::string& bytes);
