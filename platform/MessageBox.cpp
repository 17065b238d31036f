#include "platform/MessageBox.h"

#include <iostream>
#include <mutex>
#include <utility>

namespace {

std::mutex presenterMutex;
MessageBoxPresenter presenter = StandardErrorMessageBox;

}  // namespace

int MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT flags)
{
    MessageBoxPresenter current;
    {
        std::lock_guard lock(presenterMutex);
        current = presenter;
    }
    return current(owner, text, caption, flags);
}

MessageBoxPresenter SetMessageBoxPresenter(MessageBoxPresenter newPresenter)
{
    std::lock_guard lock(presenterMutex);
    auto previous = std::move(presenter);
    presenter = newPresenter ? std::move(newPresenter) : StandardErrorMessageBox;
    return previous;
}

int StandardErrorMessageBox(HWND, const std::string& text, const std::string& caption, UINT)
{
    std::cerr << caption << ": " << text << std::endl;
    return IDOK;
}
