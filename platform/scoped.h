#pragma once
// Owners for what the old API hands out to be given back by hand: an open registry key,
// a lock on a memory block, an object selected into a device context, a paint of a window. Each gives it back
// when the scope ends, on every way out of a function. Header-only: the registry and
// memory owners need only the POSIX part of platform, the selection only the drawing part
// (platform/qt) of whoever uses it.
#include <utility>

#include "platform/gdi.h"
#include "platform/global_memory.h"
#include "platform/registry.h"
#include "platform/window.h"

// An open registry key, closed at the end of its scope; empty when opening failed.
//   ScopedRegKey key;
//   if (RegOpenKeyEx(HKEY_CURRENT_USER, path, 0, KEY_READ, key.receive()) != ERROR_SUCCESS) return;
class ScopedRegKey {
 public:
  ScopedRegKey() = default;
  ScopedRegKey(ScopedRegKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
  ScopedRegKey& operator=(ScopedRegKey&& other) noexcept {
    std::swap(key_, other.key_);
    return *this;
  }
  ScopedRegKey(const ScopedRegKey&) = delete;
  ScopedRegKey& operator=(const ScopedRegKey&) = delete;
  ~ScopedRegKey() { close(); }

  // Where RegOpenKeyEx / RegCreateKeyEx put the key; a key held before is closed first.
  HKEY* receive() {
    close();
    return &key_;
  }
  HKEY get() const { return key_; }
  explicit operator bool() const { return key_ != nullptr; }

 private:
  void close() {
    if (key_) RegCloseKey(std::exchange(key_, nullptr));
  }
  HKEY key_ = nullptr;
};

// A memory block locked for the length of the scope; data() is nullptr for a null block.
class GlobalLockScope {
 public:
  explicit GlobalLockScope(HGLOBAL block) : block_(block), data_(GlobalLock(block)) {}
  GlobalLockScope(const GlobalLockScope&) = delete;
  GlobalLockScope& operator=(const GlobalLockScope&) = delete;
  ~GlobalLockScope() {
    if (data_) GlobalUnlock(block_);
  }
  void* data() const { return data_; }

 private:
  HGLOBAL block_;
  void* data_;
};

// An object selected into a device context for the length of the scope; what was selected
// before comes back at its end. Declare it after the object it selects, so that the object
// is selected out before it is deleted.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;
  ~SelectedObject() {
    if (previous_) SelectObject(dc_, previous_);
  }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A window's paint: BeginPaint at the start of the scope, EndPaint, which every BeginPaint
// needs, at its end. dc() is nullptr when there is nothing to paint on.
class PaintScope {
 public:
  explicit PaintScope(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  ~PaintScope() { EndPaint(window_, &paint_); }
  HDC dc() const { return dc_; }
  const PAINTSTRUCT& paint() const { return paint_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};
