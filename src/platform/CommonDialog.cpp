#include "platform/CommonDialog.h"

namespace tarnwick::platform {

CommonDialog::CommonDialog(DialogService& dialogs, QWidget* owner)
    : m_dialogs(dialogs)
    , m_owner(owner)
{
}

FileDialogRequest CommonDialog::request() const
{
    FileDialogRequest r;
    r.title = DialogTitle;
    r.initialDirectory = InitDir;
    r.fileName = FileName;
    r.filter = Filter;
    r.filterIndex = FilterIndex;
    r.flags = Flags;
    return r;
}

namespace {
CommonDialog::Result resultOf(DialogOutcome outcome)
{
    switch (outcome) {
    case DialogOutcome::Accepted:
        return CommonDialog::Result::Ok;
    case DialogOutcome::Cancelled:
        return CommonDialog::Result::Cancelled;
    case DialogOutcome::Failed:
        break;
    }
    return CommonDialog::Result::Failed;
}
} // namespace

CommonDialog::Result CommonDialog::finishFileDialog(const FileDialogAnswer& answer)
{
    if (answer.outcome == DialogOutcome::Accepted) {
        FileName = answer.fileName;
        FilterIndex = answer.filterIndex;
    }
    return resultOf(answer.outcome);
}

CommonDialog::Result CommonDialog::ShowOpen()
{
    return finishFileDialog(m_dialogs.showOpen(m_owner, request()));
}

CommonDialog::Result CommonDialog::ShowSave()
{
    return finishFileDialog(m_dialogs.showSave(m_owner, request()));
}

CommonDialog::Result CommonDialog::ShowPrinter(QPrinter* printer, bool* selectionOnly)
{
    PrintDialogRequest r;
    r.title = DialogTitle;
    r.flags = Flags;
    const PrintDialogAnswer answer = m_dialogs.showPrint(m_owner, printer, r);
    if (selectionOnly)
        *selectionOnly = answer.selectionOnly;
    return resultOf(answer.outcome);
}

} // namespace tarnwick::platform
