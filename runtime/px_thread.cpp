#include "runtime/px_thread.h"

#include <cerrno>
#include <string>

#include "platform/Event.h"
#include "platform/MainThread.h"

namespace {

std::string StartFailedMessage(const TPxThread& thread, int lastError)
{
    auto flag = [](bool value) { return value ? "1" : "0"; };
    // Ex: threads here are never wrappers around an external thread.
    return std::string("Thread start failed (F=") + flag(thread.Finished()) + " Ex=0 LE=" +
           std::to_string(lastError) + " H=" + std::to_string(thread.Handle()) + " SP=" +
           flag(thread.WasCreatedSuspended()) + " ST=" + flag(thread.Started()) + ")";
}

bool IsSet(TEvent& event)
{
    return event.WaitFor(0) == TWaitResult::wrSignaled;
}

}  // namespace

TPxThread::TPxThread() : TThreadEx(false), FWasCreatedSuspended(false) {}

TPxThread::TPxThread(bool createSuspended)
    : TThreadEx(createSuspended), FWasCreatedSuspended(createSuspended)
{
}

void TPxThread::Start()
{
    try {
        TThread::Start();
    } catch (const EThread&) {
        throw EThread(StartFailedMessage(*this, errno));
    }
}

TThread* TPxThread::CreateAnonymousThread(std::function<void()> threadProc, const std::string& name, bool)
{
    if (name.empty())
        return TThread::CreateAnonymousThread(std::move(threadProc));
    return TThread::CreateAnonymousThread([proc = std::move(threadProc), name] {
        NameThreadForDebugging(name);
        proc();
    });
}

TThreadTerminator::TThreadTerminator(std::unique_ptr<TThread> thread)
    : TPxThread(true), FThread(std::move(thread)), FDone(std::make_shared<TEvent>(true, false))
{
    SetFreeOnTerminate(true);
}

TThreadTerminator::~TThreadTerminator()
{
    StopAndWait();
}

void TThreadTerminator::Execute()
{
    NameThreadForDebugging("ThreadBackgroundTerminate");
    struct TSignalDone {
        TEvent& done;
        ~TSignalDone()
        {
            done.SetEvent();
            NotifyMainThreadWaiters();
        }
    } signalDone{*FDone};
    if (!FThread)
        return;
    FThread->Terminate();
    FThread->WaitFor();
    FThread.reset();
}

void FreeThreadInBackground(std::unique_ptr<TThread> thread, int32_t timeoutMs)
{
    if (!thread)
        return;
    thread->Terminate();
    auto terminator = std::make_unique<TThreadTerminator>(std::move(thread));
    const std::shared_ptr<TEvent> done = terminator->DoneEvent();
    try {
        terminator->Start();
    } catch (const EThread&) {
        // No thread to hand it to: destroying the terminator runs its body here (or, failing that,
        // frees the thread directly), waiting. It must not also free itself.
        terminator->SetFreeOnTerminate(false);
        return;
    }
    terminator.release();  // it frees itself
    if (timeoutMs <= 0)
        return;
    if (IsMainThread())
        WaitWhileServingMainThreadFor([&done] { return IsSet(*done); }, static_cast<uint32_t>(timeoutMs));
    else
        done->WaitFor(static_cast<uint32_t>(timeoutMs));
}

void SyncInMainThread(const std::function<void()>& proc)
{
    if (IsMainThread())
        proc();
    else
        TThread::Synchronize(nullptr, proc);
}

void QueueInMainThread(std::function<void()> proc)
{
    if (IsMainThread())
        proc();
    else
        TThread::Queue(nullptr, std::move(proc));
}
