// tonesentry-gui: the ToneSentry window.
//   tonesentry-gui [--settings-dir DIR] [FILE] opens FILE at start; settings from DIR
//   tonesentry-gui --report-keys [--screenshot PNG] FILE
//       opens FILE, and once every key is shown prints the window's key text to standard output,
//       saves a screenshot of the window if asked, and quits (for scripts and smoke tests).
#include <QApplication>
#include <QCommandLineParser>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "app/ProgramModules.h"
#include "app/QtMainThreadBridge.h"
#include "app/Unit1.h"
#include "audiolib/audiolib.h"

namespace {

constexpr int ReportPollMs = 100;

// Once the analysis is over and the drain timer has shown the last keys, reports and quits.
void ReportKeysWhenDone(TForm1& form, const QString& screenshotPath) {
  auto* poll = new QTimer(&form);
  auto idleTicks = std::make_shared<int>(0);
  QObject::connect(poll, &QTimer::timeout, &form, [&form, screenshotPath, poll, idleTicks] {
    if (form.Analysing()) return;
    if (++*idleTicks < 3) return;  // a few drains after the end
    poll->stop();
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
  int status = 0;
  {
    const TProgramModules modules(parser.value(settingsDir).toStdString());  // outlives the window
    TForm1 form;
    form.show();
    if (!files.isEmpty()) {
      const bool opened = form.OpenFile(files.first());
      if (parser.isSet(reportKeys)) {
        if (opened) {
          ReportKeysWhenDone(form, parser.value(screenshot));
        } else {
          status = 1;
        }
      }
    }
    if (status == 0) status = QApplication::exec();
  }
  BASS_Free();
  return status;
}
