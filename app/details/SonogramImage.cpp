#include "app/details/SonogramImage.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

struct TColourStop {
  float position;  // 0 (floor) .. 1 (full scale)
  QColor colour;
};

const std::array<TColourStop, 5> Palette = {{{0.0f, QColor(0, 0, 0)},
                                            {0.35f, QColor(20, 20, 120)},
                                            {0.6f, QColor(170, 20, 120)},
                                            {0.8f, QColor(240, 120, 20)},
                                            {1.0f, QColor(255, 255, 200)}}};

QRgb ColourOf(float levelDb) {
  const float position = std::clamp(1.0f - levelDb / SonogramFloorDb, 0.0f, 1.0f);
  size_t upper = 1;
  while (upper + 1 < Palette.size() && Palette[upper].position < position) ++upper;
  const TColourStop& a = Palette[upper - 1];
  const TColourStop& b = Palette[upper];
  const float mix = std::clamp((position - a.position) / (b.position - a.position), 0.0f, 1.0f);
  const auto blend = [mix](int from, int to) { return static_cast<int>(std::lround(from + (to - from) * mix)); };
  return qRgb(blend(a.colour.red(), b.colour.red()), blend(a.colour.green(), b.colour.green()),
              blend(a.colour.blue(), b.colour.blue()));
}

}  // namespace

QImage SonogramToImage(const TSonogram& spectrogram) {
  if (spectrogram.columns <= 0 || spectrogram.bins <= 0) return {};
  QImage image(spectrogram.columns, spectrogram.bins, QImage::Format_RGB32);
  for (int bin = 0; bin < spectrogram.bins; ++bin) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(spectrogram.bins - 1 - bin));
    for (int column = 0; column < spectrogram.columns; ++column) line[column] = ColourOf(spectrogram.LevelDb(column, bin));
  }
  return image;
}

void DrawSonogram(QPainter& painter, const QRectF& plot, double startSeconds, double endSeconds,
                     const TSonogram& spectrogram, const QImage& image) {
  if (image.isNull() || !(endSeconds > startSeconds)) return;
  const double from = std::max(startSeconds, spectrogram.startSeconds);
  const double to = std::min(endSeconds, spectrogram.EndSeconds());
  if (!(to > from)) return;
  const double pixelsPerSecond = plot.width() / (endSeconds - startSeconds);
  // Bin k is centred on k x binWidthHz: the picture reaches half a bin below 0 Hz.
  const double lowHz = -spectrogram.binWidthHz / 2;
  const double highHz = lowHz + spectrogram.bins * spectrogram.binWidthHz;
  const double pixelsPerHz = plot.height() / SonogramTopHz;
  const QRectF target(plot.left() + (from - startSeconds) * pixelsPerSecond, plot.bottom() - highHz * pixelsPerHz,
                      (to - from) * pixelsPerSecond, (highHz - lowHz) * pixelsPerHz);
  const QRectF source((from - spectrogram.startSeconds) / spectrogram.secondsPerColumn, 0,
                      (to - from) / spectrogram.secondsPerColumn, spectrogram.bins);
  painter.save();
  painter.setClipRect(plot);
  painter.drawImage(target, image, source);
  painter.restore();
}
