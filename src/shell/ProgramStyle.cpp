#include "shell/ProgramStyle.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <QPointer>

namespace tarnwick::shell {

namespace {

// Two chevrons pointing right (or down), in the text colour, sharp at 1x and 2x.
QIcon chevron(bool vertical)
{
    QIcon icon;
    for (const qreal ratio : {1.0, 2.0}) {
        QPixmap pixmap(int(16 * ratio), int(16 * ratio));
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        if (vertical) {
            painter.translate(16, 0);
            painter.rotate(90);
        }
        QPen pen(QApplication::palette().color(QPalette::WindowText), 1.5);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        painter.setPen(pen);
        for (const qreal x : {4.0, 9.0}) {
            QPainterPath path;
            path.moveTo(x, 4);
            path.lineTo(x + 3.5, 8);
            path.lineTo(x, 12);
            painter.drawPath(path);
        }
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

// Asks the style for its picture only when the picture is first shown. Qt makes the pictures of a
// child window's system menu (restore, minimise, maximise, close) along with the child window,
// though few users ever open that menu.
class DeferredStandardIcon : public QIconEngine
{
public:
    DeferredStandardIcon(const QStyle* style, QStyle::StandardPixmap which) : m_style(style), m_which(which) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        resolved().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return resolved().pixmap(size, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return resolved().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return resolved().availableSizes(mode, state);
    }
    QIconEngine* clone() const override { return new DeferredStandardIcon(m_style, m_which); }

private:
    const QIcon& resolved()
    {
        if (!m_resolved) {
            m_icon = m_style ? m_style->standardIcon(m_which) : QIcon();
            m_resolved = true;
        }
        return m_icon;
    }

    QPointer<const QStyle> m_style;
    QStyle::StandardPixmap m_which;
    QIcon m_icon;
    bool m_resolved = false;
};

} // namespace

QIcon ProgramStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption* option, const QWidget* widget) const
{
    if (standardIcon == SP_ToolBarHorizontalExtensionButton)
        return chevron(false);
    if (standardIcon == SP_ToolBarVerticalExtensionButton)
        return chevron(true);
    // A child window's menu button shows the program's icon, which is already in memory.
    if (standardIcon == SP_TitleBarMenuButton && !QApplication::windowIcon().isNull())
        return QApplication::windowIcon();
    if (standardIcon == SP_TitleBarMinButton || standardIcon == SP_TitleBarMaxButton ||
        standardIcon == SP_TitleBarCloseButton || standardIcon == SP_TitleBarNormalButton)
        return QIcon(new DeferredStandardIcon(baseStyle(), standardIcon));
    return QProxyStyle::standardIcon(standardIcon, option, widget);
}

} // namespace tarnwick::shell
