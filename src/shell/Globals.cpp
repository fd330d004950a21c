#include "shell/Globals.h"

namespace tarnwick::shell {

frmMain* MainWindow = nullptr;
DocumentCollection OpenDocuments;
bool blBrowserNotRightHalf = false;

} // namespace tarnwick::shell
