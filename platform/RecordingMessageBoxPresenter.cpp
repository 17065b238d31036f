#include "platform/RecordingMessageBoxPresenter.h"

RecordingMessageBoxPresenter::RecordingMessageBoxPresenter()
{
    FPrevious = SetMessageBoxPresenter(
        [this](HWND owner, const std::string& text, const std::string& caption, UINT flags) {
            std::lock_guard lock(FMutex);
            FBoxes.push_back({owner, text, caption, flags});
            return IDOK;
        });
}

RecordingMessageBoxPresenter::~RecordingMessageBoxPresenter()
{
    SetMessageBoxPresenter(std::move(FPrevious));
}

std::vector<RecordedMessageBox> RecordingMessageBoxPresenter::Boxes() const
{
    std::lock_guard lock(FMutex);
    return FBoxes;
}
