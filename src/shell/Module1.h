#pragma once

#include <QString>

class QWidget;

namespace tarnwick::platform {
class DialogService;
struct Services;
} // namespace tarnwick::platform

namespace tarnwick::shell {
class frmMain;
struct CommandLine;
} // namespace tarnwick::shell

namespace tarnwick::shell::Module1 {

// Brings the program up: splash, main window loaded and stored in MainWindow, splash gone, main
// window shown. Returns the main window (owned by the caller).
frmMain* Main(const platform::Services& services);
// The same, then hands the command line's files and addresses to the shown main window.
frmMain* Main(const platform::Services& services, const CommandLine& commandLine);

// Addresses are dropped on the active document one after another, as a user would drop them; then
// files switch the program into the word-processor mode as the Download Options dialog does, and
// each readable one is retrieved: the first into the empty document in front, the rest into new
// windows. A file that cannot be read is reported with its reason and the next one still opens.
void OpenCommandLine(frmMain* window, const CommandLine& commandLine);

// The shared Yes/No question: Yes is the default, warning icon, the program's title; 6 Yes, 7 No.
int AskYesNo(platform::DialogService& dialogs, QWidget* parent, const QString& prompt);

} // namespace tarnwick::shell::Module1
