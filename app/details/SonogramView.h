// TSonogramView: the strip of the key details window. Shows the spectrogram of a file from 0 to
// 2 kHz with the eight DTMF frequencies marked and each key as a labelled box over its two tones.
// With no key selected it shows the whole file (at a reduced time resolution when the file is
// long); selecting a key zooms in to the key with a second around it, computed again at full
// resolution. Both computations run on worker threads of their own (SonogramWorker.h) that
// are stopped and joined when a new file comes or the view goes. Main thread only.
#pragma once

#include <QImage>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/details/Sonogram.h"
#include "app/details/SonogramWorker.h"
#include "dtmf/qv_dtmf.h"

class TSonogramView : public QWidget {
  Q_OBJECT

 public:
  explicit TSonogramView(QWidget* parent = nullptr);
  ~TSonogramView() override;

  // Shows `path` (the file system's bytes, fileSeconds long) and its keys, in time order; starts
  // computing the whole file's spectrogram (stopping any computation of the previous file). No key
  // is selected.
  void SetFile(const std::string& path, double fileSeconds, std::vector<TDetectedKey> keys);
  // The key (index into the keys given) shown zoomed in and highlighted; -1 for none (the whole
  // file). An index out of range means none.
  int SelectedKey() const { return FSelectedKey; }
  void SetSelectedKey(int index);

  // The stretch of the file on screen, in seconds.
  double VisibleStartSeconds() const { return FVisibleStartSeconds; }
  double VisibleEndSeconds() const { return FVisibleEndSeconds; }
  // The whole file's spectrogram has been computed (or could not be: see ErrorText).
  bool OverviewDone() const;
  // The zoomed-in spectrogram of the selected key has been computed (true when none is selected).
  bool DetailDone() const;
  // Why the file's spectrogram could not be computed; empty when it could.
  const QString& ErrorText() const { return FErrorText; }

  // The user chose a key in the strip (a click on its box, or Left/Right/Home/End). The owner
  // decides whether to select it (SetSelectedKey); the view does not select it by itself.
  std::function<void(int)> OnKeyChosen;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  struct TShownSonogram {
    TSonogram data;
    QImage image;
  };

  QRectF PlotRect() const;
  double XOf(double seconds, const QRectF& plot) const;
  double YOf(double hz, const QRectF& plot) const;
  QRectF KeyBox(const TDetectedKey& key, const QRectF& plot) const;
  void ShowWholeFile();
  void StartDetail();
  void PollWorkers();
  void TakeOverview();
  void TakeDetail();
  void UpdateAccessibleDescription();
  void PaintMarks(QPainter& painter, const QRectF& plot) const;
  void PaintKeys(QPainter& painter, const QRectF& plot) const;
  void PaintTimeAxis(QPainter& painter, const QRectF& plot) const;
  void PaintStatus(QPainter& painter, const QRectF& plot) const;
  void ChooseNeighbour(int step);

  std::string FPath;
  std::vector<TDetectedKey> FKeys;
  int FSelectedKey = -1;
  double FFileSeconds = 0;
  double FVisibleStartSeconds = 0;
  double FVisibleEndSeconds = 0;
  std::unique_ptr<TSonogramWorker> FOverviewWorker;
  std::unique_ptr<TSonogramWorker> FDetailWorker;
  std::optional<TShownSonogram> FOverview;
  std::optional<TShownSonogram> FDetail;
  QString FErrorText;
  QTimer FPollTimer;
};
