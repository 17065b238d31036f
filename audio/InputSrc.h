// TInputSrc: the capture source of one device configuration. It opens the device of its input
// entry (the library's recording, the WASAPI-style layer or the ASIO-style layer) when its first
// channel is asked for and pushes every captured block into the stream of each consumer channel.
//
// Threads: created, called and freed on the main thread (it owns a message window). The capture
// callbacks run on the library's capture threads and read only the published channel copy FData,
// under its read lock; the main thread changes the list and republishes under the write lock.
// Failure: device errors are reported through the live inputs' error callback (audio/PxInput.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "audio/InputSrcBase.h"
#include "audiolib/audiolib.h"
#include "platform/MultiReadExclusiveWriteSynchronizer.h"
#include "platform/WinTypes.h"

// One consumer channel.
struct TChan {
  HSTREAM Chan = 0;         // push or dummy stream, owned by the consumer
  HSYNC Sync = 0;           // its free sync
  TPxInput* Obj = nullptr;  // the consumer
  bool Dummy = false;       // the stream only processes the captured data; nothing is queued
  bool StopFlag = false;    // end this channel's data: it drains what is queued, then ends
  bool Stopped = false;
  bool Downmix = false;  // copy the left channel into the right
};
using TChanArray = std::vector<TChan>;

// The copy of the channel list the capture callback reads.
struct TData {
  TChanArray Chan;
  TMultiReadExclusiveWriteSynchronizer L;
};

// Capture APIs (FRecApi).
inline constexpr int32_t kRecApiLibrary = 0;
inline constexpr int32_t kRecApiWasapi = 1;
inline constexpr int32_t kRecApiAsio = 2;

// Posted to the source's window by a channel's free sync; wParam is the stream.
inline constexpr UINT WM_INPUTSRC_CHANFREED = WM_APP + 1;

class TInputSrc : public TInputSrcBase {
 public:
  TInputSrc();
  // Closes the device and frees the streams of the channels still listed.
  ~TInputSrc() override;
  TInputSrc(const TInputSrc&) = delete;
  TInputSrc& operator=(const TInputSrc&) = delete;

  DWORD GetNewChan(TPxInput* S, DWORD Flags, bool Dummy) override;
  void StopChan(DWORD C, bool DelOnly) override;
  void StopChanDelayed(DWORD C) override;
  void StopAllChans(TPxInput* AInput) override;

  // The bound entry is an ASIO-style input whose KeepAlive is on: the device stays open without
  // channels.
  bool KeepAlive() const;
  bool DeviceInitialized() const { return FDeviceInitialized; }
  // The capture format (Hz, channels), known once the device has started.
  int32_t Rate() const { return FRate; }
  int32_t Channels() const { return FChannels; }
  // Bytes a new consumer waits for before GetNewChan returns (up to one second of its stream).
  int64_t PrebufferBytes() const { return FPrebufferBytes; }
  // The capture callbacks' shared body: hands the block (float samples, `length` bytes) to every
  // channel; may change it in place (dummy channels' DSP, downmix). Capture thread.
  void CaptureBlock(float* block, DWORD length);
  // CaptureBlock on a copy of a block the library hands over read-only. The copy grows only when a
  // larger block arrives. Capture thread.
  void CaptureBlockCopy(const void* block, DWORD length);

 private:
  void PublishChannels();
  void Prebuffer(HSTREAM stream);
  bool HasChannels() const { return !FChanList.empty(); }
  // Device bring-up (InputSrcDevice.cpp).
  void InitDevice(DWORD Flags);
  void OpenDevice();
  void SetupAsioInput();
  void StartDevice();
  void StartDeviceOn(std::string& apiName);
  void StopDevice();
  // Another initialised source records from the same input of the library's own layer.
  bool InputSharedWithAnotherSource() const;
  // Reports "<text>: <code> (<error text>)" through the error callback (code: the library's last
  // error when the failure happened); throws EInputAudioException("Error callback not set
  // (input).") when there is none.
  void ReportInputError(const std::string& text, int code);
  LRESULT WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

  HRECORD FDSRecChan = 0;
  int32_t FChannels = 0;
  int32_t FRate = 0;
  int64_t FPrebufferBytes = 0;
  bool FDeviceInitialized = false;
  int32_t FRecDev = -1;
  int32_t FRecApi = -1;
  int32_t FRecC1 = -1;
  int32_t FRecC2 = -1;
  HWND FWnd = 0;
  TChanArray FChanList;
  TData FData;
  // Capture thread only: a writable copy of a block the library hands over read-only.
  std::vector<float> FScratch;
};

// The capture callbacks of the three layers; `user` is the TInputSrc.
BOOL InputSrcRecordProc(HRECORD handle, const void* buffer, DWORD length, void* user);
DWORD InputSrcWasapiProc(void* buffer, DWORD length, void* user);
DWORD InputSrcAsioProc(BOOL input, DWORD channel, void* buffer, DWORD length, void* user);
