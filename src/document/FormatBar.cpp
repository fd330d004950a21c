#include "document/FormatBar.h"

#include "platform/RichTextBox.h"
#include "shell/MenuItemAccessible.h"

#include <QAction>
#include <QComboBox>
#include <QDoubleValidator>
#include <QEvent>
#include <QFontComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <QToolButton>

namespace tarnwick::document {

using platform::RichTextBox;

namespace {
const QList<int> kSizes = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};
// The largest size RTF keeps (half points in a 16-bit count).
constexpr double kMaxPoints = 1638;

struct NamedColor
{
    const char* name;
    QRgb rgb;
};
const NamedColor kColors[] = {
    {QT_TRANSLATE_NOOP("FormatBar", "Black"), 0x000000},        {QT_TRANSLATE_NOOP("FormatBar", "Dark Red"), 0x800000},
    {QT_TRANSLATE_NOOP("FormatBar", "Red"), 0xff0000},          {QT_TRANSLATE_NOOP("FormatBar", "Orange"), 0xff8000},
    {QT_TRANSLATE_NOOP("FormatBar", "Yellow"), 0xffff00},       {QT_TRANSLATE_NOOP("FormatBar", "Green"), 0x008000},
    {QT_TRANSLATE_NOOP("FormatBar", "Bright Green"), 0x00ff00}, {QT_TRANSLATE_NOOP("FormatBar", "Teal"), 0x008080},
    {QT_TRANSLATE_NOOP("FormatBar", "Turquoise"), 0x00ffff},    {QT_TRANSLATE_NOOP("FormatBar", "Blue"), 0x0000ff},
    {QT_TRANSLATE_NOOP("FormatBar", "Dark Blue"), 0x000080},    {QT_TRANSLATE_NOOP("FormatBar", "Violet"), 0x800080},
    {QT_TRANSLATE_NOOP("FormatBar", "Pink"), 0xff00ff},         {QT_TRANSLATE_NOOP("FormatBar", "Gray"), 0x808080},
    {QT_TRANSLATE_NOOP("FormatBar", "Light Gray"), 0xc0c0c0},   {QT_TRANSLATE_NOOP("FormatBar", "White"), 0xffffff},
};

QString sizeText(double points)
{
    return QString::number(points, 'g', 4);
}
} // namespace

FormatBar::FormatBar(QWidget* parent) : QToolBar(parent)
{
    setObjectName(QStringLiteral("tbFormatBar"));
    setWindowTitle(tr("Format Bar"));
    setAccessibleName(tr("Format Bar"));
    setAccessibleDescription(tr("Font, size, text colour and highlight colour of the selection"));
    setMovable(false);
    setIconSize(QSize(16, 16));
    // Room for the boxes from the start, so that the window does not move when they arrive.
    setMinimumHeight(fontMetrics().height() + 14);
}

void FormatBar::paintEvent(QPaintEvent* event)
{
    QToolBar::paintEvent(event);
    if (!m_built && !m_buildScheduled) {
        m_buildScheduled = true;
        QTimer::singleShot(0, this, &FormatBar::build);
    }
}

void FormatBar::build()
{
    if (m_built)
        return;
    m_built = true;
    m_fontPlaceholder = new QComboBox(this);
    m_sizeBox = new QComboBox(this);
    m_colorButton = new QToolButton(this);
    m_highlightButton = new QToolButton(this);

    m_fontPlaceholder->setObjectName(QStringLiteral("cboFontName"));
    m_fontPlaceholder->setEditable(true);
    m_fontPlaceholder->setMinimumContentsLength(16);
    m_fontPlaceholder->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_fontPlaceholder->setToolTip(tr("Font"));
    m_fontPlaceholder->setAccessibleName(tr("Font"));
    m_fontPlaceholder->lineEdit()->setAccessibleName(tr("Font"));
    m_fontPlaceholder->installEventFilter(this);
    m_fontPlaceholder->lineEdit()->installEventFilter(this);
    m_fontAction = addWidget(m_fontPlaceholder);

    m_sizeBox->setObjectName(QStringLiteral("cboFontSize"));
    m_sizeBox->setEditable(true);
    m_sizeBox->setInsertPolicy(QComboBox::NoInsert);
    for (int size : kSizes)
        m_sizeBox->addItem(QString::number(size));
    m_sizeBox->setMinimumContentsLength(4);
    m_sizeBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    auto* validator = new QDoubleValidator(1, kMaxPoints, 1, m_sizeBox);
    validator->setNotation(QDoubleValidator::StandardNotation);
    m_sizeBox->setValidator(validator);
    m_sizeBox->setToolTip(tr("Font Size"));
    m_sizeBox->setAccessibleName(tr("Font Size"));
    m_sizeBox->lineEdit()->setAccessibleName(tr("Font Size"));
    addWidget(m_sizeBox);
    connect(m_sizeBox, &QComboBox::textActivated, this, &FormatBar::applyFontSize);

    addSeparator();
    m_colorButton->setObjectName(QStringLiteral("cmdTextColor"));
    m_colorButton->setToolTip(tr("Text Color"));
    m_colorButton->setAccessibleName(tr("Text Color"));
    m_colorButton->setPopupMode(QToolButton::MenuButtonPopup);
    m_colorButton->setMenu(colorMenu(false));
    setButtonColor(m_colorButton, m_lastColor, false);
    connect(m_colorButton, &QToolButton::clicked, this, [this] { applyColor(m_lastColor); });
    addWidget(m_colorButton);

    m_highlightButton->setObjectName(QStringLiteral("cmdHighlightColor"));
    m_highlightButton->setToolTip(tr("Highlight Color"));
    m_highlightButton->setAccessibleName(tr("Highlight Color"));
    m_highlightButton->setPopupMode(QToolButton::MenuButtonPopup);
    m_highlightButton->setMenu(colorMenu(true));
    setButtonColor(m_highlightButton, m_lastHighlight, true);
    connect(m_highlightButton, &QToolButton::clicked, this, [this] { applyHighlight(m_lastHighlight); });
    addWidget(m_highlightButton);

    updateEnabled();
    refresh();
}

QComboBox* FormatBar::sizeBox()
{
    build();
    return m_sizeBox;
}

QToolButton* FormatBar::colorButton()
{
    build();
    return m_colorButton;
}

QToolButton* FormatBar::highlightButton()
{
    build();
    return m_highlightButton;
}

// The colours are listed when the menu first opens: painting their swatches is not start-up work.
QMenu* FormatBar::colorMenu(bool highlight)
{
    auto* menu = new QMenu(this);
    menu->setObjectName(highlight ? QStringLiteral("mnuHighlightColors") : QStringLiteral("mnuTextColors"));
    connect(menu, &QMenu::aboutToShow, this, [this, menu, highlight] { fillColorMenu(menu, highlight); });
    return menu;
}

void FormatBar::fillColorMenu(QMenu* menu, bool highlight)
{
    if (!menu->isEmpty())
        return;
    QAction* none = menu->addAction(highlight ? tr("No Highlight") : tr("Automatic"));
    none->setObjectName(highlight ? QStringLiteral("actNoHighlight") : QStringLiteral("actAutomaticColor"));
    shell::setItemDescription(none, highlight ? tr("Removes the highlight from the selected text.")
                                              : tr("Gives the selected text the usual text colour."));
    connect(none, &QAction::triggered, this, [this, highlight] {
        if (highlight)
            applyHighlight(QColor());
        else
            applyColor(QColor());
    });
    menu->addSeparator();
    for (const NamedColor& named : kColors) {
        const QColor color = QColor::fromRgb(named.rgb);
        QPixmap swatch(16, 16);
        swatch.fill(color);
        QPainter(&swatch).drawRect(0, 0, 15, 15);
        QAction* action = menu->addAction(QIcon(swatch), tr(named.name));
        action->setData(color);
        shell::setItemDescription(action, highlight ? tr("Highlights the selected text in this colour.")
                                                    : tr("Colours the selected text in this colour."));
        connect(action, &QAction::triggered, this, [this, highlight, color] {
            if (highlight)
                applyHighlight(color);
            else
                applyColor(color);
        });
    }
}

// The button's picture: a letter A (or a marker) over a bar of the colour it applies, drawn with
// lines rather than a font so that making it at start-up does not load one.
void FormatBar::setButtonColor(QToolButton* button, const QColor& color, bool highlight)
{
    QPixmap picture(16, 16);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(palette().color(QPalette::ButtonText), 1.6));
    if (highlight) {
        const QPointF tip[] = {{4, 11}, {7, 11}, {13, 3}, {10, 1}};
        painter.drawPolygon(tip, 4);
    } else {
        painter.drawLine(QPointF(3.5, 11), QPointF(8, 1.5));
        painter.drawLine(QPointF(8, 1.5), QPointF(12.5, 11));
        painter.drawLine(QPointF(5.5, 7.5), QPointF(10.5, 7.5));
    }
    painter.fillRect(QRect(1, 12, 14, 4), color);
    painter.end();
    button->setIcon(QIcon(picture));
}

QFontComboBox* FormatBar::fontBox()
{
    build();
    if (m_fontBox)
        return m_fontBox;
    m_fontBox = new QFontComboBox(this);
    m_fontBox->setObjectName(QStringLiteral("cboFontName"));
    m_fontBox->setToolTip(tr("Font"));
    m_fontBox->setAccessibleName(tr("Font"));
    if (m_fontBox->lineEdit())
        m_fontBox->lineEdit()->setAccessibleName(tr("Font"));
    m_fontBox->setMinimumContentsLength(16);
    m_fontBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_fontBox->setEnabled(m_fontPlaceholder->isEnabled());
    QAction* action = insertWidget(m_fontAction, m_fontBox);
    removeAction(m_fontAction);
    m_fontPlaceholder->setObjectName(QString());
    m_fontPlaceholder->deleteLater();
    m_fontPlaceholder = nullptr;
    m_fontAction = action;
    connect(m_fontBox, &QComboBox::textActivated, this, &FormatBar::applyFontName);
    refresh();
    return m_fontBox;
}

bool FormatBar::eventFilter(QObject* watched, QEvent* event)
{
    const bool onPlaceholder =
        m_fontPlaceholder && (watched == m_fontPlaceholder || watched == m_fontPlaceholder->lineEdit());
    if (onPlaceholder && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::FocusIn ||
                          event->type() == QEvent::KeyPress)) {
        const bool click = event->type() == QEvent::MouseButtonPress;
        QFontComboBox* box = fontBox();
        box->setFocus(Qt::MouseFocusReason);
        if (click && watched != box->lineEdit())
            box->showPopup();
        return true;
    }
    return QToolBar::eventFilter(watched, event);
}

RichTextBox* FormatBar::target() const
{
    return m_target.data();
}

void FormatBar::setTarget(RichTextBox* target)
{
    if (target == m_target)
        return;
    for (const auto& connection : m_targetConnections)
        disconnect(connection);
    m_targetConnections.clear();
    m_target = target;
    if (target) {
        m_targetConnections << connect(target, &RichTextBox::SelChange, this, &FormatBar::refresh)
                            << connect(target, &QTextEdit::currentCharFormatChanged, this, &FormatBar::refresh)
                            << connect(target, &RichTextBox::EditStateChanged, this, &FormatBar::updateEnabled)
                            << connect(target, &QObject::destroyed, this, [this] { setTarget(nullptr); });
    }
    updateEnabled();
    refresh();
}

void FormatBar::updateEnabled()
{
    if (!m_built)
        return;
    const bool enabled = m_target && !m_target->Locked();
    for (QWidget* control :
         {static_cast<QWidget*>(m_fontPlaceholder), static_cast<QWidget*>(m_fontBox), static_cast<QWidget*>(m_sizeBox),
          static_cast<QWidget*>(m_colorButton), static_cast<QWidget*>(m_highlightButton)}) {
        if (control)
            control->setEnabled(enabled);
    }
}

void FormatBar::showFontName(const QString& family)
{
    if (m_fontBox) {
        if (family.isEmpty()) {
            m_fontBox->setCurrentIndex(-1);
            m_fontBox->setEditText(QString());
        } else {
            m_fontBox->setCurrentFont(QFont(family));
            // An uninstalled font still shows by its own name.
            m_fontBox->setEditText(family);
        }
    } else if (m_fontPlaceholder) {
        m_fontPlaceholder->setEditText(family);
    }
}

void FormatBar::refresh()
{
    if (!m_built)
        return;
    m_refreshing = true;
    if (!m_target) {
        showFontName(QString());
        m_sizeBox->setEditText(QString());
    } else {
        const std::optional<QString> family = m_target->SelFontName();
        const std::optional<double> size = m_target->SelFontSize();
        showFontName(family.value_or(QString()));
        m_sizeBox->setEditText(size ? sizeText(*size) : QString());
    }
    m_refreshing = false;
}

QString FormatBar::fontNameText()
{
    build();
    if (m_fontBox)
        return m_fontBox->currentText();
    return m_fontPlaceholder ? m_fontPlaceholder->currentText() : QString();
}

QString FormatBar::fontSizeText()
{
    build();
    return m_sizeBox->currentText();
}

void FormatBar::applyFontName(const QString& family)
{
    build();
    if (m_refreshing || !m_target || m_target->Locked() || family.trimmed().isEmpty())
        return;
    m_target->setSelFontName(family);
    refresh();
    m_target->setFocus(Qt::OtherFocusReason);
}

void FormatBar::applyFontSize(const QString& text)
{
    build();
    if (m_refreshing || !m_target || m_target->Locked())
        return;
    bool ok = false;
    const double points = QLocale().toDouble(text.trimmed(), &ok);
    const double value = ok ? points : text.trimmed().toDouble(&ok);
    if (!ok || value < 1 || value > kMaxPoints) {
        refresh();
        return;
    }
    m_target->setSelFontSize(value);
    refresh();
    m_target->setFocus(Qt::OtherFocusReason);
}

void FormatBar::applyColor(const QColor& color)
{
    build();
    if (!m_target || m_target->Locked())
        return;
    if (color.isValid()) {
        m_lastColor = color;
        setButtonColor(m_colorButton, color, false);
    }
    m_target->setSelColor(color);
    m_target->setFocus(Qt::OtherFocusReason);
}

void FormatBar::applyHighlight(const QColor& color)
{
    build();
    if (!m_target || m_target->Locked())
        return;
    if (color.isValid()) {
        m_lastHighlight = color;
        setButtonColor(m_highlightButton, color, true);
    }
    m_target->setSelBackColor(color);
    m_target->setFocus(Qt::OtherFocusReason);
}

} // namespace tarnwick::document
