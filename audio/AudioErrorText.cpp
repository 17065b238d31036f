#include "audio/AudioErrorText.h"

#include <string_view>
#include <utility>

namespace {

constexpr std::pair<int, std::string_view> ErrorTexts[] = {
    {2, "unable to open the file/invalid server address"},
    {3, "unable to find a free sound driver"},
    {5, "invalid handle"},
    {6, "unsupported sample format"},
    {10, "SSL support is not available"},
    {17, "no audio track present"},
    {19, "illegal type"},
    {20, "illegal parameter, please check settings"},
    {23, "wrong device selected, please check settings"},
    {25, "illegal sample rate"},
    {27, "the stream is not a file stream"},
    {37, "data not available"},
    {39, "a sufficient DirectX version is not installed"},
    {40, "network timeout"},
    {41, "unsupported file format"},
    {42, "unavailable speaker"},
    {44, "codec is not available/supported"},
    {46, "the device is busy"},
    {48, "unsupported protocol"},
    {49, "access is denied"},
    {900, "teaser error"},
    {901, "teaser syntax invalid"},
    {902, "too few upcoming tracks"},
    {1002, "invalid user name/password"},
    {2100, "invalid password"},
    {3002, "hour file not found"},
    {3003, "minute file not found"},
    {4001, "unable to load video playback plugin"},
    {4002, "unable to initialize video playback"},
    {4003, "unable to initialize video media"},
    {4004, "unable to initialize video player"},
};

}  // namespace

std::string AudioErrorText(int code, bool withCode) {
  std::string text = "No description";
  for (const auto& [known, knownText] : ErrorTexts) {
    if (known == code) text = knownText;
  }
  if (withCode) text += " (" + std::to_string(code) + ")";
  return text;
}
