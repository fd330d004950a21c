#include "platform/QtDialogService.h"

#include "platform/MessageBox.h"

#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

namespace tarnwick::platform {

namespace {

// Qt's print dialog on CUPS offers "Pages from ... to" (and a page list) even when the page range
// option is off, refreshing those controls whenever it is shown or another printer is chosen. This
// keeps each of them disabled for the dialog's life.
class PageRangeLock : public QObject
{
public:
    explicit PageRangeLock(QDialog* dialog)
        : QObject(dialog)
        , m_dialog(dialog)
    {
        dialog->installEventFilter(this);
        lock();
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if ((watched == m_dialog && event->type() == QEvent::Show) || event->type() == QEvent::EnabledChange)
            lock();
        return false;
    }

private:
    void lock()
    {
        for (const char* name : {"printRange", "from", "to", "pagesRadioButton", "pagesLineEdit"}) {
            QWidget* control = m_dialog->findChild<QWidget*>(QLatin1String(name));
            if (!control)
                continue;
            if (!m_watched.contains(control)) {
                m_watched << control;
                control->installEventFilter(this);
            }
            if (control->isEnabled())
                control->setEnabled(false);
        }
    }

    QDialog* m_dialog;
    QList<QWidget*> m_watched;
};

FileDialogAnswer runFileDialog(QWidget* parent, const FileDialogRequest& request, bool save)
{
    QFileDialog dialog(parent, request.title);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    if (save && !(request.flags & DialogFlags::OverwritePrompt))
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);

    const QStringList filters = toQtNameFilterList(request.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const int index = qBound(1, request.filterIndex, int(filters.size()));
        dialog.selectNameFilter(filters.at(index - 1));
    }

    // The file name may carry its own folder; an explicit initial directory wins otherwise.
    QString directory = request.initialDirectory;
    QString name = request.fileName;
    if (!name.isEmpty()) {
        const QFileInfo info(name);
        if (info.isAbsolute() && directory.isEmpty())
            directory = info.absolutePath();
        if (info.isAbsolute() && (request.initialDirectory.isEmpty() || info.absolutePath() == directory))
            name = info.fileName();
    }
    if (!directory.isEmpty())
        dialog.setDirectory(directory);
    if (!name.isEmpty())
        dialog.selectFile(name);

    FileDialogAnswer answer;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        answer.outcome = DialogOutcome::Cancelled;
        return answer;
    }
    answer.outcome = DialogOutcome::Accepted;
    answer.fileName = QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
    answer.filterIndex = filters.indexOf(dialog.selectedNameFilter()) + 1;
    if (answer.filterIndex < 1)
        answer.filterIndex = request.filterIndex;
    return answer;
}

} // namespace

FileDialogAnswer QtDialogService::showOpen(QWidget* parent, const FileDialogRequest& request)
{
    return runFileDialog(parent, request, false);
}

FileDialogAnswer QtDialogService::showSave(QWidget* parent, const FileDialogRequest& request)
{
    return runFileDialog(parent, request, true);
}

void QtDialogService::preparePrintDialog(QPrintDialog& dialog, const PrintDialogRequest& request)
{
    dialog.setWindowTitle(request.title);
    QAbstractPrintDialog::PrintDialogOptions options = dialog.options();
    options.setFlag(QAbstractPrintDialog::PrintSelection, request.flags & DialogFlags::PrintSelection);
    options.setFlag(QAbstractPrintDialog::PrintPageRange, !(request.flags & DialogFlags::PrintNoPageNums));
    dialog.setOptions(options);
    if (request.flags & DialogFlags::PrintSelection)
        dialog.setPrintRange(QAbstractPrintDialog::Selection);
    if (request.flags & DialogFlags::PrintNoPageNums)
        new PageRangeLock(&dialog);
}

PrintDialogAnswer QtDialogService::showPrint(QWidget* parent, QPrinter* printer, const PrintDialogRequest& request)
{
    PrintDialogAnswer answer;
    if (!printer) {
        answer.outcome = DialogOutcome::Failed;
        return answer;
    }
    QPrintDialog dialog(printer, parent);
    preparePrintDialog(dialog, request);
    if (dialog.exec() != QDialog::Accepted) {
        answer.outcome = DialogOutcome::Cancelled;
        return answer;
    }
    answer.outcome = DialogOutcome::Accepted;
    answer.selectionOnly = dialog.printRange() == QAbstractPrintDialog::Selection;
    return answer;
}

int QtDialogService::messageBox(QWidget* parent, const QString& text, int style, const QString& title)
{
    QMessageBox box(parent);
    box.setWindowTitle(title);
    // Messages are written with CR LF line breaks; a label only needs the LF.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    box.setText(shown);

    switch (style & MsgBox::IconMask) {
    case MsgBox::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case MsgBox::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case MsgBox::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case MsgBox::Information:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }

    struct ButtonSpec
    {
        QMessageBox::StandardButton button;
        int answer;
    };
    QList<ButtonSpec> buttons;
    switch (style & MsgBox::ButtonsMask) {
    case MsgBox::OKCancel:
        buttons = {{QMessageBox::Ok, MsgBox::OK}, {QMessageBox::Cancel, MsgBox::Cancel}};
        break;
    case MsgBox::AbortRetryIgnore:
        buttons = {{QMessageBox::Abort, MsgBox::Abort}, {QMessageBox::Retry, MsgBox::Retry},
                   {QMessageBox::Ignore, MsgBox::Ignore}};
        break;
    case MsgBox::YesNoCancel:
        buttons = {{QMessageBox::Yes, MsgBox::Yes}, {QMessageBox::No, MsgBox::No},
                   {QMessageBox::Cancel, MsgBox::Cancel}};
        break;
    case MsgBox::YesNo:
        buttons = {{QMessageBox::Yes, MsgBox::Yes}, {QMessageBox::No, MsgBox::No}};
        break;
    case MsgBox::RetryCancel:
        buttons = {{QMessageBox::Retry, MsgBox::Retry}, {QMessageBox::Cancel, MsgBox::Cancel}};
        break;
    default:
        buttons = {{QMessageBox::Ok, MsgBox::OK}};
        break;
    }
    for (const ButtonSpec& choice : buttons)
        box.addButton(choice.button);
    const int defaultIndex = (style & MsgBox::DefaultButtonMask) / MsgBox::DefaultButton2;
    box.setDefaultButton(buttons.at(qMin(defaultIndex, int(buttons.size()) - 1)).button);

    box.exec();
    const QMessageBox::StandardButton pressed = box.standardButton(box.clickedButton());
    for (const ButtonSpec& choice : buttons) {
        if (choice.button == pressed)
            return choice.answer;
    }
    // The close box answers like the button that cancels: the last one, as the platform dialogs do.
    return buttons.constLast().answer;
}

} // namespace tarnwick::platform
