#include "platform/RichTextBox.h"

#include "platform/DocumentIO.h"
#include "platform/Units.h"

#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>

namespace tarnwick::platform {

RichTextBox::RichTextBox(QWidget* parent)
    : QTextEdit(parent)
{
    setAcceptRichText(true);
    setTabChangesFocus(false);
    setAccessibleName(tr("Document"));
    setAccessibleDescription(tr("The text of this document"));
    connect(this, &QTextEdit::textChanged, this, &RichTextBox::Change);
    connect(this, &QTextEdit::cursorPositionChanged, this, &RichTextBox::noteSelectionChange);
    connect(this, &QTextEdit::selectionChanged, this, &RichTextBox::noteSelectionChange);
}

QString RichTextBox::Text() const
{
    return toPlainText();
}

void RichTextBox::setText(const QString& text)
{
    setPlainText(text);
}

QString RichTextBox::SelText() const
{
    QString text = textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

void RichTextBox::setSelText(const QString& text)
{
    QTextCursor cursor = textCursor();
    cursor.insertText(text);
    setTextCursor(cursor);
}

QString RichTextBox::TextRTF() const
{
    return QString::fromLatin1(documentToRtf(*document()));
}

void RichTextBox::setTextRTF(const QString& rtf)
{
    if (!rtfToDocument(rtf.toUtf8(), document()))
        setPlainText(rtf);
}

QString RichTextBox::SelRTF() const
{
    return QString::fromLatin1(selectionToRtf(textCursor()));
}

void RichTextBox::setSelRTF(const QString& text)
{
    QTextCursor cursor = textCursor();
    if (!insertRtf(text.toUtf8(), &cursor))
        cursor.insertText(text);
    setTextCursor(cursor);
}

bool RichTextBox::event(QEvent* event)
{
    // Cut, Copy and Paste belong to the Edit menu, which moves rich text through the clipboard;
    // the box lets those keys go to the menu's shortcuts (and handles them itself when no menu is there).
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key == QKeySequence::Cut || key == QKeySequence::Copy || key == QKeySequence::Paste) {
            event->ignore();
            return true;
        }
    }
    return QTextEdit::event(event);
}

// Reports once per real change of caret or selection: Qt signals both cursorPositionChanged and
// selectionChanged for one extension of the selection.
void RichTextBox::noteSelectionChange()
{
    const QTextCursor cursor = textCursor();
    if (cursor.anchor() == m_lastAnchor && cursor.position() == m_lastPosition)
        return;
    m_lastAnchor = cursor.anchor();
    m_lastPosition = cursor.position();
    emit SelChange();
}

std::optional<bool> RichTextBox::selectionFlag(bool (*read)(const QTextCharFormat&)) const
{
    const QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        return read(cursor.charFormat());

    const int start = cursor.selectionStart();
    const int end = cursor.selectionEnd();
    std::optional<bool> seen;
    for (QTextBlock block = document()->findBlock(start); block.isValid() && block.position() < end;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            const int fragmentEnd = fragment.position() + fragment.length();
            if (fragmentEnd <= start || fragment.position() >= end)
                continue;
            const bool value = read(fragment.charFormat());
            if (seen && *seen != value)
                return std::nullopt;
            seen = value;
        }
    }
    if (!seen)
        return read(cursor.charFormat());
    return seen;
}

std::optional<bool> RichTextBox::SelBold() const
{
    return selectionFlag([](const QTextCharFormat& f) { return f.fontWeight() > QFont::Medium; });
}

std::optional<bool> RichTextBox::SelItalic() const
{
    return selectionFlag([](const QTextCharFormat& f) { return f.fontItalic(); });
}

std::optional<bool> RichTextBox::SelUnderline() const
{
    return selectionFlag([](const QTextCharFormat& f) { return f.fontUnderline(); });
}

void RichTextBox::mergeSelectionFormat(const QTextCharFormat& format)
{
    QTextCursor cursor = textCursor();
    if (cursor.hasSelection())
        cursor.mergeCharFormat(format);
    mergeCurrentCharFormat(format);
}

void RichTextBox::setSelBold(bool on)
{
    QTextCharFormat format;
    format.setFontWeight(on ? QFont::Bold : QFont::Normal);
    mergeSelectionFormat(format);
}

void RichTextBox::setSelItalic(bool on)
{
    QTextCharFormat format;
    format.setFontItalic(on);
    mergeSelectionFormat(format);
}

void RichTextBox::setSelUnderline(bool on)
{
    QTextCharFormat format;
    format.setFontUnderline(on);
    mergeSelectionFormat(format);
}

namespace {
std::optional<int> alignmentValue(Qt::Alignment alignment)
{
    const Qt::Alignment horizontal = alignment & Qt::AlignHorizontal_Mask;
    if (horizontal & Qt::AlignJustify)
        return std::nullopt;
    if (horizontal & Qt::AlignHCenter)
        return RichTextBox::AlignCenterValue;
    if (horizontal & Qt::AlignRight)
        return RichTextBox::AlignRightValue;
    return RichTextBox::AlignLeftValue;
}
} // namespace

std::optional<int> RichTextBox::SelAlignment() const
{
    const QTextCursor cursor = textCursor();
    QTextBlock block = document()->findBlock(cursor.selectionStart());
    const QTextBlock last = document()->findBlock(cursor.selectionEnd());
    const std::optional<int> first = alignmentValue(block.blockFormat().alignment());
    if (!first)
        return std::nullopt;
    while (block.isValid() && block != last) {
        block = block.next();
        if (alignmentValue(block.blockFormat().alignment()) != first)
            return std::nullopt;
    }
    return first;
}

void RichTextBox::setSelAlignment(int alignment)
{
    switch (alignment) {
    case AlignLeftValue:
        setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
        break;
    case AlignRightValue:
        setAlignment(Qt::AlignRight | Qt::AlignAbsolute);
        break;
    case AlignCenterValue:
        setAlignment(Qt::AlignHCenter);
        break;
    default:
        break;
    }
}

void RichTextBox::setOLEDropMode(int mode)
{
    m_dropMode = mode;
    setAcceptDrops(mode != DropNone);
}

void RichTextBox::setRightMargin(double twips)
{
    m_rightMarginTwips = twips;
    const int pixels = Units::twipsToPixels(twips);
    if (pixels > 0) {
        setLineWrapMode(QTextEdit::FixedPixelWidth);
        setLineWrapColumnOrWidth(pixels);
    } else {
        setLineWrapMode(QTextEdit::WidgetWidth);
    }
}

bool RichTextBox::LoadFile(const QString& path, QString* error)
{
    return loadDocumentFile(path, document(), error);
}

bool RichTextBox::SaveFile(const QString& path, QString* error) const
{
    return saveDocumentFile(path, *document(), error);
}

// In the manual mode every drag is welcome (the owner decides on drop); with drops off none is.
// Returns true when the drop mode has answered the event.
bool RichTextBox::answerDragByMode(QDropEvent* event) const
{
    if (m_dropMode == DropManual) {
        event->acceptProposedAction();
        return true;
    }
    if (m_dropMode == DropNone) {
        event->ignore();
        return true;
    }
    return false;
}

void RichTextBox::dragEnterEvent(QDragEnterEvent* event)
{
    if (!answerDragByMode(event))
        QTextEdit::dragEnterEvent(event);
}

void RichTextBox::dragMoveEvent(QDragMoveEvent* event)
{
    if (!answerDragByMode(event))
        QTextEdit::dragMoveEvent(event);
}

void RichTextBox::dropEvent(QDropEvent* event)
{
    if (m_dropMode == DropManual) {
        event->acceptProposedAction();
        emit OLEDragDrop(event->mimeData());
        return;
    }
    if (m_dropMode == DropNone) {
        event->ignore();
        return;
    }
    QTextEdit::dropEvent(event);
}

} // namespace tarnwick::platform
