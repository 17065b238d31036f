// The report sink: one-line warnings and errors from the audio engine, the playback side and the
// DTMF worker, delivered to one report window as WM_PLAYBACK_REPORT.
#pragma once

#include <cstdint>
#include <string>

#include "platform/WinTypes.h"

// wParam: the report type (32-bit signed); lParam: const char16_t*, the text as zero-terminated
// UTF-16, valid only while the message is being handled.
inline constexpr UINT WM_PLAYBACK_REPORT = WM_APP + 134;

// Main thread, before any worker exists: the window that receives every later report.
void SetReportWnd(HWND wnd);
HWND ReportWnd();

// Delivers one report; any thread. Carriage returns and line feeds are removed. On the main
// thread the report is sent synchronously; from another thread it is queued to the main thread
// and this returns at once. Without a report window a type-0 report is shown in a message box
// captioned "Error" on the calling thread, and any other type throws Exception.
void ReportPlayback(const std::string& text, int32_t type);

// ReportPlayback(text, 0).
void ReportErrorText(const std::string& text);
