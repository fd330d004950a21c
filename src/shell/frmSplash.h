#pragma once

#include <QWidget>

class QFrame;
class QLabel;

namespace tarnwick::shell {

// Shown while the main window loads; it has no behaviour of its own.
class frmSplash : public QWidget
{
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr);

    QFrame* fraMainFrame;
    QLabel* picLogo;
    QLabel* lblProductName;
    QLabel* lblVersion;
};

} // namespace tarnwick::shell
