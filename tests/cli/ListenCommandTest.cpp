// `tonesentry listen`: keys from a virtual input fed with a key sequence (in this process, which
// drives the virtual device), from a real ALSA capture device reading a file (the tool itself), and
// the messages when there is nothing to listen to.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "AlsaFileDevices.h"
#include "AudioFixtures.h"
#include "ToolRunner.h"
#include "VirtualDeviceList.h"
#include "audiolib/devices/VirtualDevices.h"
#include "cli/CliStartup.h"
#include "cli/ListenCommand.h"
#include "dtmf/SyntheticAudio.h"

namespace {

using namespace clitest;

constexpr int kRate = 48000;
const std::string kKeys = "159#";
constexpr std::string_view kKeyChars = "0123456789ABCD*#";
constexpr double kToneMs = 100;
constexpr double kPauseMs = 100;  // keys start every 200 ms

// Stereo floats: 300 ms of silence, then each key on both channels followed by a pause (1.2 s).
std::vector<float> KeySequence() {
  std::vector<float> mono;
  synthaudio::AppendSilence(mono, kRate, 300);
  for (const char key : kKeys) {
    synthaudio::AppendTonePair(mono, kRate, synthaudio::KeyTones(key, 0.3), kToneMs);
    synthaudio::AppendSilence(mono, kRate, kPauseMs);
  }
  synthaudio::AppendSilence(mono, kRate, 100);
  std::vector<float> stereo;
  for (const float sample : mono) stereo.insert(stereo.end(), {sample, sample});
  return stereo;
}

struct TPrintedKey {
  char key;
  double secondOfDay;
};

// Whether `text` starts with `pattern`: 'd' stands for a digit, '?' for any character.
bool StartsLike(const std::string& text, const std::string& pattern) {
  if (text.size() < pattern.size()) return false;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == 'd' ? !std::isdigit(static_cast<unsigned char>(text[i])) : pattern[i] != '?' && pattern[i] != text[i]) {
      return false;
    }
  }
  return true;
}

// Lines "YYYY-MM-DD HH:MM:SS.mmm  K"; fails the test on any other line.
std::vector<TPrintedKey> ParseKeyLines(const std::string& out) {
  std::vector<TPrintedKey> keys;
  std::istringstream lines(out);
  std::string text;
  while (std::getline(lines, text)) {
    const bool keyLine = text.size() == 26 && StartsLike(text, "dddd-dd-dd dd:dd:dd.ddd  ?") &&
                         kKeyChars.find(text[25]) != std::string_view::npos;
    EXPECT_TRUE(keyLine) << text;
    if (!keyLine) continue;
    keys.push_back({text[25], std::stod(text.substr(11, 2)) * 3600 + std::stod(text.substr(14, 2)) * 60 +
                                  std::stod(text.substr(17, 6))});
  }
  return keys;
}

TEST(ListenCommand, PrintsTheKeysOfAVirtualInputWithTheWallClockTimesTheyStarted) {
  const audiofixtures::TempDir dir;
  const VirtualDeviceList list("input|Desk mic|mic|default; input|Line in|line");
  audiolib::VirtualDevices::Instance().Reset();
  audiofixtures::WriteWav(dir / "keys.wav", KeySequence(), kRate, 2, 32);
  audiolib::VirtualDevices::Instance().SetInputFile("mic", (dir / "keys.wav").string());
  std::ostringstream out;
  {
    const TCliModules modules(dir.path().string());
    TListenOptions options;
    options.input = "Desk mic";
    options.durationSeconds = 2.0;
    ASSERT_EQ(RunListen(options, out), 0);
  }
  audiolib::VirtualDevices::Instance().Reset();
  const std::vector<TPrintedKey> keys = ParseKeyLines(out.str());
  std::string found;
  for (const TPrintedKey& key : keys) found += key.key;
  ASSERT_EQ(found, kKeys) << out.str();
  // The times are where the keys start in the captured audio, not when they were printed.
  for (size_t i = 1; i < keys.size(); ++i) {
    EXPECT_NEAR(keys[i].secondOfDay - keys[i - 1].secondOfDay, (kToneMs + kPauseMs) / 1000, 0.04) << out.str();
  }
}

// The tool on a real ALSA capture PCM that reads a raw file of the key sequence (as fast as it is
// asked for: the PCM has no clock).
TEST(ListenTool, PrintsTheKeysTheAlsaCaptureDeviceReads) {
  const audiofixtures::TempDir dir;
  audiofixtures::AlsaFileDevices alsa;
  // The PCM is read from when the device starts, a moment before listen's channel exists: half a
  // second of silence in front keeps the keys clear of that moment. The whole file stays below the
  // 2 s a recording buffers, since the clockless PCM is read faster than the capture hands it on.
  std::vector<float> samples(kRate, 0.0f);
  const std::vector<float> keys = KeySequence();
  samples.insert(samples.end(), keys.begin(), keys.end());
  audiofixtures::WriteBytes(alsa.CaptureRaw(),
                            std::string(reinterpret_cast<const char*>(samples.data()), samples.size() * sizeof(float)));
  const TToolRun run = RunTool(dir.path(), "--settings-dir '" + dir.path().string() + "' listen --input " +
                                               audiofixtures::AlsaFileDevices::kCaptureDevice +
                                               " --duration 2 --format csv");
  ASSERT_EQ(run.status, 0) << run.err;
  std::istringstream lines(run.out);
  std::string line;
  ASSERT_TRUE(std::getline(lines, line));
  EXPECT_EQ(line, "time,key,start_ms,duration_ms,low_db,high_db,twist_db");
  std::string found;
  while (std::getline(lines, line)) {
    EXPECT_TRUE(StartsLike(line, "dddd-dd-ddTdd:dd:dd.ddd,?,d")) << line;
    found += line[24];
  }
  // How much of the file passes before the channel exists depends on the machine: here all of it,
  // under AddressSanitizer at times more than the whole file. The keys found are the sequence's
  // end, in order (the virtual-input test above checks that every key is found).
  EXPECT_TRUE(kKeys.ends_with(found)) << run.out;
}

TEST(ListenTool, NamesWhatIsMissingAndFailsWhenThereIsNothingToListenTo) {
  struct Case {
    std::string devices;  // the virtual device list
    std::string args;
    std::string message;
  };
  const Case cases[] = {
      {"output|Speakers|spk|default", "listen --duration 1", "tonesentry: no input device exists\n"},
      {"input|Desk mic|mic", "listen --input Nothing --duration 1",
       "tonesentry: no input device named 'Nothing' (tonesentry devices lists them)\n"},
      {"input|Desk mic|mic", "listen --input 9", "tonesentry: the settings have no input 9 (they list 4)\n"},
  };
  const audiofixtures::TempDir dir;
  for (const Case& c : cases) {
    const VirtualDeviceList list(c.devices);
    const TToolRun run = RunTool(dir.path(), "--settings-dir '" + dir.path().string() + "' " + c.args);
    EXPECT_EQ(run.status, 1) << c.args;
    EXPECT_EQ(run.err, c.message) << c.args;
    EXPECT_EQ(run.out, "") << c.args;
  }
  // A settings entry without a device is reported by the live input with its error text.
  const VirtualDeviceList list("input|Desk mic|mic");
  const TToolRun run = RunTool(dir.path(), "--settings-dir '" + dir.path().string() + "' listen --input 1");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err.rfind("tonesentry: Input device error: No input device selected: ", 0), 0u) << run.err;
}

// The csv header shows that the tool listens (its signal handlers are in place): then it is sent
// the signal, and it must end by itself with status 0.
TEST(ListenTool, AnInterruptOrTerminationEndsListeningCleanly) {
  const audiofixtures::TempDir dir;
  const VirtualDeviceList list("input|Desk mic|mic|default");
  for (const std::string signal : {"INT", "TERM"}) {
    // The old output goes first: the wait below must see this run's header, not the last one's.
    std::ofstream(dir / "listen.sh") << "rm -f listen.out listen.err\n'" << TONESENTRY_BIN << "' --settings-dir '" << dir.path().string()
                                     << "' listen --format csv >listen.out 2>listen.err &\n"
                                     << "pid=$!\n"
                                     << "for i in $(seq 400); do grep -qs '^time,' listen.out && break; sleep 0.05; done\n"
                                     << "kill -" << signal << " $pid\n"
                                     << "wait $pid\n";
    const TToolRun run = RunShell(dir.path(), "sh listen.sh");
    EXPECT_EQ(run.status, 0) << signal << ": " << ReadText(dir / "listen.err");
    EXPECT_EQ(ReadText(dir / "listen.out"), "time,key,start_ms,duration_ms,low_db,high_db,twist_db\n") << signal;
    EXPECT_EQ(ReadText(dir / "listen.err"), "") << signal;
  }
}

}  // namespace
