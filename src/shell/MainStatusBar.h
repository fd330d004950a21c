#pragma once

#include <QHash>
#include <QStatusBar>

class QLabel;
class QTimer;

namespace tarnwick::shell {

// Three panels: a text panel, then the current date and time, which the bar keeps current itself.
// While downloads run, a compact indicator ("2 downloads, 48%") follows at the right end.
class MainStatusBar : public QStatusBar
{
    Q_OBJECT
public:
    explicit MainStatusBar(QWidget* parent = nullptr);

    // Panels are numbered from 1.
    QString panelText(int panel) const;
    void setPanelText(int panel, const QString& text);

    // A running download, keyed by its control; it leaves the count when ended or destroyed.
    void updateDownload(const QObject* download, qint64 received, qint64 total);
    void endDownload(const QObject* download);
    // The indicator's text: empty when no download runs.
    QString downloadSummary() const;
    // The indicator is redrawn at most this often, however many downloads report.
    static constexpr int downloadRefreshMs = 100;

private:
    void refreshClock();
    void refreshDownloads();
    QLabel* panel(int index) const;

    QLabel* m_text;
    QLabel* m_date;
    QLabel* m_time;
    QTimer* m_clock;
    QLabel* m_downloads;
    QTimer* m_downloadRefresh;
    struct Transfer {
        qint64 received = 0;
        qint64 total = -1;
        QMetaObject::Connection destroyed;
    };
    QHash<const QObject*, Transfer> m_transfers;
};

} // namespace tarnwick::shell
