#include "shell/MainStatusBar.h"

#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QRegularExpression>
#include <QTimer>

namespace tarnwick::shell {

MainStatusBar::MainStatusBar(QWidget* parent)
    : QStatusBar(parent)
    , m_text(new QLabel(QStringLiteral("Status"), this))
    , m_date(new QLabel(this))
    , m_time(new QLabel(this))
    , m_clock(new QTimer(this))
{
    setObjectName(QStringLiteral("sbStatusBar"));
    m_text->setObjectName(QStringLiteral("sbStatusBarPanel1"));
    m_date->setObjectName(QStringLiteral("sbStatusBarPanel2"));
    m_time->setObjectName(QStringLiteral("sbStatusBarPanel3"));
    addWidget(m_text, 1);
    addPermanentWidget(m_date);
    addPermanentWidget(m_time);
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
