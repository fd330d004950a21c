#include "shell/frmSplash.h"

#include "shell/Icons.h"
#include "shell/Resources.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

namespace tarnwick::shell {

frmSplash::frmSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , fraMainFrame(new QFrame(this))
    , picLogo(new QLabel(fraMainFrame))
    , lblProductName(new QLabel(QStringLiteral("Tarnwick"), fraMainFrame))
    , lblVersion(new QLabel(QStringLiteral("Version 1.0"), fraMainFrame))
{
    initResources();
    setObjectName(QStringLiteral("frmSplash"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    fraMainFrame->setObjectName(QStringLiteral("fraMainFrame"));
    picLogo->setObjectName(QStringLiteral("picLogo"));
    lblProductName->setObjectName(QStringLiteral("lblProductName"));
    lblVersion->setObjectName(QStringLiteral("lblVersion"));

    fraMainFrame->setFrameShape(QFrame::Box);
    picLogo->setPixmap(programIcon(QStringLiteral("tarnwick")).pixmap(64, 64));
    QFont nameFont = lblProductName->font();
    nameFont.setPointSize(nameFont.pointSize() * 2);
    nameFont.setBold(true);
    lblProductName->setFont(nameFont);

    auto* text = new QVBoxLayout;
    text->addWidget(lblProductName);
    text->addWidget(lblVersion);
    text->addStretch();
    auto* frameLayout = new QHBoxLayout(fraMainFrame);
    frameLayout->setContentsMargins(24, 24, 24, 24);
    frameLayout->setSpacing(24);
    frameLayout->addWidget(picLogo, 0, Qt::AlignTop);
    frameLayout->addLayout(text);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(fraMainFrame);

    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

} // namespace tarnwick::shell
