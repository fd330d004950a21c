#pragma once

#include <QString>

class QPrinter;
class QWidget;

namespace tarnwick::platform {

// Common-dialog flag bits the program uses.
namespace DialogFlags {
enum : int {
    ReadOnly = 0x1,       // open dialogs; in the print dialog: selection
    OverwritePrompt = 0x2,
    PrintSelection = 0x1,
    PrintNoPageNums = 0x8,
    PrintReturnDC = 0x100,
};
}

// What one file dialog is asked to show. Filters use the "Desc|*.a|Desc2|*.b;*.c" form.
struct FileDialogRequest
{
    QString title;
    QString initialDirectory;
    QString fileName;
    QString filter;
    int filterIndex = 1;
    int flags = 0;
};

enum class DialogOutcome {
    Accepted,
    Cancelled,
    Failed, // the dialog could not be shown; callers treat it like Cancel
};

struct FileDialogAnswer
{
    DialogOutcome outcome = DialogOutcome::Cancelled;
    QString fileName; // full path when accepted
    int filterIndex = 1;
};

struct PrintDialogRequest
{
    QString title;
    int flags = 0;
};

struct PrintDialogAnswer
{
    DialogOutcome outcome = DialogOutcome::Cancelled;
    bool selectionOnly = false;
};

// Every modal interaction of the program goes through this one service, so tests can script the
// answers instead of blocking on a real dialog.
class DialogService
{
public:
    virtual ~DialogService() = default;

    virtual FileDialogAnswer showOpen(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual FileDialogAnswer showSave(QWidget* parent, const FileDialogRequest& request) = 0;
    // Fills in the chosen printer's settings on the printer passed in.
    virtual PrintDialogAnswer showPrint(QWidget* parent, QPrinter* printer, const PrintDialogRequest& request) = 0;
    // style is a combination of MsgBox::Style values; the result is a MsgBox::Answer.
    virtual int messageBox(QWidget* parent, const QString& text, int style, const QString& title) = 0;
};

// "Desc|*.a|Desc2|*.b;*.c" -> "Desc (*.a);;Desc2 (*.b *.c)". An odd trailing description is kept as
// a filter of its own that matches everything.
QString toQtNameFilters(const QString& filter);
QStringList toQtNameFilterList(const QString& filter);

} // namespace tarnwick::platform
