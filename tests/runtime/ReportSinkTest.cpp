#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/Exception.h"
#include "platform/MainLoop.h"
#include "platform/MainThread.h"
#include "platform/MessageWindow.h"
#include "platform/RecordingMessageBoxPresenter.h"
#include "platform/TextCodec.h"
#include "runtime/qv_utils.h"

namespace {

struct TReceived {
  int32_t type;
  std::string text;
};

class ReportSinkTest : public testing::Test {
 protected:
  void SetUp() override {
    InitMainThread();
    wnd = AllocateHWnd([this](HWND w, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
      if (msg != WM_PLAYBACK_REPORT) return DefWindowProc(w, msg, wParam, lParam);
      received.push_back({static_cast<int32_t>(wParam), Utf16ToUtf8(reinterpret_cast<const char16_t*>(lParam))});
      return 0;
    });
  }
  void TearDown() override {
    SetReportWnd(0);
    DeallocateHWnd(wnd);
  }
  HWND wnd = 0;
  std::vector<TReceived> received;
};

TEST_F(ReportSinkTest, ReportOnTheMainThreadArrivesAtOnceAsOneLine) {
  SetReportWnd(wnd);
  ReportPlayback("first line\r\nsecond\rthird\n", 7);
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].type, 7);
  EXPECT_EQ(received[0].text, "first linesecondthird");
}

TEST_F(ReportSinkTest, WithoutAWindowAnErrorReportShowsAMessageBox) {
  RecordingMessageBoxPresenter boxes;
  ReportErrorText("disk\r\nfull");
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "disk\r\nfull");
  EXPECT_EQ(boxes.Boxes()[0].caption, "Error");
  EXPECT_TRUE(received.empty());
}

TEST_F(ReportSinkTest, WithoutAWindowOtherReportTypesThrow) {
  RecordingMessageBoxPresenter boxes;
  try {
    ReportPlayback("x", 1);
    FAIL() << "no exception";
  } catch (const Exception& error) {
    EXPECT_STREQ(error.what(), "Report window handle is not valid.");
  }
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(ReportSinkTest, WorkerReportsArriveLaterInOrderWithoutTheWorkerWaiting) {
  SetReportWnd(wnd);
  std::thread worker([] {
    for (int i = 0; i < 5; ++i) ReportPlayback("report " + std::to_string(i), i);
  });
  worker.join();  // the worker finished although the main thread has not handled anything yet
  EXPECT_TRUE(received.empty());
  ASSERT_TRUE(ProcessMessagesUntil([this] { return received.size() == 5; }, 10000));
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(received[static_cast<size_t>(i)].type, i);
    EXPECT_EQ(received[static_cast<size_t>(i)].text, "report " + std::to_string(i));
  }
}

}  // namespace
