#include "runtime/MsgThread.h"

#include "platform/MessageWindow.h"

std::unique_ptr<TMsgThread> MsgThread;

TMsgThread::TMsgThread() : TPxThread(true) {}

TMsgThread::~TMsgThread()
{
    StopAndWait();
}

void TMsgThread::Send(HWND wnd, UINT msg, uint32_t wParam, int32_t lParam)
{
    if (Terminated())
        return;
    {
        std::lock_guard lock(FSync);
        TMessageItem item;
        item.M.Msg = msg;
        item.M.WParam = wParam;
        item.M.LParam = lParam;
        item.Wnd = wnd;
        FList.push_back(item);
        FCount.store(static_cast<int32_t>(FList.size()));
    }
    FEvent.SetEvent();
}

void TMsgThread::Execute()
{
    NameThreadForDebugging("MsgThread");
    std::deque<TMessageItem> batch;
    while (!Terminated()) {
        FEvent.WaitFor(INFINITE);
        TakeQueuedBatch(batch);
        Deliver(batch);
    }
}

void TMsgThread::TakeQueuedBatch(std::deque<TMessageItem>& batch)
{
    std::lock_guard lock(FSync);
    if (Terminated())
        FList.clear();
    while (!FList.empty()) {
        batch.push_back(FList.front());
        FList.pop_front();
    }
    FCount2.store(static_cast<int32_t>(batch.size()));
    FCount.store(static_cast<int32_t>(FList.size()));
}

void TMsgThread::Deliver(std::deque<TMessageItem>& batch)
{
    // Count keeps including the batch until its last message has been handled.
    while (!batch.empty()) {
        const TMessageItem item = batch.front();
        batch.pop_front();
        if (!Terminated())
            SendMessage(item.Wnd, item.M.Msg, item.M.WParam, item.M.LParam);
    }
    FCount2.store(0);
}

void InitializeMsgThreadModule()
{
    auto thread = std::make_unique<TMsgThread>();
    thread->Start();
    MsgThread = std::move(thread);
}

void FinalizeMsgThreadModule()
{
    MsgThread.reset();
}

bool PostToEngineWindow(HWND wnd, UINT msg, uint32_t wParam, int32_t lParam)
{
    if (!MsgThread)
        return false;
    MsgThread->Send(wnd, msg, wParam, lParam);
    return true;
}
