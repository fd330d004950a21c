#include "platform/RichTextBox.h"

#include "platform/DocumentIO.h"
#include "platform/Units.h"
#include "platform/rtf/RtfKept.h"

#include <QAbstractTextDocumentLayout>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPaintDevice>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <array>
#include <QTextBlock>
#include <QTextCursor>

namespace tarnwick::platform {

// What the document layout measures fonts and lengths against. The layout turns point sizes into
// pixels through the device's resolution, so a device that reports a scaled resolution draws the
// whole document larger or smaller while the document itself keeps every size it has.
class RichTextBox::ZoomDevice : public QPaintDevice
{
public:
    ZoomDevice(const QWidget* screen, int percent)
        : m_screen(screen)
        , m_percent(percent)
    {
    }
    QPaintEngine* paintEngine() const override { return nullptr; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        const auto scaled = [this](int dpi) { return std::max(1, (dpi * m_percent + 50) / 100); };
        switch (metric) {
        case PdmDpiX:
            return scaled(m_screen->logicalDpiX());
        case PdmDpiY:
            return scaled(m_screen->logicalDpiY());
        case PdmPhysicalDpiX:
            return scaled(m_screen->physicalDpiX());
        case PdmPhysicalDpiY:
            return scaled(m_screen->physicalDpiY());
        case PdmWidth:
            return m_screen->width();
        case PdmHeight:
            return m_screen->height();
        case PdmWidthMM:
            return m_screen->widthMM();
        case PdmHeightMM:
            return m_screen->heightMM();
        case PdmNumColors:
            return m_screen->colorCount();
        case PdmDepth:
            return m_screen->depth();
        case PdmDevicePixelRatio:
            return std::max(1, qRound(m_screen->devicePixelRatioF()));
        case PdmDevicePixelRatioScaled:
            return qRound(m_screen->devicePixelRatioF() * devicePixelRatioFScale());
        }
        return 0;
    }

private:
    const QWidget* m_screen;
    int m_percent;
};

RichTextBox::RichTextBox(QWidget* parent)
    : QTextEdit(parent)
{
    setAcceptRichText(true);
    setTabChangesFocus(false);
    setAccessibleName(tr("Document"));
    setAccessibleDescription(tr("The text of this document"));
    connect(this, &QTextEdit::textChanged, this, &RichTextBox::Change);
    connect(this, &QTextEdit::cursorPositionChanged, this, &RichTextBox::noteSelectionChange);
    // Kept objects that arrive by other roads than reading RTF (a drag inside the box) are drawn too.
    rtf::registerKeptObjects(document());
    // Text typed after a note mark or a text box must not become another copy of it.
    connect(this, &QTextEdit::currentCharFormatChanged, this, [this](const QTextCharFormat& format) {
        if (!textCursor().hasSelection() && rtf::carriesKept(format))
            setCurrentCharFormat(rtf::withoutKept(format));
    });
    connect(this, &QTextEdit::selectionChanged, this, &RichTextBox::noteSelectionChange);
}

RichTextBox::~RichTextBox()
{
    // The layout must not outlive the device it measures against.
    if (m_zoomDevice)
        document()->documentLayout()->setPaintDevice(viewport());
}

void RichTextBox::setLocked(bool locked)
{
    if (locked == isReadOnly())
        return;
    setReadOnly(locked);
    emit EditStateChanged();
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

// The one value every selected fragment shares (or the caret's), empty when they differ.
template <typename Read>
auto RichTextBox::selectionValue(Read read) const -> std::optional<decltype(read(QTextCharFormat()))>
{
    using Value = decltype(read(QTextCharFormat()));
    const QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        return read(cursor.charFormat());
    const int start = cursor.selectionStart();
    const int end = cursor.selectionEnd();
    std::optional<Value> seen;
    for (QTextBlock block = document()->findBlock(start); block.isValid() && block.position() < end;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid() || fragment.position() + fragment.length() <= start || fragment.position() >= end)
                continue;
            const Value value = read(fragment.charFormat());
            if (seen && !(*seen == value))
                return std::nullopt;
            seen = value;
        }
    }
    if (!seen)
        return read(cursor.charFormat());
    return seen;
}

std::optional<QString> RichTextBox::SelFontName() const
{
    const QString fallback = document()->defaultFont().family();
    return selectionValue([&fallback](const QTextCharFormat& f) {
        const QStringList families = f.fontFamilies().toStringList();
        return families.isEmpty() || families.first().isEmpty() ? fallback : families.first();
    });
}

std::optional<double> RichTextBox::SelFontSize() const
{
    const double fallback = document()->defaultFont().pointSizeF();
    return selectionValue([fallback](const QTextCharFormat& f) {
        const double points = f.fontPointSize();
        return points > 0 ? points : fallback;
    });
}

void RichTextBox::setSelFontName(const QString& family)
{
    if (family.trimmed().isEmpty())
        return;
    QTextCharFormat format;
    format.setFontFamilies(QStringList{family.trimmed()});
    mergeSelectionFormat(format);
}

void RichTextBox::setSelFontSize(double points)
{
    if (!(points > 0))
        return;
    QTextCharFormat format;
    format.setFontPointSize(points);
    mergeSelectionFormat(format);
}

void RichTextBox::setSelColor(const QColor& color)
{
    if (!color.isValid()) {
        clearSelectionProperty(QTextFormat::ForegroundBrush);
        return;
    }
    QTextCharFormat format;
    format.setForeground(color);
    mergeSelectionFormat(format);
}

void RichTextBox::setSelBackColor(const QColor& color)
{
    if (!color.isValid()) {
        clearSelectionProperty(QTextFormat::BackgroundBrush);
        return;
    }
    QTextCharFormat format;
    format.setBackground(color);
    mergeSelectionFormat(format);
}

// A merge cannot take a property away, so each selected fragment gets its own format back without it.
void RichTextBox::clearSelectionProperty(int property)
{
    QTextCursor cursor = textCursor();
    if (cursor.hasSelection()) {
        const int start = cursor.selectionStart();
        const int end = cursor.selectionEnd();
        // Collected first: changing a fragment's format merges and splits fragments under an iterator.
        struct Piece
        {
            int from;
            int to;
            QTextCharFormat format;
        };
        QList<Piece> pieces;
        for (QTextBlock block = document()->findBlock(start); block.isValid() && block.position() < end;
             block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                const int from = std::max(start, fragment.position());
                const int to = std::min(end, fragment.position() + fragment.length());
                if (!fragment.isValid() || from >= to || !fragment.charFormat().hasProperty(property))
                    continue;
                QTextCharFormat format = fragment.charFormat();
                format.clearProperty(property);
                pieces.append(Piece{from, to, format});
            }
        }
        QTextCursor edit(document());
        edit.beginEditBlock();
        for (const Piece& piece : pieces) {
            edit.setPosition(piece.from);
            edit.setPosition(piece.to, QTextCursor::KeepAnchor);
            edit.setCharFormat(piece.format);
        }
        edit.endEditBlock();
    }
    QTextCharFormat next = currentCharFormat();
    next.clearProperty(property);
    setCurrentCharFormat(next);
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
    const bool changed = mode != m_dropMode;
    m_dropMode = mode;
    setAcceptDrops(mode != DropNone);
    if (changed)
        emit EditStateChanged();
}

namespace {
// The steps Ctrl+Plus and Ctrl+Minus walk through.
constexpr std::array<int, 14> kZoomSteps = {50, 67, 75, 80, 90, 100, 110, 125, 150, 175, 200, 250, 300, 400};
} // namespace

void RichTextBox::setZoomPercent(int percent)
{
    percent = std::clamp(percent, int(MinZoom), int(MaxZoom));
    if (percent == m_zoomPercent)
        return;
    m_zoomPercent = percent;
    std::unique_ptr<ZoomDevice> device;
    if (percent != 100)
        device = std::make_unique<ZoomDevice>(viewport(), percent);
    document()->documentLayout()->setPaintDevice(device ? static_cast<QPaintDevice*>(device.get()) : viewport());
    m_zoomDevice = std::move(device);
    // Lays the document out again at the new resolution; this is not an edit and raises no change.
    document()->markContentsDirty(0, document()->characterCount());
    viewport()->update();
    emit ZoomChanged(percent);
}

void RichTextBox::zoomInStep()
{
    const auto next = std::upper_bound(kZoomSteps.begin(), kZoomSteps.end(), m_zoomPercent);
    setZoomPercent(next == kZoomSteps.end() ? int(MaxZoom) : *next);
}

void RichTextBox::zoomOutStep()
{
    const auto next = std::lower_bound(kZoomSteps.begin(), kZoomSteps.end(), m_zoomPercent);
    setZoomPercent(next == kZoomSteps.begin() ? int(MinZoom) : *(next - 1));
}

void RichTextBox::setOverlay(Overlay overlay)
{
    m_overlay = std::move(overlay);
    viewport()->update();
}

void RichTextBox::paintEvent(QPaintEvent* event)
{
    QTextEdit::paintEvent(event);
    if (!m_overlay)
        return;
    QPainter painter(viewport());
    m_overlay(painter, event->rect(), QPointF(-horizontalScrollBar()->value(), -verticalScrollBar()->value()));
}

void RichTextBox::wheelEvent(QWheelEvent* event)
{
    if (event->modifiers() & Qt::ControlModifier) {
        const int delta = event->angleDelta().y();
        if (delta > 0)
            zoomInStep();
        else if (delta < 0)
            zoomOutStep();
        event->accept();
        return;
    }
    QTextEdit::wheelEvent(event);
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
