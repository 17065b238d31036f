#pragma once
// The message thread: carries notifications from the audio library's threads to the playback
// engines' hidden windows on the main thread. A callback calls PostToEngineWindow, which queues the
// message and returns at once; the thread then delivers the queued messages one by one, in order,
// with a synchronous SendMessage, so the handlers run one at a time on the main thread and the
// audio threads never wait for the user interface.
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

#include "platform/Event.h"
#include "platform/WinTypes.h"
#include "runtime/px_thread.h"

// One window message as queued. Result is never set or read.
struct TMessage {
    UINT Msg = 0;
    uint32_t WParam = 0;
    int32_t LParam = 0;
    int32_t Result = 0;
};

struct TMessageItem {
    TMessage M;
    HWND Wnd = 0;
};

class TMsgThread : public TPxThread {
public:
    // Created suspended; Start it.
    TMsgThread();
    // Stops the thread (messages still queued are discarded, a delivery under way ends after its
    // current message) and waits for it; on the main thread it serves the main-thread queue while
    // waiting, so a SendMessage in flight completes.
    ~TMsgThread() override;

    // Queues a message for wnd and returns at once; any thread. Dropped once the thread has been
    // told to stop. A window freed before delivery is skipped silently.
    void Send(HWND wnd, UINT msg, uint32_t wParam, int32_t lParam);

    // Messages accepted and not yet handled, the batch being delivered included; any thread,
    // without locking.
    int32_t Count() const { return FCount.load() + FCount2.load(); }

protected:
    void Execute() override;
    void TerminationRequested() override { FEvent.SetEvent(); }

private:
    void TakeQueuedBatch(std::deque<TMessageItem>& batch);
    void Deliver(std::deque<TMessageItem>& batch);

    std::deque<TMessageItem> FList;  // guarded by FSync
    TEvent FEvent{false, false};     // auto reset
    std::mutex FSync;
    std::atomic<int32_t> FCount{0};  // length of FList
    std::atomic<int32_t> FCount2{0}; // length of the batch being delivered
};

// The one message thread, from InitializeMsgThreadModule to FinalizeMsgThreadModule. Written only
// by those two, on the main thread, while no other thread uses it.
extern std::unique_ptr<TMsgThread> MsgThread;

// Module start-up (main thread): creates and starts MsgThread. Throws EThread when it cannot start.
void InitializeMsgThreadModule();
// Module shut-down (main thread): stops and frees MsgThread. Callbacks that post must be gone.
void FinalizeMsgThreadModule();

// For the audio library's callbacks: queues the message on MsgThread; any thread. False only
// when the module is not running (the message is dropped).
bool PostToEngineWindow(HWND wnd, UINT msg, uint32_t wParam, int32_t lParam);
