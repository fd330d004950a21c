#pragma once

#include <QString>

class QWidget;

namespace tarnwick::platform {
class DialogService;
struct Services;
} // namespace tarnwick::platform

namespace tarnwick::shell {
class frmMain;
}

namespace tarnwick::shell::Module1 {

// Brings the program up: splash, main window loaded and stored in MainWindow, splash gone, main
// window shown. Returns the main window (owned by the caller).
frmMain* Main(const platform::Services& services);

// The shared Yes/No question: Yes is the default, warning icon, the program's title; 6 Yes, 7 No.
int AskYesNo(platform::DialogService& dialogs, QWidget* parent, const QString& prompt);

} // namespace tarnwick::shell::Module1
