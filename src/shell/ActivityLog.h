#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

namespace tarnwick::shell {

// "log.txt": created with its header at start, appended to by the downloads, deleted at exit.
// Every write opens and closes the file within one call, with the log's folder as the current
// directory for the duration (the caller's current directory is kept in initDirec and restored).
class ActivityLog
{
public:
    static const QString FileName;

    ActivityLog(QString& initDirec, qint16& fileNumber);

    void setDirectory(const QString& directory) { m_directory = directory; }
    QString directory() const { return m_directory; }
    QString fullPath() const;

    // The two header lines for a start at when, month name in the given locale.
    static QStringList headerLines(const QDateTime& when, const QLocale& locale = QLocale());

    // Truncates and writes lines; initDirec is left as the caller set it.
    bool create(const QStringList& lines);
    // Appends lines (creating the file if needed), remembering the current directory in initDirec first.
    bool append(const QStringList& lines);
    // Whether path names the log file itself (through links, too).
    bool isTheLog(const QString& path) const;
    // Replaces target with a copy of the log; false with the reason when it could not be written.
    bool copyTo(const QString& target, QString* error) const;
    // Deletes the log with the log's folder current, then returns to initDirec.
    bool remove();

    // Every entry stays on its line: control and line-separator characters (a link dropped with its
    // line end) are written as %XX escapes of their UTF-8 bytes; everything else is kept as it is.
    static QString oneLine(const QString& text);

private:
    bool write(const QStringList& lines, bool truncate);

    QString& m_initDirec;
    qint16& m_fileNumber;
    QString m_directory;
};

} // namespace tarnwick::shell
