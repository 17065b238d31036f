// tonesentry-gui: the ToneSentry window. `tonesentry-gui [FILE]` opens FILE at start.
#include <QApplication>
#include <QStringList>
#include <memory>

#include "app/QtMainThreadBridge.h"
#include "app/Unit1.h"
#include "audiolib/audiolib.h"
#include "dtmf/qv_dtmf.h"
#include "settings/PlayerIni.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName("ToneSentry");
  QApplication::setDesktopFileName("tonesentry");
  TQtMainThreadBridge bridge;

  // Module start-up, in dependency order; shut-down runs the other way.
  PlayerIni = std::make_unique<TPlayerIni>();
  InitializeDtmfModule();
  int status = 0;
  {
    TForm1 form;
    form.show();
    const QStringList args = QApplication::arguments();
    if (args.size() > 1) form.OpenFile(args.at(1));
    status = QApplication::exec();
  }
  FinalizeDtmfModule();
  PlayerIni.reset();
  BASS_Free();
  return status;
}
