// The capture side of TInputSrc: the library's capture callbacks and the block they share out.
#include <cstring>

#include "audio/InputSrc.h"

namespace {

// A consumer that stopped reading is cut back to empty once this much is queued.
constexpr DWORD kMaxQueuedBytes = 0xA00000;

void CopyLeftIntoRight(float* block, DWORD length) {
  const DWORD frames = length / (2 * sizeof(float));
  for (DWORD frame = 0; frame < frames; ++frame) block[2 * frame + 1] = block[2 * frame];
}

}  // namespace

void TInputSrc::CaptureBlock(float* block, DWORD length) {
  FData.L.BeginRead();
  for (const TChan& chan : FData.Chan) {
    if (chan.Dummy) {
      // The dummy stream's DSP chain works in place, so later channels get the processed block.
      BASS_ChannelGetData(chan.Chan, block, length);
    } else if (chan.StopFlag) {
      BASS_StreamPutData(chan.Chan, nullptr, BASS_STREAMPROC_END);
    } else {
      if (BASS_StreamPutData(chan.Chan, nullptr, 0) > kMaxQueuedBytes) {
        BASS_ChannelSetPosition(chan.Chan, 0, BASS_POS_BYTE);
      }
      if (chan.Downmix) CopyLeftIntoRight(block, length);
      BASS_StreamPutData(chan.Chan, block, length);
    }
  }
  FData.L.EndRead();
}

void TInputSrc::CaptureBlockCopy(const void* block, DWORD length) {
  const size_t samples = length / sizeof(float);
  if (FScratch.size() < samples) FScratch.resize(samples);
  std::memcpy(FScratch.data(), block, samples * sizeof(float));
  CaptureBlock(FScratch.data(), static_cast<DWORD>(samples * sizeof(float)));
}

// The library's recording hands over a read-only block.
BOOL InputSrcRecordProc(HRECORD, const void* buffer, DWORD length, void* user) {
  static_cast<TInputSrc*>(user)->CaptureBlockCopy(buffer, length);
  return 1;
}

DWORD InputSrcWasapiProc(void* buffer, DWORD length, void* user) {
  static_cast<TInputSrc*>(user)->CaptureBlock(static_cast<float*>(buffer), length);
  return 1;
}

DWORD InputSrcAsioProc(BOOL, DWORD, void* buffer, DWORD length, void* user) {
  static_cast<TInputSrc*>(user)->CaptureBlock(static_cast<float*>(buffer), length);
  return 1;
}
