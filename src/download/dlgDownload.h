#pragma once

#include <QDialog>
#include <QPointer>
#include <array>

class QEventLoop;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace tarnwick::shell {
class frmMain;
}

namespace tarnwick::download {

// "Download Options": chooses the download mode. Shown modal over the main window; closing it
// unloads it (the instance deletes itself), so each opening starts from the current mode.
class dlgDownload : public QDialog
{
    Q_OBJECT
public:
    explicit dlgDownload(shell::frmMain* owner);
    ~dlgDownload() override;

    // Shows the dialog modal, centred on its owner, and returns once it is closed or once Apply has
    // left it open without modality. A dialog already open is only brought to the front.
    void ShowModal();

    QGroupBox* fraSample1;
    std::array<QRadioButton*, 3> optDownload;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;
    QPushButton* cmdApply;

public slots:
    void optDownload_Click(int Index);
    void cmdApply_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    // Esc: the Cancel button's key, so it does nothing while that button is disabled.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Form_Load();
    int selectedOption() const;
    void becomeOwnerless();
    void endModalLoop();

    QPointer<shell::frmMain> m_main;
    QEventLoop* m_modalLoop = nullptr;
};

} // namespace tarnwick::download
