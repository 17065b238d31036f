#include "app/details/SonogramView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "app/details/SonogramImage.h"
#include "dtmf/KeyReport.h"
#include "dtmf/ToneDetector.h"

namespace {

constexpr int PollIntervalMs = 30;
constexpr int OverviewColumns = 2000;
constexpr double OverviewBinWidthHz = 25;
constexpr double DetailBinWidthHz = 45;  // coarser bins, finer time steps
constexpr double SecondsAroundKey = 1;
constexpr double BoxMarginHz = 60;
constexpr int FrequencyAxisWidth = 44;
constexpr int TimeAxisHeight = 18;

// The row and column tones of a key, or false for a character that is not a key.
bool KeyTones(char16_t key, float& lowHz, float& highHz) {
  for (size_t col = 0; col < DtmfHighFrequencies.size(); ++col) {
    for (size_t row = 0; row < DtmfLowFrequencies.size(); ++row) {
      if (KeypadChars[col][row] != key) continue;
      lowHz = DtmfLowFrequencies[row];
      highHz = DtmfHighFrequencies[col];
      return true;
    }
  }
  return false;
}

QString Seconds(double seconds) { return QString::fromStdString(FormatClockTime(seconds * 1000)); }

}  // namespace

TSonogramView::TSonogramView(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setAccessibleName("Spectrogram");
  setAttribute(Qt::WA_OpaquePaintEvent);
  FPollTimer.setInterval(PollIntervalMs);
  connect(&FPollTimer, &QTimer::timeout, this, &TSonogramView::PollWorkers);
}

TSonogramView::~TSonogramView() {
  FPollTimer.stop();
  FDetailWorker.reset();  // each joins its thread
  FOverviewWorker.reset();
}

QSize TSonogramView::sizeHint() const { return {760, 220}; }
QSize TSonogramView::minimumSizeHint() const { return {300, 140}; }

void TSonogramView::SetFile(const std::string& path, double fileSeconds, std::vector<TDetectedKey> keys) {
  FDetailWorker.reset();
  FOverviewWorker.reset();
  FOverview.reset();
  FDetail.reset();
  FErrorText.clear();
  FPath = path;
  FFileSeconds = std::max(0.0, fileSeconds);
  FKeys = std::move(keys);
  FSelectedKey = -1;
  ShowWholeFile();
  FOverviewWorker = std::make_unique<TSonogramWorker>(
      TSonogramRequest{path, 0, -1, OverviewColumns, OverviewBinWidthHz});
  FOverviewWorker->Start();
  FPollTimer.start();
  UpdateAccessibleDescription();
  update();
}

void TSonogramView::SetSelectedKey(int index) {
  if (index < 0 || index >= static_cast<int>(FKeys.size())) index = -1;
  if (index == FSelectedKey) return;
  FSelectedKey = index;
  FDetailWorker.reset();
  FDetail.reset();
  if (index < 0) {
    ShowWholeFile();
  } else {
    const TDetectedKey& key = FKeys[index];
    FVisibleStartSeconds = std::max(0.0, key.startMs / 1000 - SecondsAroundKey);
    FVisibleEndSeconds = (key.startMs + key.durationMs) / 1000 + SecondsAroundKey;
    StartDetail();
  }
  UpdateAccessibleDescription();
  update();
}

void TSonogramView::ShowWholeFile() {
  FVisibleStartSeconds = 0;
  double end = FFileSeconds;
  for (const TDetectedKey& key : FKeys) end = std::max(end, (key.startMs + key.durationMs) / 1000);
  FVisibleEndSeconds = end > 0 ? end : 1;
}

void TSonogramView::StartDetail() {
  if (FPath.empty()) return;
  FDetailWorker = std::make_unique<TSonogramWorker>(
      TSonogramRequest{FPath, FVisibleStartSeconds, FVisibleEndSeconds, std::max(width(), 200), DetailBinWidthHz});
  FDetailWorker->Start();
  FPollTimer.start();
}

bool TSonogramView::OverviewDone() const { return !FOverviewWorker || FOverviewWorker->Done(); }
bool TSonogramView::DetailDone() const { return !FDetailWorker || FDetailWorker->Done(); }

void TSonogramView::PollWorkers() {
  if (FOverviewWorker && FOverviewWorker->Done()) TakeOverview();
  if (FDetailWorker && FDetailWorker->Done()) TakeDetail();
  if (!FOverviewWorker && !FDetailWorker) FPollTimer.stop();
  update();  // progress, or the new picture
}

void TSonogramView::TakeOverview() {
  std::optional<TSonogram> result = FOverviewWorker->TakeResult();
  if (result) {
    FFileSeconds = std::max(FFileSeconds, result->fileSeconds);
    QImage image = SonogramToImage(*result);
    FOverview = TShownSonogram{std::move(*result), std::move(image)};
  } else {
    FErrorText = "No spectrogram: " + QString::fromStdString(FOverviewWorker->ErrorText());
  }
  FOverviewWorker.reset();
  if (FSelectedKey < 0) ShowWholeFile();
}

void TSonogramView::TakeDetail() {
  std::optional<TSonogram> result = FDetailWorker->TakeResult();
  if (result) {
    QImage image = SonogramToImage(*result);
    FDetail = TShownSonogram{std::move(*result), std::move(image)};
  }
  FDetailWorker.reset();
}

void TSonogramView::UpdateAccessibleDescription() {
  QString text = QString("%1 keys; showing %2 to %3").arg(FKeys.size()).arg(Seconds(FVisibleStartSeconds), Seconds(FVisibleEndSeconds));
  if (FSelectedKey >= 0) text += QString("; key %1 selected").arg(QChar(FKeys[FSelectedKey].key));
  setAccessibleDescription(text);
}

QRectF TSonogramView::PlotRect() const {
  return QRectF(FrequencyAxisWidth, 4, std::max(1, width() - FrequencyAxisWidth - 6), std::max(1, height() - TimeAxisHeight - 8));
}

double TSonogramView::XOf(double seconds, const QRectF& plot) const {
  return plot.left() + (seconds - FVisibleStartSeconds) / (FVisibleEndSeconds - FVisibleStartSeconds) * plot.width();
}

double TSonogramView::YOf(double hz, const QRectF& plot) const { return plot.bottom() - hz / SonogramTopHz * plot.height(); }

QRectF TSonogramView::KeyBox(const TDetectedKey& key, const QRectF& plot) const {
  float lowHz = 0;
  float highHz = static_cast<float>(SonogramTopHz);
  if (!KeyTones(key.key, lowHz, highHz)) lowHz = BoxMarginHz;
  const double left = XOf(key.startMs / 1000, plot);
  const double right = std::max(left + 2, XOf((key.startMs + key.durationMs) / 1000, plot));
  const double top = YOf(std::min(SonogramTopHz, highHz + BoxMarginHz), plot);
  return QRectF(QPointF(left, top), QPointF(right, YOf(lowHz - BoxMarginHz, plot)));
}

void TSonogramView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  const QRectF plot = PlotRect();
  painter.fillRect(plot, Qt::black);
  if (FOverview) DrawSonogram(painter, plot, FVisibleStartSeconds, FVisibleEndSeconds, FOverview->data, FOverview->image);
  if (FDetail) DrawSonogram(painter, plot, FVisibleStartSeconds, FVisibleEndSeconds, FDetail->data, FDetail->image);
  PaintMarks(painter, plot);
  PaintKeys(painter, plot);
  PaintTimeAxis(painter, plot);
  PaintStatus(painter, plot);
  if (hasFocus()) {
    painter.setPen(QPen(palette().highlight(), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot.adjusted(-1, -1, 1, 1));
  }
}

void TSonogramView::PaintMarks(QPainter& painter, const QRectF& plot) const {
  painter.setFont(font());
  const QFontMetrics metrics(font());
  const auto mark = [&](float hz) {
    const double y = YOf(hz, plot);
    painter.setPen(QPen(QColor(200, 200, 200, 110), 1, Qt::DashLine));
    painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRectF(0, y - metrics.height() / 2.0, FrequencyAxisWidth - 4, metrics.height()),
                     Qt::AlignRight | Qt::AlignVCenter, QString::number(hz));
  };
  for (float hz : DtmfLowFrequencies) mark(hz);
  for (float hz : DtmfHighFrequencies) mark(hz);
}

void TSonogramView::PaintKeys(QPainter& painter, const QRectF& plot) const {
  painter.save();
  painter.setClipRect(plot);
  QFont bold = font();
  bold.setBold(true);
  painter.setFont(bold);
  const QFontMetrics metrics(bold);
  for (size_t i = 0; i < FKeys.size(); ++i) {
    const TDetectedKey& key = FKeys[i];
    if ((key.startMs + key.durationMs) / 1000 < FVisibleStartSeconds || key.startMs / 1000 > FVisibleEndSeconds) continue;
    const bool selected = static_cast<int>(i) == FSelectedKey;
    const QRectF box = KeyBox(key, plot);
    painter.setPen(QPen(selected ? QColor(255, 230, 0) : QColor(0, 230, 255), selected ? 3 : 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(box);
    const QString label(QChar(key.key));
    const QRectF labelRect(box.left(), box.top() - metrics.height() - 2, std::max<double>(metrics.horizontalAdvance(label) + 6, box.width()),
                           metrics.height() + 2);
    painter.fillRect(labelRect, QColor(0, 0, 0, 160));
    painter.drawText(labelRect, Qt::AlignLeft | Qt::AlignVCenter, " " + label);
  }
  painter.restore();
}

void TSonogramView::PaintTimeAxis(QPainter& painter, const QRectF& plot) const {
  painter.setPen(palette().color(QPalette::WindowText));
  painter.setFont(font());
  const QRectF axis(plot.left(), plot.bottom() + 2, plot.width(), TimeAxisHeight);
  painter.drawText(axis, Qt::AlignLeft | Qt::AlignVCenter, Seconds(FVisibleStartSeconds));
  painter.drawText(axis, Qt::AlignRight | Qt::AlignVCenter, Seconds(FVisibleEndSeconds));
  painter.drawText(axis, Qt::AlignHCenter | Qt::AlignVCenter, FSelectedKey >= 0 ? "Key zoom (Escape: whole file)" : "Whole file");
}

void TSonogramView::PaintStatus(QPainter& painter, const QRectF& plot) const {
  QString status = FErrorText;
  if (status.isEmpty() && FOverviewWorker)
    status = QString("Computing spectrogram... %1%").arg(std::lround(FOverviewWorker->Progress() * 100));
  if (status.isEmpty()) return;
  painter.setPen(Qt::white);
  painter.drawText(plot.adjusted(8, 4, -8, -4), Qt::AlignLeft | Qt::AlignTop, status);
}

void TSonogramView::mousePressEvent(QMouseEvent* event) {
  const QRectF plot = PlotRect();
  for (size_t i = 0; i < FKeys.size(); ++i) {
    if (KeyBox(FKeys[i], plot).contains(event->position())) {
      if (OnKeyChosen) OnKeyChosen(static_cast<int>(i));
      return;
    }
  }
  QWidget::mousePressEvent(event);
}

void TSonogramView::ChooseNeighbour(int step) {
  if (FKeys.empty() || !OnKeyChosen) return;
  const int last = static_cast<int>(FKeys.size()) - 1;
  OnKeyChosen(FSelectedKey < 0 ? (step > 0 ? 0 : last) : std::clamp(FSelectedKey + step, 0, last));
}

void TSonogramView::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Left: ChooseNeighbour(-1); break;
    case Qt::Key_Right: ChooseNeighbour(1); break;
    case Qt::Key_Home: if (!FKeys.empty() && OnKeyChosen) OnKeyChosen(0); break;
    case Qt::Key_End: if (!FKeys.empty() && OnKeyChosen) OnKeyChosen(static_cast<int>(FKeys.size()) - 1); break;
    case Qt::Key_Escape: if (FSelectedKey >= 0 && OnKeyChosen) OnKeyChosen(-1); else QWidget::keyPressEvent(event); break;
    default: QWidget::keyPressEvent(event);
  }
}
