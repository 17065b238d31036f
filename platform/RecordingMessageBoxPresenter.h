#pragma once
// For tests: while alive, records every message box instead of showing it and answers IDOK;
// restores the previous presenter when destroyed. Thread-safe.
#include <mutex>
#include <string>
#include <vector>

#include "platform/MessageBox.h"

struct RecordedMessageBox {
    HWND owner;
    std::string text;
    std::string caption;
    UINT flags;
};

class RecordingMessageBoxPresenter {
public:
    RecordingMessageBoxPresenter();
    ~RecordingMessageBoxPresenter();
    RecordingMessageBoxPresenter(const RecordingMessageBoxPresenter&) = delete;
    RecordingMessageBoxPresenter& operator=(const RecordingMessageBoxPresenter&) = delete;

    std::vector<RecordedMessageBox> Boxes() const;  // a copy, in the order shown

private:
    mutable std::mutex FMutex;
    std::vector<RecordedMessageBox> FBoxes;
    MessageBoxPresenter FPrevious;
};
