// The audio library's callbacks of the engine's output slots. They reach the engine through the
// module variable Audio and deliver nothing once it is gone or being destroyed.
#pragma once

#include "audiolib/audiolib.h"

// Device feeder thread of a WASAPI-style output: fills `length` bytes from slot `user`'s Handle;
// returns the bytes written (0 when none). A failure is reported (on the main thread) as
// "WASAPIProc_O exception. B=..., L=..., U=..., R=.... Msg: ... [...]" and gives 0.
DWORD WasapiOutputProc(void* buffer, DWORD length, void* user);
// Device feeder thread of an ASIO-style output channel: the same for slot `user`.
DWORD AsioOutputProc(BOOL input, DWORD channel, void* buffer, DWORD length, void* user);
// Sound-system thread: a WASAPI-style endpoint went away (DISABLED: rebuilt after 5000 ms) or its
// stream failed (FAIL: after 10 ms). The engine's work is queued to the main thread.
void WASAPI_NotifyProc(DWORD notify, DWORD device, void* user);
// Sound-system thread: a rate change of an ASIO-style device is shown in a message box ("Asio").
void AsioNotifyProc(DWORD notify, void* user);

// Delays before a lost output is rebuilt, ms.
inline constexpr int kReinitDelayAfterDisabledMs = 5000;
inline constexpr int kReinitDelayAfterFailMs = 10;
