#include "audiolib/channels/Channel.h"

#include "audiolib/api/Config.h"
#include "audiolib/api/ErrorState.h"
#include "audiolib/mixer/Mixer.h"

namespace audiolib {

Channel::Channel(const SampleFormat& format, DWORD flags, DWORD ctype, int device)
    : format_(format), flags_(flags), ctype_(ctype), device_(device), dsps_(format.chans) {}

DWORD Channel::SetFlags(DWORD flags, DWORD mask) {
  mask &= ChangeableFlags();
  DWORD current = flags_.load();
  while (!flags_.compare_exchange_weak(current, (current & ~mask) | (flags & mask))) {
  }
  return (current & ~mask) | (flags & mask);
}

QWORD Channel::LengthBytes() const { throw AudioError(BASS_ERROR_NOTAVAIL); }

void Channel::Seek(QWORD) { throw AudioError(BASS_ERROR_NOTFILE); }

void Channel::SetPositionBytes(QWORD bytes) {
  std::lock_guard lock(readMutex_);
  if (freed_) throw AudioError(BASS_ERROR_HANDLE);
  bytes -= bytes % format_.BytesPerFrame();
  Seek(bytes);
  positionBytes_.store(bytes, std::memory_order_relaxed);
  ended_ = false;
}

void Channel::ClearEnded() {
  std::lock_guard lock(readMutex_);
  ended_ = false;
}

ReadResult Channel::Read(void* buffer, size_t bytes) {
  std::lock_guard lock(readMutex_);
  if (freed_) return ReadResult{0, true, true};
  if (ended_) return ReadResult{0, true, false};
  bytes -= bytes % format_.BytesPerFrame();
  ReadResult result = Produce(buffer, bytes);
  if (result.bytes > 0) {
    RunDsps(buffer, result.bytes);
    AdvancePosition(result);
  }
  if (result.ended) {
    ended_ = true;
    syncs_.FireEnd(handle_);
  }
  return result;
}

void Channel::RunDsps(void* buffer, size_t bytes) {
  const bool wantsFloat = Config::Instance().floatDsp() || dsps_.HasEffects();
  if (format_.type == SampleType::Float32 || !wantsFloat || dsps_.IsEmpty()) {
    dsps_.Run(handle_, buffer, static_cast<DWORD>(bytes));
    return;
  }
  const size_t samples = bytes / format_.BytesPerSample();
  if (dspFloats_.size() < samples) dspFloats_.resize(samples);
  ToFloat(buffer, format_.type, samples, dspFloats_.data());
  dsps_.Run(handle_, dspFloats_.data(), static_cast<DWORD>(samples * sizeof(float)));
  FromFloat(dspFloats_.data(), format_.type, samples, buffer);
}

void Channel::AdvancePosition(const ReadResult& result) {
  const QWORD from = positionBytes_.load(std::memory_order_relaxed);
  if (result.restartAtBytes == ReadResult::kNoRestart) {
    positionBytes_.store(from + result.bytes, std::memory_order_relaxed);
    syncs_.FirePositions(handle_, from, from + result.bytes);
    return;
  }
  // A loop back to the start: syncs up to the end, then from position 0 again.
  syncs_.FirePositions(handle_, from, from + result.restartAtBytes);
  const QWORD after = result.bytes - result.restartAtBytes;
  positionBytes_.store(after, std::memory_order_relaxed);
  syncs_.FirePositions(handle_, 0, after);
}

void Channel::Stop() {
  std::lock_guard lock(readMutex_);
  ended_ = true;
}

DWORD Channel::Activity() const {
  const PlaybackState playback = playback_.load();
  if (playback == PlaybackState::Draining) return BASS_ACTIVE_PLAYING;
  if (playback == PlaybackState::Stopped || ended_.load()) return BASS_ACTIVE_STOPPED;
  if (playback == PlaybackState::Paused) return BASS_ACTIVE_PAUSED;
  const std::shared_ptr<Mixer> owner = mixer();
  if (playback == PlaybackState::Idle && (flags() & BASS_STREAM_DECODE) == 0 && !owner) {
    return BASS_ACTIVE_STOPPED;
  }
  if (owner && owner->IsPaused(*this)) return BASS_ACTIVE_PAUSED;
  if (playback == PlaybackState::WaitingForDevice || Stalled()) return BASS_ACTIVE_STALLED;
  return BASS_ACTIVE_PLAYING;
}

DWORD Channel::GetData(void* buffer, DWORD length) {
  if (const size_t fftSize = FftSizeOf(length)) return GetSpectrum(buffer, fftSize);
  if (length & BASS_DATA_FFT256) throw AudioError(BASS_ERROR_ILLPARAM);
  if (!buffer && length > 0) throw AudioError(BASS_ERROR_ILLPARAM);
  const ReadResult result = Read(buffer, length);
  if (result.freed) throw AudioError(BASS_ERROR_HANDLE);
  if (result.ended && result.bytes == 0) throw AudioError(BASS_ERROR_ENDED);
  return static_cast<DWORD>(result.bytes);
}

DWORD Channel::GetSpectrum(void* magnitudes, size_t fftSize) {
  if (!HasOwnData()) throw AudioError(BASS_ERROR_NOTAVAIL);
  if (!magnitudes) throw AudioError(BASS_ERROR_ILLPARAM);
  std::lock_guard lock(readMutex_);
  const size_t samples = fftSize * format_.chans;
  // Float samples are at least as wide as any format, so the raw block fits in front of them.
  if (spectrumSamples_.size() < samples) spectrumSamples_.resize(samples);
  const ReadResult result = Read(spectrumSamples_.data(), fftSize * format_.BytesPerFrame());
  if (result.freed) throw AudioError(BASS_ERROR_HANDLE);
  if (result.ended && result.bytes == 0) throw AudioError(BASS_ERROR_ENDED);
  const size_t frames = result.bytes / format_.BytesPerFrame();
  if (format_.type != SampleType::Float32) {
    // Widen in place from the back so no sample is overwritten before it is read.
    const size_t count = frames * format_.chans;
    const size_t width = format_.BytesPerSample();
    const auto* raw = reinterpret_cast<const BYTE*>(spectrumSamples_.data());
    for (size_t i = count; i-- > 0;) ToFloat(raw + i * width, format_.type, 1, &spectrumSamples_[i]);
  }
  fft_.Analyse(spectrumSamples_.data(), frames, format_.chans, fftSize,
               static_cast<float*>(magnitudes));
  return static_cast<DWORD>(fftSize / 2 * sizeof(float));
}

void Channel::Free() {
  {
    std::lock_guard lock(readMutex_);
    freed_ = true;
  }
  syncs_.FireFree(handle_);
  if (std::shared_ptr<Mixer> owner = mixer()) owner->RemoveSource(*this);
  OnFreed();
}

std::shared_ptr<Mixer> Channel::mixer() const {
  std::lock_guard lock(mixerMutex_);
  return mixer_.lock();
}

bool Channel::AttachToMixer(const std::shared_ptr<Mixer>& mixer) {
  std::lock_guard lock(mixerMutex_);
  if (mixer_.lock()) return false;
  mixer_ = mixer;
  return true;
}

void Channel::DetachFromMixer() {
  std::lock_guard lock(mixerMutex_);
  mixer_.reset();
}

}  // namespace audiolib
