// TSoundDevice: one configured output or input of the system settings, and how it is found again
// among the audio library's devices (DeviceIdx).
//
// Main thread: built, read and saved there. The audio engine and its threads read the values
// without locks and may call DeviceIdx from any thread.
#pragma once

#include <cstdint>
#include <string>

#include "settings/format/Collection.h"
#include "settings/format/PublishedProperty.h"

// Which mixer feeds an output: the main mixer, a caller's own mixer, or none.
enum class TOutputDevType { odMixer, odRegular, odNotUsed };

// Values of Method. Other negative values are roles that the audio engine gives a meaning.
inline constexpr int32_t kMethodNone = -1;
inline constexpr int32_t kMethodLibrary = 0;  // the audio library's own devices
inline constexpr int32_t kMethodWasapi = 1;
inline constexpr int32_t kMethodAsio = 2;

// DeviceID values with a meaning of their own.
inline constexpr const char* kDefaultDeviceID = ":default";  // the system's default device
inline constexpr const char* kDecodeDeviceID = ":decode";    // decoding only, no hardware

class TSoundDevice : public TCollectionItem {
 public:
  explicit TSoundDevice(TCollection& collection) : TCollectionItem(collection) {}
  static const TPropList& ClassProperties();

  PUBLISHED_PROPERTY(TOutputDevType, DevType, TOutputDevType::odMixer)
  PUBLISHED_PROPERTY(int32_t, Method, kMethodLibrary)
  // The device's identifier in its list (driver or endpoint id), or kDefaultDeviceID, kDecodeDeviceID.
  PUBLISHED_PROPERTY(std::string, DeviceID, "")
  // The device's display name, used to find it again.
  PUBLISHED_PROPERTY(std::string, DeviceName2, "")
  // First and second channel (ASIO-style drivers), and their names.
  PUBLISHED_PROPERTY(int32_t, Chan1, 0)
  PUBLISHED_PROPERTY(int32_t, Chan2, 0)
  PUBLISHED_PROPERTY(std::string, Chan1Name, "")
  PUBLISHED_PROPERTY(std::string, Chan2Name, "")
  PUBLISHED_PROPERTY(bool, EventDriven, false)

  // Not stored: the name a settings window shows for the item.
  std::string DisplayName;

  // DeviceID is exactly kDefaultDeviceID. Setting True stores kDefaultDeviceID; setting False
  // clears a DeviceID that is kDefaultDeviceID and leaves any other alone.
  bool IsDefault() const;
  void SetIsDefault(bool value);
  // Method is kMethodNone, or kMethodLibrary with DeviceID kDecodeDeviceID.
  bool IsNoSound() const;
  virtual bool IsInput() const = 0;

  // The index of this item's device in the audio library's list for its Method and kind (library
  // outputs or inputs, WASAPI-style or ASIO-style), found by the TDeviceMatch rule. When nothing
  // matches: -1 for outputs and ASIO-style drivers, -2 for library inputs, -3 for WASAPI-style
  // inputs; -1 for a Method without a list. Walks the library's enumeration calls; any thread.
  int32_t DeviceIdx() const;

 private:
  bool UsesLibraryDevices() const;
  int32_t LibraryDeviceIdx() const;
  int32_t WasapiDeviceIdx() const;
  int32_t AsioDeviceIdx() const;
};
