#include "app/details/KeyDetailsWindow.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QShortcut>
#include <QVBoxLayout>
#include <array>
#include <sstream>

#include "platform/MessageBox.h"

namespace {

struct TExportChoice {
  TOutputFormat format;
  const char* filter;
  const char* suffix;
};

const std::array<TExportChoice, 3> ExportChoices = {{
    {TOutputFormat::Csv, "CSV (*.csv)", ".csv"},
    {TOutputFormat::Json, "JSON (*.json)", ".json"},
    {TOutputFormat::Labels, "Audacity label track (*.txt)", ".txt"},
}};

constexpr double ListenMarginSeconds = 1.0;  // heard before and after the key

QString ShownName(const std::string& path) { return QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))).fileName(); }

}  // namespace

TKeyDetailsWindow::TKeyDetailsWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setWindowTitle("Key details");
  setAccessibleName("Key details");
  CreateControls();
  UpdatePlayButton();
}

void TKeyDetailsWindow::CreateControls() {
  FSummary = new QLabel(this);
  FSonogram = new TSonogramView(this);
  FTable = new TKeyTable(this);
  FPlayButton = new QPushButton("&Play", this);
  FPlayButton->setAccessibleName("Play selected key");
  FExportButton = new QPushButton("&Export...", this);
  FExportButton->setAccessibleName("Export keys");
  FExportButton->setToolTip("Save the keys as CSV, JSON or an Audacity label track");
  FCloseButton = new QPushButton("Close", this);
  FCloseButton->setAccessibleName("Close");
  FSummary->setBuddy(FTable);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(FPlayButton);
  buttons->addWidget(FExportButton);
  buttons->addStretch();
  buttons->addWidget(FCloseButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FSummary);
  layout->addWidget(FSonogram, 3);
  layout->addWidget(FTable, 2);
  layout->addLayout(buttons);

  setTabOrder(FTable, FSonogram);
  setTabOrder(FSonogram, FPlayButton);
  setTabOrder(FPlayButton, FExportButton);
  setTabOrder(FExportButton, FCloseButton);

  FTable->OnKeySelected = [this](int index) { KeySelected(index); };
  FSonogram->OnKeyChosen = [this](int index) { FTable->SelectKey(index); };
  connect(FPlayButton, &QPushButton::clicked, this, &TKeyDetailsWindow::PlaySelectedKey);
  connect(FExportButton, &QPushButton::clicked, this, &TKeyDetailsWindow::ExportClick);
  connect(FCloseButton, &QPushButton::clicked, this, &QWidget::close);
  auto* closeShortcut = new QShortcut(QKeySequence::Close, this);
  connect(closeShortcut, &QShortcut::activated, this, &QWidget::close);
  resize(820, 560);
}

void TKeyDetailsWindow::ShowFile(const std::string& path, double fileSeconds, std::vector<TDetectedKey> keys) {
  FPath = path;
  FKeys = std::move(keys);
  const QString name = ShownName(path);
  setWindowTitle("Key details - " + name);
  FSummary->setText(QString("&Keys of %1: %2").arg(QString(name).replace("&", "&&")).arg(FKeys.size()));
  FTable->SetKeys(FKeys);
  FSonogram->SetFile(path, fileSeconds, FKeys);
  UpdatePlayButton();
}

void TKeyDetailsWindow::KeySelected(int index) {
  FSonogram->SetSelectedKey(index);
  UpdatePlayButton();
}

void TKeyDetailsWindow::UpdatePlayButton() {
  const QString unavailable = QString::fromStdString(TKeyPlayer::UnavailableReason());
  FPlayButton->setEnabled(unavailable.isEmpty() && FTable->SelectedKey() >= 0);
  FPlayButton->setToolTip(unavailable.isEmpty() ? "Play the selected key with a second before and after it" : unavailable);
  FPlayButton->setAccessibleDescription(FPlayButton->toolTip());
}

void TKeyDetailsWindow::PlaySelectedKey() {
  const int index = FTable->SelectedKey();
  if (index < 0 || !FPlayButton->isEnabled()) return;
  const TDetectedKey& key = FKeys[static_cast<size_t>(index)];
  const double fromSeconds = key.startMs / 1000 - ListenMarginSeconds;
  const double toSeconds = (key.startMs + key.durationMs) / 1000 + ListenMarginSeconds;
  std::string error;
  if (!FPlayer.Play(FPath, fromSeconds, toSeconds, error)) MessageBox(0, error, "Error", MB_OK | MB_ICONERROR);
}

std::string TKeyDetailsWindow::ReportText(TOutputFormat format) const {
  std::ostringstream text;
  TKeyReportWriter writer(text, format, false);
  writer.Add(TFileResult{FPath, true, "", FKeys});
  writer.Finish();
  return text.str();
}

bool TKeyDetailsWindow::ExportTo(const QString& fileName, TOutputFormat format, QString& error) const {
  QFile file(fileName);
  const std::string text = ReportText(format);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
      file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()) || !file.flush()) {
    error = file.errorString();
    return false;
  }
  return true;
}

void TKeyDetailsWindow::ExportClick() {
  QStringList filters;
  for (const TExportChoice& choice : ExportChoices) filters << choice.filter;
  QString chosenFilter = filters.first();
  const QString suggested = QFileInfo(ShownName(FPath)).completeBaseName() + ExportChoices[0].suffix;
  QString fileName = QFileDialog::getSaveFileName(this, "Export keys", suggested, filters.join(";;"), &chosenFilter);
  if (fileName.isEmpty()) return;  // cancelled
  const TExportChoice& choice = ExportChoices[std::max<qsizetype>(0, filters.indexOf(chosenFilter))];
  if (QFileInfo(fileName).suffix().isEmpty()) fileName += choice.suffix;
  QString error;
  if (!ExportTo(fileName, choice.format, error)) {
    MessageBox(0, "Cannot write \"" + fileName.toStdString() + "\": " + error.toStdString(), "Error", MB_OK | MB_ICONERROR);
  }
}
