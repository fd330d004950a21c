#include "browser/dlgChangeHomePage.h"

#include "platform/SettingsStore.h"
#include "platform/Units.h"
#include "shell/SettingsKeys.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tarnwick::browser {

using platform::Units;

dlgChangeHomePage::dlgChangeHomePage(platform::SettingsStore& settings, const QString& productHomePage,
                                     QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint)
    , Label1(new QLabel(QStringLiteral("Change Home Page of Web Bowser "), this))
    , Label2(new QLabel(QStringLiteral("of Tarnwick :"), this))
    , txtChangeHomePage(new QLineEdit(this))
    , OKButton(new QPushButton(QStringLiteral("OK"), this))
    , CancelButton(new QPushButton(QStringLiteral("Cancel"), this))
    , m_settings(settings)
    , m_productHomePage(productHomePage)
{
    setObjectName(QStringLiteral("dlgChangeHomePage"));
    setWindowTitle(QStringLiteral("Change Home Page of Web Browser"));
    setModal(true);
    setFixedSize(Units::twipsToPixels(6105, 2415));

    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(Units::rectFromTwips(360, 360, 2655, 255));
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(Units::rectFromTwips(360, 840, 2655, 375));
    txtChangeHomePage->setObjectName(QStringLiteral("txtChangeHomePage"));
    txtChangeHomePage->setGeometry(Units::rectFromTwips(360, 1440, 5415, 375));
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(Units::rectFromTwips(4560, 240, 1215, 375));
    OKButton->setDefault(true);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setGeometry(Units::rectFromTwips(4560, 840, 1215, 375));
    // Designed for a narrower font: a caption that does not fit takes room up to the buttons.
    for (QLabel* label : {Label1, Label2})
        Units::widenToFit(label, OKButton->x() - Units::twipsToPixels(120));

    txtChangeHomePage->setAccessibleName(tr("Home page of Tarnwick"));
    txtChangeHomePage->setAccessibleDescription(tr("The address browser windows open first and go to with Home"));
    OKButton->setAccessibleDescription(tr("Stores the home page"));
    CancelButton->setAccessibleDescription(tr("Closes without changing the home page"));

    setTabOrder(OKButton, CancelButton);
    setTabOrder(CancelButton, txtChangeHomePage);
    OKButton->setFocus(Qt::OtherFocusReason);
    // The client area's corner goes to the designed spot on the screen; the frame lies around it.
    setGeometry(QRect(QPoint(Units::twipsToPixels(2760), Units::twipsToPixels(3750)), size()));

    connect(OKButton, &QPushButton::clicked, this, &dlgChangeHomePage::OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &dlgChangeHomePage::CancelButton_Click);

    Form_Load();
}

void dlgChangeHomePage::Form_Load()
{
    txtChangeHomePage->setText(m_settings.read(shell::settings::HomePage, m_productHomePage));
}

void dlgChangeHomePage::OKButton_Click()
{
    // No trimming and no check: whatever stands in the box, an empty text too, becomes the setting.
    m_settings.write(shell::settings::HomePage, txtChangeHomePage->text());
    accept();
}

void dlgChangeHomePage::CancelButton_Click()
{
    reject();
}

} // namespace tarnwick::browser
