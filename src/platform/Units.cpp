#include "platform/Units.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace tarnwick::platform {

namespace {
double g_dpiOverride = 0.0;
}

double Units::dpi()
{
    if (g_dpiOverride > 0.0)
        return g_dpiOverride;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const double value = screen->logicalDotsPerInchY();
        if (value > 0.0)
            return value;
    }
    return 96.0;
}

void Units::setDpiOverride(double dpi)
{
    g_dpiOverride = dpi;
}

int Units::twipsToPixels(double twips)
{
    return static_cast<int>(std::lround(twips * dpi() / TwipsPerInch));
}

double Units::pixelsToTwips(int pixels)
{
    return std::round(pixels * TwipsPerInch / dpi());
}

QSize Units::twipsToPixels(double widthTwips, double heightTwips)
{
    return {twipsToPixels(widthTwips), twipsToPixels(heightTwips)};
}

QRect Units::rectFromTwips(double left, double top, double width, double height)
{
    return {twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height)};
}

void Units::widenToFit(QWidget* control, int rightEdge)
{
    const auto needed = [control] { return qMax(control->sizeHint().width(), control->minimumSizeHint().width()); };
    if (needed() > control->width())
        control->resize(qMax(control->width(), qMin(needed(), rightEdge - control->x())), control->height());
    // Still too narrow in this font: a slightly smaller font keeps the whole caption readable.
    QFont font = control->font();
    while (needed() > control->width() && font.pointSizeF() > 7.0) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
        control->setFont(font);
    }
}

void Units::shareSmallestFont(const QList<QWidget*>& controls)
{
    if (controls.isEmpty())
        return;
    QFont smallest = controls.constFirst()->font();
    for (const QWidget* control : controls) {
        if (control->font().pointSizeF() < smallest.pointSizeF())
            smallest = control->font();
    }
    for (QWidget* control : controls)
        control->setFont(smallest);
}

} // namespace tarnwick::platform
