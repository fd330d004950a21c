#pragma once

#include <QColor>
#include <QPointer>
#include <QToolBar>

class QComboBox;
class QFontComboBox;
class QMenu;
class QToolButton;

namespace tarnwick::platform {
class RichTextBox;
}

namespace tarnwick::document {

// The second toolbar: font, size, text colour and highlight colour of the selection in the active
// document (or of what is typed next). It shows the selection's font and size, and empty boxes when
// the selection mixes several. It works on one rich text box at a time and is disabled without one
// or when that one is read-only.
class FormatBar : public QToolBar
{
    Q_OBJECT
public:
    explicit FormatBar(QWidget* parent = nullptr);

    void setTarget(platform::RichTextBox* target);
    platform::RichTextBox* target() const;

    // Shown in the boxes; empty for a mixed selection.
    QString fontNameText();
    QString fontSizeText();

    // The font box lists every installed font, which takes the font database a tenth of a second
    // to work out; a light box stands in for it until the user first reaches for it.
    QFontComboBox* fontBox();
    bool fontBoxMade() const { return m_fontBox != nullptr; }
    QComboBox* sizeBox();
    QToolButton* colorButton();
    QToolButton* highlightButton();
    // The controls are made just after the bar is first drawn, so that they do not hold up the
    // first appearance of the window; anything that needs them makes them at once.
    void build();
    bool isBuilt() const { return m_built; }

    // What the user does with the controls, also for tests.
    void applyFontName(const QString& family);
    void applyFontSize(const QString& sizeText);
    void applyColor(const QColor& color);
    void applyHighlight(const QColor& color);

    // Follows the target's selection.
    void refresh();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void updateEnabled();
    QMenu* colorMenu(bool highlight);
    void fillColorMenu(QMenu* menu, bool highlight);
    void setButtonColor(QToolButton* button, const QColor& color, bool highlight);
    void showFontName(const QString& family);

    QPointer<platform::RichTextBox> m_target;
    bool m_built = false;
    bool m_buildScheduled = false;
    QComboBox* m_fontPlaceholder = nullptr;
    QFontComboBox* m_fontBox = nullptr;
    QAction* m_fontAction = nullptr;
    QComboBox* m_sizeBox = nullptr;
    QToolButton* m_colorButton = nullptr;
    QToolButton* m_highlightButton = nullptr;
    QColor m_lastColor = Qt::red;
    QColor m_lastHighlight = Qt::yellow;
    QList<QMetaObject::Connection> m_targetConnections;
    bool m_refreshing = false;
};

} // namespace tarnwick::document
