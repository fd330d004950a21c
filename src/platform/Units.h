#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace tarnwick::platform {

// Window geometry in the settings store and in the form layouts is given in twips (1440 per inch).
// Every conversion goes through here so that the whole program agrees on one logical DPI.
class Units
{
public:
    static constexpr double TwipsPerInch = 1440.0;

    static double dpi();
    // Tests pin the DPI so that expected figures do not depend on the screen; 0 restores the screen's.
    static void setDpiOverride(double dpi);

    static int twipsToPixels(double twips);
    static double pixelsToTwips(int pixels);
    static QSize twipsToPixels(double widthTwips, double heightTwips);
};

} // namespace tarnwick::platform
