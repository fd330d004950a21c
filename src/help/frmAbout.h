#pragma once

#include "platform/Services.h"

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace tarnwick::help {

// The About box: the product's name and version, and a way to start the system's System
// Information program, whose location the registry gives.
class frmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit frmAbout(const platform::Services& services, QWidget* parent = nullptr);

    static const QString SysInfoKey;         // the program's full path, value "PATH"
    static const QString SysInfoLocationKey; // the folder holding MSINFO32.EXE, value "MSINFO"
    static const QString UnavailableMessage;
    static constexpr quint32 ValueBufferSize = 1024;

    QLabel* picIcon;
    QLabel* Picture1;
    QFrame* Line1;
    QLabel* Label1;
    QPushButton* cmdSysInfo;
    QPushButton* cmdOK;

    // Starts System Information, or says that it is unavailable.
    void StartSysInfo();
    // Reads value SubKeyRef of key keyName below KeyRoot into KeyVal. False, with KeyVal emptied, when
    // the key cannot be opened with full access or the value cannot be read into 1024 bytes. A value
    // that is neither a string nor a 32-bit number reads as true and leaves KeyVal as it was.
    bool GetKeyValue(quint32 KeyRoot, const QString& keyName, const QString& SubKeyRef, QString& KeyVal);

public slots:
    void cmdOK_Click();
    void cmdSysInfo_Click();

protected:
    // Esc and the close box act as OK, the box's only way out.
    void reject() override;

private:
    void showUnavailable();

    platform::Services m_services;
};

} // namespace tarnwick::help
