#include "platform/Thread.h"

#include <pthread.h>

#include <system_error>

#include "platform/MainThread.h"

namespace {

class TAnonymousThread : public TThread {
public:
    explicit TAnonymousThread(std::function<void()> proc) : TThread(true), FProc(std::move(proc))
    {
        SetFreeOnTerminate(true);
    }
    ~TAnonymousThread() override { StopAndWait(); }

protected:
    void Execute() override { FProc(); }

private:
    std::function<void()> FProc;
};

}  // namespace

TThread::TThread(bool createSuspended) : FCreateSuspended(createSuspended) {}

TThread::~TThread()
{
    StopAndWait(false);
    std::thread thread;
    {
        std::lock_guard lock(FMutex);
        thread = std::move(FThread);
    }
    if (!thread.joinable())
        return;
    // A self-freeing thread runs this destructor on itself and cannot join itself.
    if (thread.get_id() == std::this_thread::get_id())
        thread.detach();
    else
        thread.join();
}

TThread* TThread::CreateAnonymousThread(std::function<void()> proc)
{
    return new TAnonymousThread(std::move(proc));
}

void TThread::Start()
{
    {
        std::lock_guard lock(FMutex);
        if (FStartCalled || !FCreateSuspended)
            throw EThread("Cannot call Start on a running or suspended thread");
        FStartCalled = true;
    }
    LaunchBody();
}

void TThread::StartCreatedRunning()
{
    {
        std::lock_guard lock(FMutex);
        FStartCalled = true;
    }
    LaunchBody();
}

void TThread::LaunchBody()
{
    std::lock_guard lock(FMutex);
    try {
        FThread = std::thread([this] { RunBody(); });
    } catch (const std::system_error& error) {
        FStartCalled = false;
        throw EThread(std::string("Thread creation error: ") + error.what());
    }
    FThreadId.store(FThread.get_id());
    FHandle.store(static_cast<uintptr_t>(FThread.native_handle()));
    FStarted.store(true);
}

void TThread::LaunchBodyOrGiveUp()
{
    try {
        LaunchBody();
    } catch (const EThread&) {
        // No thread could be made: there is no body to wait for (LaunchBody cleared the start).
    }
}

void TThread::RunBody()
{
    {
        // Wait until LaunchBody has published the thread's id and handle.
        std::lock_guard lock(FMutex);
    }
    try {
        Execute();
    } catch (...) {
        FFatalException = std::current_exception();
    }
    FFinished.store(true);
    try {
        DoTerminate();
    } catch (...) {
        if (!FFatalException)
            FFatalException = std::current_exception();
    }
    const bool freeSelf = FreeOnTerminate();
    {
        std::lock_guard lock(FMutex);
        FDone = true;
        FDoneChanged.notify_all();
    }
    NotifyMainThreadWaiters();
    if (freeSelf)
        delete this;
}

void TThread::DoTerminate()
{
    if (OnTerminate)
        Synchronize(OnTerminate);
}

void TThread::Terminate()
{
    FTerminated.store(true);
    TerminationRequested();
}

void TThread::WaitFor()
{
    if (FreeOnTerminate())
        throw EThread("Cannot call WaitFor on a FreeOnTerminate thread");
    if (IsCurrentThread())
        throw EThread("A thread cannot wait for itself");
    WaitUntilDone();
}

bool TThread::IsDone() const
{
    std::lock_guard lock(FMutex);
    return FDone || !FStartCalled;
}

void TThread::WaitUntilDone()
{
    if (IsMainThread()) {
        WaitWhileServingMainThread([this] { return IsDone(); });
        return;
    }
    std::unique_lock lock(FMutex);
    FDoneChanged.wait(lock, [this] { return FDone || !FStartCalled; });
}

std::exception_ptr TThread::FatalException() const
{
    return Finished() ? FFatalException : nullptr;
}

void TThread::StopAndWait()
{
    StopAndWait(true);
}

void TThread::StopAndWait(bool mayStartSuspended)
{
    if (!IsCurrentThread()) {
        bool startNow = false;
        bool running = false;
        {
            std::lock_guard lock(FMutex);
            startNow = mayStartSuspended && !FStartCalled;
            if (startNow)
                FStartCalled = true;
            running = FStartCalled && !FDone;
        }
        if (running) {
            Terminate();
            if (startNow)
                LaunchBodyOrGiveUp();
            WaitUntilDone();
        }
    }
    RemoveQueuedEvents(this);
}

void TThread::NameThreadForDebugging(const std::string& name)
{
    constexpr size_t maxNameBytes = 15;  // the kernel's limit without the terminating zero
    pthread_setname_np(pthread_self(), name.substr(0, maxNameBytes).c_str());
}

void TThread::Synchronize(TThread*, std::function<void()> proc)
{
    // Work a thread waits for is never dropped, so the thread is not needed as a tag here.
    RunInMainThreadAndWait(std::move(proc));
}

void TThread::Queue(TThread* thread, std::function<void()> proc)
{
    if (IsMainThread())
        proc();
    else
        QueueInMainThreadQueue(std::move(proc), thread);
}

void TThread::RemoveQueuedEvents(TThread* thread)
{
    RemoveQueuedForOwner(thread);
}
