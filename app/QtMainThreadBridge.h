// Runs the platform's main-thread queue (posted messages, window timers, queued work) inside Qt's
// event loop, and shows message boxes as Qt dialogs. Main thread; create after the QApplication
// and destroy before it.
#pragma once

#include "platform/MessageBox.h"

class TQtMainThreadBridge {
 public:
  TQtMainThreadBridge();
  ~TQtMainThreadBridge();  // removes the hook and restores the previous presenter
  TQtMainThreadBridge(const TQtMainThreadBridge&) = delete;
  TQtMainThreadBridge& operator=(const TQtMainThreadBridge&) = delete;

 private:
  MessageBoxPresenter FPreviousPresenter;
};
