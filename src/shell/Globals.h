#pragma once

#include "shell/DocumentCollection.h"

namespace tarnwick::shell {

class frmMain;

// The program's only shared state: the main window, the registered document windows, and where
// new browser windows go. All of it is touched on the user-interface thread only.
extern frmMain* MainWindow;
extern DocumentCollection OpenDocuments;
extern bool blBrowserNotRightHalf;

} // namespace tarnwick::shell
