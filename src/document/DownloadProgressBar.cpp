#include "document/DownloadProgressBar.h"

#include "download/ctlAsync.h"
#include "platform/Units.h"

#include <QEvent>

#include <algorithm>

namespace tarnwick::document {

using platform::Units;

namespace {
// The text box leaves a border of this many twips on every side; the bar lives in the bottom one.
constexpr double kBorderTwips = 200;
// A ceiling for the bar's range: QProgressBar counts in int, a file may hold more bytes.
constexpr int kSteps = 1000;
} // namespace

DownloadProgressBar::DownloadProgressBar(download::ctlAsync* control, QWidget* window)
    : QProgressBar(window)
    , m_control(control)
{
    setObjectName(QStringLiteral("prgDownload"));
    setAccessibleName(tr("Download progress"));
    // The strip is a few pixels high: the figures go to the tool tip rather than into the bar.
    setTextVisible(false);
    setFocusPolicy(Qt::NoFocus);
    hide();
    window->installEventFilter(this);
    connect(control, &download::ctlAsync::transferChanged, this, &DownloadProgressBar::refresh);
}

QRect DownloadProgressBar::placeIn(const QSize& window)
{
    // The same arithmetic as the text box's, so that the bar lines up under it exactly.
    const int border = Units::twipsToPixels(kBorderTwips);
    const int width = Units::twipsToPixels(Units::pixelsToTwips(window.width()) - 2 * kBorderTwips);
    const int inset = std::max(1, border / 5);
    const int height = border - 2 * inset;
    if (width <= 0 || height <= 0)
        return {};
    return QRect(border, window.height() - border + inset, width, height);
}

bool DownloadProgressBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parent() && event->type() == QEvent::Resize)
        setGeometry(placeIn(parentWidget()->size()));
    return QProgressBar::eventFilter(watched, event);
}

void DownloadProgressBar::refresh()
{
    if (!m_control->transferRunning()) {
        hide();
        return;
    }
    const qint64 received = m_control->bytesReceived();
    const qint64 total = m_control->bytesTotal();
    const download::TransferMeter& meter = m_control->meter();
    if (total > 0) {
        setRange(0, kSteps);
        setValue(int(std::min(received, total) * kSteps / total));
    } else {
        setRange(0, 0); // Qt's busy bar
    }
    setToolTip(download::TransferMeter::describe(received, total, meter.bytesPerSecond(),
                                                 meter.secondsLeft(received, total)));
    if (isHidden()) {
        setGeometry(placeIn(parentWidget()->size()));
        show();
    }
}

} // namespace tarnwick::document
