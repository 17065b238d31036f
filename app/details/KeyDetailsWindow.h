// TKeyDetailsWindow: where each key of the file last analysed is. A sortable table of the keys,
// a spectrogram strip that zooms in on the selected key, export in the command-line tool's
// formats, and a Play button for the selected key. Non-modal, a window of its own; main thread
// only. Its spectrogram threads are stopped and joined when it is destroyed.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QWidget>
#include <string>
#include <vector>

#include "app/details/KeyPlayer.h"
#include "app/details/KeyTable.h"
#include "app/details/SonogramView.h"
#include "dtmf/KeyReport.h"
#include "dtmf/qv_dtmf.h"

class TKeyDetailsWindow : public QWidget {
  Q_OBJECT

 public:
  explicit TKeyDetailsWindow(QWidget* parent = nullptr);

  // Shows the keys of `path` (the file system's bytes, as the file was opened), fileSeconds long,
  // and starts computing its spectrogram.
  void ShowFile(const std::string& path, double fileSeconds, std::vector<TDetectedKey> keys);
  const std::string& Path() const { return FPath; }
  const std::vector<TDetectedKey>& Keys() const { return FKeys; }

  // The keys in `format` (Csv, Json or Labels; Keys and List work too): the same text that
  // `tonesentry detect --format` prints for the file.
  std::string ReportText(TOutputFormat format) const;
  // Writes ReportText(format) to fileName; false with `error` set when it cannot be written.
  bool ExportTo(const QString& fileName, TOutputFormat format, QString& error) const;

  // Plays the selected key with a second before and after it on the default output device.
  // Without such a device the Play button stays disabled and its tool tip says why.
  void PlaySelectedKey();
  const TKeyPlayer& Player() const { return FPlayer; }

  TKeyTable* KeyTable() const { return FTable; }
  TSonogramView* Sonogram() const { return FSonogram; }
  QPushButton* PlayButton() const { return FPlayButton; }
  QPushButton* ExportButton() const { return FExportButton; }
  QPushButton* CloseButton() const { return FCloseButton; }

 private:
  void CreateControls();
  void KeySelected(int index);
  void UpdatePlayButton();
  void ExportClick();

  std::string FPath;
  std::vector<TDetectedKey> FKeys;
  QLabel* FSummary = nullptr;
  TSonogramView* FSonogram = nullptr;
  TKeyTable* FTable = nullptr;
  QPushButton* FPlayButton = nullptr;
  QPushButton* FExportButton = nullptr;
  QPushButton* FCloseButton = nullptr;
  TKeyPlayer FPlayer;
};
