#include "help/frmAbout.h"

#include "platform/AppEnvironment.h"
#include "platform/DesktopServices.h"
#include "platform/DialogService.h"
#include "platform/MessageBox.h"
#include "platform/Registry.h"

#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtEndian>

namespace tarnwick::help {

using namespace platform;

const QString frmAbout::SysInfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString frmAbout::SysInfoLocationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QString frmAbout::UnavailableMessage = QStringLiteral("System Information Is Unavailable At This Time");

namespace {
const QString kTitle = QStringLiteral("Tarnwick");

// A band showing the three tools the program joins: documents, downloads and the browser.
QPixmap toolsBanner(const QSize& size, qreal ratio)
{
    QPixmap banner(size * ratio);
    banner.setDevicePixelRatio(ratio);
    QPainter painter(&banner);
    QLinearGradient gradient(0, 0, size.width(), 0);
    gradient.setColorAt(0, QColor(0x2b, 0x57, 0x97));
    gradient.setColorAt(1, QColor(0x7a, 0xa7, 0xd9));
    painter.fillRect(QRect(QPoint(0, 0), size), gradient);
    const QStringList icons = {QStringLiteral(":/icons/new.svg"), QStringLiteral(":/icons/download-file.svg"),
                               QStringLiteral(":/icons/open-in-browser.svg")};
    const int side = size.height() - 12;
    int left = (size.width() - int(icons.size()) * side - (int(icons.size()) - 1) * 18) / 2;
    for (const QString& name : icons) {
        painter.setBrush(QColor(255, 255, 255, 220));
        painter.setPen(Qt::NoPen);
        painter.drawRoundedRect(QRect(left - 3, 3, side + 6, side + 6), 4, 4);
        QIcon(name).paint(&painter, QRect(left, 6, side, side));
        left += side + 18;
    }
    return banner;
}
} // namespace

frmAbout::frmAbout(const Services& services, QWidget* parent)
    : QDialog(parent), picIcon(new QLabel(this)), Picture1(new QLabel(this)), Line1(new QFrame(this)),
      Label1(new QLabel(QStringLiteral("Tarnwick 1.0"), this)),
      cmdSysInfo(new QPushButton(QStringLiteral("&System Info..."), this)),
      cmdOK(new QPushButton(QStringLiteral("OK"), this)), m_services(services)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Tarnwick"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Line1->setObjectName(QStringLiteral("Line1"));
    Label1->setObjectName(QStringLiteral("Label1"));
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdOK->setObjectName(QStringLiteral("cmdOK"));

    picIcon->setPixmap(QIcon(QStringLiteral(":/icons/tarnwick.svg")).pixmap(48, 48));
    picIcon->setFixedSize(52, 52);
    Picture1->setPixmap(toolsBanner(QSize(160, 40), devicePixelRatioF()));
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);
    QFont titleFont = Label1->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    Label1->setFont(titleFont);

    cmdOK->setAccessibleDescription(tr("Closes the About box"));
    cmdSysInfo->setAccessibleDescription(tr("Starts the system information program"));
    cmdOK->setDefault(true);
    cmdOK->setAutoDefault(true);
    cmdSysInfo->setAutoDefault(false);

    auto* layout = new QGridLayout(this);
    layout->addWidget(picIcon, 0, 0, Qt::AlignTop);
    layout->addWidget(Label1, 0, 1, Qt::AlignVCenter);
    layout->addWidget(Picture1, 1, 1, Qt::AlignLeft);
    layout->addWidget(Line1, 2, 0, 1, 3);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    buttons->addStretch();
    layout->addLayout(buttons, 0, 2, 2, 1);
    layout->setColumnStretch(1, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
}

void frmAbout::cmdOK_Click()
{
    QDialog::accept();
}

void frmAbout::reject()
{
    cmdOK_Click();
}

void frmAbout::cmdSysInfo_Click()
{
    StartSysInfo();
}

void frmAbout::showUnavailable()
{
    m_services.dialogs.messageBox(this, UnavailableMessage, MsgBox::OKOnly, kTitle);
}

void frmAbout::StartSysInfo()
{
    QString SysInfoPath;
    bool found = GetKeyValue(RegistryRoot::LocalMachine, SysInfoKey, QStringLiteral("PATH"), SysInfoPath);
    if (!found && GetKeyValue(RegistryRoot::LocalMachine, SysInfoLocationKey, QStringLiteral("MSINFO"), SysInfoPath)) {
        const QString program = AppEnvironment::joinPath(SysInfoPath, QStringLiteral("MSINFO32.EXE"));
        if (QFileInfo(program).isFile()) {
            SysInfoPath = program;
            found = true;
        }
    }
    // The first location is started as it stands: a program that is not there fails to start.
    if (!found || !m_services.desktop.startProgram(SysInfoPath))
        showUnavailable();
}

bool frmAbout::GetKeyValue(quint32 KeyRoot, const QString& keyName, const QString& SubKeyRef, QString& KeyVal)
{
    Registry& registry = m_services.registry;
    Registry::Key hKey = 0;
    bool read = false;
    if (registry.openKey(KeyRoot, keyName, RegistryAccess::Full, &hKey) != RegistryResult::Success) {
        KeyVal.clear();
    } else {
        quint32 type = RegistryType::None;
        QByteArray buffer;
        if (registry.queryValue(hKey, SubKeyRef, &type, &buffer, ValueBufferSize) != RegistryResult::Success) {
            KeyVal.clear();
        } else {
            const int zero = int(buffer.indexOf('\0'));
            const QByteArray text = zero < 0 ? buffer : buffer.left(zero);
            if (type == RegistryType::String) {
                KeyVal = QString::fromLocal8Bit(text);
            } else if (type == RegistryType::Number32) {
                // The number itself, not its bytes up to the first zero.
                QByteArray bytes = buffer.left(4);
                bytes.append(4 - bytes.size(), '\0');
                KeyVal =
                    QStringLiteral("&h") + QString::number(qFromLittleEndian<quint32>(bytes.constData()), 16).toUpper();
            }
            read = true;
        }
    }
    registry.closeKey(hKey);
    return read;
}

} // namespace tarnwick::help
