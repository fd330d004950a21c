#include "shell/ActivityLog.h"

#include "platform/AppEnvironment.h"

#include <QFile>
#include <QSaveFile>
#include <algorithm>
#include <filesystem>
#include <system_error>

namespace tarnwick::shell {

using platform::AppEnvironment;

const QString ActivityLog::FileName = QStringLiteral("log.txt");

ActivityLog::ActivityLog(QString& initDirec, qint16& fileNumber)
    : m_initDirec(initDirec)
    , m_fileNumber(fileNumber)
{
}

QString ActivityLog::fullPath() const
{
    return AppEnvironment::joinPath(m_directory, FileName);
}

QStringList ActivityLog::headerLines(const QDateTime& when, const QLocale& locale)
{
    return {QStringLiteral("Today 's Date & Time :"),
            locale.toString(when, QStringLiteral("MMMM dd, yyyy     HH:mm:ss"))};
}

bool ActivityLog::write(const QStringList& lines, bool truncate)
{
    AppEnvironment::setCurrentDirectory(m_directory);
    // The log is the only numbered file and it is never held open between events, so the first
    // number is always the free one.
    m_fileNumber = 1;

    bool ok = false;
    {
        QFile file(FileName);
        const QIODevice::OpenMode mode =
            QIODevice::WriteOnly | (truncate ? QIODevice::Truncate : QIODevice::Append);
        if (file.open(mode)) {
            QByteArray bytes;
            for (const QString& line : lines)
                bytes += oneLine(line).toLocal8Bit() + "\r\n";
            ok = file.write(bytes) == bytes.size();
            file.close();
            ok = ok && file.error() == QFileDevice::NoError;
        }
    }
    AppEnvironment::setCurrentDirectory(m_initDirec);
    return ok;
}

QString ActivityLog::oneLine(const QString& text)
{
    const auto breaksLines = [](QChar c) {
        return c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
    };
    if (std::none_of(text.begin(), text.end(), breaksLines))
        return text;
    QString escaped;
    escaped.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (!breaksLines(c)) {
            escaped += c;
            continue;
        }
        for (const char byte : QString(c).toUtf8())
            escaped += QLatin1Char('%') + QString::number(uchar(byte), 16).rightJustified(2, QLatin1Char('0')).toUpper();
    }
    return escaped;
}

bool ActivityLog::isTheLog(const QString& path) const
{
    // Canonical paths follow links; equivalent() also catches a second hard link to the same file.
    std::error_code ec;
    const bool same = std::filesystem::equivalent(std::filesystem::path(path.toStdU16String()),
                                                  std::filesystem::path(fullPath().toStdU16String()), ec);
    return !ec && same;
}

bool ActivityLog::create(const QStringList& lines)
{
    return write(lines, true);
}

bool ActivityLog::append(const QStringList& lines)
{
    m_initDirec = AppEnvironment::currentDirectory();
    return write(lines, false);
}

bool ActivityLog::copyTo(const QString& target, QString* error) const
{
    QFile source(fullPath());
    if (!source.open(QIODevice::ReadOnly)) {
        if (error)
            *error = source.errorString();
        return false;
    }
    // Written beside the target and renamed over it, so a failed copy never leaves a half file
    // in place of what was there.
    QSaveFile copy(target);
    if (!copy.open(QIODevice::WriteOnly)) {
        if (error)
            *error = copy.errorString();
        return false;
    }
    const QByteArray bytes = source.readAll();
    if (copy.write(bytes) != bytes.size() || !copy.commit()) {
        if (error)
            *error = copy.errorString();
        return false;
    }
    return true;
}

bool ActivityLog::remove()
{
    AppEnvironment::setCurrentDirectory(m_directory);
    const bool ok = QFile::remove(FileName);
    AppEnvironment::setCurrentDirectory(m_initDirec);
    return ok;
}

} // namespace tarnwick::shell
