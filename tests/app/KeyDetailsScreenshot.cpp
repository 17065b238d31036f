// key_details_screenshot FILE PNG SETTINGS_DIR: analyses FILE in the real main window, opens its
// key details window with Ctrl+D's action, waits for the spectrogram and saves the details window
// as PNG. Prints the keys the table shows. Exit 1 when anything fails or the picture is blank
// (fewer than a handful of colours), 2 for a bad command line. Every wait has a time limit.
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QScreen>
#include <QSet>
#include <QTest>
#include <cstdio>

#include "app/ProgramModules.h"
#include "app/QtMainThreadBridge.h"
#include "app/Unit1.h"
#include "app/details/KeyDetailsWindow.h"
#include "audiolib/audiolib.h"

namespace {

constexpr int FailSafeMs = 60000;
constexpr int MinColours = 50;

int DistinctColours(const QImage& image) {
  QSet<QRgb> colours;
  for (int y = 0; y < image.height(); y += 2) {
    for (int x = 0; x < image.width(); x += 2) colours.insert(image.pixel(x, y));
  }
  return static_cast<int>(colours.size());
}

int Fail(const char* why) {
  std::fprintf(stderr, "key_details_screenshot: %s\n", why);
  return 1;
}

int Run(const QString& file, const QString& png) {
  TForm1 form;
  form.show();
  if (!form.OpenFile(file)) return Fail("cannot open the file");
  if (!QTest::qWaitFor([&] { return !form.Analysing(); }, FailSafeMs)) return Fail("analysis did not end");
  form.KeyDetailsAction()->trigger();
  TKeyDetailsWindow* details = form.KeyDetails();
  if (!details || !QTest::qWaitForWindowExposed(details)) return Fail("no details window");
  if (!QTest::qWaitFor([&] { return details->Sonogram()->OverviewDone(); }, FailSafeMs)) return Fail("no spectrogram");
  QTest::qWait(300);  // the last paint
  QString keys;
  for (int row = 0; row < details->KeyTable()->rowCount(); ++row) keys += details->KeyTable()->item(row, TKeyTable::colKey)->text();
  std::printf("%s\n", keys.toUtf8().constData());
  const QImage shot = details->screen()->grabWindow(details->winId()).toImage();
  if (!shot.save(png)) return Fail("cannot write the PNG");
  const int colours = DistinctColours(shot);
  std::fprintf(stderr, "key_details_screenshot: %dx%d, %d colours\n", shot.width(), shot.height(), colours);
  if (colours < MinColours) return Fail("the picture is blank");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: key_details_screenshot FILE PNG SETTINGS_DIR\n");
    return 2;
  }
  TQtMainThreadBridge bridge;
  int status = 1;
  {
    const TProgramModules modules(argv[3]);
    status = Run(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]));
  }
  BASS_Free();
  return status;
}
