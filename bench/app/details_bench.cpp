// details_bench FILE: computes the spectrogram strip of FILE the way the key details window does
// (on its worker thread, the strip shown on Qt's offscreen platform) while a 10 ms timer ticks on
// the event loop, and prints how long the whole-file spectrogram took and the longest gap between
// two ticks (the window's worst freeze). Then zooms in on a key in the middle of the file and does
// the same for the zoomed-in spectrogram.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "app/QtMainThreadBridge.h"
#include "app/details/SonogramView.h"
#include "audiolib/audiolib.h"

namespace {

constexpr int TickMs = 10;
constexpr int FailSafeMs = 600000;

struct TGaps {
  double computeMs = 0;
  int ticks = 0;
  double longestGapMs = 0;
  double p99GapMs = 0;
};

// Runs the event loop until done() while a TickMs timer ticks; measures the gaps between ticks.
TGaps MeasureUntil(const std::function<bool()>& done) {
  QElapsedTimer clock;
  clock.start();
  std::vector<double> gapsMs;
  qint64 lastTickNs = clock.nsecsElapsed();
  QTimer ticker;
  ticker.setTimerType(Qt::PreciseTimer);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    const qint64 now = clock.nsecsElapsed();
    gapsMs.push_back((now - lastTickNs) / 1e6);
    lastTickNs = now;
  });
  ticker.start(TickMs);
  while (!done() && clock.elapsed() < FailSafeMs) QApplication::processEvents(QEventLoop::WaitForMoreEvents, TickMs);
  TGaps result;
  result.computeMs = clock.nsecsElapsed() / 1e6;
  result.ticks = static_cast<int>(gapsMs.size());
  if (!gapsMs.empty()) {
    std::sort(gapsMs.begin(), gapsMs.end());
    result.longestGapMs = gapsMs.back();
    result.p99GapMs = gapsMs[std::min(gapsMs.size() - 1, gapsMs.size() * 99 / 100)];
  }
  return result;
}

void Print(const char* what, const TGaps& gaps) {
  std::printf("%-22s %9.0f ms   ticks %6d   longest gap %6.1f ms   p99 gap %5.1f ms\n", what, gaps.computeMs,
              gaps.ticks, gaps.longestGapMs, gaps.p99GapMs);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: details_bench FILE\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  TQtMainThreadBridge bridge;
  BASS_Init(0, 44100, 0, nullptr, nullptr);
  int status = 0;
  {
    const HSTREAM probe = BASS_StreamCreateFile(0, argv[1], 0, 0, BASS_STREAM_DECODE);
    if (probe == 0) {
      std::fprintf(stderr, "details_bench: cannot open %s (error %d)\n", argv[1], BASS_ErrorGetCode());
      return 1;
    }
    const double seconds = BASS_ChannelBytes2Seconds(probe, BASS_ChannelGetLength(probe, BASS_POS_BYTE));
    BASS_StreamFree(probe);

    TDetectedKey middle;
    middle.key = u'1';
    middle.startMs = seconds * 500;
    middle.durationMs = 100;
    TSonogramView strip;
    strip.resize(900, 240);
    strip.show();
    strip.SetFile(argv[1], seconds, {middle});
    std::printf("%s: %.0f s of audio\n", argv[1], seconds);
    Print("whole file", MeasureUntil([&] { return strip.OverviewDone(); }));
    if (!strip.ErrorText().isEmpty()) {
      std::fprintf(stderr, "details_bench: %s\n", qPrintable(strip.ErrorText()));
      status = 1;
    }
    strip.SetSelectedKey(0);
    Print("zoom on a key", MeasureUntil([&] { return strip.DetailDone(); }));
  }
  BASS_Free();
  return status;
}
