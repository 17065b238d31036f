#include "app/QtMainThreadBridge.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>

#include "platform/MainThread.h"

namespace {

QMessageBox::Icon IconOf(UINT flags) {
  switch (flags & 0xF0) {
    case MB_ICONERROR: return QMessageBox::Critical;
    case MB_ICONWARNING: return QMessageBox::Warning;
    case MB_ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

int ShowQtMessageBox(HWND, const std::string& text, const std::string& caption, UINT flags) {
  // Dialogs belong to the GUI thread; a worker waits until the user has closed it there.
  RunInMainThreadAndWait([&] {
    QMessageBox box(IconOf(flags), QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
  });
  return IDOK;
}

}  // namespace

TQtMainThreadBridge::TQtMainThreadBridge() {
  InitMainThread();
  SetMainThreadWakeHook([] {
    QMetaObject::invokeMethod(qApp, [] { ProcessMainThreadQueue(); }, Qt::QueuedConnection);
  });
  FPreviousPresenter = SetMessageBoxPresenter(&ShowQtMessageBox);
  ProcessMainThreadQueue();  // anything queued before the hook existed
}

TQtMainThreadBridge::~TQtMainThreadBridge() {
  SetMainThreadWakeHook({});
  SetMessageBoxPresenter(FPreviousPresenter);
}
