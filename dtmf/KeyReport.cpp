#include "dtmf/KeyReport.h"

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace {

std::string KeyString(const std::vector<TDetectedKey>& keys) {
  std::string text;
  for (const TDetectedKey& key : keys) text += static_cast<char>(key.key);
  return text;
}

std::string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

// Escapes a CSV field when it holds a separator, a quote or a line break.
std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

void WriteKeys(std::ostream& out, const TFileResult& result, bool several) {
  if (several) out << result.path << ": ";
  out << KeyString(result.keys) << '\n';
}

void WriteList(std::ostream& out, const TFileResult& result, bool several) {
  if (several) out << result.path << ":\n";
  for (const TDetectedKey& key : result.keys) {
    out << FormatClockTime(key.startMs) << "  " << static_cast<char>(key.key) << "  "
        << Fixed(key.durationMs, 0) << " ms  low " << Fixed(key.lowLevelDb, 1) << " dB  high "
        << Fixed(key.highLevelDb, 1) << " dB  twist " << Fixed(key.twistDb(), 1) << " dB\n";
  }
}

void WriteJson(std::ostream& out, const std::vector<TFileResult>& results) {
  nlohmann::ordered_json files = nlohmann::ordered_json::array();
  for (const TFileResult& result : results) {
    nlohmann::ordered_json file;
    file["file"] = result.path;
    if (!result.analysed) {
      file["error"] = result.error;
      files.push_back(file);
      continue;
    }
    file["keys"] = KeyString(result.keys);
    nlohmann::ordered_json events = nlohmann::ordered_json::array();
    for (const TDetectedKey& key : result.keys) {
      events.push_back({{"key", std::string(1, static_cast<char>(key.key))},
                        {"start_ms", std::round(key.startMs)},
                        {"duration_ms", std::round(key.durationMs)},
                        {"low_db", std::round(key.lowLevelDb * 10) / 10},
                        {"high_db", std::round(key.highLevelDb * 10) / 10},
                        {"twist_db", std::round(key.twistDb() * 10) / 10}});
    }
    file["events"] = events;
    files.push_back(file);
  }
  // File names are bytes, not always UTF-8: invalid sequences become U+FFFD rather than losing the
  // whole report.
  out << nlohmann::ordered_json{{"files", files}}.dump(2, ' ', false,
                                                       nlohmann::ordered_json::error_handler_t::replace)
      << '\n';
}

void WriteCsvRows(std::ostream& out, const TFileResult& result) {
  for (const TDetectedKey& key : result.keys) {
    out << CsvField(result.path) << ',' << CsvField(std::string(1, static_cast<char>(key.key)))
        << ',' << Fixed(key.startMs, 0) << ',' << Fixed(key.durationMs, 0) << ','
        << Fixed(key.lowLevelDb, 1) << ',' << Fixed(key.highLevelDb, 1) << ','
        << Fixed(key.twistDb(), 1) << '\n';
  }
}

void WriteLabels(std::ostream& out, const TFileResult& result) {
  for (const TDetectedKey& key : result.keys) {
    out << Fixed(key.startMs / 1000, 6) << '\t' << Fixed((key.startMs + key.durationMs) / 1000, 6)
        << '\t' << static_cast<char>(key.key) << '\n';
  }
}

}  // namespace

std::string FormatClockTime(double ms) {
  const long long total = std::llround(std::max(0.0, ms));
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%03lld", total / 3600000,
                total / 60000 % 60, total / 1000 % 60, total % 1000);
  return text;
}

TKeyReportWriter::TKeyReportWriter(std::ostream& out, TOutputFormat format, bool severalFiles)
    : FOut(out), FFormat(format), FSeveralFiles(severalFiles) {
  if (FFormat == TOutputFormat::Csv) FOut << "file,key,start_ms,duration_ms,low_db,high_db,twist_db\n";
}

void TKeyReportWriter::Add(const TFileResult& result) {
  if (FFormat == TOutputFormat::Json) {
    FJsonResults.push_back(result);
    return;
  }
  if (!result.analysed) return;
  switch (FFormat) {
    case TOutputFormat::Keys: WriteKeys(FOut, result, FSeveralFiles); break;
    case TOutputFormat::List: WriteList(FOut, result, FSeveralFiles); break;
    case TOutputFormat::Csv: WriteCsvRows(FOut, result); break;
    case TOutputFormat::Labels: WriteLabels(FOut, result); break;
    case TOutputFormat::Json: break;
  }
  FOut.flush();
}

void TKeyReportWriter::Finish() {
  if (FFormat == TOutputFormat::Json) WriteJson(FOut, FJsonResults);
  FOut.flush();
}
