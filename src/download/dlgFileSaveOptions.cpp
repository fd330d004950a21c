#include "download/dlgFileSaveOptions.h"

#include "download/FileSaveMode.h"
#include "platform/Units.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>

namespace tarnwick::download {

using platform::Units;

dlgFileSaveOptions::dlgFileSaveOptions(FileSaveMode& mode, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , frmFileSaveOptions(new QGroupBox(QStringLiteral("Change File Save Options for Downloaded Files "), this))
    , optFileSave{new QRadioButton(QStringLiteral("Automatically name all downloaded files without prompt"),
                                   frmFileSaveOptions),
                  new QRadioButton(QStringLiteral("Prompt for name of downloaded file, having common or duplicate name"),
                                   frmFileSaveOptions)}
    , cmdOK(new QPushButton(QStringLiteral("&OK"), this))
    , cmdCancel(new QPushButton(QStringLiteral("&Cancel"), this))
    , cmdApply(new QPushButton(QStringLiteral("&Apply"), this))
    , m_mode(mode)
{
    setObjectName(QStringLiteral("dlgFileSaveOptions"));
    setWindowTitle(QStringLiteral("File Save Options for Downloaded Files"));
    setModal(true);
    setFixedSize(Units::twipsToPixels(7170, 2925));

    frmFileSaveOptions->setObjectName(QStringLiteral("frmFileSaveOptions"));
    frmFileSaveOptions->setAccessibleDescription(tr("How downloaded files are named"));
    frmFileSaveOptions->setGeometry(Units::rectFromTwips(120, 360, 5655, 1935));
    Units::widenToFit(frmFileSaveOptions, frmFileSaveOptions->geometry().right() + 1);
    optFileSave[0]->setObjectName(QStringLiteral("optFileSave0"));
    optFileSave[0]->setToolTip(QStringLiteral("Will automatically name each file being downloaded, without prompting for name"));
    optFileSave[0]->setGeometry(Units::rectFromTwips(120, 600, 4815, 255));
    optFileSave[1]->setObjectName(QStringLiteral("optFileSave1"));
    optFileSave[1]->setToolTip(QStringLiteral("Will prompt for name of file being downloaded, if it has common or duplicate name"));
    optFileSave[1]->setGeometry(Units::rectFromTwips(120, 1200, 5415, 255));
    for (QRadioButton* option : optFileSave)
        Units::widenToFit(option, frmFileSaveOptions->width() - Units::twipsToPixels(60));
    Units::shareSmallestFont({optFileSave[0], optFileSave[1]});

    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setToolTip(QStringLiteral("OK"));
    cmdOK->setGeometry(Units::rectFromTwips(5880, 480, 1095, 375));
    cmdOK->setDefault(true);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setToolTip(QStringLiteral("Cancel"));
    cmdCancel->setGeometry(Units::rectFromTwips(5880, 1200, 1095, 375));
    cmdCancel->setAutoDefault(false);
    cmdApply->setObjectName(QStringLiteral("cmdApply"));
    cmdApply->setToolTip(QStringLiteral("&Apply"));
    cmdApply->setGeometry(Units::rectFromTwips(5880, 1920, 1095, 375));
    cmdApply->setAutoDefault(false);

    for (int index = 0; index < 2; ++index) {
        // A selection made from code counts as a click, as a click on the selected one does.
        connect(optFileSave[index], &QRadioButton::toggled, this, [this, index](bool on) {
            if (on)
                optFileSave_Click(index);
        });
        connect(optFileSave[index], &QRadioButton::clicked, this, [this, index] { optFileSave_Click(index); });
    }
    connect(cmdOK, &QPushButton::clicked, this, &dlgFileSaveOptions::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &dlgFileSaveOptions::cmdCancel_Click);
    connect(cmdApply, &QPushButton::clicked, this, &dlgFileSaveOptions::cmdApply_Click);
    Form_Load();
}

void dlgFileSaveOptions::Form_Load()
{
    optFileSave[m_mode.blFileSaveNotOption1 ? 1 : 0]->setChecked(true);
}

void dlgFileSaveOptions::optFileSave_Click(int)
{
    cmdCancel->setEnabled(true);
}

void dlgFileSaveOptions::cmdApply_Click()
{
    if (optFileSave[0]->isChecked()) {
        m_mode.blFileSaveNotOption = false;
        m_mode.blFileSaveNotOption1 = false;
        cmdCancel->setEnabled(false);
        return;
    }
    if (optFileSave[1]->isChecked()) {
        m_mode.blFileSaveNotOption = true;
        m_mode.blFileSaveNotOption1 = true;
        cmdCancel->setEnabled(false);
    }
}

void dlgFileSaveOptions::cmdOK_Click()
{
    cmdApply_Click();
    accept();
}

void dlgFileSaveOptions::cmdCancel_Click()
{
    reject();
}

void dlgFileSaveOptions::keyPressEvent(QKeyEvent* event)
{
    // Esc is the Cancel button's key, so it does nothing while that button is disabled.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (cmdCancel->isEnabled())
            cmdCancel->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace tarnwick::download
