#pragma once

#include <QObject>
#include <memory>

class QPrinter;
class QTextEdit;
class QWidget;

namespace tarnwick::platform {
class CommonDialog;
}

namespace tarnwick::print {

// What the rich text box's own print operation prints: the selection when there is one, else the
// whole document, laid out on printer's pages.
void printSelectionOrDocument(const QTextEdit& editor, QPrinter* printer);

// File > Print and File > Page Setup of one main window, through its shared common dialog. The
// printer both use lasts as long as the window and stands in for the system's printer settings:
// what the user picked in either dialog is what the next one starts from.
class PrintCommands : public QObject
{
    Q_OBJECT
public:
    // The commands of window, made on first use and owned by it.
    static PrintCommands& of(QWidget* window);
    ~PrintCommands() override;

    // Asks for a printer and prints the active document (or its selection). Nothing without an
    // active document window, and nothing when the dialog is cancelled.
    void print(platform::CommonDialog& dialog, QWidget* activeForm);
    // Shows the print dialog for the user's printer choices and reads nothing back.
    void pageSetup(platform::CommonDialog& dialog);

    // The shared printer, made when first needed: building one asks the print system for its printers.
    QPrinter* printer();

private:
    explicit PrintCommands(QWidget* window);

    std::unique_ptr<QPrinter> m_printer;
};

} // namespace tarnwick::print
