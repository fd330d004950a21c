#pragma once

#include <QObject>
#include <QString>

namespace tarnwick::download {

// The download control each document window carries. It has no visible content; writing URL
// starts the download of that text.
class ctlAsync : public QObject
{
    Q_OBJECT
public:
    explicit ctlAsync(QObject* parent = nullptr);

    QString URL() const { return m_url; }
    void setURL(const QString& NewURL);

signals:
    // Raised for every URL written, before the read starts.
    void urlAssigned(const QString& url);

private:
    QString m_url;
};

} // namespace tarnwick::download
