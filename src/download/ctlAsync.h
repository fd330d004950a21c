#pragma once

#include "download/TransferMeter.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

namespace tarnwick::platform {
class UrlReader;
}
namespace tarnwick::shell {
class frmMain;
class MainStatusBar;
}
namespace tarnwick::document {
class frmDocument;
}

namespace tarnwick::download {

// The download control each document window carries. It has no visible content; writing URL
// starts an asynchronous read of that text, every progress report goes to the activity log, and
// the finished file is named and put into the download directory, after which the window hides.
class ctlAsync : public QObject
{
    Q_OBJECT
public:
    ctlAsync(shell::frmMain* mainWindow, document::frmDocument* window);
    ~ctlAsync() override;

    QString URL() const { return m_url; }
    void setURL(const QString& NewURL);

    QString savedFilePath() const { return m_savedFilePath; }
    bool nameChosenInDialog() const { return m_nameChosenInDialog; }
    platform::UrlReader* reader() const { return m_reader; }

    // The log text of a progress code; empty for codes without one.
    static QString statusText(int code);

    QString FileNameFromURL(const QString& S) const;
    QString AskFileNameFromURL(const QString& S);

    // Drops a running read and its temporary folder; nothing more is reported for it.
    void abort();
    // Called by the prompt queue when this control's waiting completion gets its turn.
    void resumeCompletion();

    // The transfer, for whoever shows its progress: running from the URL's assignment until the
    // read has ended (a waiting save prompt no longer counts).
    bool transferRunning() const { return m_transferRunning; }
    qint64 bytesReceived() const;
    qint64 bytesTotal() const; // -1 while unknown
    const TransferMeter& meter() const { return m_meter; }
    // Progress reaches its viewers at most this often (the latest state once the interval is
    // over); the start and the end always do.
    static constexpr qint64 transferReportIntervalMs = 100;

signals:
    // Raised for every URL written, before the read starts.
    void urlAssigned(const QString& url);
    // The completion has been handled; saved tells whether a file landed in the download directory.
    void completionHandled(bool saved);
    // The transfer began, moved on or ended (throttled, see transferReportIntervalMs).
    void transferChanged();

private:
    void UserControl_AsyncReadProgress(int StatusCode);
    void UserControl_AsyncReadComplete(bool ok, const QString& localFilePath);
    bool saveAutomatically(const QString& temporaryFile);
    bool saveWithPrompt(const QString& temporaryFile);
    bool moveAndLog(const QString& temporaryFile, const QString& target, bool replace);
    void finishCompletion(bool saved);
    void logSaved(const QString& path);
    // One entry about m_savedFilePath, set off by empty lines.
    void logEntry(const QString& outcome);
    void reportTransfer(bool always);
    void endTransfer();

    shell::frmMain* m_main;
    document::frmDocument* m_window;
    platform::UrlReader* m_reader;
    QString m_url;
    QString m_savedFilePath;
    QString m_pendingFile;
    bool m_nameChosenInDialog = false;
    bool m_transferRunning = false;
    TransferMeter m_meter;
    // Guarded: when the main window closes, its status bar may go before this control.
    QPointer<shell::MainStatusBar> m_statusBar;
    QElapsedTimer m_transferClock;
    qint64 m_lastTransferReportMs = -1;
    QTimer m_trailingReport;
};

} // namespace tarnwick::download
