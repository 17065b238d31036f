#include "app/Unit1.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QIcon>
#include <QKeyEvent>
#include <QMimeData>
#include <QStyle>
#include <QUrl>
#include <algorithm>
#include <cmath>

#include "app/details/KeyDetailsWindow.h"
#include "audio/Audio.h"
#include "audio/AudioErrorText.h"
#include "audiolib/audiolib.h"
#include "dtmf/FileAnalysis.h"
#include "dtmf/ToneLog.h"
#include "dtmf/qv_dtmf.h"
#include "platform/MessageBox.h"
#include "platform/MessageWindow.h"
#include "runtime/qv_utils.h"
#include "settings/player/PlayerIni.h"
#include "settings/system/SystemIni.h"

namespace {

constexpr int ClientWidth = 441;
constexpr int ClientHeight = 141;
constexpr int DrainIntervalMs = 50;
constexpr int FeedSliceBudgetMs = 15;  // decoding per event-loop turn, so input stays responsive
constexpr int ProgressSteps = 1000;
constexpr int WaitForWorkerMs = 5;
constexpr int LabelGap = 6;

QFont WindowFont() {
  const QString family = QFontDatabase::families().contains("Segoe UI") ? "Segoe UI" : QFont().family();
  return QFont(family, 9);
}

// 20 log10(threshold) as the slider shows it; false when the threshold has no level.
bool ShownLevel(double threshold, float& levelDb) {
  if (!(threshold > 0) || !std::isfinite(threshold)) return false;
  levelDb = static_cast<float>(20 * std::log10(threshold / 1.0));
  return true;
}

}  // namespace

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
  setWindowTitle(CaptionText());
  setWindowIcon(QIcon::fromTheme("tonesentry", QIcon(":/tonesentry.svg")));
  setFont(WindowFont());
  setBackgroundRole(QPalette::Button);
  setAutoFillBackground(true);
  setAcceptDrops(true);
  CreateControls();
  PlaceControls();
  CreateKeyDetailsAction();

  FWnd = AllocateHWnd(&DefWindowProc);  // reports reach the window and are discarded
  SetReportWnd(FWnd);
  BASS_Init(-1, 44100, 0, nullptr, nullptr);  // the result does not matter: no sound card is fine
  FAudio = std::make_unique<TAudio>(SystemIni.get(), &ReportErrorText);
  Audio = FAudio.get();

  FTimer1.setInterval(DrainIntervalMs);
  connect(&FTimer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
  FTimer1.start();
  FFeedTimer.setInterval(0);
  connect(&FFeedTimer, &QTimer::timeout, this, &TForm1::FeedTimerTimer);
}

TForm1::~TForm1() {
  FFeedTimer.stop();
  StopToneSentry();  // the analysis ends before the engine goes, also without a close first
  FAnalysis.reset();
  Audio = nullptr;
  FAudio.reset();
  DeallocateHWnd(FWnd);
}

QString TForm1::CaptionText() { return "ToneSentry | https://www.tonesentry.example"; }

void TForm1::CreateControls() {
  FLabel1 = new QLabel("Detected tones", this);
  Flb578349 = new QLabel("Minimum DTMF signal level", this);
  FlbChannelProcessing = new QLabel("Channel processing mode", this);

  FButton6 = new QPushButton("Open...", this);
  FButton6->setIcon(QIcon::fromTheme("document-open", style()->standardIcon(QStyle::SP_DialogOpenButton)));
  FButton6->setIconSize(QSize(16, 16));
  connect(FButton6, &QPushButton::clicked, this, &TForm1::Button6Click);

  FEdit1 = new QLineEdit(this);
  FEdit1->setReadOnly(true);

  FtbDTMFLev = new TLBar(this);
  FtbDTMFLev->SetPrec(0);
  FtbDTMFLev->SetMinValue(-60.0f);
  FtbDTMFLev->SetMaxValue(-1.0f);
  FtbDTMFLev->SetValue(-1.0f);
  FtbDTMFLev->Set_unit("dB");
  FtbDTMFLev->SetShowSign(true);
  FtbDTMFLev->SetCaption(" ");
  FtbDTMFLev->SetAccessibleName(" ");
  FtbDTMFLev->SetLabelSpacing(0);
  FtbDTMFLev->SetThumbLength(15);
  FtbDTMFLev->Loaded();
  FtbDTMFLev->OnValueChange = [this](TLBar&) { tbDTMFLevValueChange(); };

  FcbDTMFChannelMode = new QComboBox(this);
  FcbDTMFChannelMode->addItems({"Left", "Right", "Left + Right", "Left - Right (counterphase)"});
  FcbDTMFChannelMode->setCurrentIndex(3);
  // activated fires for the user's choice only, never for a change made in code.
  connect(FcbDTMFChannelMode, &QComboBox::activated, this, &TForm1::cbDTMFChannelModeChange);

  FProgress = new QProgressBar(this);
  FProgress->setRange(0, ProgressSteps);
  FProgress->setTextVisible(true);
  FProgress->setFormat("Analysing... %p%");
  FProgress->hide();

  setTabOrder(FButton6, FEdit1);
  setTabOrder(FEdit1, FtbDTMFLev);
  setTabOrder(FtbDTMFLev, FcbDTMFChannelMode);
  FLabel1->setFocusPolicy(Qt::NoFocus);
  FProgress->setFocusPolicy(Qt::NoFocus);
}

int TForm1::Scaled(int px96) const { return static_cast<int>(std::lround(px96 * logicalDpiY() / 96.0)); }

void TForm1::PlaceControls() {
  const auto place = [this](QWidget* w, int x, int y, int width, int height) {
    w->setGeometry(Scaled(x), Scaled(y), Scaled(width), Scaled(height));
  };
  const auto placeLabel = [this](QLabel* label, int x, int y) {
    label->adjustSize();
    label->move(Scaled(x), Scaled(y));
  };
  placeLabel(FLabel1, 8, 91);
  placeLabel(Flb578349, 8, 8);
  placeLabel(FlbChannelProcessing, 8, 34);
  // A font wider than the one the layout was drawn for would run the labels into the controls
  // beside them: move those controls right and widen the window by as much.
  const int labelsRight = std::max(Flb578349->geometry().right(), FlbChannelProcessing->geometry().right());
  const int widen = std::max(0, labelsRight + Scaled(LabelGap) - Scaled(152)) * 96 / logicalDpiY();
  place(FButton6, 8, 60, 81, 25);
  place(FEdit1, 8, 108, 425 + widen, 23);
  place(FtbDTMFLev, 161 + widen, 8, 207, 17);
  place(FcbDTMFChannelMode, 152 + widen, 31, 238, 23);
  place(FProgress, 97, 62, 336 + widen, 21);
  setFixedSize(Scaled(ClientWidth + widen), Scaled(ClientHeight));
}

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!FShown) {
    FShown = true;
    FormShow();
  }
}

void TForm1::FormShow() {
  float levelDb = 0;
  if (ShownLevel(PlayerIni->DTMFThreshold(), levelDb)) FtbDTMFLev->SetValue(levelDb);
  FcbDTMFChannelMode->setCurrentIndex(PlayerIni->DTMFChannelMode());
  FControlsReady = true;
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (FKeyDetails) FKeyDetails->close();  // else the program would go on with only that window
  FFeedTimer.stop();
  StopToneSentry();
  QWidget::closeEvent(event);
}

void TForm1::Button6Click() {
  const QString path = QFileDialog::getOpenFileName(this);
  if (path.isEmpty()) return;  // cancelled: nothing changes
  OpenFile(path);
}

bool TForm1::OpenFile(const QString& path) { return OpenFile(QFile::encodeName(path).toStdString()); }

bool TForm1::OpenFile(const std::string& nativePath) {
  const QString shownPath = QFile::decodeName(QByteArray::fromStdString(nativePath));
  TOpenError error;
  std::unique_ptr<TFileAnalysis> analysis = TFileAnalysis::Open(nativePath, error);
  if (!analysis) {
    const std::string reason = error.problem.empty() ? AudioErrorText(error.audioErrorCode, true) : error.problem;
    MessageBox(FWnd, "Cannot open \"" + shownPath.toStdString() + "\": " + reason, "Error", MB_OK | MB_ICONERROR);
    return false;
  }
  FEdit1->clear();
  FAnalysisPath = shownPath;
  FAnalysisNativePath = nativePath;
  FAnalysisError.clear();
  FAnalysis = std::move(analysis);  // the previous analysis (already replaced) frees its streams
  FProgress->setValue(0);
  FProgress->show();
  FFeedTimer.start(0);
  return true;
}

// The feed timer runs until FinishAnalysisIfDone has taken the end (keys kept, error shown), so
// "not analysing" also means the window is up to date, not only that the worker is done.
bool TForm1::Analysing() const { return FAnalysis && FFeedTimer.isActive(); }

void TForm1::FeedTimerTimer() {
  if (!FAnalysis) {
    FFeedTimer.stop();
    return;
  }
  QElapsedTimer budget;
  budget.start();
  bool fed = false;
  while (budget.elapsed() < FeedSliceBudgetMs && FAnalysis->FeedSlice()) fed = true;
  // While the worker catches up (or finishes the last frames) look again a little later.
  FFeedTimer.setInterval(fed ? 0 : WaitForWorkerMs);
  FProgress->setValue(static_cast<int>(FAnalysis->Progress() * ProgressSteps));
  FinishAnalysisIfDone();
}

void TForm1::FinishAnalysisIfDone() {
  if (!FAnalysis->Done()) return;
  FFeedTimer.stop();
  FProgress->hide();
  FAnalysisError = FAnalysis->ErrorText();
  KeepLastAnalysis();
  if (!FAnalysisError.empty()) {
    MessageBox(FWnd, "Cannot analyse \"" + FAnalysisPath.toStdString() + "\": " + FAnalysisError, "Error",
               MB_OK | MB_ICONERROR);
  }
}

void TForm1::tbDTMFLevValueChange() {
  if (!FControlsReady) return;
  const double threshold = std::pow(10.0, FtbDTMFLev->Value() / 20.0) * 1.0;
  if (std::isfinite(threshold)) PlayerIni->SetDTMFThreshold(threshold);
}

void TForm1::cbDTMFChannelModeChange(int index) {
  if (FControlsReady) PlayerIni->SetDTMFChannelMode(index);
}

// Every drained key is shown once: a drain equal to the previous one holds new keys too.
void TForm1::Timer1Timer() {
  const std::string text = TakeDetectedTones(true);
  if (!text.empty()) FEdit1->setText(FEdit1->text() + QString::fromStdString(text));
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls() && event->mimeData()->urls().first().isLocalFile())
    event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (!urls.isEmpty() && urls.first().isLocalFile()) {
    event->acceptProposedAction();
    // The URL carries the name's bytes percent-encoded; a QString would lose those that are not
    // valid in the locale's encoding.
    OpenFile(QByteArray::fromPercentEncoding(urls.first().path(QUrl::FullyEncoded).toLatin1()).toStdString());
  }
}

void TForm1::CreateKeyDetailsAction() {
  FKeyDetailsAction = new QAction("Key details...", this);
  FKeyDetailsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
  FKeyDetailsAction->setShortcutContext(Qt::WindowShortcut);
  FKeyDetailsAction->setEnabled(false);  // until a file has been analysed
  connect(FKeyDetailsAction, &QAction::triggered, this, &TForm1::ShowKeyDetails);
  addAction(FKeyDetailsAction);
  FEdit1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(FEdit1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { CreateTonesContextMenu()->exec(FEdit1->mapToGlobal(pos)); });
  // A line edit claims Ctrl+D (delete the next character) even when read-only.
  FEdit1->installEventFilter(this);
}

std::unique_ptr<QMenu> TForm1::CreateTonesContextMenu() {
  std::unique_ptr<QMenu> menu(FEdit1->createStandardContextMenu());
  menu->addSeparator();
  menu->addAction(FKeyDetailsAction);
  return menu;
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == FEdit1 && event->type() == QEvent::ShortcutOverride &&
      static_cast<QKeyEvent*>(event)->keyCombination() == QKeyCombination(Qt::CTRL, Qt::Key_D)) {
    event->ignore();  // leave it to the window's shortcut
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

// Kept at the end of an analysis: the sentry's keys are gone once the next file replaces it.
void TForm1::KeepLastAnalysis() {
  FHasLastAnalysis = true;
  FLastAnalysisPath = FAnalysisNativePath;
  FLastAnalysisSeconds = FAnalysis->DurationSeconds();
  FLastAnalysisKeys = FAnalysis->Keys();
  FKeyDetailsAction->setEnabled(true);
  FKeyDetailsStale = true;
  if (FKeyDetails && FKeyDetails->isVisible()) ShowKeyDetails();
}

void TForm1::ShowKeyDetails() {
  if (!FHasLastAnalysis) return;
  if (!FKeyDetails) FKeyDetails = new TKeyDetailsWindow(this);
  if (FKeyDetailsStale) FKeyDetails->ShowFile(FLastAnalysisPath, FLastAnalysisSeconds, FLastAnalysisKeys);
  FKeyDetailsStale = false;
  FKeyDetails->show();
  FKeyDetails->raise();
  FKeyDetails->activateWindow();
}
