#include "download/dlgDownload.h"

#include "document/frmDocument.h"
#include "download/DownloadMode.h"
#include "platform/RichTextBox.h"
#include "platform/Units.h"
#include "shell/MainStatusBar.h"
#include "shell/MainToolBar.h"
#include "shell/frmMain.h"

#include <QAction>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGroupBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>

namespace tarnwick::download {

using document::frmDocument;
using platform::Units;

namespace {
void place(QWidget* control, int left, int top, int width, int height)
{
    control->setGeometry(Units::rectFromTwips(left, top, width, height));
}

constexpr Qt::WindowFlags kFixedDialog = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                                         Qt::MSWindowsFixedSizeDialogHint;
} // namespace

dlgDownload::dlgDownload(shell::frmMain* owner)
    : QDialog(owner, kFixedDialog)
    , m_main(owner)
{
    setObjectName(QStringLiteral("dlgDownload"));
    setWindowTitle(QStringLiteral("Download Options"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(Units::twipsToPixels(6345, 3540));

    fraSample1 = new QGroupBox(QStringLiteral("Change Download Options in the Document Window"), this);
    fraSample1->setObjectName(QStringLiteral("fraSample1"));
    place(fraSample1, 120, 360, 4680, 2625);
    Units::widenToFit(fraSample1, fraSample1->geometry().right() + 1);

    // Positions inside the frame are measured from the frame's corner.
    const int optionTops[] = {600, 1200, 1800};
    const int optionWidths[] = {3615, 4095, 3855};
    for (int index = 0; index < 3; ++index) {
        QRadioButton* option =
            new QRadioButton(settingsOf(DownloadMode(index)).optionCaption, fraSample1);
        option->setObjectName(QStringLiteral("optDownload_%1").arg(index));
        place(option, 360, optionTops[index], optionWidths[index], 255);
        Units::widenToFit(option, fraSample1->width() - Units::twipsToPixels(60));
        // A selection made by code counts as a click too; a click on the selected option changes nothing
        // but still counts.
        connect(option, &QRadioButton::toggled, this, [this, index](bool on) {
            if (on)
                optDownload_Click(index);
        });
        connect(option, &QRadioButton::clicked, this, [this, index] { optDownload_Click(index); });
        optDownload[size_t(index)] = option;
    }
    Units::shareSmallestFont({optDownload[0], optDownload[1], optDownload[2]});

    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdApply = new QPushButton(QStringLiteral("&Apply"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdApply->setObjectName(QStringLiteral("cmdApply"));
    place(cmdOK, 5040, 480, 1095, 375);
    place(cmdCancel, 5040, 1560, 1095, 375);
    place(cmdApply, 5040, 2640, 1095, 375);
    cmdOK->setDefault(true);

    // What a screen reader says besides each caption.
    fraSample1->setAccessibleDescription(tr("What happens to a link dropped on a document window"));
    optDownload[0]->setAccessibleDescription(tr("A link dropped on a document window is downloaded at once"));
    optDownload[1]->setAccessibleDescription(
        tr("A dropped link is inserted as text; the toolbar's Download File button downloads it"));
    optDownload[2]->setAccessibleDescription(
        tr("Dropped links stay text and nothing is downloaded; File Open is available"));
    cmdOK->setAccessibleDescription(tr("Applies the selected mode and closes the dialog"));
    cmdCancel->setAccessibleDescription(tr("Closes the dialog; a mode already applied stays"));
    cmdApply->setAccessibleDescription(tr("Applies the selected mode and keeps the dialog open"));
    connect(cmdOK, &QPushButton::clicked, this, &dlgDownload::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &dlgDownload::cmdCancel_Click);
    connect(cmdApply, &QPushButton::clicked, this, &dlgDownload::cmdApply_Click);

    // Once Apply has cut it loose from its owner, nothing else would take it down with the program.
    if (owner)
        connect(owner, &QObject::destroyed, this, [this] { delete this; });

    Form_Load();
}

dlgDownload::~dlgDownload()
{
    endModalLoop();
}

void dlgDownload::Form_Load()
{
    if (!m_main)
        return;
    const QAction* downloadFile = m_main->tbToolBar->button(21);
    const std::optional<DownloadMode> mode =
        modeFromPair(m_main->intOLEModertfText, downloadFile && downloadFile->isEnabled());
    if (mode)
        optDownload[size_t(*mode)]->setChecked(true);
}

void dlgDownload::ShowModal()
{
    if (isVisible()) {
        raise();
        activateWindow();
        return;
    }
    // Shown for the first time with an owner, QDialog centres itself on it (window frame included).
    setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    m_modalLoop = &loop;
    const QPointer<dlgDownload> guard(this);
    show();
    loop.exec(QEventLoop::DialogExec);
    if (guard)
        m_modalLoop = nullptr;
}

void dlgDownload::endModalLoop()
{
    if (m_modalLoop) {
        m_modalLoop->exit();
        m_modalLoop = nullptr;
    }
}

void dlgDownload::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    endModalLoop();
}

void dlgDownload::optDownload_Click(int Index)
{
    Q_UNUSED(Index)
    cmdCancel->setEnabled(true);
}

int dlgDownload::selectedOption() const
{
    for (int index = 0; index < 3; ++index) {
        if (optDownload[size_t(index)]->isChecked())
            return index;
    }
    return -1;
}

void dlgDownload::becomeOwnerless()
{
    const QPoint at = pos();
    setWindowModality(Qt::NonModal);
    setParent(nullptr, kFixedDialog);
    move(at);
}

void dlgDownload::cmdApply_Click()
{
    const int option = selectedOption();
    if (option >= 0 && m_main) {
        const DownloadModeSettings& mode = settingsOf(DownloadMode(option));
        QWidget* active = m_main->ActiveForm();
        if (auto* document = qobject_cast<frmDocument*>(active)) {
            document->rtfText->setOLEDropMode(mode.dropMode);
        } else if (active) {
            // No document to change: a new one is made and closed again while the previous mode still
            // holds, and the dialog stays open without modality over whatever is in front.
            QMdiSubWindow* previous = m_main->mdiArea->currentSubWindow();
            frmDocument* created = m_main->LoadNewDoc1();
            if (created)
                created->rtfText->setOLEDropMode(mode.dropMode);
            hide();
            if (QMdiSubWindow* frame = created ? created->subWindow() : nullptr)
                frame->close();
            // As when the top child of a stack closes, the one that was in front before comes back.
            if (previous && m_main->mdiArea->subWindowList().contains(previous))
                m_main->mdiArea->setActiveSubWindow(previous);
            becomeOwnerless();
            show();
        }

        m_main->intOLEModertfText = mode.oleMode;
        if (QAction* downloadFile = m_main->tbToolBar->button(21))
            downloadFile->setEnabled(mode.downloadFileEnabled);
        if (QAction* open = m_main->tbToolBar->button(2))
            open->setEnabled(mode.openEnabled);
        if (QAction* fileOpen = m_main->findChild<QAction*>(QStringLiteral("mnuFileOpen")))
            fileOpen->setEnabled(mode.openEnabled);
        m_main->sbStatusBar->setPanelText(1, mode.statusText);
    }
    cmdCancel->setEnabled(false);
}

void dlgDownload::cmdOK_Click()
{
    cmdApply_Click();
    close();
}

void dlgDownload::cmdCancel_Click()
{
    close();
}

void dlgDownload::reject()
{
    if (cmdCancel->isEnabled())
        cmdCancel_Click();
}

void dlgDownload::closeEvent(QCloseEvent* event)
{
    // The close box unloads the dialog whatever the state of Cancel.
    event->accept();
}

} // namespace tarnwick::download
