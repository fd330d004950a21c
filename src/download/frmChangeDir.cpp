#include "download/frmChangeDir.h"

#include "platform/AppEnvironment.h"
#include "platform/DialogService.h"
#include "platform/DirectoryList.h"
#include "platform/DriveList.h"
#include "platform/MessageBox.h"
#include "platform/Units.h"
#include "platform/Volumes.h"
#include "shell/frmMain.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

namespace tarnwick::download {

using platform::AppEnvironment;
using platform::Units;
using platform::Volumes;

namespace {
void place(QWidget* control, int left, int top, int width, int height)
{
    control->setGeometry(Units::rectFromTwips(left, top, width, height));
}
} // namespace

frmChangeDir::frmChangeDir(shell::frmMain* mainWindow, const platform::Volumes* volumes)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
    , m_main(mainWindow)
    , m_ownVolumes(volumes ? nullptr : std::make_unique<platform::QtVolumes>())
    , m_volumes(volumes ? *volumes : *m_ownVolumes)
{
    setObjectName(QStringLiteral("frmChangeDir"));
    setWindowTitle(QStringLiteral("Change Directory for Download"));
    setModal(false);
    setFixedSize(Units::twipsToPixels(4635, 4920));

    Label3 = new QLabel(QStringLiteral("Selected Directory :"), this);
    lblChangeDirectory = new QLabel(this);
    Label1 = new QLabel(QStringLiteral("Change Drive :"), this);
    Drive1 = new platform::DriveList(m_volumes, this);
    Label2 = new QLabel(QStringLiteral("Change Directory :"), this);
    Dir1 = new platform::DirectoryList(this);
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);

    const struct
    {
        QWidget* control;
        const char* name;
        int left, top, width, height;
    } layout[] = {
        {Label3, "Label3", 240, 360, 1815, 255},
        {lblChangeDirectory, "lblChangeDirectory", 240, 840, 4335, 255},
        {Label1, "Label1", 240, 1440, 1815, 255},
        {Drive1, "Drive1", 240, 1800, 2415, 315},
        {Label2, "Label2", 240, 2280, 2295, 255},
        {Dir1, "Dir1", 240, 2640, 2415, 2115},
        {cmdOK, "cmdOK", 3120, 1560, 1215, 495},
        {cmdCancel, "cmdCancel", 3120, 2520, 1215, 495},
    };
    for (const auto& entry : layout) {
        entry.control->setObjectName(QLatin1String(entry.name));
        place(entry.control, entry.left, entry.top, entry.width, entry.height);
    }
    cmdOK->setDefault(true);
    // The labels above the lists name them for a screen reader, and Alt+letter is not designed here.
    Label1->setBuddy(Drive1);
    Label2->setBuddy(Dir1);
    Drive1->setAccessibleName(tr("Change Drive"));
    Drive1->setAccessibleDescription(tr("The mounted file systems; choosing one lists its folders"));
    Drive1->view()->setAccessibleName(tr("Drives"));
    Drive1->view()->setAccessibleDescription(Drive1->accessibleDescription());
    Dir1->setAccessibleName(tr("Change Directory"));
    Dir1->setAccessibleDescription(tr("The folders of the selected directory; open one to make it the download directory"));
    lblChangeDirectory->setAccessibleName(tr("Selected Directory"));
    cmdOK->setAccessibleDescription(tr("Keeps the selected directory as the download directory"));
    cmdCancel->setAccessibleDescription(tr("Goes back to the download directory chosen before"));

    connect(Drive1, &platform::DriveList::Change, this, &frmChangeDir::Drive1_Change);
    connect(Dir1, &platform::DirectoryList::Change, this, &frmChangeDir::Dir1_Change);
    connect(cmdOK, &QPushButton::clicked, this, &frmChangeDir::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmChangeDir::cmdCancel_Click);
    // Without an owner nothing else would take the window down with the program.
    if (m_main)
        connect(m_main, &QObject::destroyed, this, [this] { delete this; });
}

frmChangeDir::~frmChangeDir() = default;

QString frmChangeDir::newDir() const
{
    return m_main ? m_main->newDir : QString();
}

void frmChangeDir::setNewDir(const QString& directory)
{
    if (m_main)
        m_main->newDir = directory;
}

void frmChangeDir::Open()
{
    if (!m_loaded) {
        Form_Load();
        centreOnScreen();
    }
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void frmChangeDir::centreOnScreen()
{
    // Without an owner QDialog centres on the screen, allowing for the window frame.
    adjustPosition(nullptr);
}

void frmChangeDir::Form_Load()
{
    m_loaded = true;
    // The lists start where the process is, as the controls do when they are created.
    const QString current = AppEnvironment::currentDirectory();
    Drive1->refresh(current);
    {
        const QSignalBlocker quiet(Dir1);
        Dir1->setPath(current);
    }

    m_startDir = newDir();
    Drive1->setDrive(m_startDir);
    Dir1->setPath(m_startDir);
    lblChangeDirectory->setText(newDir());
}

QString frmChangeDir::currentDirectoryOfDrive(const QString& root) const
{
    const QString current = AppEnvironment::currentDirectory();
    if (Volumes::rootOf(Drive1->volumes(), current) == root)
        return current;
    const QString remembered = m_driveDirectories.value(root);
    if (!remembered.isEmpty() && QFileInfo(remembered).isDir())
        return remembered;
    return root;
}

bool frmChangeDir::moveToDriveDirectory()
{
    return Drive1->isDriveReady() && Dir1->setPath(currentDirectoryOfDrive(Drive1->Drive()));
}

void frmChangeDir::Drive1_Change()
{
    while (!moveToDriveDirectory()) {
        const int answer =
            m_main ? m_main->services().dialogs.messageBox(this, QStringLiteral("Drive Not Ready!"),
                                                           platform::MsgBox::RetryCancel |
                                                               platform::MsgBox::Exclamation,
                                                           QStringLiteral("Tarnwick"))
                   : int(platform::MsgBox::Cancel);
        if (answer != platform::MsgBox::Retry) {
            // Back to the drive of the last directory that could be selected; its own change moves the list.
            Drive1->setDrive(lblChangeDirectory->text());
            return;
        }
    }
    lblChangeDirectory->setText(Dir1->Path());
}

void frmChangeDir::Dir1_Change()
{
    const QString path = Dir1->Path();
    setNewDir(path);
    // The drive being left keeps the directory it was left in, as each drive keeps its own.
    const QString previous = AppEnvironment::currentDirectory();
    m_driveDirectories.insert(Volumes::rootOf(Drive1->volumes(), previous), previous);
    AppEnvironment::setCurrentDirectory(path);
    m_driveDirectories.insert(Volumes::rootOf(Drive1->volumes(), path), path);
    lblChangeDirectory->setText(path);
}

void frmChangeDir::cmdOK_Click()
{
    setNewDir(Dir1->Path());
    close();
}

void frmChangeDir::cmdCancel_Click()
{
    Drive1->setDrive(m_startDir);
    Dir1->setPath(m_startDir);
    close();
}

void frmChangeDir::reject()
{
    cmdCancel_Click();
}

void frmChangeDir::closeEvent(QCloseEvent* event)
{
    // The close box keeps whatever the list shows now: newDir already follows it.
    m_loaded = false;
    event->accept();
}

} // namespace tarnwick::download
