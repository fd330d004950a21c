#pragma once

#include <QPoint>
#include <QRect>
#include <QList>
#include <QSize>

class QWidget;

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
    // A control's place on a form, given as left, top, width and height in twips.
    static QRect rectFromTwips(double left, double top, double width, double height);
    // A caption that is wider than its control in this desktop's font gets the room it needs, up to
    // rightEdge (pixels, in the parent's coordinates), then a slightly smaller font if that is not
    // enough; the control's left and top stay where designed. A rightEdge at the control's own right
    // edge only shrinks the font.
    static void widenToFit(QWidget* control, int rightEdge);
    // Controls of one group share the smallest font any of them needed, so they read alike.
    static void shareSmallestFont(const QList<QWidget*>& controls);
};

} // namespace tarnwick::platform
