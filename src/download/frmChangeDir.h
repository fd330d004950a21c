#pragma once

#include <QDialog>
#include <QHash>
#include <memory>

class QLabel;
class QPushButton;

namespace tarnwick::platform {
class DirectoryList;
class DriveList;
class Volumes;
} // namespace tarnwick::platform
namespace tarnwick::shell {
class frmMain;
}

namespace tarnwick::download {

// "Change Directory for Download": picks the download directory (the main window's newDir) from a
// drive list and a directory list. Modeless and without an owner; one instance lives as long as its
// main window, loaded afresh each time it is opened after being closed.
class frmChangeDir : public QDialog
{
    Q_OBJECT
public:
    // volumes: where the drive list comes from; the mounted file systems when null.
    explicit frmChangeDir(shell::frmMain* mainWindow, const platform::Volumes* volumes = nullptr);
    ~frmChangeDir() override;

    // Loads the window unless it is open already, shows it and brings it to the front.
    void Open();
    bool isLoaded() const { return m_loaded; }

    QString newDir() const;
    void setNewDir(const QString& directory);
    QString startDir() const { return m_startDir; }

    QLabel* Label3;
    QLabel* lblChangeDirectory;
    QLabel* Label1;
    platform::DriveList* Drive1;
    QLabel* Label2;
    platform::DirectoryList* Dir1;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

public slots:
    void cmdOK_Click();
    void cmdCancel_Click();
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Load();
    void Drive1_Change();
    void Dir1_Change();
    // The directory the selected drive was last left in, else its root (the platform's per-drive
    // current directory).
    QString currentDirectoryOfDrive(const QString& root) const;
    bool moveToDriveDirectory();
    void centreOnScreen();

    shell::frmMain* m_main;
    std::unique_ptr<platform::Volumes> m_ownVolumes;
    const platform::Volumes& m_volumes;
    QString m_startDir;
    QHash<QString, QString> m_driveDirectories; // volume root -> directory last chosen there
    bool m_loaded = false;
};

} // namespace tarnwick::download
