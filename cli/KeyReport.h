// Printing the keys found in each file, in the tool's output formats.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "dtmf/qv_dtmf.h"

struct TFileResult {
  std::string path;
  bool analysed = false;
  std::string error;               // why the file could not be analysed
  std::vector<TDetectedKey> keys;
};

// "hh:mm:ss.mmm" of a time in ms.
std::string FormatClockTime(double ms);

// Writes the results of all files in `format`. Files that failed appear only in json (with their
// error); the others report errors on standard error.
void WriteKeyReport(std::ostream& out, const std::vector<TFileResult>& results, TOutputFormat format);
