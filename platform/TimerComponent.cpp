#include "platform/TimerComponent.h"

#include "platform/MessageWindow.h"

namespace {
constexpr UINT_PTR componentTimerId = 1;
}

TTimer::TTimer()
{
    FWindowHandle = AllocateHWnd([this](HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg != WM_TIMER)
            return DefWindowProc(wnd, msg, wParam, lParam);
        if (OnTimer)
            OnTimer();
        return LRESULT{0};
    });
    UpdateTimer();
}

TTimer::~TTimer()
{
    DeallocateHWnd(FWindowHandle);
}

void TTimer::SetInterval(uint32_t intervalMs)
{
    FInterval = intervalMs;
    UpdateTimer();
}

void TTimer::SetEnabled(bool enabled)
{
    FEnabled = enabled;
    UpdateTimer();
}

void TTimer::UpdateTimer()
{
    KillTimer(FWindowHandle, componentTimerId);
    if (FEnabled && FInterval > 0)
        SetTimer(FWindowHandle, componentTimerId, FInterval);
}
