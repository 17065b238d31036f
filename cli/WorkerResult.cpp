#include "cli/WorkerResult.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

std::string Hex(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%a", value);
  return text;
}

bool ReadKey(std::istringstream& line, TDetectedKey& key) {
  std::string keyText, start, duration, low, high;
  if (!(line >> keyText >> start >> duration >> low >> high) || keyText.size() != 1) return false;
  key.key = static_cast<char16_t>(keyText[0]);
  key.startMs = std::strtod(start.c_str(), nullptr);
  key.durationMs = std::strtod(duration.c_str(), nullptr);
  key.lowLevelDb = std::strtod(low.c_str(), nullptr);
  key.highLevelDb = std::strtod(high.c_str(), nullptr);
  return true;
}

}  // namespace

void WriteWorkerResult(std::ostream& out, const TFileResult& result) {
  if (!result.analysed) {
    std::string error = result.error;
    for (char& c : error) {
      if (c == '\n' || c == '\r') c = ' ';
    }
    out << "error " << error << '\n';
  }
  for (const TDetectedKey& key : result.keys) {
    out << "key " << static_cast<char>(key.key) << ' ' << Hex(key.startMs) << ' ' << Hex(key.durationMs) << ' '
        << Hex(key.lowLevelDb) << ' ' << Hex(key.highLevelDb) << '\n';
  }
  out << "end\n";
}

TFileResult ReadWorkerResult(const std::string& text, const std::string& path) {
  TFileResult result;
  result.path = path;
  result.analysed = true;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string tag;
    fields >> tag;
    if (tag == "end") return result;
    if (tag == "error") {
      result.analysed = false;
      result.error = line.size() > 6 ? line.substr(6) : "";
      continue;
    }
    TDetectedKey key;
    if (tag != "key" || !ReadKey(fields, key)) break;
    result.keys.push_back(key);
  }
  TFileResult broken;
  broken.path = path;
  broken.error = "the analysis process ended without a result";
  return broken;
}
