// The spectrogram of a stretch of an audio file, 0 to 2 kHz (the DTMF detection band), computed
// with the audio library's FFT on a decode stream of the file. A stretch longer than maxColumns
// FFT frames is shown at a reduced time resolution: each column keeps, per frequency bin, the
// loudest of the frames it covers, so a short key still shows. Qt-free; any thread.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

inline constexpr double SonogramTopHz = 2000;

struct TSonogramRequest {
  std::string path;          // the file's name, as the file system spells it
  double startSeconds = 0;
  double endSeconds = -1;    // negative: to the end of the file
  int maxColumns = 2000;     // at most this many columns
  double binWidthHz = 25;    // the coarsest frequency resolution accepted
};

struct TSonogram {
  double startSeconds = 0;
  double secondsPerColumn = 0;
  double binWidthHz = 0;     // bin k is centred on k x binWidthHz
  double fileSeconds = 0;    // the whole file's length
  int columns = 0;
  int bins = 0;              // bins 0 .. bins-1 cover 0 to SonogramTopHz
  std::vector<float> levelsDb;  // column-major: levelsDb[column * bins + bin], dB re full scale

  float LevelDb(int column, int bin) const { return levelsDb[static_cast<size_t>(column) * bins + bin]; }
  double EndSeconds() const { return startSeconds + columns * secondsPerColumn; }
};

// Quieter than this is drawn as silence (and stored as this).
inline constexpr float SonogramFloorDb = -100;

// Decodes the requested stretch and returns its spectrogram. onProgress (optional) gets the
// fraction done now and then; when stopRequested (optional) returns true the computation ends
// early and returns nothing. A file that cannot be decoded returns nothing with `error` set to
// the audio library's reason.
std::optional<TSonogram> ComputeSonogram(const TSonogramRequest& request, std::string& error,
                                               const std::function<bool()>& stopRequested = {},
                                               const std::function<void(double)>& onProgress = {});
