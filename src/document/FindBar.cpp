#include "document/FindBar.h"

#include "platform/RichTextBox.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>

namespace tarnwick::document {

using platform::RichTextBox;

namespace {
constexpr int kNoticeMs = 2500;

QToolButton* makeToolButton(QWidget* parent, const char* name, const QString& themeIcon, const QString& text,
                            const QString& tip)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setIcon(QIcon::fromTheme(themeIcon));
    if (button->icon().isNull())
        button->setText(text);
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    button->setAutoRaise(true);
    return button;
}
} // namespace

FindBar::FindBar(RichTextBox* target, QWidget* parent)
    : QWidget(parent), m_target(target), m_findField(new QLineEdit(this)),
      m_previous(makeToolButton(this, "cmdFindPrevious", QStringLiteral("go-up"), QStringLiteral("<"),
                                tr("Previous match (Shift+F3)"))),
      m_next(
          makeToolButton(this, "cmdFindNext", QStringLiteral("go-down"), QStringLiteral(">"), tr("Next match (F3)"))),
      m_matchCase(new QCheckBox(tr("Match &case"), this)), m_wholeWords(new QCheckBox(tr("&Whole words"), this)),
      m_notice(new QLabel(this)), m_close(makeToolButton(this, "cmdFindClose", QStringLiteral("window-close"),
                                                         QStringLiteral("x"), tr("Close the find bar (Esc)"))),
      m_replaceRow(new QWidget(this)), m_replaceField(new QLineEdit(m_replaceRow)),
      m_replaceButton(new QPushButton(tr("&Replace"), m_replaceRow)),
      m_replaceAllButton(new QPushButton(tr("Replace &All"), m_replaceRow)), m_noticeTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("findBar"));
    setAccessibleName(tr("Find and replace"));
    m_findField->setObjectName(QStringLiteral("txtFind"));
    m_findField->setPlaceholderText(tr("Find"));
    m_findField->setAccessibleName(tr("Find"));
    m_findField->setClearButtonEnabled(true);
    m_matchCase->setObjectName(QStringLiteral("chkMatchCase"));
    m_matchCase->setAccessibleName(tr("Match case"));
    m_wholeWords->setObjectName(QStringLiteral("chkWholeWords"));
    m_wholeWords->setAccessibleName(tr("Whole words"));
    m_notice->setObjectName(QStringLiteral("lblFindNotice"));
    m_notice->setAccessibleName(tr("Search result"));
    m_replaceField->setObjectName(QStringLiteral("txtReplace"));
    m_replaceField->setPlaceholderText(tr("Replace with"));
    m_replaceField->setAccessibleName(tr("Replace with"));
    m_replaceButton->setObjectName(QStringLiteral("cmdReplace"));
    m_replaceButton->setAccessibleName(tr("Replace"));
    m_replaceAllButton->setObjectName(QStringLiteral("cmdReplaceAll"));
    m_replaceAllButton->setAccessibleName(tr("Replace All"));
    m_noticeTimer->setSingleShot(true);
    m_noticeTimer->setInterval(kNoticeMs);

    auto* findRow = new QHBoxLayout;
    findRow->setContentsMargins(0, 0, 0, 0);
    findRow->addWidget(m_findField, 1);
    findRow->addWidget(m_previous);
    findRow->addWidget(m_next);
    findRow->addWidget(m_matchCase);
    findRow->addWidget(m_wholeWords);
    findRow->addWidget(m_notice, 1);
    findRow->addWidget(m_close);
    auto* replaceRow = new QHBoxLayout(m_replaceRow);
    replaceRow->setContentsMargins(0, 0, 0, 0);
    replaceRow->addWidget(m_replaceField, 1);
    replaceRow->addWidget(m_replaceButton);
    replaceRow->addWidget(m_replaceAllButton);
    replaceRow->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(2);
    layout->addLayout(findRow);
    layout->addWidget(m_replaceRow);

    m_findField->installEventFilter(this);
    m_replaceField->installEventFilter(this);
    connect(m_findField, &QLineEdit::textEdited, this, &FindBar::searchAsTyped);
    connect(m_previous, &QToolButton::clicked, this, &FindBar::findPrevious);
    connect(m_next, &QToolButton::clicked, this, &FindBar::findNext);
    connect(m_close, &QToolButton::clicked, this, &FindBar::closeBar);
    connect(m_matchCase, &QCheckBox::toggled, this, &FindBar::searchAsTyped);
    connect(m_wholeWords, &QCheckBox::toggled, this, &FindBar::searchAsTyped);
    connect(m_replaceButton, &QPushButton::clicked, this, &FindBar::replace);
    connect(m_replaceAllButton, &QPushButton::clicked, this, &FindBar::replaceAll);
    connect(m_noticeTimer, &QTimer::timeout, m_notice, &QLabel::clear);
    connect(m_target, &RichTextBox::EditStateChanged, this, &FindBar::updateReplaceState);

    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, &FindBar::closeBar);

    m_replaceRow->hide();
    hide();
}

FindOptions FindBar::options() const
{
    return FindOptions{m_matchCase->isChecked(), m_wholeWords->isChecked()};
}

bool FindBar::replaceShown() const
{
    return !m_replaceRow->isHidden();
}

QString FindBar::notice() const
{
    return m_notice->text();
}

void FindBar::openFind()
{
    open(false);
}

void FindBar::openReplace()
{
    open(true);
}

void FindBar::open(bool withReplace)
{
    const QString selected = m_target->textCursor().selectedText();
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator))
        m_findField->setText(selected);
    m_replaceRow->setVisible(withReplace);
    updateReplaceState();
    m_notice->clear();
    show();
    emit visibilityChanged();
    m_findField->setFocus(Qt::ShortcutFocusReason);
    m_findField->selectAll();
}

void FindBar::closeBar()
{
    if (isHidden())
        return;
    hide();
    emit visibilityChanged();
    m_target->setFocus(Qt::OtherFocusReason);
}

void FindBar::updateReplaceState()
{
    const bool editable = !m_target->Locked();
    m_replaceButton->setEnabled(editable);
    m_replaceAllButton->setEnabled(editable);
    m_replaceField->setReadOnly(!editable);
}

void FindBar::showNotice(const QString& text, bool transient)
{
    m_notice->setText(text);
    if (transient)
        m_noticeTimer->start();
    else
        m_noticeTimer->stop();
}

void FindBar::showFound(bool found)
{
    // A field that turns red says "no match" without reading the notice.
    QPalette palette = m_findField->palette();
    if (found || m_findField->text().isEmpty())
        palette = QPalette();
    else
        palette.setColor(QPalette::Base, QColor(0xff, 0xd6, 0xd6));
    m_findField->setPalette(palette);
}

bool FindBar::step(TextFinder::Direction direction, bool fromSelectionStart)
{
    const QString text = m_findField->text();
    if (text.isEmpty()) {
        showFound(true);
        m_notice->clear();
        return false;
    }
    QTextCursor from = m_target->textCursor();
    if (fromSelectionStart) {
        // Typing more of the word keeps the match that is already selected.
        from.setPosition(from.selectionStart());
    }
    const TextFinder::Result result = TextFinder::find(m_target->document(), text, from, direction, options());
    showFound(result.found());
    if (!result.found()) {
        showNotice(tr("Not found"), false);
        return false;
    }
    m_target->setTextCursor(result.match);
    m_target->ensureCursorVisible();
    if (result.wrapped) {
        showNotice(direction == TextFinder::Direction::Forward ? tr("Reached the end, continued from the top")
                                                               : tr("Reached the top, continued from the end"),
                   true);
    } else {
        m_notice->clear();
    }
    return true;
}

bool FindBar::findNext()
{
    return step(TextFinder::Direction::Forward, false);
}

bool FindBar::findPrevious()
{
    return step(TextFinder::Direction::Backward, false);
}

void FindBar::searchAsTyped()
{
    step(TextFinder::Direction::Forward, true);
}

bool FindBar::replace()
{
    if (m_target->Locked()) {
        showNotice(tr("This document is read-only"), true);
        return false;
    }
    QTextCursor selection = m_target->textCursor();
    if (TextFinder::isMatch(selection, m_findField->text(), options())) {
        selection.insertText(m_replaceField->text());
        m_target->setTextCursor(selection);
    }
    return findNext();
}

int FindBar::replaceAll()
{
    if (m_target->Locked()) {
        showNotice(tr("This document is read-only"), true);
        return -1;
    }
    const int count =
        TextFinder::replaceAll(m_target->document(), m_findField->text(), m_replaceField->text(), options());
    showFound(count > 0);
    showNotice(count == 1 ? tr("Replaced 1 occurrence") : tr("Replaced %1 occurrences").arg(count), false);
    return count;
}

bool FindBar::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && (watched == m_findField || watched == m_replaceField)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (watched == m_replaceField && !(key->modifiers() & Qt::ShiftModifier))
                replace();
            else if (key->modifiers() & Qt::ShiftModifier)
                findPrevious();
            else
                findNext();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tarnwick::document
