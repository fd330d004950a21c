#pragma once

#include <QDialog>

class QGroupBox;
class QPushButton;
class QRadioButton;

namespace tarnwick::download {

struct FileSaveMode;

// "File Save Options for Downloaded Files": chooses between automatic and prompted naming.
// A choice takes effect only through Apply or OK.
class dlgFileSaveOptions : public QDialog
{
    Q_OBJECT
public:
    dlgFileSaveOptions(FileSaveMode& mode, QWidget* owner);

    QGroupBox* frmFileSaveOptions;
    QRadioButton* optFileSave[2];
    QPushButton* cmdOK;
    QPushButton* cmdCancel;
    QPushButton* cmdApply;

    void optFileSave_Click(int Index);
    void cmdApply_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Form_Load();

    FileSaveMode& m_mode;
};

} // namespace tarnwick::download
