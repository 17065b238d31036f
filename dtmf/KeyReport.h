// Printing the keys found in each file, in the output formats of the tool and the key details window.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "dtmf/qv_dtmf.h"

enum class TOutputFormat { Keys, List, Json, Csv, Labels };

struct TFileResult {
  std::string path;
  bool analysed = false;
  std::string error;               // why the file could not be analysed
  std::vector<TDetectedKey> keys;
};

// "hh:mm:ss.mmm" of a time in ms.
std::string FormatClockTime(double ms);

// Prints each file's keys as soon as the file is done (json collects them and prints one document
// at the end). Files that failed appear only in json, with their error; otherwise the caller
// reports them on standard error.
class TKeyReportWriter {
 public:
  // severalFiles: the key and list formats name each file.
  TKeyReportWriter(std::ostream& out, TOutputFormat format, bool severalFiles);
  void Add(const TFileResult& result);
  void Finish();

 private:
  std::ostream& FOut;
  TOutputFormat FFormat;
  bool FSeveralFiles;
  std::vector<TFileResult> FJsonResults;
};
