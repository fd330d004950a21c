#pragma once

#include "platform/DialogService.h"

class QPrintDialog;

namespace tarnwick::platform {

// The real dialogs: QFileDialog, QPrintDialog and QMessageBox.
class QtDialogService : public DialogService
{
public:
    FileDialogAnswer showOpen(QWidget* parent, const FileDialogRequest& request) override;
    FileDialogAnswer showSave(QWidget* parent, const FileDialogRequest& request) override;
    PrintDialogAnswer showPrint(QWidget* parent, QPrinter* printer, const PrintDialogRequest& request) override;
    int messageBox(QWidget* parent, const QString& text, int style, const QString& title) override;

    // Gives a print dialog the request's title and choices. Without page numbers every control that
    // chooses pages stays unavailable, also the ones Qt's CUPS dialog turns back on by itself.
    static void preparePrintDialog(QPrintDialog& dialog, const PrintDialogRequest& request);
};

} // namespace tarnwick::platform
