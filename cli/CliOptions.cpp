#include "cli/CliOptions.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "dtmf/qv_dtmf.h"

namespace {

constexpr double MinLevelDb = -120;
constexpr size_t MaxJobs = 256;

double ParseNumber(const std::string& option, const std::string& text) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(value))
    throw EUsage(option + " needs a number, not '" + text + "'");
  return value;
}

int ParseChannelMode(const std::string& text) {
  static const char* const Names[] = {"left", "right", "sum", "diff"};
  for (int mode = 0; mode < 4; ++mode) {
    if (text == Names[mode]) return mode;
  }
  throw EUsage("--channels must be left, right, sum or diff, not '" + text + "'");
}

TDtmfDetector ParseDetector(const std::string& text) {
  if (text == "standard") return TDtmfDetector::Standard;
  if (text == "strict") return TDtmfDetector::Strict;
  throw EUsage("--detector must be standard or strict, not '" + text + "'");
}

TOutputFormat ParseFormat(const std::string& text) {
  if (text == "keys") return TOutputFormat::Keys;
  if (text == "list") return TOutputFormat::List;
  if (text == "json") return TOutputFormat::Json;
  if (text == "csv") return TOutputFormat::Csv;
  if (text == "labels") return TOutputFormat::Labels;
  throw EUsage("--format must be keys, list, json, csv or labels, not '" + text + "'");
}

// Splits "--name=value" and "--name value" forms; advances i past a separate value.
std::string OptionValue(const std::vector<std::string>& args, size_t& i, const std::string& name) {
  const std::string& arg = args[i];
  if (arg.size() > name.size() && arg[name.size()] == '=') return arg.substr(name.size() + 1);
  if (i + 1 >= args.size()) throw EUsage(name + " needs a value");
  return args[++i];
}

bool IsOption(const std::string& arg, const std::string& name) {
  return arg == name || arg.rfind(name + "=", 0) == 0;
}

double ParseLevel(const std::vector<std::string>& args, size_t& i) {
  const double level = ParseNumber("--level", OptionValue(args, i, "--level"));
  if (level > 0 || level < MinLevelDb) throw EUsage("--level must be between -120 and 0 dB");
  return level;
}

bool IsStreamUrl(const std::string& arg) {
  std::string scheme = arg.substr(0, arg.find("://") == std::string::npos ? 0 : arg.find("://"));
  std::transform(scheme.begin(), scheme.end(), scheme.begin(), [](unsigned char c) { return std::tolower(c); });
  return scheme == "http" || scheme == "https";
}

void SetUrl(TDetectOptions& options, const std::string& url) {
  if (!IsStreamUrl(url)) throw EUsage("--url needs an http:// or https:// address, not '" + url + "'");
  if (!options.url.empty()) throw EUsage("detect monitors one URL at a time");
  options.url = url;
}

// A stream is monitored, not read to an end: only what makes sense for it.
void CheckUrlOptions(const TDetectOptions& options) {
  if (!options.files.empty()) throw EUsage("detect takes FILEs or one URL, not both");
  if (options.rawFormat) throw EUsage("--raw describes standard input, not a URL");
  if (options.jobs) throw EUsage("--jobs is for FILEs, not a URL");
  if (options.format != TOutputFormat::Keys && options.format != TOutputFormat::Json)
    throw EUsage("with a URL --format must be keys or json");
}

TDetectOptions ParseDetect(const std::vector<std::string>& args, size_t first) {
  TDetectOptions options;
  bool onlyFiles = false;
  for (size_t i = first; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!onlyFiles && IsStreamUrl(arg)) {
      SetUrl(options, arg);
    } else if (onlyFiles || arg.empty() || arg[0] != '-' || arg == "-") {
      options.files.push_back(arg);
    } else if (arg == "--") {
      onlyFiles = true;
    } else if (IsOption(arg, "--level")) {
      options.levelDb = ParseLevel(args, i);
    } else if (IsOption(arg, "--channels")) {
      options.channelMode = ParseChannelMode(OptionValue(args, i, "--channels"));
    } else if (IsOption(arg, "--delay")) {
      const double delay = ParseNumber("--delay", OptionValue(args, i, "--delay"));
      if (!IsValidDtmfDelay(delay)) throw EUsage("--delay must be between 0 and 60 s");
      options.delaySeconds = delay;
    } else if (IsOption(arg, "--raw")) {
      options.rawFormat = ParseRawFormat(OptionValue(args, i, "--raw"));
    } else if (IsOption(arg, "--detector")) {
      options.detector = ParseDetector(OptionValue(args, i, "--detector"));
    } else if (IsOption(arg, "--format")) {
      options.format = ParseFormat(OptionValue(args, i, "--format"));
    } else if (IsOption(arg, "--jobs")) {
      const std::string text = OptionValue(args, i, "--jobs");
      if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos ||
          std::stoul(text) == 0 || std::stoul(text) > MaxJobs)
        throw EUsage("--jobs needs a number of files from 1 to " + std::to_string(MaxJobs) + ", not '" + text + "'");
      options.jobs = std::stoul(text);
    } else if (IsOption(arg, "--url")) {
      SetUrl(options, OptionValue(args, i, "--url"));
    } else if (IsOption(arg, "--duration")) {
      const double seconds = ParseNumber("--duration", OptionValue(args, i, "--duration"));
      if (seconds <= 0) throw EUsage("--duration must be more than 0 s");
      options.durationSeconds = seconds;
    } else if (arg == "--events") {
      options.events = true;
    } else if (arg == "--worker") {
      options.worker = true;
    } else if (arg == "--no-progress") {
      options.progress = false;
    } else {
      throw EUsage("unknown option '" + arg + "'");
    }
  }
  if (options.worker) {
    if (!options.files.empty()) throw EUsage("--worker takes its files from descriptor 3");
    return options;
  }
  if (!options.url.empty()) {
    CheckUrlOptions(options);
    return options;
  }
  if (options.durationSeconds || options.events) throw EUsage("--duration and --events are for a URL");
  if (options.files.empty()) throw EUsage("detect needs at least one FILE or a URL");
  const auto stdinNames = std::count(options.files.begin(), options.files.end(), "-");
  if (stdinNames > 1) throw EUsage("standard input ('-') can be read only once");
  if (options.rawFormat && stdinNames == 0) throw EUsage("--raw describes standard input: give '-' as a FILE");
  return options;
}

TSelftestOptions ParseSelftest(const std::vector<std::string>& args, size_t first) {
  TSelftestOptions options;
  for (size_t i = first; i < args.size(); ++i) {
    if (IsOption(args[i], "--level")) {
      options.levelDb = ParseLevel(args, i);
    } else if (IsOption(args[i], "--detector")) {
      options.detector = ParseDetector(OptionValue(args, i, "--detector"));
    } else {
      throw EUsage("unexpected argument '" + args[i] + "'");
    }
  }
  return options;
}

TGenerateOptions ParseGenerate(const std::vector<std::string>& args, size_t first) {
  TGenerateOptions options;
  bool haveKeys = false;
  bool onlyKeys = false;
  for (size_t i = first; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!onlyKeys && arg == "--") {
      onlyKeys = true;
    } else if (!onlyKeys && (arg == "-o" || IsOption(arg, "--output"))) {
      options.outputPath = OptionValue(args, i, arg == "-o" ? "-o" : "--output");
    } else if (!haveKeys && (onlyKeys || arg.empty() || arg[0] != '-')) {
      options.keys = arg;
      haveKeys = true;
    } else {
      throw EUsage("unexpected argument '" + arg + "'");
    }
  }
  if (!haveKeys || options.keys.empty()) throw EUsage("generate needs the KEYS to play");
  if (options.outputPath.empty()) throw EUsage("generate needs -o OUT.wav");
  return options;
}

TListenOptions ParseListen(const std::vector<std::string>& args, size_t first) {
  TListenOptions options;
  for (size_t i = first; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (IsOption(arg, "--input")) {
      options.input = OptionValue(args, i, "--input");
      if (options.input.empty()) throw EUsage("--input needs an input number or a device name");
    } else if (IsOption(arg, "--duration")) {
      const double seconds = ParseNumber("--duration", OptionValue(args, i, "--duration"));
      if (seconds <= 0) throw EUsage("--duration must be more than 0 s");
      options.durationSeconds = seconds;
    } else if (IsOption(arg, "--level")) {
      options.levelDb = ParseLevel(args, i);
    } else if (IsOption(arg, "--channels")) {
      options.channelMode = ParseChannelMode(OptionValue(args, i, "--channels"));
    } else if (IsOption(arg, "--detector")) {
      options.detector = ParseDetector(OptionValue(args, i, "--detector"));
    } else if (IsOption(arg, "--format")) {
      options.format = ParseFormat(OptionValue(args, i, "--format"));
    } else {
      throw EUsage("unexpected argument '" + arg + "'");
    }
  }
  return options;
}

TDevicesFormat ParseDevicesFormat(const std::vector<std::string>& args, size_t first) {
  TDevicesFormat format = TDevicesFormat::Text;
  for (size_t i = first; i < args.size(); ++i) {
    if (!IsOption(args[i], "--format")) throw EUsage("unexpected argument '" + args[i] + "'");
    const std::string text = OptionValue(args, i, "--format");
    if (text != "text" && text != "json") throw EUsage("devices --format must be text or json, not '" + text + "'");
    format = text == "json" ? TDevicesFormat::Json : TDevicesFormat::Text;
  }
  return format;
}

// Takes --settings-dir out of the arguments, wherever it stands.
std::vector<std::string> WithoutSettingsDir(const std::vector<std::string>& args, std::string& dir) {
  std::vector<std::string> rest;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--") {
      rest.insert(rest.end(), args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
      break;
    }
    if (IsOption(args[i], "--settings-dir")) {
      dir = OptionValue(args, i, "--settings-dir");
      if (dir.empty()) throw EUsage("--settings-dir needs a folder");
    } else {
      rest.push_back(args[i]);
    }
  }
  return rest;
}

}  // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& allArgs) {
  TCommandLine line;
  const std::vector<std::string> args = WithoutSettingsDir(allArgs, line.settingsDir);
  if (args.empty()) throw EUsage("no command given");
  const std::string& command = args[0];
  if (command == "--help" || command == "-h" || command == "help") {
    if (args.size() > 1) throw EUsage(command + " takes no arguments");
    line.command = TCommand::Help;
  } else if (command == "--version") {
    if (args.size() > 1) throw EUsage("--version takes no arguments");
    line.command = TCommand::Version;
  } else if (command == "detect") {
    line.command = TCommand::Detect;
    line.detect = ParseDetect(args, 1);
  } else if (command == "settings") {
    if (args.size() > 1) throw EUsage("settings takes no arguments");
    line.command = TCommand::Settings;
  } else if (command == "selftest") {
    line.command = TCommand::Selftest;
    line.selftest = ParseSelftest(args, 1);
  } else if (command == "generate") {
    line.command = TCommand::Generate;
    line.generate = ParseGenerate(args, 1);
  } else if (command == "listen") {
    line.command = TCommand::Listen;
    line.listen = ParseListen(args, 1);
  } else if (command == "devices") {
    line.command = TCommand::Devices;
    line.devicesFormat = ParseDevicesFormat(args, 1);
  } else {
    throw EUsage("unknown command '" + command + "'");
  }
  return line;
}

std::string UsageText() {
  return "usage: tonesentry detect [--level DB] [--channels left|right|sum|diff] [--delay S]\n"
         "                        [--detector standard|strict] [--format keys|list|json|csv|labels]\n"
         "                        [--raw RATE[:CHANNELS[:s16|f32]]] [--jobs N] [--no-progress] FILE...\n"
         "       tonesentry detect [--level DB] [--channels ...] [--delay S] [--detector ...]\n"
         "                        [--format keys|json] [--events] [--duration S] URL | --url URL\n"
         "       tonesentry listen [--input N|NAME] [--duration S] [--level DB]\n"
         "                        [--channels left|right|sum|diff] [--detector standard|strict]\n"
         "                        [--format keys|list|json|csv|labels]\n"
         "       tonesentry generate KEYS -o OUT.wav\n"
         "       tonesentry settings\n"
         "       tonesentry devices [--format text|json]\n"
         "       tonesentry selftest [--detector standard|strict] [--level DB]\n"
         "       tonesentry --help | --version\n"
         "\n"
         "detect   finds the DTMF keys (0-9, *, #, A-D) in each audio FILE and prints them.\n"
         "         --level     minimum tone level in dB re full scale (default -26)\n"
         "         --channels  how a stereo file's channels are combined (default left)\n"
         "         --delay     analysis delay in seconds (default 0)\n"
         "         --detector  standard (default): the window's detector, 32 ms steps;\n"
         "                     strict: telephone receivers' limits (tones of 40 ms and more,\n"
         "                     within 1.5 % of their frequency, twist -8..+4 dB), guards\n"
         "                     against keys in speech and music, edges to the millisecond\n"
         "         FILE '-' reads standard input: WAV, or any container FFmpeg reads (copied\n"
         "                     to a temporary file first), or raw PCM with --raw\n"
         "         --raw       standard input is raw little-endian PCM: rate in Hz, channels\n"
         "                     (default 1), s16 (default) or f32 samples, e.g. --raw 8000\n"
         "         --jobs      files analysed at once, in worker processes (default: the\n"
         "                     number of cores); results still come in argument order. A\n"
         "                     single PCM WAV of 10 minutes or more is cut into that many\n"
         "                     parts analysed at once (default: one per two cores, since\n"
         "                     one pass already keeps two busy; standard detector; same\n"
         "                     result)\n"
         "         --format    keys: the key string (default); list: one line per key with\n"
         "                     start, duration, tone levels and twist; json; csv; labels: an\n"
         "                     Audacity label track\n"
         "         --no-progress  no progress bar (drawn on standard error when it is a\n"
         "                     terminal, for files over a minute)\n"
         "listen   watches a live input and prints each key as it is found, with the wall-clock\n"
         "         time it started, until interrupted (Ctrl+C, SIGTERM) or for --duration S\n"
         "         seconds; --level, --channels, --detector as for detect\n"
         "         --input     N: input N of the system settings (from 0); NAME: the capture\n"
         "                     device of that name or identifier (tonesentry devices lists\n"
         "                     the inputs); default: the system's default capture device\n"
         "         --format    keys: time and key (default); list: with duration, levels and\n"
         "                     twist; json: one object per line; csv; labels (seconds from\n"
         "                     the start); all but keys print a key once it has ended\n"
         "         URL (http:// or https://, or --url) monitors a network stream until Ctrl+C\n"
         "                     (SIGINT or SIGTERM, exit status 0) or --duration S; each key is\n"
         "                     printed as found: local time, stream time (audio analysed since\n"
         "                     the start), key; status changes (connecting, buffering, ready,\n"
         "                     title, error, reconnecting) go to standard error; a lost stream\n"
         "                     is reconnected again and again. --format json: one object per\n"
         "                     line; --events adds status and title objects\n"
         "generate writes the tones of KEYS (0-9, *, #, A-D; others are pauses) to a WAV file.\n"
         "selftest runs a detector over test signals made in memory at the limits of telephone\n"
         "         key receivers (every key, durations, pauses, frequency deviations, twists,\n"
         "         levels, noise, speech-like and music-like sound) and prints each case and a\n"
         "         summary; exit status 0 when every case the detector must meet passes\n"
         "devices  lists the sound devices: outputs and inputs, WASAPI-style endpoints (ALSA)\n"
         "         and ASIO-style drivers (JACK), with the numbers the audio calls take, names,\n"
         "         identifiers and flags (default, enabled, input, loopback)\n"
         "settings shows the settings folder, whether player.ini and system.ini were read, and\n"
         "         the settings in use, as they would be saved.\n"
         "--settings-dir DIR (with any command) reads the settings from DIR.\n"
         "\n"
         "Exit status: 0 all files analysed, 1 a file could not be read, 2 bad command line;\n"
         "selftest: 0 every required case passed, 1 one failed; listen: 0 interrupted or the\n"
         "duration over, 1 no such input device, or the input could not be opened or failed.\n";
}
