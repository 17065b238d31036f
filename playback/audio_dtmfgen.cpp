#include "playback/audio_dtmfgen.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cwctype>
#include <numbers>

#include "platform/TextCodec.h"

namespace {

constexpr DWORD GeneratorRate = 44100;
constexpr double TwoPi = 2 * std::numbers::pi;
constexpr double ToneAmplitude = 12000;
constexpr double SegmentSeconds = 0.08;
constexpr size_t PrefixLength = 5;  // "dtmf="

enum TGenStep : int32_t { gsAttack = 0, gsRelease = 1, gsSustain = 2, gsGap = 3 };

struct TDTMFGenState {
  int32_t RowFreq = 0;
  int32_t ColFreq = 0;
  double RowPhase = 0;
  double ColPhase = 0;
  int32_t KeyIndex = 0;
  int64_t Counter = 0;
  int32_t Step = gsAttack;
  std::string Keys;  // every key of the text: texts of any length play whole
  int32_t KeyCount = 0;
  int32_t SegBytes = 0;
};

struct TKeyFrequencies {
  int32_t row;
  int32_t col;
};

TKeyFrequencies FrequenciesOf(char key) {
  static constexpr char Keypad[4][5] = {"123A", "456B", "789C", "*0#D"};
  static constexpr int32_t Rows[4] = {697, 770, 852, 941};
  static constexpr int32_t Cols[4] = {1209, 1336, 1477, 1633};
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      if (key != 0 && Keypad[r][c] == key) return {Rows[r], Cols[c]};
    }
  }
  return {0, 0};
}

double AdvancePhase(double phase, int32_t frequencyHz) {
  const double x = phase + frequencyHz * TwoPi / GeneratorRate;
  return x - std::trunc(x / TwoPi) * TwoPi;
}

std::string KeyText(const std::string& itemText) {
  std::u16string text = Utf8ToUtf16(itemText.size() > PrefixLength ? itemText.substr(PrefixLength) : "");
  for (char16_t& c : text) c = static_cast<char16_t>(std::towupper(c));
  return Utf8ToWindows1252(Utf16ToUtf8(text));
}

// One sample: returns false when the stream ends at this sample.
bool NextSample(TDTMFGenState& s, int16_t& out) {
  s.RowPhase = AdvancePhase(s.RowPhase, s.RowFreq);
  s.ColPhase = AdvancePhase(s.ColPhase, s.ColFreq);
  const int32_t sample = static_cast<int32_t>(std::trunc(std::sin(s.RowPhase) * ToneAmplitude)) +
                         static_cast<int32_t>(std::trunc(std::sin(s.ColPhase) * ToneAmplitude));
  s.Counter += 2;
  const int64_t quarter = s.SegBytes / 4;
  const int64_t half = s.SegBytes / 2;
  float gain = 0;
  switch (s.Step) {
    case gsAttack: {
      if (s.KeyIndex > s.KeyCount) return false;
      const char key = s.KeyIndex < s.KeyCount ? s.Keys[static_cast<size_t>(s.KeyIndex)] : 0;
      const TKeyFrequencies f = FrequenciesOf(key);
      s.RowFreq = f.row;
      s.ColFreq = f.col;
      // A frozen non-zero phase would turn a silent slot into a DC pulse; hold it at zero.
      if (f.row == 0) s.RowPhase = 0;
      if (f.col == 0) s.ColPhase = 0;
      gain = static_cast<float>(static_cast<double>(s.Counter) / static_cast<double>(quarter));
      if (s.Counter > quarter) {
        s.Counter = 0;
        s.Step = gsSustain;
      }
      break;
    }
    case gsSustain:
      gain = 1;
      if (s.Counter > s.SegBytes) {
        s.Counter = 0;
        s.Step = gsRelease;
      }
      break;
    case gsRelease:
      gain = static_cast<float>(1.0 - static_cast<double>(s.Counter) / static_cast<double>(quarter));
      if (s.Counter > quarter) {
        s.Counter = 0;
        s.Step = gsGap;
        s.KeyIndex += 1;
        s.RowPhase = 0;
        s.ColPhase = 0;
      }
      break;
    default:  // gsGap
      gain = 0;
      if (s.Counter > half) {
        s.Counter = 0;
        s.Step = gsAttack;
      }
      break;
  }
  out = static_cast<int16_t>(std::trunc(static_cast<float>(sample) * gain));
  return true;
}

DWORD DTMFStreamProc(HSTREAM, void* buffer, DWORD length, void* user) {
  auto& state = *static_cast<TDTMFGenState*>(user);
  int16_t* samples = static_cast<int16_t*>(buffer);
  const DWORD count = length / sizeof(int16_t);
  for (DWORD i = 0; i < count; ++i) {
    // Keep what was made before the end: dropping it would cut the last key short, or lose the
    // whole sequence when one read asks for more than the stream holds.
    if (!NextSample(state, samples[i])) return (i * sizeof(int16_t)) | BASS_STREAMPROC_END;
  }
  return length;
}

void FreeStateProc(HSYNC, DWORD, DWORD, void* user) { delete static_cast<TDTMFGenState*>(user); }

}  // namespace

bool IsDTMFItem(const std::string& itemText) {
  if (itemText.size() < PrefixLength) return false;
  for (size_t i = 0; i < PrefixLength; ++i) {
    if (std::tolower(static_cast<unsigned char>(itemText[i])) != "dtmf="[i]) return false;
  }
  return true;
}

HSTREAM CreateDTMFStream(const std::string& itemText, DWORD flags) {
  auto* state = new TDTMFGenState;
  state->Keys = KeyText(itemText);
  state->KeyCount = static_cast<int32_t>(state->Keys.size());
  const HSTREAM stream = BASS_StreamCreate(GeneratorRate, 1, flags, &DTMFStreamProc, state);
  if (stream == 0) {
    delete state;
    return 0;
  }
  state->SegBytes = static_cast<int32_t>(BASS_ChannelSeconds2Bytes(stream, SegmentSeconds) & 0xFFFFFFFF);
  BASS_ChannelSetSync(stream, BASS_SYNC_FREE, 0, &FreeStateProc, state);
  return stream;
}
