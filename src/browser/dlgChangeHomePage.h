#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tarnwick::platform {
class SettingsStore;
}

namespace tarnwick::browser {

// Edits the "Home Page" setting: what View > Web Browser opens and where a browser window's Home
// button goes. OK stores the text exactly as it stands; Cancel, Esc and the close box store nothing.
class dlgChangeHomePage : public QDialog
{
    Q_OBJECT
public:
    // productHomePage is the value shown while nothing is stored.
    dlgChangeHomePage(platform::SettingsStore& settings, const QString& productHomePage, QWidget* parent = nullptr);

    QLabel* Label1;
    QLabel* Label2;
    QLineEdit* txtChangeHomePage;
    QPushButton* OKButton;
    QPushButton* CancelButton;

public slots:
    void Form_Load();
    void OKButton_Click();
    void CancelButton_Click();

private:
    platform::SettingsStore& m_settings;
    QString m_productHomePage;
};

} // namespace tarnwick::browser
