#include "shell/MainStatusBar.h"

#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>

namespace tarnwick::shell {

MainStatusBar::MainStatusBar(QWidget* parent)
    : QStatusBar(parent)
    , m_text(new QLabel(QStringLiteral("Status"), this))
    , m_date(new QLabel(this))
    , m_time(new QLabel(this))
    , m_clock(new QTimer(this))
    , m_downloads(new QLabel(this))
    , m_downloadRefresh(new QTimer(this))
{
    setObjectName(QStringLiteral("sbStatusBar"));
    setAccessibleName(tr("Status bar"));
    setAccessibleDescription(tr("The download mode, the downloads running, today's date and the time"));
    m_text->setObjectName(QStringLiteral("sbStatusBarPanel1"));
    m_date->setObjectName(QStringLiteral("sbStatusBarPanel2"));
    m_time->setObjectName(QStringLiteral("sbStatusBarPanel3"));
    addWidget(m_text, 1);
    addPermanentWidget(m_date);
    addPermanentWidget(m_time);
    m_downloads->setObjectName(QStringLiteral("sbDownloads"));
    addPermanentWidget(m_downloads);
    m_downloads->hide();
    m_downloadRefresh->setSingleShot(true);
    m_downloadRefresh->setInterval(downloadRefreshMs);
    connect(m_downloadRefresh, &QTimer::timeout, this, &MainStatusBar::refreshDownloads);
    m_clock->setSingleShot(true);
    connect(m_clock, &QTimer::timeout, this, &MainStatusBar::refreshClock);
    refreshClock();
}

QLabel* MainStatusBar::panel(int index) const
{
    switch (index) {
    case 1:
        return m_text;
    case 2:
        return m_date;
    case 3:
        return m_time;
    default:
        return nullptr;
    }
}

QString MainStatusBar::panelText(int index) const
{
    const QLabel* label = panel(index);
    return label ? label->text() : QString();
}

void MainStatusBar::setPanelText(int index, const QString& text)
{
    if (QLabel* label = panel(index))
        label->setText(text);
}

void MainStatusBar::updateDownload(const QObject* download, qint64 received, qint64 total)
{
    const auto known = m_transfers.find(download);
    if (known == m_transfers.end()) {
        const auto destroyed =
            connect(download, &QObject::destroyed, this, [this, download] { endDownload(download); });
        // A new download shows at once; the rest waits for the next refresh.
        m_transfers.insert(download, {received, total, destroyed});
        refreshDownloads();
        return;
    }
    known->received = received;
    known->total = total;
    if (!m_downloadRefresh->isActive())
        m_downloadRefresh->start();
}

void MainStatusBar::endDownload(const QObject* download)
{
    const auto known = m_transfers.find(download);
    if (known == m_transfers.end())
        return;
    disconnect(known->destroyed);
    m_transfers.erase(known);
    refreshDownloads();
}

QString MainStatusBar::downloadSummary() const
{
    const qsizetype count = m_transfers.size();
    if (count == 0)
        return {};
    QString text = count == 1 ? QStringLiteral("1 download") : QStringLiteral("%1 downloads").arg(count);
    // A share of the bytes is only honest when every total is known.
    qint64 received = 0;
    qint64 total = 0;
    for (const Transfer& transfer : m_transfers) {
        if (transfer.total < 0)
            return text;
        received += std::min(transfer.received, transfer.total);
        total += transfer.total;
    }
    const int percent = total > 0 ? int(received * 100 / total) : 100;
    return text + QStringLiteral(", %1%").arg(percent);
}

void MainStatusBar::refreshDownloads()
{
    m_downloadRefresh->stop();
    const QString text = downloadSummary();
    m_downloads->setText(text);
    m_downloads->setVisible(!text.isEmpty());
}

void MainStatusBar::refreshClock()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale;
    m_date->setText(locale.toString(now.date(), QLocale::ShortFormat));
    // The clock ticks once a minute, so it shows no seconds even where the short format has them.
    QString timeFormat = locale.timeFormat(QLocale::ShortFormat);
    timeFormat.remove(QRegularExpression(QStringLiteral("[:.]ss?")));
    m_time->setText(locale.toString(now.time(), timeFormat));
    // Wake at the next minute instead of polling every second.
    const int msToNextMinute = 60000 - (now.time().second() * 1000 + now.time().msec());
    m_clock->start(msToNextMinute + 50);
}

} // namespace tarnwick::shell
