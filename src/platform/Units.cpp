#include "platform/Units.h"

#include <QGuiApplication>
#include <QScreen>
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

} // namespace tarnwick::platform
