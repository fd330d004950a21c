#include "print/PrintCommands.h"

#include "document/frmDocument.h"
#include "platform/CommonDialog.h"
#include "platform/DialogService.h"
#include "platform/DocumentPrinter.h"
#include "platform/RichTextBox.h"
#include "platform/rtf/RtfKept.h"

#include <QPointer>
#include <QPrinter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QWidget>

namespace tarnwick::print {

namespace {
const int kPrintFlags = platform::DialogFlags::PrintReturnDC | platform::DialogFlags::PrintNoPageNums;
}

void printSelectionOrDocument(const QTextEdit& editor, QPrinter* printer)
{
    if (!printer)
        return;
    const QTextDocument* source = editor.document();
    const QTextCursor cursor = editor.textCursor();
    if (!cursor.hasSelection()) {
        platform::printDocument(*source, printer);
        return;
    }
    // The selection is laid out as a document of its own, with the fonts and margins of the whole.
    QTextDocument selection;
    selection.setDefaultFont(source->defaultFont());
    selection.setDefaultTextOption(source->defaultTextOption());
    selection.setDocumentMargin(source->documentMargin());
    selection.setUseDesignMetrics(source->useDesignMetrics());
    selection.setMetaInformation(QTextDocument::DocumentTitle, source->metaInformation(QTextDocument::DocumentTitle));
    QTextCursor(&selection).insertFragment(cursor.selection());
    // The pages keep the file's headers and footers.
    platform::rtf::setDocumentPrelude(&selection, platform::rtf::documentPrelude(*source));
    platform::printDocument(selection, printer);
}

PrintCommands::PrintCommands(QWidget* window) : QObject(window)
{
    setObjectName(QStringLiteral("printCommands"));
}

PrintCommands::~PrintCommands() = default;

PrintCommands& PrintCommands::of(QWidget* window)
{
    if (auto* existing = window->findChild<PrintCommands*>(QString(), Qt::FindDirectChildrenOnly))
        return *existing;
    return *new PrintCommands(window);
}

QPrinter* PrintCommands::printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return m_printer.get();
}

void PrintCommands::print(platform::CommonDialog& dialog, QWidget* activeForm)
{
    if (!activeForm)
        return;
    // A browser window has no document to print: no dialog that would end in nothing printed.
    QPointer<document::frmDocument> document = qobject_cast<document::frmDocument*>(activeForm);
    if (!document)
        return;

    dialog.DialogTitle = QStringLiteral("Print");
    dialog.CancelError = true;
    dialog.Flags = kPrintFlags;
    if (document->rtfText->textCursor().hasSelection())
        dialog.Flags = kPrintFlags + platform::DialogFlags::PrintSelection;

    QPrinter* chosen = printer();
    // The range is chosen afresh for every print; the dialog preselects Selection from the flags.
    chosen->setPrintRange(QPrinter::AllPages);
    // The dialog starts from the paper and margins the file asks for; the user may change them.
    platform::applyDocumentPageLayout(*document->rtfText->document(), chosen);
    if (dialog.ShowPrinter(chosen) != platform::CommonDialog::Result::Ok)
        return;
    if (document)
        printSelectionOrDocument(*document->rtfText, chosen);
}

void PrintCommands::pageSetup(platform::CommonDialog& dialog)
{
    dialog.DialogTitle = QStringLiteral("Page Setup");
    dialog.CancelError = true;
    dialog.ShowPrinter(printer());
}

} // namespace tarnwick::print
