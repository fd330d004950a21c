#include "platform/DocumentIO.h"

#include <QFile>
#include <QSaveFile>
#include <QTextDocument>

namespace tarnwick::platform {

// Plain-text stand-in until the rich-text reader and writer land.
bool loadDocumentFile(const QString& path, QTextDocument* document, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return false;
    }
    document->setPlainText(QString::fromUtf8(bytes));
    return true;
}

bool saveDocumentFile(const QString& path, const QTextDocument& document, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    file.write(document.toPlainText().toUtf8());
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace tarnwick::platform
