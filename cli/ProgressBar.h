// A one-line progress bar on standard error, drawn only when it is a terminal.
#pragma once

#include <cstdint>
#include <string>

class TProgressBar {
 public:
  // Draws nothing unless `enabled` and standard error is a terminal.
  TProgressBar(std::string label, bool enabled);
  ~TProgressBar();  // clears the line
  TProgressBar(const TProgressBar&) = delete;
  TProgressBar& operator=(const TProgressBar&) = delete;

  // fraction 0..1; redraws at most ten times a second.
  void Update(double fraction);

 private:
  void Draw(double fraction);

  std::string FLabel;
  bool FEnabled;
  uint64_t FLastDrawMs = 0;
  bool FDrawn = false;
};
