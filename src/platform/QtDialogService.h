#pragma once

#include "platform/DialogService.h"

namespace tarnwick::platform {

// The real dialogs: QFileDialog, QPrintDialog and QMessageBox.
class QtDialogService : public DialogService
{
public:
    FileDialogAnswer showOpen(QWidget* parent, const FileDialogRequest& request) override;
    FileDialogAnswer showSave(QWidget* parent, const FileDialogRequest& request) override;
    PrintDialogAnswer showPrint(QWidget* parent, QPrinter* printer, const PrintDialogRequest& request) override;
    int messageBox(QWidget* parent, const QString& text, int style, const QString& title) override;
};

} // namespace tarnwick::platform
