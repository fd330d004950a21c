#include "shell/Module1.h"

#include "platform/DialogService.h"
#include "platform/MessageBox.h"
#include "shell/Globals.h"
#include "shell/frmMain.h"
#include "shell/frmSplash.h"

namespace tarnwick::shell::Module1 {

frmMain* Main(const platform::Services& services)
{
    auto* splash = new frmSplash;
    splash->show();
    splash->repaint();

    auto* window = new frmMain(services);
    MainWindow = window;
    window->Load();

    splash->close();
    delete splash;

    window->show();
    return window;
}

int AskYesNo(platform::DialogService& dialogs, QWidget* parent, const QString& prompt)
{
    using namespace platform;
    return dialogs.messageBox(parent, prompt, MsgBox::YesNo | MsgBox::Exclamation | MsgBox::DefaultButton1,
                              QStringLiteral("Tarnwick"));
}

} // namespace tarnwick::shell::Module1
