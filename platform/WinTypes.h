#pragma once
// Windows-shaped integer types and message numbers shared by the message-window code.
#include <cstdint>

using HWND = uintptr_t;  // 0 means no window
using UINT = uint32_t;
using UINT_PTR = uintptr_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

inline constexpr UINT WM_TIMER = 0x0113;
inline constexpr UINT WM_USER = 0x0400;
inline constexpr UINT WM_APP = 0x8000;
inline constexpr uint32_t INFINITE = 0xFFFFFFFF;
