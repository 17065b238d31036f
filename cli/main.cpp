// tonesentry: finds DTMF key tones in audio files from the command line.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/CliStartup.h"
#include "cli/DetectCommand.h"
#include "cli/DevicesCommand.h"
#include "cli/GenerateCommand.h"
#include "cli/ListenCommand.h"
#include "cli/SelftestCommand.h"
#include "cli/SettingsCommand.h"
#include "settings/location/SettingsModule.h"

namespace {

constexpr int BadCommandLine = 2;

int UsageError(const std::string& text) {
  std::fprintf(stderr, "tonesentry: %s\n%s", text.c_str(), UsageText().substr(0, UsageText().find("\n\n") + 1).c_str());
  return BadCommandLine;
}

int RunCommand(const TCommandLine& line) {
  switch (line.command) {
    case TCommand::Help:
      std::cout << UsageText();
      return 0;
    case TCommand::Version:
      std::cout << "tonesentry " << TONESENTRY_VERSION << '\n';
      return 0;
    case TCommand::Detect: {
      TCliModules modules(line.settingsDir);
      return RunDetect(line.detect, line.settingsDir, std::cout);
    }
    case TCommand::Generate: {
      TCliModules modules(line.settingsDir);
      return RunGenerate(line.generate);
    }
    case TCommand::Selftest: {
      TCliModules modules(line.settingsDir);
      return RunSelftest(line.selftest, std::cout);
    }
    case TCommand::Devices:
      return RunDevices(line.devicesFormat, std::cout);
    case TCommand::Listen: {
      TCliModules modules(line.settingsDir);
      return RunListen(line.listen, std::cout);
    }
    case TCommand::Settings: {
      TCliModules modules(line.settingsDir);
      return RunSettings(std::cout);
    }
  }
  return 0;
}

// A result that never reached its reader (a full disk, a closed pipe) is a failure.
bool OutputWritten() {
  std::cout.flush();
  errno = 0;
  const bool flushed = std::fflush(stdout) == 0;
  if (flushed && std::cout && !std::ferror(stdout)) return true;
  std::fprintf(stderr, "tonesentry: cannot write the output%s%s\n", errno ? ": " : "",
               errno ? std::strerror(errno) : "");
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  TCommandLine line;
  try {
    line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const EUsage& error) {
    return UsageError(error.what());
  }
  int status = 0;
  try {
    status = RunCommand(line);
  } catch (const ESettingsDirError& error) {
    std::fprintf(stderr, "tonesentry: %s\n", error.what());
    return BadCommandLine;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tonesentry: %s\n", error.what());
    status = 1;
  }
  if (!OutputWritten() && status == 0) status = 1;
  return status;
}
