// The strict detector on the file road: resampled to the analysis rate, delayed, flushed at the
// end, and on recorded-like speech from espeak-ng in three languages.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "AudioFixtures.h"
#include "DtmfTestAudio.h"
#include "dtmf/FileAnalysis.h"
#include "dtmf/SyntheticAudio.h"

namespace {

using namespace dtmftest;

class StrictSentryTest : public DtmfModuleTest {
 protected:
  std::vector<TDetectedKey> Analyse(const std::string& path) {
    TOpenError error;
    auto analysis = TFileAnalysis::Open(path, error, TDtmfDetector::Strict);
    EXPECT_NE(analysis, nullptr) << error.problem;
    if (!analysis) return {};
    analysis->RunToEnd();
    EXPECT_EQ(analysis->ErrorText(), "");
    return analysis->Keys();
  }

  // espeak-ng's speech of `text` (22050 Hz mono), read back as floats.
  std::vector<float> Speech(const std::string& voice, const std::string& text, int speedWpm, int pitch) {
    const std::filesystem::path wav = dir / ("speech-" + voice + ".wav");
    const std::string command = "espeak-ng -v " + voice + " -s " + std::to_string(speedWpm) + " -p " +
                                std::to_string(pitch) + " -w '" + wav.string() + "' \"" + text + "\"";
    EXPECT_EQ(std::system(command.c_str()), 0) << "espeak-ng is needed (scripts/install-deps.sh)";
    const HSTREAM stream = BASS_StreamCreateFile(0, wav.c_str(), 0, 0, BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT);
    EXPECT_NE(stream, 0u);
    std::vector<float> samples = audiofixtures::ReadFloats(stream, 1, SIZE_MAX);
    BASS_StreamFree(stream);
    return samples;
  }

  audiofixtures::TempDir dir;
};

constexpr int SpeechRate = 22050;

// Keys at 44.1 kHz stereo, a delay of 0.25 s: the keys' edges come out within a few ms of the
// file's.
TEST_F(StrictSentryTest, ReportsKeysWithTheirEdgesThroughTheFileRoad) {
  PlayerIni->SetDTMFDelay(0.25);
  std::vector<float> channel;
  synthaudio::AppendSilence(channel, Rate, 203);
  const std::string keys = "159#0";
  for (const char key : keys) {
    synthaudio::AppendTonePair(channel, Rate, synthaudio::KeyTones(key, 0.25), 47);
    synthaudio::AppendSilence(channel, Rate, 61);
  }
  const std::string path = (dir / "keys.wav").string();
  audiofixtures::WriteWav(path, Stereo(channel, channel), Rate, 2, 16);
  const std::vector<TDetectedKey> found = Analyse(path);
  ASSERT_EQ(KeysOf(found), keys);
  for (size_t i = 0; i < found.size(); ++i) {
    EXPECT_NEAR(found[i].startMs, 203 + 108.0 * static_cast<double>(i), 5) << i;
    EXPECT_NEAR(found[i].durationMs, 47, 10) << i;
    EXPECT_NEAR(found[i].lowLevelDb, 20 * std::log10(0.25), 1) << i;
  }
}

struct TSpeechCase {
  const char* voice;
  const char* text;
};

const TSpeechCase SpeechCases[] = {
    {"en",
     "The quick brown fox jumps over the lazy dog. She sells sea shells by the sea shore, and the "
     "shells she sells are surely sea shells. Peter Piper picked a peck of pickled peppers. How "
     "much wood would a woodchuck chuck if a woodchuck could chuck wood? Good evening, here is "
     "the news at nine o'clock. Rain will spread from the west tonight, with strong winds along "
     "the coast and temperatures falling to four degrees."},
    {"de",
     "Guten Abend, meine Damen und Herren, hier sind die Nachrichten. Fischers Fritz fischt "
     "frische Fische, frische Fische fischt Fischers Fritz. Zwischen zwei Zwetschgenzweigen "
     "zwitschern zwei Schwalben. Morgen wird es im Norden regnerisch und windig, im Süden bleibt "
     "es freundlich bei Höchstwerten um zwanzig Grad. Der Zug nach Hamburg fährt heute von Gleis "
     "sieben."},
    {"fr",
     "Bonsoir mesdames et messieurs, voici les informations. Les chaussettes de l'archiduchesse "
     "sont-elles sèches, archi-sèches? Un chasseur sachant chasser doit savoir chasser sans son "
     "chien. Demain, le temps sera nuageux sur le nord du pays avec quelques averses, et "
     "ensoleillé dans le sud. Le train pour Lyon partira de la voie numéro trois."},
};

// Speech in three languages, each at three speeds and pitches (about four minutes in all), gives
// no key; the same speech with keys mixed in (each tone 6 dB under the speech's peak) gives just
// the keys.
TEST_F(StrictSentryTest, HearsNoKeyInSpeechButHearsKeysMixedIntoIt) {
  const struct {
    int speedWpm;
    int pitch;
  } voices[] = {{140, 30}, {175, 50}, {220, 80}};
  std::vector<float> speech;
  for (const TSpeechCase& c : SpeechCases) {
    for (const auto& v : voices) {
      const std::vector<float> part = Speech(c.voice, c.text, v.speedWpm, v.pitch);
      speech.insert(speech.end(), part.begin(), part.end());
    }
  }
  ASSERT_GT(speech.size(), size_t{SpeechRate} * 180);
  float peak = 0;
  for (const float s : speech) peak = std::max(peak, std::abs(s));
  const std::string speechPath = (dir / "speech.wav").string();
  audiofixtures::WriteWav(speechPath, speech, SpeechRate, 1, 16);
  EXPECT_EQ(KeysOf(Analyse(speechPath)), "");

  // A key every 2.5 s, 80 ms long, through the first 40 s.
  const std::string keys = "123A456B789C*0#D";
  std::vector<float> tones;
  for (const char key : keys) {
    synthaudio::AppendSilence(tones, SpeechRate, 2420);
    synthaudio::AppendTonePair(tones, SpeechRate, synthaudio::KeyTones(key, peak / 2), 80);
  }
  synthaudio::MixInto(speech, tones, 1.0);
  const std::string mixedPath = (dir / "speech-and-keys.wav").string();
  audiofixtures::WriteWav(mixedPath, speech, SpeechRate, 1, 16);
  EXPECT_EQ(KeysOf(Analyse(mixedPath)), keys);
}

}  // namespace
