#pragma once

#include <QStatusBar>

class QLabel;
class QTimer;

namespace tarnwick::shell {

// Three panels: a text panel, then the current date and time, which the bar keeps current itself.
class MainStatusBar : public QStatusBar
{
    Q_OBJECT
public:
    explicit MainStatusBar(QWidget* parent = nullptr);

    // Panels are numbered from 1.
    QString panelText(int panel) const;
    void setPanelText(int panel, const QString& text);

private:
    void refreshClock();
    QLabel* panel(int index) const;

    QLabel* m_text;
    QLabel* m_date;
    QLabel* m_time;
    QTimer* m_clock;
};

} // namespace tarnwick::shell
