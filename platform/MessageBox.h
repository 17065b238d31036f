#pragma once
// Message boxes through a pluggable presenter: a dialog in the window application, standard
// error by default (CLI), a recorder in tests.
#include <functional>
#include <string>

#include "platform/WinTypes.h"

inline constexpr UINT MB_OK = 0x00;
inline constexpr UINT MB_ICONERROR = 0x10;
inline constexpr UINT MB_ICONWARNING = 0x30;
inline constexpr UINT MB_ICONINFORMATION = 0x40;
inline constexpr int IDOK = 1;

// Shows text and returns the button the user chose (IDOK ...). Called on the thread that shows the
// box; it blocks until the box is closed.
using MessageBoxPresenter =
    std::function<int(HWND owner, const std::string& text, const std::string& caption, UINT flags)>;

// Shows a message box through the current presenter; callable from any thread (the presenter
// decides whether it can show a box there). Returns the presenter's result.
int MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT flags);

// Replaces the presenter (an empty function restores the standard-error one) and returns the
// previous one. Set it on the main thread before other threads may show boxes.
MessageBoxPresenter SetMessageBoxPresenter(MessageBoxPresenter presenter);

// The default presenter: writes "caption: text" and a line feed to standard error; returns IDOK.
int StandardErrorMessageBox(HWND owner, const std::string& text, const std::string& caption,
                            UINT flags);
