#pragma once
// The old platform's scalar types, handles and limits, so that code written in its style
// (fixed buffers, BOOL results, handles) reads the same here.
#include <cstddef>
#include <cstdint>

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using INT = int;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

constexpr int MAX_PATH = 260;

// A window is an opaque handle owned by the Qt layer; nullptr means "no owner".
struct WindowObject;
using HWND = WindowObject*;
