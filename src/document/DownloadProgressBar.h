#pragma once

#include <QProgressBar>

namespace tarnwick::download {
class ctlAsync;
}

namespace tarnwick::document {

// The bar in a downloading document window's bottom border, below the text box: bytes, total,
// rate and time left in its tool tip, a busy bar while the total is unknown. It shows only while
// its control's transfer runs and never overlaps the text box.
class DownloadProgressBar : public QProgressBar
{
    Q_OBJECT
public:
    DownloadProgressBar(download::ctlAsync* control, QWidget* window);

    // The bar's place in a window of this size: the border strip under the text box, inset.
    static QRect placeIn(const QSize& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();

    download::ctlAsync* m_control;
};

} // namespace tarnwick::document
