#include "download/ctlAsync.h"

#include "document/frmDocument.h"
#include "download/DownloadNaming.h"
#include "download/FileSaveMode.h"
#include "download/PromptTurns.h"
#include "platform/AppEnvironment.h"
#include "platform/MessageBox.h"
#include "platform/UrlReader.h"
#include "shell/MainStatusBar.h"
#include "shell/frmMain.h"

#include <QFileInfo>

namespace tarnwick::download {

using platform::AppEnvironment;
using platform::CommonDialog;

namespace {
const QString kNameFilter = QStringLiteral("HTML File|*.htm|Text File|*.txt|All Files|*.*");
const QString kUntitled = QStringLiteral("untitled");
const QString kTitle = QStringLiteral("Tarnwick");
} // namespace

ctlAsync::ctlAsync(shell::frmMain* mainWindow, document::frmDocument* window)
    : QObject(window), m_main(mainWindow), m_window(window), m_reader(new platform::UrlReader(this))
{
    setObjectName(QStringLiteral("ctlAsync1"));
    if (m_main) {
        m_reader->setDownloadRoot(m_main->services().environment.downloadRoot());
        m_reader->setRetryPolicy(m_main->services().environment.downloadRetryPolicy());
        m_statusBar = m_main->sbStatusBar;
    }
    connect(m_reader, &platform::UrlReader::progress, this, &ctlAsync::UserControl_AsyncReadProgress);
    connect(m_reader, &platform::UrlReader::completed, this, &ctlAsync::UserControl_AsyncReadComplete);
    m_trailingReport.setSingleShot(true);
    connect(&m_trailingReport, &QTimer::timeout, this, [this] {
        if (m_transferRunning)
            reportTransfer(true);
    });
}

ctlAsync::~ctlAsync()
{
    if (m_transferRunning && m_statusBar)
        m_statusBar->endDownload(this);
}

qint64 ctlAsync::bytesReceived() const
{
    return m_reader->bytesReceived();
}

qint64 ctlAsync::bytesTotal() const
{
    return m_reader->bytesExpected();
}

void ctlAsync::reportTransfer(bool always)
{
    const qint64 now = m_transferClock.elapsed();
    m_meter.sample(now, bytesReceived());
    const qint64 wait = m_lastTransferReportMs < 0 ? 0 : m_lastTransferReportMs + transferReportIntervalMs - now;
    if (!always && wait > 0) {
        // Too soon: the latest state still goes out when the interval is over.
        if (!m_trailingReport.isActive())
            m_trailingReport.start(int(wait));
        return;
    }
    m_trailingReport.stop();
    m_lastTransferReportMs = now;
    if (m_statusBar)
        m_statusBar->updateDownload(this, bytesReceived(), bytesTotal());
    emit transferChanged();
}

void ctlAsync::endTransfer()
{
    if (!m_transferRunning)
        return;
    m_transferRunning = false;
    m_trailingReport.stop();
    if (m_statusBar)
        m_statusBar->endDownload(this);
    emit transferChanged();
}

QString ctlAsync::statusText(int code)
{
    switch (code) {
    case 0:
        return QStringLiteral("Error occured in downloading the file");
    case 1:
        return QStringLiteral("Searching for the URL...");
    case 2:
        return QStringLiteral("Connecting to the URL...");
    case 3:
        return QStringLiteral("Redirected to a different location...");
    case 4:
        return QStringLiteral("Started receiving downloaded data...");
    case 5:
        return QStringLiteral("Received more data...");
    case 6:
        return QStringLiteral("Finished receiving the data...");
    case 10:
        return QStringLiteral("Using the cached copy for the data...");
    case 11:
        return QStringLiteral("Requesting the Server for data...");
    default:
        return {};
    }
}

void ctlAsync::setURL(const QString& NewURL)
{
    // Kept exactly as given: every log line shows what the user dropped or typed.
    m_url = NewURL;
    emit urlAssigned(m_url);
    m_pendingFile.clear();
    m_reader->start(NewURL);
    m_transferRunning = true;
    m_meter.restart();
    m_transferClock.start();
    m_lastTransferReportMs = -1;
    reportTransfer(true);
}

void ctlAsync::abort()
{
    m_pendingFile.clear();
    m_reader->discard();
    endTransfer();
}

QString ctlAsync::FileNameFromURL(const QString& S) const
{
    return download::FileNameFromURL(S);
}

QString ctlAsync::AskFileNameFromURL(const QString& S)
{
    m_nameChosenInDialog = false;
    const QString name = download::FileNameFromURL(S);
    if (!name.isEmpty())
        return name;
    CommonDialog& dialog = m_main->cmdSave1;
    dialog.InitDir = m_main->newDir;
    dialog.FileName = kUntitled;
    dialog.Filter = kNameFilter;
    dialog.FilterIndex = 1;
    dialog.CancelError = true;
    switch (dialog.ShowSave()) {
    case CommonDialog::Result::Ok:
        m_nameChosenInDialog = true;
        return dialog.FileName;
    case CommonDialog::Result::Cancelled:
        return kUntitled;
    case CommonDialog::Result::Failed:
        break;
    }
    return {};
}

void ctlAsync::UserControl_AsyncReadProgress(int StatusCode)
{
    if (m_main)
        m_main->log().append({m_url + QStringLiteral(" : ") + statusText(StatusCode)});
    if (m_transferRunning && StatusCode != platform::UrlReader::Failed &&
        StatusCode != platform::UrlReader::EndDownloadData)
        reportTransfer(false);
}

void ctlAsync::UserControl_AsyncReadComplete(bool ok, const QString& localFilePath)
{
    endTransfer();
    if (!m_main)
        return;
    if (!ok) {
        // The progress log already says the read failed; nothing is saved and the window stays
        // visible so the user still sees the address that failed. Earlier finished windows still go.
        m_reader->discard();
        m_main->killHiddenDocuments();
        // A broken installation rather than a bad address: the log line alone would leave the
        // user trying other addresses.
        if (m_reader->componentMissing())
            m_main->services().dialogs.messageBox(m_window, m_reader->errorString(),
                                                  platform::MsgBox::OKOnly | platform::MsgBox::Critical, kTitle);
        emit completionHandled(false);
        return;
    }
    if (!m_main->fileSaveMode.blFileSaveNotOption) {
        finishCompletion(saveAutomatically(localFilePath));
        return;
    }
    m_pendingFile = localFilePath;
    if (m_main->downloadPromptTurns().begin(this))
        resumeCompletion();
}

void ctlAsync::resumeCompletion()
{
    if (m_pendingFile.isEmpty() || !m_main) {
        if (m_main)
            m_main->downloadPromptTurns().end();
        return;
    }
    const QString file = m_pendingFile;
    m_pendingFile.clear();
    const bool saved = saveWithPrompt(file);
    m_main->downloadPromptTurns().end();
    finishCompletion(saved);
}

bool ctlAsync::saveAutomatically(const QString& temporaryFile)
{
    const QString directory = m_main->newDir;
    const QString temporaryName = QFileInfo(temporaryFile).fileName();
    const QString name = download::FileNameFromURL(m_url);
    // An earlier download of the same name is never replaced: the temporary file's own name, made
    // free with a number when needed, takes its place.
    const auto underTemporaryName = [&] {
        return moveAndLog(temporaryFile, firstFreePath(directory, temporaryName), false);
    };
    // Between events the download directory is current, so a bare name tests that directory.
    if (name.isEmpty() || QFileInfo::exists(name))
        return underTemporaryName();
    const QString target = AppEnvironment::joinPath(directory, name);
    // A name the URL gives but the file system refuses falls back to the temporary file's name.
    QString error;
    if (moveIntoPlace(temporaryFile, target, false, &error) && QFileInfo::exists(target)) {
        logSaved(target);
        return true;
    }
    return underTemporaryName();
}

bool ctlAsync::saveWithPrompt(const QString& temporaryFile)
{
    const QString directory = m_main->newDir;
    const QString name = AskFileNameFromURL(m_url);
    const QString proposed = m_nameChosenInDialog ? name : AppEnvironment::joinPath(directory, name);
    m_savedFilePath = proposed;
    if (!QFileInfo::exists(proposed))
        return moveAndLog(temporaryFile, proposed, false);

    CommonDialog& dialog = m_main->cmdSave1;
    dialog.DialogTitle = QStringLiteral("Save downloaded file as...");
    dialog.InitDir = directory;
    dialog.FileName = kUntitled;
    dialog.Flags = platform::DialogFlags::OverwritePrompt;
    dialog.Filter = kNameFilter;
    dialog.FilterIndex = 1;
    dialog.CancelError = false;
    if (dialog.ShowSave() == CommonDialog::Result::Ok && !dialog.FileName.isEmpty()) {
        // The dialog has asked before an existing file is replaced.
        return moveAndLog(temporaryFile, dialog.FileName, true);
    }
    // Cancelled: the download is kept under a free name instead of replacing anything.
    QString keptName = QFileInfo(proposed).fileName();
    if (keptName.isEmpty())
        keptName = QFileInfo(temporaryFile).fileName();
    return moveAndLog(temporaryFile, firstFreePath(directory, keptName), false);
}

bool ctlAsync::moveAndLog(const QString& temporaryFile, const QString& target, bool replace)
{
    m_savedFilePath = target;
    QString error = QStringLiteral("no free file name");
    if (!target.isEmpty() && moveIntoPlace(temporaryFile, target, replace, &error)) {
        logSaved(target);
        return true;
    }
    logEntry(QStringLiteral(" could not be saved after download: ") + error);
    return false;
}

void ctlAsync::logSaved(const QString& path)
{
    m_savedFilePath = path;
    logEntry(QStringLiteral(" has been saved after download."));
}

void ctlAsync::logEntry(const QString& outcome)
{
    m_main->log().append({QString(), m_url + QStringLiteral(" : File ") + m_savedFilePath + outcome, QString()});
}

void ctlAsync::finishCompletion(bool saved)
{
    m_reader->discard();
    m_main->killHiddenDocuments();
    if (m_window)
        m_window->Hide();
    emit completionHandled(saved);
}

} // namespace tarnwick::download
