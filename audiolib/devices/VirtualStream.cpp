#include "audiolib/devices/VirtualStream.h"

#include <algorithm>
#include <cstdlib>

#include "audiolib/api/ErrorState.h"
#include "audiolib/devices/VirtualDeviceBackend.h"
#include "audiolib/devices/VirtualDevices.h"

namespace audiolib {

namespace {

constexpr DWORD kLowestRate = 1000;
constexpr DWORD kHighestRate = 384000;
constexpr DWORD kDefaultPeriodMs = 10;

const std::vector<DeviceDescription>& LayerList(const DeviceInventory& inventory, DeviceLayer layer) {
  switch (layer) {
    case DeviceLayer::WasapiStyle:
      return inventory.wasapi;
    case DeviceLayer::AsioStyle:
      return inventory.asio;
    case DeviceLayer::Regular:
      break;
  }
  return inventory.regular;
}

// The listed device the request names (ASIO-style devices serve both directions).
DeviceDescription FindDevice(const DeviceStreamRequest& request) {
  const char* setting = std::getenv("TONESENTRY_VIRTUAL_DEVICES");
  const DeviceInventory inventory = VirtualDeviceBackend(setting ? setting : "").Enumerate();
  std::vector<DeviceDescription> candidates;
  const bool wantsInput = request.direction == StreamDirection::Input;
  for (const DeviceDescription& device : LayerList(inventory, request.layer)) {
    if (request.layer == DeviceLayer::AsioStyle || device.isInput == wantsInput) {
      candidates.push_back(device);
    }
  }
  auto found = std::find_if(candidates.begin(), candidates.end(), [&](const DeviceDescription& d) {
    return request.deviceId.empty() ? d.isDefault : d.id == request.deviceId;
  });
  if (found == candidates.end() && request.deviceId.empty() && !candidates.empty()) {
    found = candidates.begin();
  }
  if (found == candidates.end() || !found->isEnabled) throw AudioError(BASS_ERROR_DEVICE);
  return *found;
}

class VirtualStream : public DeviceStream {
 public:
  explicit VirtualStream(std::shared_ptr<VirtualStreamCore> core) : core_(std::move(core)) {}

  ~VirtualStream() override {
    VirtualDevices::Instance().Unregister(core_);
    std::lock_guard events(core_->eventMutex);
    core_->closed = true;
  }

  void Start() override { VirtualDevices::Instance().Start(*core_); }
  void Stop() override { VirtualDevices::Instance().Stop(*core_); }
  bool IsStarted() const override { return VirtualDevices::Instance().IsStarted(*core_); }
  bool IsLost() const override { return VirtualDevices::Instance().IsLost(core_->request.deviceId); }
  DWORD SampleRate() const override { return core_->request.sampleRate; }
  DWORD Channels() const override { return core_->request.channels; }
  double LatencyMs() const override { return 0; }

 private:
  std::shared_ptr<VirtualStreamCore> core_;
};

std::unique_ptr<DeviceStream> OpenStreamOn(const DeviceDescription& device, const DeviceStreamRequest& request,
                                           DeviceStreamCallbacks callbacks) {
  if (request.sampleRate < kLowestRate || request.sampleRate > kHighestRate) {
    throw AudioError(BASS_ERROR_FREQ);
  }
  if (request.channels == 0 || request.channels > device.mixChannels) throw AudioError(BASS_ERROR_FORMAT);
  auto core = std::make_shared<VirtualStreamCore>();
  core->request = request;
  core->request.deviceId = device.id;
  core->callbacks = std::move(callbacks);
  core->periodFrames = request.periodFrames != 0 ? request.periodFrames
                                                 : std::max<DWORD>(1, request.sampleRate * kDefaultPeriodMs / 1000);
  core->block.assign(static_cast<size_t>(core->periodFrames) * request.channels, 0.0f);
  VirtualDevices::Instance().Register(core);
  return std::make_unique<VirtualStream>(std::move(core));
}

}  // namespace

std::unique_ptr<DeviceStream> OpenVirtualStream(const DeviceStreamRequest& request,
                                                DeviceStreamCallbacks callbacks) {
  return OpenStreamOn(FindDevice(request), request, std::move(callbacks));
}

std::unique_ptr<DeviceStream> OpenNoSoundStream(const DeviceStreamRequest& request,
                                                DeviceStreamCallbacks callbacks) {
  DeviceDescription device;
  device.id = kNoSoundDeviceId;
  device.mixChannels = request.channels;
  return OpenStreamOn(device, request, std::move(callbacks));
}

}  // namespace audiolib
