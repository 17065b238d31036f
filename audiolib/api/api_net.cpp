// The calls of URL streams: creation, file positions and tags.
#include <memory>

#include "audiolib/api/ErrorState.h"
#include "audiolib/api/HandleTable.h"
#include "audiolib/audiolib.h"
#include "audiolib/devices/Devices.h"
#include "audiolib/streams/UrlStream.h"

using namespace audiolib;

namespace {

std::shared_ptr<UrlStream> FindUrlStream(DWORD handle, int notUrlError) {
  std::shared_ptr<Channel> channel = HandleTable::Instance().Find(handle);
  if (!channel) throw AudioError(BASS_ERROR_HANDLE);
  auto stream = std::dynamic_pointer_cast<UrlStream>(std::move(channel));
  if (!stream) throw AudioError(notUrlError);
  return stream;
}

}  // namespace

HSTREAM BASS_StreamCreateURL(const char* url, DWORD offset, DWORD flags, DOWNLOADPROC* proc,
                             void* user) {
  return Guarded<HSTREAM>(0, [&] {
    if (!url || !*url) throw AudioError(BASS_ERROR_ILLPARAM);
    return HandleTable::Instance().Add(UrlStream::Open(url, offset, flags & ~BASS_UNICODE, proc,
                                                       user, Devices::Instance().Current()));
  });
}

QWORD BASS_StreamGetFilePosition(HSTREAM handle, DWORD mode) {
  return Guarded<QWORD>(~QWORD{0}, [&] {
    return FindUrlStream(handle, BASS_ERROR_NOTFILE)->FilePosition(mode);
  });
}

const char* BASS_ChannelGetTags(DWORD handle, DWORD tags) {
  return Guarded<const char*>(nullptr, [&] {
    const char* text = FindUrlStream(handle, BASS_ERROR_NOTAVAIL)->Tags(tags);
    if (!text) throw AudioError(BASS_ERROR_NOTAVAIL);
    return text;
  });
}
