#pragma once

#include "platform/DialogService.h"

#include <QString>

class QPrinter;
class QWidget;

namespace tarnwick::platform {

// One common-dialog control: its properties outlive each use, so whatever one command leaves in it
// (file name, filter index, flags, directory, title) is what the next command that does not set
// them shows.
class CommonDialog
{
public:
    // The result of one Show...: Cancelled only counts as the dialog's cancel error when CancelError is on.
    enum class Result { Ok, Cancelled, Failed };
    static constexpr int CancelErrorNumber = 32755;

    CommonDialog(DialogService& dialogs, QWidget* owner);

    QString DialogTitle;
    QString InitDir;
    QString FileName;
    QString Filter;
    int FilterIndex = 1;
    int Flags = 0;
    bool CancelError = false;

    Result ShowOpen();
    Result ShowSave();
    // Shows the print dialog for printer; selectionOnly tells whether the user chose to print the selection.
    Result ShowPrinter(QPrinter* printer, bool* selectionOnly = nullptr);

private:
    Result finishFileDialog(const FileDialogAnswer& answer);
    FileDialogRequest request() const;

    DialogService& m_dialogs;
    QWidget* m_owner;
};

} // namespace tarnwick::platform
