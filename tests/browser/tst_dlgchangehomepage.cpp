// The home page dialog: its layout as designed, what it shows, and what OK, Cancel, Esc and the
// close box store.
#include "browser/dlgChangeHomePage.h"
#include "platform/Units.h"
#include "shell/ProductHomePage.h"
#include "shell/SettingsKeys.h"
#include "shell/frmMain.h"
#include "support/MemorySettingsStore.h"
#include "support/ShellFixture.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace tarnwick;
using browser::dlgChangeHomePage;
using platform::Units;
using test::MemorySettingsStore;

namespace {

const QString kProductPage = QStringLiteral("file:///opt/tarnwick/tarnwick-home.html");

QRect twips(int left, int top, int width, int height)
{
    return QRect(Units::twipsToPixels(left), Units::twipsToPixels(top), Units::twipsToPixels(width),
                 Units::twipsToPixels(height));
}

} // namespace

class tst_dlgChangeHomePage : public QObject
{
    Q_OBJECT
private slots:
    void init() { Units::setDpiOverride(144); }
    void cleanup() { Units::setDpiOverride(0); }

    void controlsAreLaidOutAsDesigned_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QRect>("designed"); // twips
        QTest::newRow("Label1") << "Label1" << "Change Home Page of Web Bowser " << QRect(360, 360, 2655, 255);
        QTest::newRow("Label2") << "Label2" << "of Tarnwick :" << QRect(360, 840, 2655, 375);
        QTest::newRow("txtChangeHomePage") << "txtChangeHomePage" << kProductPage << QRect(360, 1440, 5415, 375);
        QTest::newRow("OKButton") << "OKButton" << "OK" << QRect(4560, 240, 1215, 375);
        QTest::newRow("CancelButton") << "CancelButton" << "Cancel" << QRect(4560, 840, 1215, 375);
    }
    void controlsAreLaidOutAsDesigned()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QRect, designed);
        MemorySettingsStore settings;
        dlgChangeHomePage dialog(settings, kProductPage);
        QWidget* control = dialog.findChild<QWidget*>(name);
        QVERIFY(control);
        const QRect expected = twips(designed.x(), designed.y(), designed.width(), designed.height());
        if (qobject_cast<QLabel*>(control)) {
            // A label may be widened for the desktop's font, never into the buttons.
            QCOMPARE(control->pos(), expected.topLeft());
            QCOMPARE(control->height(), expected.height());
            QVERIFY(control->width() >= expected.width());
            QVERIFY(control->geometry().right() < dialog.OKButton->x());
        } else {
            QCOMPARE(control->geometry(), expected);
        }
        QString shown;
        if (auto* label = qobject_cast<QLabel*>(control))
            shown = label->text();
        else if (auto* button = qobject_cast<QPushButton*>(control))
            shown = button->text();
        else if (auto* edit = qobject_cast<QLineEdit*>(control))
            shown = edit->text();
        QCOMPARE(shown, text);
    }

    void dialogOpensAsDesigned()
    {
        MemorySettingsStore settings;
        dlgChangeHomePage dialog(settings, kProductPage);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Change Home Page of Web Browser"));
        QVERIFY(!(dialog.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(dialog.windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(dialog.minimumSize(), Units::twipsToPixels(6105, 2415));
        QCOMPARE(dialog.maximumSize(), Units::twipsToPixels(6105, 2415));
        QVERIFY(dialog.OKButton->isDefault());
        QVERIFY(!dialog.CancelButton->isDefault());

        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog, 5000));
        QCOMPARE(dialog.geometry().topLeft(), QPoint(Units::twipsToPixels(2760), Units::twipsToPixels(3750)));
        dialog.activateWindow();
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), static_cast<QWidget*>(dialog.OKButton), 5000);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.CancelButton));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.txtChangeHomePage));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.OKButton));
    }

    void showsTheStoredValueOrTheProductPage_data()
    {
        QTest::addColumn<bool>("stored");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("shown");
        QTest::newRow("nothing stored") << false << QString() << kProductPage;
        QTest::newRow("an address") << true << "http://example.test/" << "http://example.test/";
        QTest::newRow("the empty text") << true << QString() << QString();
    }
    void showsTheStoredValueOrTheProductPage()
    {
        QFETCH(bool, stored);
        QFETCH(QString, value);
        QFETCH(QString, shown);
        MemorySettingsStore settings;
        if (stored)
            settings.write(shell::settings::HomePage, value);
        settings.clearWrites();
        dlgChangeHomePage dialog(settings, kProductPage);
        QCOMPARE(dialog.txtChangeHomePage->text(), shown);
        QVERIFY(settings.writes().isEmpty());
    }

    void okStoresTheTextAsItStands_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("an address") << "http://127.0.0.1:8080/index.html";
        QTest::newRow("blanks around it") << "  http://example.test/  ";
        QTest::newRow("empty") << QString();
        QTest::newRow("no address at all") << "just words";
    }
    void okStoresTheTextAsItStands()
    {
        QFETCH(QString, text);
        MemorySettingsStore settings;
        dlgChangeHomePage dialog(settings, kProductPage);
        dialog.show();
        dialog.txtChangeHomePage->setText(text);
        QTest::mouseClick(dialog.OKButton, Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
        QVERIFY(settings.contains(shell::settings::HomePage));
        QCOMPARE(settings.read(shell::settings::HomePage, QStringLiteral("<absent>")), text);
    }

    void enterRightAfterOpeningStoresWhatIsShown()
    {
        MemorySettingsStore settings;
        dlgChangeHomePage dialog(settings, kProductPage);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog, 5000));
        QTest::keyClick(&dialog, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(settings.writes(), QStringList{shell::settings::HomePage});
        QCOMPARE(settings.read(shell::settings::HomePage, QString()), kProductPage);
    }

    void leavingWithoutOkStoresNothing_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("Cancel") << 0;
        QTest::newRow("Esc") << 1;
        QTest::newRow("close box") << 2;
    }
    void leavingWithoutOkStoresNothing()
    {
        QFETCH(int, how);
        MemorySettingsStore settings;
        settings.write(shell::settings::HomePage, QStringLiteral("http://kept.test/"));
        settings.clearWrites();
        dlgChangeHomePage dialog(settings, kProductPage);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog, 5000));
        dialog.txtChangeHomePage->setText(QStringLiteral("http://changed.test/"));
        if (how == 0)
            QTest::mouseClick(dialog.CancelButton, Qt::LeftButton);
        else if (how == 1)
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else
            dialog.close();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(settings.writes().isEmpty());
        QCOMPARE(settings.read(shell::settings::HomePage, QString()), QStringLiteral("http://kept.test/"));
    }

    void optionsCommandOpensItModalWithoutOwner()
    {
        test::ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        Units::setDpiOverride(144);
        QPointer<QWidget> seen;
        bool ownerless = false;
        bool modal = false;
        // Answers the dialog from inside its own event loop; a guard ends any dialog that is left open.
        QTimer answer;
        answer.setInterval(20);
        connect(&answer, &QTimer::timeout, this, [&] {
            auto* dialog = qobject_cast<dlgChangeHomePage*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            answer.stop();
            seen = dialog;
            ownerless = dialog->parentWidget() == nullptr;
            modal = dialog->isModal();
            QCOMPARE(dialog->txtChangeHomePage->text(), shell::productHomePageUrl(main->services().environment));
            dialog->txtChangeHomePage->setText(QStringLiteral("http://chosen.test/"));
            dialog->OKButton->click();
        });
        answer.start();
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, this, [] {
            if (QWidget* dialog = QApplication::activeModalWidget())
                dialog->close();
        });
        guard.start(10000);

        main->findChild<QAction*>(QStringLiteral("mnuOptionsHomePageofWebBrowser"))->trigger();
        QVERIFY(guard.isActive());
        QVERIFY(seen.isNull()); // unloaded when it closed
        QVERIFY(ownerless);
        QVERIFY(modal);
        QCOMPARE(fx.settings.read(shell::settings::HomePage, QString()), QStringLiteral("http://chosen.test/"));
    }
};

QTEST_MAIN(tst_dlgChangeHomePage)
#include "tst_dlgchangehomepage.moc"
