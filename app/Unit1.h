// TForm1: the main window of ToneSentry. The user sets the minimum tone level and the channel
// processing mode, opens an audio file, and reads the keys found in it. Files are decoded in
// slices from the event loop while the DTMF worker analyses them, so the window stays responsive.
// "Key details..." in the detected-tones box's context menu (Ctrl+D) opens the key details window
// (app/details/KeyDetailsWindow.h) for the file last analysed. Main thread only.
#pragma once

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QMenu>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "app/TBar.h"
#include "dtmf/qv_dtmf.h"
#include "platform/WinTypes.h"

class TAudio;
class TFileAnalysis;
class TKeyDetailsWindow;

class TForm1 : public QWidget {
  Q_OBJECT

 public:
  // FormCreate: builds the controls, registers the report window, initialises the default output
  // and creates the audio engine (Audio) from SystemIni; the engine reports through
  // ReportErrorText. FormDestroy: stops the DTMF analysis, then frees the engine.
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  // Opens `path` as Button6Click does after the dialog: the keys of the file replace the text.
  // A file that cannot be opened as audio shows a message box captioned "Error" and changes
  // nothing. Returns whether the analysis started.
  bool OpenFile(const QString& path);
  // The same for a name given as the file system's bytes (argv, a dropped URL): Qt's strings
  // cannot hold a name that is not valid in the locale's encoding, these bytes can.
  bool OpenFile(const std::string& nativePath);
  // True while a file is being decoded, its last keys are still being analysed, or the window has
  // not yet taken the end of the analysis.
  bool Analysing() const;
  // Why the last analysis ended before the end of its file (also shown in a message box); empty
  // when it did not, or is still running.
  const std::string& AnalysisError() const { return FAnalysisError; }

  // The controls, for the desktop glue and tests.
  QPushButton* Button6() const { return FButton6; }
  QLineEdit* Edit1() const { return FEdit1; }
  TLBar* tbDTMFLev() const { return FtbDTMFLev; }
  QComboBox* cbDTMFChannelMode() const { return FcbDTMFChannelMode; }
  QProgressBar* AnalysisProgress() const { return FProgress; }

  // Opens (or brings up) the key details window for the file last analysed; does nothing before a
  // first analysis has ended. Ctrl+D and the "Key details..." entry do this.
  void ShowKeyDetails();
  // The key details window, null until first opened (owned by this window).
  TKeyDetailsWindow* KeyDetails() const { return FKeyDetails; }
  QAction* KeyDetailsAction() const { return FKeyDetailsAction; }
  // The detected-tones box's context menu: its standard entries and "Key details...". The caller
  // owns the menu.
  std::unique_ptr<QMenu> CreateTonesContextMenu();

  // The window's caption: the program name and its web address.
  static QString CaptionText();

 protected:
  void showEvent(QShowEvent* event) override;      // FormShow, at the first showing
  void closeEvent(QCloseEvent* event) override;    // FormClose
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void PlaceControls();
  void FormShow();
  void Button6Click();
  void tbDTMFLevValueChange();
  void cbDTMFChannelModeChange(int index);
  void Timer1Timer();
  void FeedTimerTimer();
  void FinishAnalysisIfDone();
  void CreateKeyDetailsAction();
  void KeepLastAnalysis();
  int Scaled(int px96) const;

  QLabel* FLabel1 = nullptr;
  QLabel* Flb578349 = nullptr;
  QLabel* FlbChannelProcessing = nullptr;
  QPushButton* FButton6 = nullptr;
  QLineEdit* FEdit1 = nullptr;
  TLBar* FtbDTMFLev = nullptr;
  QComboBox* FcbDTMFChannelMode = nullptr;
  QProgressBar* FProgress = nullptr;
  QTimer FTimer1;
  QTimer FFeedTimer;
  HWND FWnd = 0;  // this window's handle for the report sink
  std::unique_ptr<TAudio> FAudio;  // published as Audio while the window exists
  bool FControlsReady = false;
  bool FShown = false;
  std::unique_ptr<TFileAnalysis> FAnalysis;
  QString FAnalysisPath;
  std::string FAnalysisNativePath;
  std::string FAnalysisError;
  // The file last analysed, for the key details window.
  bool FHasLastAnalysis = false;
  std::string FLastAnalysisPath;
  double FLastAnalysisSeconds = 0;
  std::vector<TDetectedKey> FLastAnalysisKeys;
  QAction* FKeyDetailsAction = nullptr;
  TKeyDetailsWindow* FKeyDetails = nullptr;  // a child window; Qt frees it with this one
  bool FKeyDetailsStale = false;              // it shows an older analysis than the last one
};
