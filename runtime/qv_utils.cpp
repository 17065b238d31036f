#include "runtime/qv_utils.h"

#include <atomic>
#include <memory>

#include "platform/Exception.h"
#include "platform/MainThread.h"
#include "platform/MessageBox.h"
#include "platform/MessageWindow.h"
#include "platform/TextCodec.h"

namespace {

std::atomic<HWND> GReportWnd{0};

std::string WithoutLineBreaks(const std::string& text) {
  std::string result;
  result.reserve(text.size());
  for (char c : text) {
    if (c != '\r' && c != '\n') result += c;
  }
  return result;
}

void SendReport(HWND wnd, int32_t type, const std::u16string& text) {
  SendMessage(wnd, WM_PLAYBACK_REPORT, static_cast<WPARAM>(static_cast<uint32_t>(type)),
              reinterpret_cast<LPARAM>(text.c_str()));
}

}  // namespace

void SetReportWnd(HWND wnd) { GReportWnd.store(wnd); }

HWND ReportWnd() { return GReportWnd.load(); }

void ReportPlayback(const std::string& text, int32_t type) {
  const HWND wnd = GReportWnd.load();
  if (wnd == 0) {
    if (type != 0) throw Exception("Report window handle is not valid.");
    MessageBox(0, text, "Error", MB_OK | MB_ICONERROR);
    return;
  }
  auto copy = std::make_shared<const std::u16string>(Utf8ToUtf16(WithoutLineBreaks(text)));
  if (IsMainThread()) {
    SendReport(wnd, type, *copy);
  } else {
    QueueInMainThreadQueue([wnd, type, copy] { SendReport(wnd, type, *copy); });
  }
}

void ReportErrorText(const std::string& text) { ReportPlayback(text, 0); }
