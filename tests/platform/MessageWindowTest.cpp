#include "platform/MessageWindow.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "MainThreadFixture.h"
#include "platform/Exception.h"

namespace {

// A window that records the messages it handles and answers each with wParam * 2.
class RecordingWindow {
public:
    RecordingWindow()
    {
        FHandle = AllocateHWnd([this](HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
            FMessages.push_back({msg, wParam});
            FAllOnMainThread = FAllOnMainThread && IsMainThread();
            if (FOnMessage)
                FOnMessage(msg, wParam);
            if (msg == WM_TIMER)
                return DefWindowProc(wnd, msg, wParam, lParam);
            return static_cast<LRESULT>(wParam * 2);
        });
    }
    ~RecordingWindow() { DeallocateHWnd(FHandle); }

    HWND Handle() const { return FHandle; }
    const std::vector<std::pair<UINT, WPARAM>>& Messages() const { return FMessages; }
    size_t CountOf(UINT msg) const
    {
        size_t count = 0;
        for (const auto& message : FMessages)
            count += message.first == msg;
        return count;
    }
    bool AllOnMainThread() const { return FAllOnMainThread; }
    std::function<void(UINT, WPARAM)> FOnMessage;

private:
    HWND FHandle = 0;
    std::vector<std::pair<UINT, WPARAM>> FMessages;
    bool FAllOnMainThread = true;
};

constexpr UINT WM_TEST = WM_APP + 1;

using MessageWindowTest = MainThreadFixture;

TEST_F(MessageWindowTest, PostedMessagesAndQueuedWorkFromSeveralThreadsKeepEachThreadsOrder)
{
    RecordingWindow window;
    std::vector<int> queuedWork;
    std::thread first([&] {
        for (WPARAM i = 0; i < 100; ++i)
            ASSERT_TRUE(PostMessage(window.Handle(), WM_TEST, i, 0));
    });
    std::thread second([&] {
        for (WPARAM i = 0; i < 100; ++i) {
            ASSERT_TRUE(PostMessage(window.Handle(), WM_TEST + 1, i, 0));
            QueueInMainThreadQueue([&, i] { queuedWork.push_back(static_cast<int>(i)); });
        }
    });
    first.join();
    second.join();
    EXPECT_TRUE(ServeUntil([&] { return window.Messages().size() == 200 && queuedWork.size() == 100; }));
    WPARAM nextFirst = 0, nextSecond = 0;
    for (const auto& [msg, wParam] : window.Messages())
        EXPECT_EQ(wParam, msg == WM_TEST ? nextFirst++ : nextSecond++);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(queuedWork[i], i);
    EXPECT_TRUE(window.AllOnMainThread());
}

TEST_F(MessageWindowTest, PostedMessageDoesNotRunInsidePostMessage)
{
    RecordingWindow window;
    EXPECT_TRUE(PostMessage(window.Handle(), WM_TEST, 1, 0));
    EXPECT_TRUE(window.Messages().empty());
    ProcessMainThreadQueue();
    EXPECT_EQ(window.Messages().size(), 1u);
}

TEST_F(MessageWindowTest, SendMessageOnTheMainThreadCallsTheProcedureDirectly)
{
    RecordingWindow window;
    EXPECT_EQ(SendMessage(window.Handle(), WM_TEST, 21, 0), 42);
    EXPECT_EQ(window.Messages().size(), 1u);
}

TEST_F(MessageWindowTest, SendMessageFromAWorkerBlocksUntilTheMainLoopHandledIt)
{
    RecordingWindow window;
    std::atomic<bool> sent{false};
    LRESULT result = 0;
    size_t handledBeforeReturn = 0;
    std::thread worker([&] {
        result = SendMessage(window.Handle(), WM_TEST, 5, 0);
        handledBeforeReturn = window.Messages().size();  // main thread is idle in its wait
        sent = true;
        QuitMainLoop();
    });
    RunMainLoop();
    worker.join();
    EXPECT_TRUE(sent);
    EXPECT_EQ(result, 10);
    EXPECT_EQ(handledBeforeReturn, 1u);
    EXPECT_TRUE(window.AllOnMainThread());
}

TEST_F(MessageWindowTest, MessagesToAFreedOrUnknownWindowAreRefusedOrDropped)
{
    auto window = std::make_unique<RecordingWindow>();
    const HWND handle = window->Handle();
    ASSERT_TRUE(PostMessage(handle, WM_TEST, 1, 0));
    window.reset();  // the queued message must not reach anything
    ProcessMainThreadQueue();
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_FALSE(PostMessage(handle, WM_TEST, 1, 0));
    EXPECT_FALSE(PostMessage(0, WM_TEST, 1, 0));
    EXPECT_EQ(SendMessage(handle, WM_TEST, 1, 0), 0);
    LRESULT fromWorker = -1;
    std::thread([&] { fromWorker = SendMessage(handle, WM_TEST, 1, 0); }).join();
    EXPECT_EQ(fromWorker, 0);
}

TEST_F(MessageWindowTest, ANewWindowNeverReusesAFreedHandle)
{
    const HWND first = AllocateHWnd(DefWindowProc);
    DeallocateHWnd(first);
    const HWND second = AllocateHWnd(DefWindowProc);
    EXPECT_NE(first, second);
    DeallocateHWnd(second);
}

TEST_F(MessageWindowTest, AProcedureMayFreeItsOwnWindow)
{
    HWND handle = 0;
    int calls = 0;
    handle = AllocateHWnd([&](HWND wnd, UINT, WPARAM, LPARAM) {
        ++calls;
        DeallocateHWnd(wnd);
        return LRESULT{0};
    });
    PostMessage(handle, WM_TEST, 0, 0);
    PostMessage(handle, WM_TEST, 0, 0);
    ProcessMainThreadQueue();
    EXPECT_EQ(calls, 1);
}

TEST_F(MessageWindowTest, WindowsCannotBeCreatedOffTheMainThread)
{
    bool threw = false;
    std::thread([&] {
        try {
            AllocateHWnd(DefWindowProc);
        } catch (const Exception&) {
            threw = true;
        }
    }).join();
    EXPECT_TRUE(threw);
}

TEST_F(MessageWindowTest, TimerDeliversWmTimerWithItsIdOnTheMainThreadUntilKilled)
{
    RecordingWindow window;
    ASSERT_EQ(SetTimer(window.Handle(), 9, 1), 9u);
    EXPECT_TRUE(ServeUntil([&] { return window.CountOf(WM_TIMER) >= 3; }));
    EXPECT_TRUE(KillTimer(window.Handle(), 9));
    const size_t ticksAtKill = window.CountOf(WM_TIMER);
    ProcessMessagesFor(20);
    EXPECT_EQ(window.CountOf(WM_TIMER), ticksAtKill);  // a pending tick is dropped too
    for (const auto& [msg, wParam] : window.Messages())
        EXPECT_EQ(wParam, 9u);
    EXPECT_TRUE(window.AllOnMainThread());
    EXPECT_FALSE(KillTimer(window.Handle(), 9));
}

TEST_F(MessageWindowTest, TimerTicksDoNotPileUpWhileTheMainThreadIsBusy)
{
    RecordingWindow window;
    SetTimer(window.Handle(), 1, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));  // many periods, no serving
    ProcessMainThreadQueue();
    EXPECT_LE(window.CountOf(WM_TIMER), 1u);
    KillTimer(window.Handle(), 1);
}

TEST_F(MessageWindowTest, TimerCallsAreRefusedForUnknownWindowsAndIdZero)
{
    RecordingWindow window;
    EXPECT_EQ(SetTimer(window.Handle(), 0, 10), 0u);
    EXPECT_EQ(SetTimer(12345678, 1, 10), 0u);
    EXPECT_FALSE(KillTimer(12345678, 1));
}

TEST_F(MessageWindowTest, FreeingAWindowStopsItsTimers)
{
    int ticks = 0;
    const HWND handle = AllocateHWnd([&](HWND, UINT msg, WPARAM, LPARAM) {
        ticks += msg == WM_TIMER;
        return LRESULT{0};
    });
    SetTimer(handle, 1, 1);
    EXPECT_TRUE(ServeUntil([&] { return ticks > 0; }));
    DeallocateHWnd(handle);
    const int ticksAtFree = ticks;
    ProcessMessagesFor(20);
    EXPECT_EQ(ticks, ticksAtFree);
}

}  // namespace
