#include "audiolib/devices/PortAudioLibrary.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>
#include <portaudio.h>

namespace audiolib {

namespace {

void IgnoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}
void IgnoreJackMessage(const char*) {}

void SilenceHostLibraries() {
  static std::once_flag silenced;
  std::call_once(silenced, [] {
    snd_lib_error_set_handler(IgnoreAlsaMessage);
    jack_set_error_function(IgnoreJackMessage);
    jack_set_info_function(IgnoreJackMessage);
  });
}

}  // namespace

std::mutex& PortAudioMutex() {
  static std::mutex mutex;
  return mutex;
}

bool InitializePortAudio() {
  SilenceHostLibraries();
  return Pa_Initialize() == paNoError;
}

}  // namespace audiolib
