// At twice the scale (QT_SCALE_FACTOR=2, as on a 192 DPI screen) the windows keep their size in
// inches, the toolbar's pictures come from pictures drawn for 2x, and no caption is cut off.
#include "browser/dlgChangeHomePage.h"
#include "download/dlgDownload.h"
#include "download/dlgFileSaveOptions.h"
#include "download/frmChangeDir.h"
#include "platform/Units.h"
#include "shell/Icons.h"
#include "shell/MainToolBar.h"
#include "shell/frmMain.h"
#include "support/ShellFixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QtTest>
#include <functional>
#include <memory>

using namespace tarnwick;
using platform::Units;
using test::ShellFixture;

using DialogMaker = std::function<QWidget*(shell::frmMain*)>;
Q_DECLARE_METATYPE(DialogMaker)

class tst_HiDpi : public QObject
{
    Q_OBJECT
private slots:
    void runsAtTwiceTheScale()
    {
        QCOMPARE(qApp->devicePixelRatio(), 2.0);
        // Device-independent pixels: the logical DPI the twips conversions use stays 96.
        QCOMPARE(QGuiApplication::primaryScreen()->logicalDotsPerInchY(), 96.0);
    }

    void toolbarPicturesAreDrawnForTheScale()
    {
        ShellFixture fx;
        platform::Units::setDpiOverride(0);
        shell::frmMain* main = fx.createMain();
        const QSize iconSize = main->tbToolBar->iconSize();
        for (int index = 1; index <= main->tbToolBar->buttonCount(); ++index) {
            const QAction* button = main->tbToolBar->button(index);
            if (button->isSeparator())
                continue;
            const QPixmap pixmap = button->icon().pixmap(iconSize, main->devicePixelRatioF());
            QCOMPARE(pixmap.devicePixelRatio(), 2.0);
            // A picture drawn for 2x (32 device pixels), not a 16 pixel one blown up.
            QCOMPARE(pixmap.size(), iconSize * 2);
            QVERIFY(button->icon().availableSizes().contains(iconSize * 2));
        }
        // The main window keeps its designed size in inches: 6500 twips at 96 logical DPI.
        QCOMPARE(main->size(), QSize(Units::twipsToPixels(6500), Units::twipsToPixels(6500)));
        QCOMPARE(Units::twipsToPixels(6500), 433);
    }

    void noCaptionIsCutOff_data()
    {
        QTest::addColumn<DialogMaker>("make");
        QTest::newRow("Download Options")
            << DialogMaker([](shell::frmMain* main) -> QWidget* { return new download::dlgDownload(main); });
        QTest::newRow("File Save Options") << DialogMaker([](shell::frmMain* main) -> QWidget* {
            return new download::dlgFileSaveOptions(main->fileSaveMode, main);
        });
        QTest::newRow("Change Directory")
            << DialogMaker([](shell::frmMain* main) -> QWidget* { return new download::frmChangeDir(main); });
        QTest::newRow("Home Page") << DialogMaker([](shell::frmMain* main) -> QWidget* {
            return new browser::dlgChangeHomePage(main->services().settings, QStringLiteral("file:///home.html"), main);
        });
    }

    void noCaptionIsCutOff()
    {
        QFETCH(DialogMaker, make);
        ShellFixture fx;
        platform::Units::setDpiOverride(0);
        shell::frmMain* main = fx.createMain();
        std::unique_ptr<QWidget> dialog(make(main));
        dialog->setAttribute(Qt::WA_DeleteOnClose, false);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));

        int checked = 0;
        for (QWidget* control : dialog->findChildren<QWidget*>()) {
            const bool captioned =
                qobject_cast<QAbstractButton*>(control) || qobject_cast<QGroupBox*>(control) ||
                (qobject_cast<QLabel*>(control) && !qobject_cast<QLabel*>(control)->text().isEmpty());
            if (!captioned || !control->isVisible())
                continue;
            ++checked;
            // A push button's size hint has a floor of its own; what matters there is the caption.
            auto* push = qobject_cast<QPushButton*>(control);
            const int needed = push ? push->fontMetrics().horizontalAdvance(push->text().remove(QLatin1Char('&'))) + 8
                                    : control->sizeHint().width();
            QVERIFY2(needed <= control->width(), qPrintable(QStringLiteral("%1 needs %2 pixels, has %3")
                                                                .arg(control->objectName())
                                                                .arg(needed)
                                                                .arg(control->width())));
            // Inside the dialog, not cut by its edge.
            const QRect inDialog(control->mapTo(dialog.get(), QPoint(0, 0)), control->size());
            QVERIFY2(dialog->rect().contains(inDialog), qPrintable(control->objectName()));
        }
        QVERIFY(checked >= 2);
    }
};

int main(int argc, char* argv[])
{
    // Before the application object: the scale is fixed when the screens are made.
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    tst_HiDpi test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_hidpi.moc"
