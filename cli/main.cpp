// tonesentry: finds DTMF key tones in audio files from the command line.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/CliStartup.h"
#include "cli/DetectCommand.h"
#include "cli/GenerateCommand.h"
#include "cli/SettingsCommand.h"

int main(int argc, char** argv) {
  TCommandLine line;
  try {
    line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const EUsage& error) {
    std::fprintf(stderr, "tonesentry: %s\n%s", error.what(), UsageText().substr(0, UsageText().find("\n\n") + 1).c_str());
    return 2;
  }
  try {
    switch (line.command) {
      case TCommand::Help:
        std::fputs(UsageText().c_str(), stdout);
        return 0;
      case TCommand::Version:
        std::printf("tonesentry %s\n", TONESENTRY_VERSION);
        return 0;
      case TCommand::Detect: {
        TCliModules modules(line.settingsDir);
        return RunDetect(line.detect, std::cout);
      }
      case TCommand::Generate: {
        TCliModules modules(line.settingsDir);
        return RunGenerate(line.generate);
      }
      case TCommand::Settings: {
        TCliModules modules(line.settingsDir);
        return RunSettings(std::cout);
      }
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tonesentry: %s\n", error.what());
    return 1;
  }
  return 0;
}
