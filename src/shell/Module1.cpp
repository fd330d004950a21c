#include "shell/Module1.h"

#include "document/frmDocument.h"
#include "download/DownloadMode.h"
#include "download/dlgDownload.h"
#include "platform/DialogService.h"
#include "platform/MessageBox.h"
#include "platform/RichTextBox.h"
#include "platform/StartupTrace.h"
#include "shell/CommandLine.h"
#include "shell/Globals.h"
#include "shell/frmMain.h"
#include "shell/frmSplash.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QRadioButton>

namespace tarnwick::shell::Module1 {

frmMain* Main(const platform::Services& services)
{
    auto* splash = new frmSplash;
    splash->show();
    splash->repaint();
    platform::StartupTrace::mark("splash");

    auto* window = new frmMain(services);
    MainWindow = window;
    platform::StartupTrace::mark("main-window");
    window->Load();

    splash->close();
    delete splash;
    platform::StartupTrace::mark("loaded");

    window->show();
    platform::StartupTrace::mark("shown");
    return window;
}

frmMain* Main(const platform::Services& services, const CommandLine& commandLine)
{
    frmMain* window = Main(services);
    OpenCommandLine(window, commandLine);
    return window;
}

namespace {

void dropText(document::frmDocument* document, const QString& text)
{
    QMimeData data;
    data.setText(text);
    QWidget* target = document->rtfText->viewport();
    const QPoint where(4, 4);
    QDragEnterEvent enter(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(where), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
}

void chooseWordProcessorMode(frmMain* window)
{
    download::dlgDownload dialog(window);
    dialog.optDownload[size_t(download::DownloadMode::WordProcessor)]->setChecked(true);
    dialog.cmdApply_Click();
}

// Why a file cannot be opened, or empty when it can be read.
QString unreadableReason(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QCoreApplication::translate("Module1", "The file does not exist.");
    if (info.isDir())
        return QCoreApplication::translate("Module1", "It is a folder, not a file.");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    return QString();
}

// The document in front when it is still the untouched one start-up (or the last drop) opened.
document::frmDocument* emptyDocumentInFront(frmMain* window)
{
    document::frmDocument* document = window->activeDocument();
    if (document && document->NewFile() && !document->SaveNeeded() && document->rtfText->Text().isEmpty())
        return document;
    return nullptr;
}

} // namespace

void OpenCommandLine(frmMain* window, const CommandLine& commandLine)
{
    if (!window)
        return;
    for (const QString& url : commandLine.urls) {
        if (document::frmDocument* document = window->activeDocument())
            dropText(document, url);
    }
    if (commandLine.files.isEmpty())
        return;
    chooseWordProcessorMode(window);
    for (const QString& path : commandLine.files) {
        const QString reason = unreadableReason(path);
        if (!reason.isEmpty()) {
            window->reportFileError(QCoreApplication::translate("Module1", "Could not open %1").arg(path), reason);
            continue;
        }
        document::frmDocument* document = emptyDocumentInFront(window);
        if (!document)
            document = window->LoadNewDoc();
        if (document)
            document->Retrieve(path);
    }
}

int AskYesNo(platform::DialogService& dialogs, QWidget* parent, const QString& prompt)
{
    using namespace platform;
    return dialogs.messageBox(parent, prompt, MsgBox::YesNo | MsgBox::Exclamation | MsgBox::DefaultButton1,
                              QStringLiteral("Tarnwick"));
}

} // namespace tarnwick::shell::Module1
