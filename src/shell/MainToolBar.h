#pragma once

#include <QList>
#include <QToolBar>

namespace tarnwick::shell {

// The main window's toolbar. Buttons are addressed by 1-based index (separators count) or by key;
// a button's key is also its tool tip. A button's value is 1 when it shows pressed, else 0.
class MainToolBar : public QToolBar
{
    Q_OBJECT
public:
    explicit MainToolBar(QWidget* parent = nullptr);

    int buttonCount() const { return int(m_buttons.size()); }
    QAction* button(int index) const;
    QAction* button(const QString& key) const;
    static QString keyOf(const QAction* button);

    int value(const QString& key) const;
    void setValue(const QString& key, int value);

signals:
    void ButtonClick(QAction* button);

private:
    void addButton(const QString& key, const QString& picture, bool checkable = false);
    void addSeparatorButton();
    void onTriggered(QAction* action);

    QList<QAction*> m_buttons;
    QList<QAction*> m_alignmentGroup;
};

} // namespace tarnwick::shell
