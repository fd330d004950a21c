#pragma once

#include <QTextEdit>
#include <functional>
#include <memory>
#include <optional>

class QMimeData;

namespace tarnwick::platform {

// The rich text box every document window edits in: a QTextEdit with the operations the forms are
// written against (text, selection formatting, locking, drop modes, whole-file load and save).
class RichTextBox : public QTextEdit
{
    Q_OBJECT
public:
    // What a drop does: nothing, hand it to the owner (OLEDragDrop), or let the box insert the text itself.
    enum DropMode { DropNone = 0, DropManual = 1, DropAutomatic = 2 };
    // Paragraph alignment values as the forms use them.
    enum Alignment { AlignLeftValue = 0, AlignRightValue = 1, AlignCenterValue = 2 };

    explicit RichTextBox(QWidget* parent = nullptr);
    ~RichTextBox() override;

    QString Text() const;
    void setText(const QString& text);

    QString SelText() const;
    void setSelText(const QString& text);

    // The whole document, or the selection alone, as a complete rich-text document.
    QString TextRTF() const;
    void setTextRTF(const QString& rtf);
    QString SelRTF() const;
    // Replaces the selection with the markup's formatted content, or with the text itself when it is
    // not rich text.
    void setSelRTF(const QString& text);

    // Empty when the selection mixes both states (or, for alignment, paragraphs differ).
    std::optional<bool> SelBold() const;
    std::optional<bool> SelItalic() const;
    std::optional<bool> SelUnderline() const;
    std::optional<int> SelAlignment() const;
    void setSelBold(bool on);
    void setSelItalic(bool on);
    void setSelUnderline(bool on);
    void setSelAlignment(int alignment);

    // Font, size and colours of the selection (or of what is typed next), empty when mixed. Text
    // without a font or size of its own reports the document's default.
    std::optional<QString> SelFontName() const;
    std::optional<double> SelFontSize() const;
    void setSelFontName(const QString& family);
    void setSelFontSize(double points);
    // An invalid colour takes the colour away (automatic text colour, no highlight).
    void setSelColor(const QColor& color);
    void setSelBackColor(const QColor& color);

    bool Locked() const { return isReadOnly(); }
    void setLocked(bool locked);

    int OLEDropMode() const { return m_dropMode; }
    void setOLEDropMode(int mode);

    // Where lines wrap, in twips from the box's left edge; 0 wraps at the box's width.
    double RightMargin() const { return m_rightMarginTwips; }
    void setRightMargin(double twips);

    // Whole-file load and save; false with a reason when the file cannot be read or written.
    bool LoadFile(const QString& path, QString* error = nullptr);
    bool SaveFile(const QString& path, QString* error = nullptr) const;

    // How large the view draws the document, in percent (50 to 400). Only the view changes: the
    // document, what is saved and what is printed keep their own sizes.
    static constexpr int MinZoom = 50;
    static constexpr int MaxZoom = 400;
    int zoomPercent() const { return m_zoomPercent; }
    void setZoomPercent(int percent);
    void zoomInStep();
    void zoomOutStep();

    // Draws over the text after the box has drawn it (spelling marks), in viewport coordinates with
    // the document's own coordinates at offset. Empty to draw nothing.
    using Overlay = std::function<void(QPainter& painter, const QRect& exposed, const QPointF& offset)>;
    void setOverlay(Overlay overlay);

signals:
    void Change();
    void SelChange();
    // Raised in the manual drop mode instead of inserting anything.
    void OLEDragDrop(const QMimeData* data);
    // The locked state or the drop mode changed.
    void EditStateChanged();
    void ZoomChanged(int percent);

protected:
    bool event(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    class ZoomDevice;

    std::optional<bool> selectionFlag(bool (*read)(const QTextCharFormat&)) const;
    void mergeSelectionFormat(const QTextCharFormat& format);
    void clearSelectionProperty(int property);
    template <typename Read>
    auto selectionValue(Read read) const -> std::optional<decltype(read(QTextCharFormat()))>;
    void noteSelectionChange();
    bool answerDragByMode(QDropEvent* event) const;

    int m_dropMode = DropNone;
    double m_rightMarginTwips = 0.0;
    int m_lastAnchor = -1;
    int m_lastPosition = -1;
    int m_zoomPercent = 100;
    std::unique_ptr<ZoomDevice> m_zoomDevice;
    Overlay m_overlay;
};

} // namespace tarnwick::platform
