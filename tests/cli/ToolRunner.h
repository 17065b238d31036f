// Runs the real tonesentry program in a temporary folder and captures what it prints.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace clitest {

struct TToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

inline std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs `command` through the shell in `dir`; returns its exit status and output.
inline TToolRun RunShell(const std::filesystem::path& dir, const std::string& command) {
  const std::string full = "cd '" + dir.string() + "' && " + command + " >stdout.txt 2>stderr.txt";
  TToolRun run;
  const int raw = std::system(full.c_str());
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = ReadText(dir / "stdout.txt");
  run.err = ReadText(dir / "stderr.txt");
  return run;
}

inline TToolRun RunTool(const std::filesystem::path& dir, const std::string& args) {
  return RunShell(dir, std::string("'") + TONESENTRY_BIN + "' " + args);
}

}  // namespace clitest
