#pragma once
// Hidden message windows: a handle bound to a window procedure that runs on the main thread.
// Windows are supported on the main thread only (every window of this program is created there);
// AllocateHWnd on any other thread throws Exception.
#include <functional>

#include "platform/WinTypes.h"

using WndProc = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

// Main thread only: creates a window for proc. Handles are never reused within the process, so a
// message for a freed window is dropped instead of reaching a newer one.
HWND AllocateHWnd(WndProc proc);

// Main thread only: frees the window and kills its timers; messages still queued for it are
// dropped. 0 or an unknown handle is ignored. A procedure may free its own window.
void DeallocateHWnd(HWND wnd);

// True while wnd is an allocated window. Any thread.
bool IsWindow(HWND wnd);

// Queues the message for the window's procedure and returns at once; any thread. False (nothing
// queued) for 0 or an unknown window.
bool PostMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

// On the main thread calls the procedure directly. From another thread queues the call and blocks
// until the main thread has handled it. Returns the procedure's result, 0 for an unknown window or
// one freed before the message was handled.
LRESULT SendMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

// The default procedure: handles nothing and returns 0.
LRESULT DefWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Main thread only: (re)starts timer id of wnd so that WM_TIMER (wParam = id, lParam = 0) reaches
// the procedure every elapseMs (at least 1 ms), on the main thread. At most one WM_TIMER per timer
// is pending at a time, as on Windows. Returns id, or 0 for an unknown window or id 0.
UINT_PTR SetTimer(HWND wnd, UINT_PTR id, UINT elapseMs);

// Main thread only: stops the timer; a pending WM_TIMER of it is dropped. False when there was none.
bool KillTimer(HWND wnd, UINT_PTR id);
