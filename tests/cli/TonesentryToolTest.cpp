#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "ToolRunner.h"

namespace {

using namespace clitest;
namespace fs = std::filesystem;

const std::string AllKeys = "123A456B789C*0#D";

class TonesentryTool : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir = fs::temp_directory_path() / ("tonesentry-cli-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const TToolRun run = RunTool(dir, "generate '" + AllKeys + "' -o keys.wav");
    ASSERT_EQ(run.status, 0) << run.err;
    std::ofstream(dir / "broken.wav") << "RIFF....WAVEfmt this is not really audio";
    ASSERT_EQ(RunShell(dir, "ffmpeg -v error -y -i keys.wav -af 'pan=stereo|c0=0*c0|c1=c0' right.wav").status, 0);
    fs::create_directories(dir / "no-settings");
    WritePlayerIni("right-channel", "  DTMFChannelMode = 1\r\n");
    WritePlayerIni("loud-only", "  DTMFThreshold = 0.5\r\n");
    WritePlayerIni("unknown-mode", "  DTMFChannelMode = 7\r\n");
    WritePlayerIni("negative-delay", "  DTMFDelay = -1\r\n");
  }
  // A settings folder whose player.ini holds these property lines.
  static void WritePlayerIni(const std::string& name, const std::string& lines) {
    fs::create_directories(dir / name);
    std::ofstream(dir / name / "player.ini", std::ios::binary) << "object TPlayerIni\r\n" << lines << "end\r\n";
  }
  static void TearDownTestSuite() { fs::remove_all(dir); }
  static fs::path dir;
};

fs::path TonesentryTool::dir;

TEST_F(TonesentryTool, GeneratedKeysAreFoundInEveryCommonFormat) {
  for (const std::string format : {"wav", "mp3", "ogg", "flac"}) {
    const std::string file = "keys-conv." + format;
    if (format != "wav") {
      ASSERT_EQ(RunShell(dir, "ffmpeg -v error -y -i keys.wav " + file).status, 0) << format;
    } else {
      fs::copy_file(dir / "keys.wav", dir / file, fs::copy_options::overwrite_existing);
    }
    const TToolRun run = RunTool(dir, "detect " + file);
    EXPECT_EQ(run.status, 0) << format << ": " << run.err;
    EXPECT_EQ(run.out, AllKeys + "\n") << format;
  }
}

TEST_F(TonesentryTool, ListJsonCsvAndLabelsDescribeEachKey) {
  const TToolRun list = RunTool(dir, "detect --format list keys.wav");
  ASSERT_EQ(list.status, 0) << list.err;
  EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 16);
  EXPECT_EQ(list.out.rfind("00:00:00.", 0), 0u) << list.out;

  const TToolRun json = RunTool(dir, "detect --format json keys.wav");
  ASSERT_EQ(json.status, 0) << json.err;
  const nlohmann::json doc = nlohmann::json::parse(json.out);
  ASSERT_EQ(doc["files"].size(), 1u);
  EXPECT_EQ(doc["files"][0]["keys"], AllKeys);
  ASSERT_EQ(doc["files"][0]["events"].size(), 16u);
  const nlohmann::json& second = doc["files"][0]["events"][1];
  EXPECT_EQ(second["key"], "2");
  EXPECT_NEAR(second["start_ms"].get<double>(), 160, 40);  // one 160 ms slot per key
  EXPECT_NEAR(second["duration_ms"].get<double>(), 110, 50);
  EXPECT_NEAR(second["low_db"].get<double>(), -8.7, 1.5);  // 12000 of 32767 full scale

  const TToolRun csv = RunTool(dir, "detect --format csv keys.wav");
  ASSERT_EQ(csv.status, 0) << csv.err;
  EXPECT_EQ(csv.out.rfind("file,key,start_ms,duration_ms,low_db,high_db,twist_db\nkeys.wav,1,", 0), 0u)
      << csv.out;
  EXPECT_EQ(std::count(csv.out.begin(), csv.out.end(), '\n'), 17);

  const TToolRun labels = RunTool(dir, "detect --format labels keys.wav");
  ASSERT_EQ(labels.status, 0) << labels.err;
  EXPECT_EQ(std::count(labels.out.begin(), labels.out.end(), '\t'), 32);
  EXPECT_NE(labels.out.find("\t#\n"), std::string::npos);
}

// A FIFO would block open() for ever: every file must finish or fail, each with its reason.
TEST_F(TonesentryTool, UnreadableFilesAreReportedAndTheOthersStillAnalysed) {
  fs::create_directories(dir / "folder.wav");
  ASSERT_EQ(RunShell(dir, "rm -f fifo.wav && mkfifo fifo.wav").status, 0);
  const TToolRun run =
      RunShell(dir, std::string("timeout 60 '") + TONESENTRY_BIN +
                        "' detect missing.wav keys.wav broken.wav folder.wav fifo.wav /dev/zero");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "keys.wav: " + AllKeys + "\n");
  for (const std::string expected :
       {"tonesentry: missing.wav: no such file\n", "tonesentry: broken.wav: ",
        "tonesentry: folder.wav: is a folder\n", "tonesentry: fifo.wav: not a regular file (a FIFO)\n",
        "tonesentry: /dev/zero: not a regular file (a device)\n"}) {
    EXPECT_NE(run.err.find(expected), std::string::npos) << expected << " in " << run.err;
  }
}

// Settings that no analysis can use end each file with their reason instead of never ending.
TEST_F(TonesentryTool, UnknownChannelModeInTheSettingsFailsEachFileAndSaysSo) {
  const TToolRun run = RunShell(
      dir, std::string("timeout 60 '") + TONESENTRY_BIN + "' detect --settings-dir unknown-mode right.wav");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("tonesentry: right.wav: unknown channel mode 7"), std::string::npos) << run.err;
}

TEST_F(TonesentryTool, DelayOutOfRangeInTheSettingsIsWarnedAboutAndNotUsed) {
  const TToolRun run = RunShell(
      dir, std::string("timeout 60 '") + TONESENTRY_BIN + "' detect --settings-dir negative-delay keys.wav");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, AllKeys + "\n");
  EXPECT_NE(run.err.find("tonesentry: warning: DTMFDelay -1 in the settings is not between 0 and 60 s"),
            std::string::npos) << run.err;
}

TEST_F(TonesentryTool, JsonKeepsEveryResultWhenAFileNameIsNotUtf8) {
  ASSERT_EQ(RunShell(dir, "cp keys.wav \"$(printf 'bad\\377.wav')\"").status, 0);
  const TToolRun run = RunTool(dir, "detect --format json keys.wav \"$(printf 'bad\\377.wav')\"");
  EXPECT_EQ(run.status, 0) << run.err;
  const nlohmann::json doc = nlohmann::json::parse(run.out);
  ASSERT_EQ(doc["files"].size(), 2u);
  EXPECT_EQ(doc["files"][1]["file"], "bad\xEF\xBF\xBD.wav");  // the invalid byte as U+FFFD
  EXPECT_EQ(doc["files"][1]["keys"], AllKeys);
}

// A result that cannot be written is a failure, whatever prints it.
TEST_F(TonesentryTool, OutputThatCannotBeWrittenFailsTheCommand) {
  for (const std::string args : {"detect keys.wav", "detect --format json keys.wav",
                                 "detect --format csv keys.wav", "settings", "--help", "--version"}) {
    const TToolRun run = RunShell(dir, std::string("{ '") + TONESENTRY_BIN + "' " + args + " >/dev/full; }");
    EXPECT_EQ(run.status, 1) << args;
    EXPECT_NE(run.err.find("tonesentry: cannot write the output"), std::string::npos) << args << ": " << run.err;
  }
}

// A full disk (here the file size limit) must leave no truncated WAV that looks whole, and the
// file it would have replaced as it was.
TEST_F(TonesentryTool, GenerateOntoAFullDiskLeavesTheOldFileAlone) {
  std::ofstream(dir / "full.wav") << "the previous file";
  const TToolRun run = RunShell(dir, std::string("{ ulimit -f 8; trap '' XFSZ; '") + TONESENTRY_BIN +
                                         "' generate 123456789 -o full.wav; }");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("tonesentry: full.wav: "), std::string::npos) << run.err;
  EXPECT_EQ(ReadText(dir / "full.wav"), "the previous file");
  for (const auto& entry : fs::directory_iterator(dir))
    EXPECT_EQ(entry.path().filename().string().rfind(".full.wav", 0), std::string::npos) << entry.path();
}

TEST_F(TonesentryTool, GenerateTakesKeysAfterADoubleDash) {
  ASSERT_EQ(RunTool(dir, "generate -o dash.wav -- 5#").status, 0);
  EXPECT_EQ(RunTool(dir, "detect dash.wav").out, "5#\n");
}

TEST_F(TonesentryTool, SettingsFolderThatIsNotAFolderIsABadCommandLine) {
  for (const std::string args : {"detect --settings-dir nowhere keys.wav", "settings --settings-dir keys.wav"}) {
    const TToolRun run = RunTool(dir, args);
    EXPECT_EQ(run.status, 2) << args;
    EXPECT_NE(run.err.find("tonesentry: "), std::string::npos) << args;
    EXPECT_TRUE(run.out.empty()) << args;
  }
  EXPECT_FALSE(fs::exists(dir / "nowhere"));
}

TEST_F(TonesentryTool, JsonNamesTheFilesThatFailed) {
  const TToolRun run = RunTool(dir, "detect --format json missing.wav");
  EXPECT_EQ(run.status, 1);
  const nlohmann::json doc = nlohmann::json::parse(run.out);
  EXPECT_EQ(doc["files"][0]["file"], "missing.wav");
  EXPECT_TRUE(doc["files"][0].contains("error"));
}

TEST_F(TonesentryTool, StereoModeOnAMonoFileWarnsAndUsesItsChannel) {
  const TToolRun run = RunTool(dir, "detect --channels diff keys.wav");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, AllKeys + "\n");
  EXPECT_NE(run.err.find("tonesentry: keys.wav: Warning: DTMF source is not stereo."), std::string::npos)
      << run.err;
}

TEST_F(TonesentryTool, LevelAboveTheTonesFindsNothing) {
  const TToolRun run = RunTool(dir, "detect --level -3 keys.wav");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "\n");
}

// The strict detector behind the same road and report: the generator's 100 ms tones, 60 ms apart,
// with the keys' real durations; the settings' channel mode still applies.
TEST_F(TonesentryTool, StrictDetectorFindsTheSameKeysWithTheirRealDurations) {
  const TToolRun keys = RunTool(dir, "detect --detector strict keys.wav right.wav");
  EXPECT_EQ(keys.status, 0) << keys.err;
  EXPECT_EQ(keys.out, "keys.wav: " + AllKeys + "\nright.wav: \n");
  const TToolRun right = RunTool(dir, "detect --detector=strict --channels right right.wav");
  EXPECT_EQ(right.out, AllKeys + "\n");

  const TToolRun json = RunTool(dir, "detect --detector strict --format json keys.wav");
  ASSERT_EQ(json.status, 0) << json.err;
  const auto events = nlohmann::json::parse(json.out)["files"][0]["events"];
  ASSERT_EQ(events.size(), 16u);
  for (const auto& event : events) EXPECT_NEAR(event["duration_ms"].get<double>(), 100, 5) << event;
}

// Standard input: WAV streamed as it comes, raw PCM, and other containers give what the file
// gives; standard input stands among files in order.
TEST_F(TonesentryTool, StandardInputGivesTheSameKeysAsTheFile) {
  const TToolRun file = RunTool(dir, "detect --format list keys.wav");
  ASSERT_EQ(file.status, 0) << file.err;
  const TToolRun wav = RunShell(dir, std::string("cat keys.wav | '") + TONESENTRY_BIN + "' detect --format list -");
  EXPECT_EQ(wav.status, 0) << wav.err;
  EXPECT_EQ(wav.out, file.out);
  const std::string bin = std::string(" | '") + TONESENTRY_BIN + "' detect ";
  const struct {
    const char* producer;
    const char* options;
  } pipes[] = {
      {"ffmpeg -v error -i keys.wav -f s16le -ar 8000 -", "--raw 8000 -"},
      {"ffmpeg -v error -i keys.wav -f f32le -ac 2 -ar 48000 -", "--raw=48000:2:f32 --detector strict -"},
      {"ffmpeg -v error -i keys.wav -f wav -c:a pcm_s24le -", "-"},
      {"ffmpeg -v error -i keys.wav -f flac -", "-"},
      {"ffmpeg -v error -i keys.wav -f ogg -", "--detector strict -"},
  };
  for (const auto& pipe : pipes) {
    const TToolRun run = RunShell(dir, std::string(pipe.producer) + bin + pipe.options);
    EXPECT_EQ(run.status, 0) << pipe.producer << ": " << run.err;
    EXPECT_EQ(run.out, AllKeys + "\n") << pipe.producer;
  }
  const TToolRun among = RunShell(dir, "cat keys.wav" + bin + "broken.wav - keys.wav");
  EXPECT_EQ(among.status, 1);
  EXPECT_EQ(among.out, "-: " + AllKeys + "\nkeys.wav: " + AllKeys + "\n");
  EXPECT_NE(among.err.find("tonesentry: broken.wav: "), std::string::npos) << among.err;
}

TEST_F(TonesentryTool, StandardInputThatIsNoAudioIsReported) {
  const struct {
    const char* producer;
    const char* message;
  } inputs[] = {{"true", "tonesentry: -: no audio on standard input"},
                {"echo 'plain text, no audio'", "tonesentry: -: "},
                {"head -c 30 keys.wav", "tonesentry: -: the WAV header ends early"}};
  for (const auto& input : inputs) {
    const TToolRun run = RunShell(dir, std::string(input.producer) + " | '" + TONESENTRY_BIN + "' detect -");
    EXPECT_EQ(run.status, 1) << input.producer;
    EXPECT_NE(run.err.find(input.message), std::string::npos) << input.producer << ": " << run.err;
  }
}

// Twenty files of four formats with a bad and a missing one among them, analysed two or five at a
// time: the same output and errors as one at a time, in argument order.
TEST_F(TonesentryTool, SeveralJobsPrintWhatOneJobPrintsInArgumentOrder) {
  std::string files;
  for (int i = 0; i < 5; ++i) {
    const std::string keys = AllKeys.substr(static_cast<size_t>(i) * 3, 4);
    const std::string base = "jobs" + std::to_string(i);
    ASSERT_EQ(RunTool(dir, "generate '" + keys + "' -o " + base + ".wav").status, 0);
    for (const std::string format : {"mp3", "ogg", "flac"})
      ASSERT_EQ(RunShell(dir, "ffmpeg -v error -y -i " + base + ".wav " + base + "." + format).status, 0);
    files += base + ".wav " + base + ".mp3 " + base + ".ogg " + base + ".flac ";
    if (i == 1) files += "broken.wav ";
    if (i == 3) files += "missing.wav ";
  }
  for (const std::string format : {"list", "json"}) {
    const TToolRun one = RunTool(dir, "detect --jobs 1 --format " + format + " " + files);
    EXPECT_EQ(one.status, 1);
    EXPECT_NE(one.err.find("tonesentry: broken.wav: "), std::string::npos) << one.err;
    EXPECT_NE(one.err.find("tonesentry: missing.wav: no such file"), std::string::npos) << one.err;
    for (const std::string jobs : {"2", "5"}) {
      const TToolRun several = RunTool(dir, "detect --jobs=" + jobs + " --format " + format + " " + files);
      EXPECT_EQ(several.status, 1) << jobs;
      EXPECT_EQ(several.out, one.out) << jobs << " " << format;
      EXPECT_EQ(several.err, one.err) << jobs << " " << format;
    }
  }
  const TToolRun keys = RunShell(dir, "cat jobs2.wav | '" + std::string(TONESENTRY_BIN) +
                                          "' detect --jobs 2 --detector strict jobs1.wav - jobs3.flac");
  EXPECT_EQ(keys.status, 0) << keys.err;
  EXPECT_EQ(keys.out, "jobs1.wav: A456\n-: 6B78\njobs3.flac: 89C*\n");
}

// The receiver cases: strict meets them all; standard meets the rest and shows where it departs
// with what it really finds; a level no test tone reaches fails the required cases.
TEST_F(TonesentryTool, SelftestTablesEachCaseAndFailsOnlyOnRequiredCases) {
  const TToolRun strict = RunTool(dir, "selftest --detector strict");
  EXPECT_EQ(strict.status, 0) << strict.out << strict.err;
  EXPECT_NE(strict.out.find("strict detector, level -26.0 dB"), std::string::npos) << strict.out;
  EXPECT_NE(strict.out.find("23 cases: 23 passed, 0 failed, 0 not required"), std::string::npos) << strict.out;

  const TToolRun standard = RunTool(dir, "selftest --level -30");
  EXPECT_EQ(standard.status, 0) << standard.out;
  EXPECT_NE(standard.out.find("standard detector, level -30.0 dB"), std::string::npos);
  EXPECT_EQ(standard.out.find("FAIL"), std::string::npos) << standard.out;
  const auto row = [&](const std::string& name) {
    const size_t at = standard.out.find("\n" + name);
    return at == std::string::npos ? "" : standard.out.substr(at + 1, standard.out.find('\n', at + 1) - at - 1);
  };
  EXPECT_NE(row("tones of 23 ms are no keys").find("not required"), std::string::npos) << standard.out;
  EXPECT_NE(row("twist +6 dB is no key").find("123A456B789C*0#D     not required"), std::string::npos)
      << standard.out;
  EXPECT_NE(row("tones of 40 ms").find("pass"), std::string::npos) << standard.out;
  EXPECT_NE(standard.out.find("Not required of the standard detector"), std::string::npos);

  const TToolRun unreachable = RunTool(dir, "selftest --detector strict --level 0");
  EXPECT_EQ(unreachable.status, 1);
  EXPECT_NE(unreachable.out.find("FAIL"), std::string::npos) << unreachable.out;
}

TEST_F(TonesentryTool, BadCommandLinesExitWithStatus2AndAUsageLine) {
  for (const std::string args : {"", "frobnicate", "detect", "detect --level loud keys.wav",
                                 "detect --level 5 keys.wav", "detect --channels middle keys.wav",
                                 "detect --format xml keys.wav", "detect --bogus keys.wav",
                                 "detect --detector loose keys.wav", "detect --detector",
                                 "selftest --detector", "selftest --level 3", "selftest keys.wav",
                                 "detect - -", "detect --raw 8000 keys.wav", "detect --raw 8000:2:s8 -",
                                 "detect --jobs 0 keys.wav", "detect --jobs many keys.wav",
                                 "generate 123", "generate -o out.wav", "generate '' -o out.wav",
                                 "--version now", "--help detect", "help me"}) {
    const TToolRun run = RunTool(dir, args);
    EXPECT_EQ(run.status, 2) << args;
    EXPECT_NE(run.err.find("usage: tonesentry detect"), std::string::npos) << args;
    EXPECT_TRUE(run.out.empty()) << args;
  }
}

TEST_F(TonesentryTool, DetectTakesItsDefaultsFromTheSettingsFolder) {
  EXPECT_EQ(RunTool(dir, "detect --settings-dir no-settings right.wav").out, "\n");
  EXPECT_EQ(RunTool(dir, "detect --settings-dir right-channel right.wav").out, AllKeys + "\n");
  EXPECT_EQ(RunTool(dir, "detect --settings-dir loud-only keys.wav").out, "\n");
  // An option on the command line still wins over the settings.
  EXPECT_EQ(RunTool(dir, "detect --settings-dir right-channel --channels left right.wav").out, "\n");
}

TEST_F(TonesentryTool, SettingsShowsWhereTheSettingsComeFromAndTheirValues) {
  const TToolRun run = RunTool(dir, "settings --settings-dir right-channel");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("settings folder: right-channel/\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("player.ini: read from right-channel/player.ini\n"), std::string::npos);
  EXPECT_NE(run.out.find("system.ini: not found (built-in values in use)\n"), std::string::npos);
  EXPECT_NE(run.out.find("\nobject TPlayerIni\n"), std::string::npos);
  EXPECT_NE(run.out.find("  DTMFChannelMode = 1\n"), std::string::npos);
  EXPECT_NE(run.out.find("\nobject TSystemIni\n"), std::string::npos);
}

TEST_F(TonesentryTool, SettingsSaysThatPlayerIniDidNotParseAndThatBuiltInValuesAreInUse) {
  WritePlayerIni("damaged", "  DTMFChannelMode = ?\r\n");
  fs::create_directories(dir / "damaged-backup");
  std::ofstream(dir / "damaged-backup" / "player.ini");  // empty: the backup is put in its place
  fs::copy_file(dir / "damaged" / "player.ini", dir / "damaged-backup" / "player.ini.bak");
  struct Case {
    const char* folder;
    const char* line;
  };
  for (const Case& c : {Case{"damaged", "player.ini: did not parse: line 2: Invalid property value (built-in values in use)\n"},
                        Case{"damaged-backup", "player.ini: restored from player.ini.bak, did not parse: line 2: "
                                               "Invalid property value (built-in values in use)\n"}}) {
    const TToolRun run = RunTool(dir, std::string("settings --settings-dir ") + c.folder);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(c.line), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("  DTMFChannelMode = 0\n"), std::string::npos) << run.out;
  }
}

TEST_F(TonesentryTool, SettingsFilesThatAreAFifoOrADeviceAreReportedWithoutWaiting) {
  fs::create_directories(dir / "non-regular");
  ASSERT_EQ(RunShell(dir, "mkfifo non-regular/player.ini && ln -s /dev/zero non-regular/system.ini").status, 0);
  const TToolRun run = RunShell(dir, std::string("timeout 60 '") + TONESENTRY_BIN + "' settings --settings-dir non-regular");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("player.ini: not read: Cannot open file \"non-regular/player.ini\". Not a regular file (a FIFO) "
                         "(built-in values in use)\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("system.ini: not read: Cannot open file \"non-regular/system.ini\". Not a regular file (a device) "
                         "(built-in values in use)\n"), std::string::npos) << run.out;
  const TToolRun detect = RunShell(dir, std::string("timeout 60 '") + TONESENTRY_BIN + "' detect --settings-dir non-regular /dev/null");
  EXPECT_EQ(detect.status, 1) << detect.err;  // the settings never stop detect; /dev/null is refused on its own
}
TEST_F(TonesentryTool, AnEmptyPlayerIniIsRestoredFromItsBackup) {
  fs::create_directories(dir / "restored");
  std::ofstream(dir / "restored" / "player.ini");
  fs::copy_file(dir / "right-channel" / "player.ini", dir / "restored" / "player.ini.bak");
  EXPECT_EQ(RunTool(dir, "detect --settings-dir restored right.wav").out, AllKeys + "\n");
  EXPECT_NE(ReadText(dir / "restored" / "player.ini").find("DTMFChannelMode = 1"), std::string::npos);
}

TEST_F(TonesentryTool, HelpAndVersionPrintAndSucceed) {
  const TToolRun help = RunTool(dir, "--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("usage: tonesentry detect"), std::string::npos);
  const TToolRun version = RunTool(dir, "--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("tonesentry ", 0), 0u);
}

TEST_F(TonesentryTool, GenerateReportsAnUnwritableOutput) {
  const TToolRun run = RunTool(dir, "generate 1 -o no/such/folder/out.wav");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("tonesentry: no/such/folder/out.wav: "), std::string::npos) << run.err;
}

}  // namespace
