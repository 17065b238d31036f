#include "runtime/MsgThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/MainThreadFixture.h"
#include "platform/MessageWindow.h"

namespace {

constexpr UINT engineMessage = WM_APP + 200;

struct TDelivered {
    uint32_t wParam;
    int32_t lParam;
    int32_t countWhileHandled;
};

class MsgThreadTest : public MainThreadFixture {
protected:
    void SetUp() override
    {
        MainThreadFixture::SetUp();
        window = AllocateHWnd([this](HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (msg != engineMessage)
                return DefWindowProc(wnd, msg, wParam, lParam);
            delivered.push_back({static_cast<uint32_t>(wParam), static_cast<int32_t>(lParam),
                                 thread ? thread->Count() : -1});
            return 0;
        });
    }
    void TearDown() override
    {
        thread.reset();
        DeallocateHWnd(window);
        MainThreadFixture::TearDown();
    }

    HWND window = 0;
    std::vector<TDelivered> delivered;  // main thread only
    std::unique_ptr<TMsgThread> thread = std::make_unique<TMsgThread>();
};

TEST_F(MsgThreadTest, SendsBeforeTheThreadWakesArriveInOrderInOneBatch)
{
    thread->Send(window, engineMessage, 1, -1);
    thread->Send(window, engineMessage, 2, -2);
    thread->Send(window, engineMessage, 0xFFFFFFFF, INT32_MIN);
    EXPECT_EQ(thread->Count(), 3);
    thread->Start();
    ASSERT_TRUE(ServeUntil([&] { return delivered.size() == 3 && thread->Count() == 0; }));
    EXPECT_EQ(delivered[0].wParam, 1u);
    EXPECT_EQ(delivered[1].lParam, -2);
    EXPECT_EQ(delivered[2].wParam, 0xFFFFFFFFu);
    EXPECT_EQ(delivered[2].lParam, INT32_MIN);
    for (const TDelivered& message : delivered)
        EXPECT_EQ(message.countWhileHandled, 3) << "the batch counts until its last message is handled";
}

TEST_F(MsgThreadTest, AMessageForAFreedWindowIsSkippedAndDeliveryGoesOn)
{
    const HWND gone = AllocateHWnd(DefWindowProc);
    DeallocateHWnd(gone);
    thread->Start();
    thread->Send(gone, engineMessage, 1, 0);
    thread->Send(window, engineMessage, 2, 0);
    ASSERT_TRUE(ServeUntil([&] { return thread->Count() == 0; }));
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(delivered[0].wParam, 2u);
}

TEST_F(MsgThreadTest, MessagesFromManyThreadsKeepEachSendersOrder)
{
    thread->Start();
    constexpr int senderCount = 4;
    constexpr int messagesPerSender = 250;
    std::vector<std::thread> senders;
    for (int s = 0; s < senderCount; ++s)
        senders.emplace_back([this, s] {
            for (int i = 0; i < messagesPerSender; ++i)
                thread->Send(window, engineMessage, static_cast<uint32_t>(s), i);
        });
    ASSERT_TRUE(ServeUntil([&] { return delivered.size() == senderCount * messagesPerSender; }));
    for (std::thread& sender : senders)
        sender.join();
    std::vector<int32_t> next(senderCount, 0);
    for (const TDelivered& message : delivered)
        EXPECT_EQ(message.lParam, next[message.wParam]++);
    EXPECT_TRUE(ServeUntil([&] { return thread->Count() == 0; }));
}

TEST_F(MsgThreadTest, AfterTerminateSendsAreDroppedAndQueuedMessagesDiscarded)
{
    thread->Send(window, engineMessage, 1, 0);
    thread->Terminate();
    thread->Send(window, engineMessage, 2, 0);
    EXPECT_EQ(thread->Count(), 1);
    thread->Start();
    thread.reset();
    while (ProcessMainThreadQueue()) {
    }
    EXPECT_TRUE(delivered.empty());
}

TEST_F(MsgThreadTest, DestroyingItWhileAMessageWaitsForTheMainThreadDoesNotDeadlock)
{
    thread->Start();
    thread->Send(window, engineMessage, 7, 0);
    // The thread is now blocked in SendMessage (or about to be); nothing has served it yet.
    thread.reset();
    EXPECT_LE(delivered.size(), 1u);
}

TEST(MsgThreadModuleTest, PostToEngineWindowNeedsTheRunningModule)
{
    InitMainThread();
    std::atomic<int> handled{0};
    const HWND window = AllocateHWnd([&](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
        handled += msg == engineMessage;
        return 0;
    });
    EXPECT_FALSE(PostToEngineWindow(window, engineMessage, 0, 0));
    InitializeMsgThreadModule();
    std::thread audioCallback([&] { EXPECT_TRUE(PostToEngineWindow(window, engineMessage, 0, 0)); });
    audioCallback.join();
    EXPECT_TRUE(ProcessMessagesUntil([&] { return handled.load() == 1; }, 20000));
    FinalizeMsgThreadModule();
    EXPECT_EQ(MsgThread, nullptr);
    EXPECT_FALSE(PostToEngineWindow(window, engineMessage, 0, 0));
    DeallocateHWnd(window);
}

}  // namespace
