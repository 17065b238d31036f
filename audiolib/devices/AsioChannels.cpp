#include "audiolib/devices/AsioChannels.h"

#include <algorithm>
#include <cmath>

#include "audiolib/api/ErrorState.h"

namespace audiolib {

namespace {
constexpr double kHighestRate = 384000;
}

AsioChannels::Channel& AsioChannels::At(DWORD channel) {
  if (channel >= channels_.size()) throw AudioError(BASS_ERROR_ILLPARAM);
  return channels_[channel];
}

void AsioChannels::Enable(DWORD channel, ASIOPROC* proc, void* user) {
  Channel& entry = At(channel);
  entry.proc = proc;
  entry.user = user;
  if (proc != nullptr) entry.joinedTo = -1;
}

void AsioChannels::Join(DWORD channel, int to) {
  Channel& entry = At(channel);
  if (to < 0) {
    entry.joinedTo = -1;
    return;
  }
  const Channel& target = At(static_cast<DWORD>(to));
  const int master = target.joinedTo >= 0 ? target.joinedTo : to;
  if (master == static_cast<int>(channel)) throw AudioError(BASS_ERROR_ILLPARAM);
  // The channels joined to this one go along with it.
  for (Channel& other : channels_) {
    if (other.joinedTo == static_cast<int>(channel)) other.joinedTo = master;
  }
  entry.proc = nullptr;
  entry.joinedTo = master;
  entry.joinOrder = ++joins_;
}

void AsioChannels::SetRate(DWORD channel, double rateHz) {
  Channel& entry = At(channel);
  if (!std::isfinite(rateHz) || rateHz < 0 || rateHz > kHighestRate) throw AudioError(BASS_ERROR_FREQ);
  entry.rate = rateHz;
}

void AsioChannels::SetFormat(DWORD channel, DWORD format) {
  Channel& entry = At(channel);
  if (format != BASS_ASIO_FORMAT_FLOAT && format != BASS_ASIO_FORMAT_16BIT) throw AudioError(BASS_ERROR_FORMAT);
  entry.format = format;
}

void AsioChannels::Reset(int channel, DWORD flags) {
  if (channel >= 0) {
    At(static_cast<DWORD>(channel));
    ResetOne(static_cast<DWORD>(channel), flags);
    return;
  }
  for (DWORD i = 0; i < Count(); ++i) ResetOne(i, flags);
}

void AsioChannels::ResetOne(DWORD channel, DWORD flags) {
  Channel& entry = channels_[channel];
  if ((flags & BASS_ASIO_RESET_ENABLE) != 0) entry.proc = nullptr;
  if ((flags & BASS_ASIO_RESET_JOIN) != 0) entry.joinedTo = -1;
  if ((flags & BASS_ASIO_RESET_FORMAT) != 0) entry.format = BASS_ASIO_FORMAT_FLOAT;
  if ((flags & BASS_ASIO_RESET_RATE) != 0) entry.rate = 0;
}

std::vector<AsioChannelGroup> AsioChannels::Groups() const {
  std::vector<AsioChannelGroup> groups;
  for (DWORD i = 0; i < Count(); ++i) {
    const Channel& entry = channels_[i];
    if (entry.proc == nullptr || entry.joinedTo >= 0) continue;
    AsioChannelGroup group{i, {i}, entry.proc, entry.user, entry.rate, entry.format};
    std::vector<std::pair<unsigned, DWORD>> joined;
    for (DWORD j = 0; j < Count(); ++j) {
      if (channels_[j].joinedTo == static_cast<int>(i)) joined.emplace_back(channels_[j].joinOrder, j);
    }
    std::sort(joined.begin(), joined.end());
    for (const auto& [order, j] : joined) group.channels.push_back(j);
    groups.push_back(std::move(group));
  }
  return groups;
}

}  // namespace audiolib
