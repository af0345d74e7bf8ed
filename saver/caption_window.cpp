#include "saver/caption_window.h"

#include <cstring>

#include "imagelib/info_file.h"

CCaptionWindow g_caption;

namespace {
constexpr UINT kTitleFormat = DT_CENTER | DT_WORDBREAK | DT_NOPREFIX;
constexpr UINT kTextFormat = DT_LEFT | DT_WORDBREAK | DT_NOPREFIX;

bool EndsWithTwoBlanks(const char* name) {
  std::size_t n = name ? std::strlen(name) : 0;
  return n >= 2 && name[n - 1] == ' ' && name[n - 2] == ' ';
}

int MeasureHeight(HDC dc, const std::string& text, int width, UINT format, int* measuredWidth) {
  RECT r{0, 0, width, 0};
  int height = DrawText(dc, text.c_str(), -1, &r, format | DT_CALCRECT);
  if (measuredWidth) *measuredWidth = r.right - r.left;
  return height;
}
}  // namespace

bool IsValidUtf8(const std::string& bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  for (std::size_t i = 0; i < n;) {
    unsigned char c = p[i];
    std::size_t extra;
    unsigned long cp;
    if (c < 0x80) { ++i; continue; }
    if (c >= 0xC2 && c <= 0xDF) { extra = 1; cp = c & 0x1F; }
    else if (c >= 0xE0 && c <= 0xEF) { extra = 2; cp = c & 0x0F; }
    else if (c >= 0xF0 && c <= 0xF4) { extra = 3; cp = c & 0x07; }
    else return false;
    if (i + extra >= n) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
    if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF)) {
      return false;
    }
    i += extra + 1;
  }
  return true;
}

void CCaptionWindow::Initialise(HWND parent, HINSTANCE instance, int screenWidth, int screenHeight) {
  if (!parent || !instance) return;
  parent_ = parent;
  instance_ = instance;
  areaLeft_ = areaTop_ = 0;
  screenWidth_ = screenWidth;
  screenHeight_ = screenHeight;
}

void CCaptionWindow::SetArea(int left, int top, int width, int height) {
  if (!parent_ || width < 1 || height < 1) return;
  areaLeft_ = left;
  areaTop_ = top;
  screenWidth_ = width;
  screenHeight_ = height;
}

void CCaptionWindow::SetSources(const char* pictureName, const char* infoFile, const char* language) {
  pictureName_ = pictureName;
  infoFile_ = infoFile;
  language_ = language;
}

bool CCaptionWindow::DrawsShiftJis() const {
  return language_ && std::strcmp(language_, "Japanese") == 0 && !IsValidUtf8(title_ + text_);
}

int CCaptionWindow::Show() {
  if (!parent_) return 0;
  const char* name = pictureName_ ? pictureName_ : "";
  if (EndsWithTwoBlanks(name)) {
    title_.clear();
    text_.clear();
    return 1;
  }
  if (!ReadCaptionBlock(infoFile_ ? infoFile_ : "", language_ ? language_ : "", title_, text_)) {
    title_ = name;
    text_.clear();
  }
  if (!window_ || !IsWindow(window_)) {
    WNDCLASS wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = &CCaptionWindow::WindowProc;
    wc.hInstance = instance_;
    wc.lpszMenuName = "";
    wc.lpszClassName = kCaptionClassName;
    ATOM atom = RegisterClass(&wc);
    if (atom) atom_ = atom;
    window_ = CreateWindow(kCaptionClassName, "InfoWindow", WS_CHILD, 0, 0, 5, 5, parent_, nullptr,
                           instance_, nullptr);
    if (!window_) return 0;
  }
  ignoreNextMouse_ = true;
  if (IsWindowVisible(window_)) {
    // Already up (shown twice without a hide): no show message comes, so place it here.
    PlaceWindow();
    InvalidateRect(window_, nullptr, FALSE);
  }
  ShowWindow(window_, SW_SHOW);
  visible_ = true;
  return 1;
}

int CCaptionWindow::Hide(RECT* covered) {
  if (!window_ || !IsWindow(window_)) return 0;
  if (covered) {
    GetWindowRect(window_, covered);
    POINT topLeft{covered->left, covered->top}, bottomRight{covered->right, covered->bottom};
    ScreenToClient(parent_, &topLeft);
    ScreenToClient(parent_, &bottomRight);
    SetRect(covered, topLeft.x, topLeft.y, bottomRight.x, bottomRight.y);
  }
  ShowWindow(window_, SW_HIDE);
  visible_ = false;
  return 1;
}

void CCaptionWindow::Destroy() {
  if (window_) {
    if (IsWindow(window_)) DestroyWindow(window_);
    window_ = nullptr;
    visible_ = false;
    UnregisterClass(kCaptionClassName, instance_);
    atom_ = 0;
  }
  if (font_) DeleteObject(font_);
  if (shiftJisFont_) DeleteObject(shiftJisFont_);
  font_ = shiftJisFont_ = nullptr;
  parent_ = nullptr;
  instance_ = nullptr;
}

HFONT CCaptionWindow::SelectCaptionFont(HDC dc) {
  if (language_ && std::strcmp(language_, "Japanese") == 0) {
    // The context's own font. Text that is not UTF-8 is taken as Shift_JIS, the code page
    // Japanese captions were written in.
    if (!DrawsShiftJis()) return nullptr;
    if (!shiftJisFont_) {
      shiftJisFont_ = CreateFont(0, 0, 0, 0, 0, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0, nullptr);
    }
    return shiftJisFont_ ? static_cast<HFONT>(SelectObject(dc, shiftJisFont_)) : nullptr;
  }
  if (!font_) {
    font_ = CreateFont(-MulDiv(12, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_BOLD, 0, 0, 0,
                       ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       VARIABLE_PITCH | FF_SWISS, "Arial");
  }
  return font_ ? static_cast<HFONT>(SelectObject(dc, font_)) : nullptr;
}

CaptionPlacement CCaptionWindow::Place(HDC dc, const std::string& title, const std::string& text,
                                       int screenWidth, int screenHeight) {
  CaptionPlacement p;
  if (!text.empty()) {
    const int titleHeight = MeasureHeight(dc, title, screenWidth - 50, kTitleFormat, nullptr);
    const int textHeight = MeasureHeight(dc, text, screenWidth - 50, kTextFormat, nullptr);
    const int visible = textHeight + 4 * titleHeight;
    p.x = 0;
    p.width = screenWidth;
    if (visible < screenHeight) {
      p.y = screenHeight - visible;
      p.height = screenHeight;
    } else {
      p.y = 0;
      p.height = visible;
    }
    return p;
  }
  int titleWidth = 0;
  const int titleHeight =
      MeasureHeight(dc, title, screenWidth, DT_WORDBREAK | DT_NOPREFIX, &titleWidth);
  const int box = titleWidth + 14;
  if (box > static_cast<int>(screenWidth * 0.8)) {
    p.x = 0;
    p.width = screenWidth;
  } else {
    p.x = screenWidth / 2 - box / 2;
    p.width = box;
  }
  p.y = screenHeight - (titleHeight + 4);
  p.height = screenHeight;
  return p;
}

void CCaptionWindow::PlaceWindow() {
  if (title_.empty()) return;
  HDC dc = GetDC(nullptr);
  if (!dc) return;
  HFONT previous = SelectCaptionFont(dc);
  CaptionPlacement p = Place(dc, title_, text_, screenWidth_, screenHeight_);
  if (previous) SelectObject(dc, previous);
  ReleaseDC(nullptr, dc);
  MoveWindow(window_, areaLeft_ + p.x, areaTop_ + p.y, p.width, p.height, TRUE);
}

void CCaptionWindow::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window_, &ps);
  if (!dc) return;
  if (!title_.empty()) {
    RECT client;
    GetClientRect(window_, &client);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    HGDIOBJ previousPen = pen ? SelectObject(dc, pen) : nullptr;
    const int reach = (client.right - client.left) + (client.bottom - client.top);
    for (int i = 2; i <= reach; i += 2) {
      MoveToEx(dc, -1, i, nullptr);
      LineTo(dc, i, -1);
    }
    if (previousPen) SelectObject(dc, previousPen);

    const bool withText = !text_.empty();
    RECT titleRect, textRect;
    if (withText) {
      SetRect(&titleRect, client.left + 25, client.top + 15, client.right - 25, client.bottom);
      SetRect(&textRect, client.left + 25, client.top + 2, client.right - 25, client.bottom);
    } else {
      SetRect(&titleRect, client.left + 4, client.top + 2, client.right - 4, client.bottom);
      SetRectEmpty(&textRect);
    }
    HFONT previousFont = SelectCaptionFont(dc);
    const int previousMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF previousColour = SetTextColor(dc, RGB(0, 0, 0));

    RECT measure = titleRect;
    const int titleHeight = DrawText(dc, title_.c_str(), -1, &measure, kTitleFormat | DT_CALCRECT);
    titleRect.bottom = titleRect.top + titleHeight;
    DrawText(dc, title_.c_str(), -1, &titleRect, kTitleFormat);
    if (withText) {
      textRect.top = titleRect.bottom + 12;
      DrawText(dc, text_.c_str(), -1, &textRect, kTextFormat);
    }
    // The white text one pixel up and left of the black: a shadow below and to the right.
    SetTextColor(dc, RGB(255, 255, 255));
    OffsetRect(&titleRect, -1, -1);
    DrawText(dc, title_.c_str(), -1, &titleRect, kTitleFormat);
    if (withText) {
      OffsetRect(&textRect, -1, -1);
      DrawText(dc, text_.c_str(), -1, &textRect, kTextFormat);
    }
    if (previousFont) SelectObject(dc, previousFont);
    SetTextColor(dc, previousColour);
    SetBkMode(dc, previousMode);
    EndPaint(window_, &ps);
    if (pen) DeleteObject(pen);
    return;
  }
  EndPaint(window_, &ps);
}

LRESULT CALLBACK CCaptionWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CCaptionWindow& self = g_caption;
  if (window == self.window_ || !self.window_) {
    if (message == WM_SHOWWINDOW && wParam) {
      if (!self.window_) self.window_ = window;
      self.PlaceWindow();
    } else if (message == WM_PAINT && window == self.window_) {
      self.Paint();
      return 0;
    } else if (message >= WM_MOUSEFIRST && message <= WM_MBUTTONDBLCLK) {
      // The first mouse message after each show comes from the window appearing under the
      // pointer. Later ones go to the saver window, whose default processing ends the
      // saver the way input over the picture does (and so still saves its place).
      const bool ignore = self.ignoreNextMouse_;
      self.ignoreNextMouse_ = false;
      if (!ignore && self.parent_ && IsWindow(self.parent_)) {
        POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ClientToScreen(window, &pt);
        ScreenToClient(self.parent_, &pt);
        PostMessage(self.parent_, message, wParam, MAKELPARAM(pt.x, pt.y));
      }
    }
  }
  return DefWindowProc(window, message, wParam, lParam);
}
