// tonesentry-gui: the ToneSentry window.
//   tonesentry-gui [--settings-dir DIR] [FILE] opens FILE at start; settings from DIR
//   tonesentry-gui --report-keys [--screenshot PNG] FILE
//       opens FILE, and once every key is shown prints the window's key text to standard output,
//       saves a screenshot of the window if asked, and quits (for scripts and smoke tests). In this
//       mode messages go to standard error instead of a box, and a file that cannot be opened or
//       analysed ends the program with status 1.
#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>

#include "app/ProgramModules.h"
#include "app/QtMainThreadBridge.h"
#include "app/Unit1.h"
#include "audiolib/audiolib.h"
#include "platform/MessageBox.h"
#include "settings/location/SettingsModule.h"

namespace {

constexpr int ReportPollMs = 100;
constexpr int BadCommandLine = 2;

// Scripts read messages on standard error; a modal box would wait for a user who is not there.
int ReportOnStandardError(HWND, const std::string& text, const std::string&, UINT) {
  std::fprintf(stderr, "tonesentry-gui: %s\n", text.c_str());
  return IDOK;
}

// Once the analysis is over and the drain timer has shown the last keys, reports and quits;
// status becomes 1 when the analysis failed.
void ReportKeysWhenDone(TForm1& form, const QString& screenshotPath, int& status) {
  auto* poll = new QTimer(&form);
  auto idleTicks = std::make_shared<int>(0);
  QObject::connect(poll, &QTimer::timeout, &form, [&form, screenshotPath, poll, idleTicks, &status] {
    if (form.Analysing()) return;
    if (++*idleTicks < 3) return;  // a few drains after the end
    poll->stop();
    if (!form.AnalysisError().empty()) status = 1;
    std::printf("%s\n", form.Edit1()->text().toUtf8().constData());
    std::fflush(stdout);
    if (!screenshotPath.isEmpty()) {
      const QPixmap shot = form.screen()->grabWindow(form.winId());
      if (!shot.save(screenshotPath)) std::fprintf(stderr, "tonesentry-gui: cannot write %s\n", qPrintable(screenshotPath));
    }
    form.close();
  });
  poll->start(ReportPollMs);
}

// The bytes of the command-line argument that Qt decoded to `decoded`: a file name that is not
// valid in the locale's encoding reaches the file system unchanged.
std::string NativeArgument(int argc, char** argv, const QString& decoded) {
  for (int i = argc - 1; i > 0; --i) {
    if (QFile::decodeName(argv[i]) == decoded) return argv[i];
  }
  return QFile::encodeName(decoded).toStdString();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName("ToneSentry");
  QApplication::setDesktopFileName("tonesentry");
  QCommandLineParser parser;
  parser.setApplicationDescription("Finds DTMF key tones in audio files.");
  parser.addHelpOption();
  const QCommandLineOption reportKeys("report-keys", "Print the keys of FILE once found, then quit.");
  const QCommandLineOption screenshot("screenshot", "With --report-keys: save the window as PNG.", "PNG");
  const QCommandLineOption settingsDir("settings-dir", "Read the settings from DIR.", "DIR");
  parser.addOptions({reportKeys, screenshot, settingsDir});
  parser.addPositionalArgument("FILE", "Audio file to open at start.", "[FILE]");
  parser.process(application);
  const QStringList files = parser.positionalArguments();
  if (parser.isSet(reportKeys) && files.isEmpty()) parser.showHelp(2);

  TQtMainThreadBridge bridge;
  if (parser.isSet(reportKeys)) SetMessageBoxPresenter(&ReportOnStandardError);
  int status = 0;
  try {
    // The settings folder's own bytes, as the file system has them.
    // Outlives the window.
    const TProgramModules modules(parser.isSet(settingsDir) ? NativeArgument(argc, argv, parser.value(settingsDir)) : "");
    TForm1 form;
    form.show();
    if (!files.isEmpty()) {
      const bool opened = form.OpenFile(NativeArgument(argc, argv, files.first()));
      if (parser.isSet(reportKeys)) {
        if (opened) {
          ReportKeysWhenDone(form, parser.value(screenshot), status);
        } else {
          status = 1;
        }
      }
    }
    if (status == 0) {
      const int loopStatus = QApplication::exec();  // may set status through the report
      status = std::max(loopStatus, status);
    }
  } catch (const ESettingsDirError& error) {
    MessageBox(0, error.what(), "Error", MB_OK | MB_ICONERROR);
    status = BadCommandLine;
  }
  BASS_Free();
  return status;
}
