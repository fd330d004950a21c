#pragma once

#include "document/TextFinder.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QToolButton;

namespace tarnwick::platform {
class RichTextBox;
}

namespace tarnwick::document {

// The find (and replace) strip at the bottom of a document window. It searches as the user types,
// steps to the next or previous match, goes round the ends of the document with a short notice and
// replaces one match or all of them; a read-only document can be searched but not changed.
class FindBar : public QWidget
{
    Q_OBJECT
public:
    explicit FindBar(platform::RichTextBox* target, QWidget* parent = nullptr);

    // Shows the bar with the replace row hidden (find) or shown (replace) and puts the caret in
    // the find field, filled with the selected text when that is a single line.
    void openFind();
    void openReplace();
    // Hides the bar and gives the focus back to the text.
    void closeBar();

    bool findNext();
    bool findPrevious();
    // Replaces the selected match (if the selection is one) and moves to the next match.
    bool replace();
    // Returns how many were replaced; -1 when refused (read-only).
    int replaceAll();

    bool replaceShown() const;
    QString notice() const;
    FindOptions options() const;

    QLineEdit* findField() const { return m_findField; }
    QLineEdit* replaceField() const { return m_replaceField; }
    QCheckBox* matchCaseBox() const { return m_matchCase; }
    QCheckBox* wholeWordsBox() const { return m_wholeWords; }

signals:
    // The bar was shown or hidden; the window lays itself out again.
    void visibilityChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void open(bool withReplace);
    bool step(TextFinder::Direction direction, bool fromSelectionStart);
    void searchAsTyped();
    void showNotice(const QString& text, bool transient);
    void showFound(bool found);
    void updateReplaceState();

    platform::RichTextBox* m_target;
    QLineEdit* m_findField;
    QToolButton* m_previous;
    QToolButton* m_next;
    QCheckBox* m_matchCase;
    QCheckBox* m_wholeWords;
    QLabel* m_notice;
    QToolButton* m_close;
    QWidget* m_replaceRow;
    QLineEdit* m_replaceField;
    QPushButton* m_replaceButton;
    QPushButton* m_replaceAllButton;
    QTimer* m_noticeTimer;
};

} // namespace tarnwick::document
