// The Download Options dialog: the three modes and what each sets, which windows an Apply
// touches, the Cancel button's rules and how the dialog is shown.
#include "document/frmDocument.h"
#include "download/ctlAsync.h"
#include "download/dlgDownload.h"
#include "platform/RichTextBox.h"
#include "platform/Units.h"
#include "shell/MainStatusBar.h"
#include "shell/MainToolBar.h"
#include "shell/frmMain.h"
#include "support/ShellFixture.h"

#include <QApplication>
#include <QGroupBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <functional>

using namespace tarnwick;
using document::frmDocument;
using download::dlgDownload;
using test::ShellFixture;

namespace {
const QString kAutomatic = QStringLiteral("Download file automatically on drag & drop ");
const QString kConfirmation = QStringLiteral("Download file only after user confirmation ");
const QString kWordProcessor = QStringLiteral("Disable Download and use as Word Processor ");

QAction* item(shell::frmMain* main, const char* name)
{
    return main->findChild<QAction*>(QLatin1String(name));
}

int selected(const dlgDownload* dialog)
{
    for (int index = 0; index < 3; ++index) {
        if (dialog->optDownload[size_t(index)]->isChecked())
            return index;
    }
    return -1;
}

// Chooses an option and applies it with a fresh dialog, then closes the dialog with OK.
void choose(shell::frmMain* main, int option)
{
    auto* dialog = new dlgDownload(main);
    dialog->show();
    QTest::mouseClick(dialog->optDownload[size_t(option)], Qt::LeftButton);
    QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
}

struct MainState
{
    qint32 oleMode;
    bool downloadFile;
    bool openButton;
    bool openItem;
    QString status;
};

MainState stateOf(shell::frmMain* main)
{
    return {main->intOLEModertfText, main->tbToolBar->button(21)->isEnabled(), main->tbToolBar->button(2)->isEnabled(),
            item(main, "mnuFileOpen")->isEnabled(), main->sbStatusBar->panelText(1)};
}

void drop(frmDocument* window, const QString& text)
{
    QMimeData data;
    data.setText(text);
    QWidget* target = window->rtfText->viewport();
    const QPoint at(5, 5);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &move);
    QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &dropped);
}

// Runs command, which shows a modal dialog, and hands the dialog to act while it is up. Gives up
// (closing whatever is modal) after a few seconds so that a dialog that never shows cannot hang.
bool whileModal(const std::function<void()>& command, const std::function<void(dlgDownload*)>& act)
{
    bool acted = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<dlgDownload*>(QApplication::activeModalWidget())) {
            poll.stop();
            acted = true;
            act(dialog);
        }
    });
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, [&] {
        poll.stop();
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    poll.start();
    giveUp.start(5000);
    command();
    return acted;
}
} // namespace

class tst_dlgDownload : public QObject
{
    Q_OBJECT
private slots:
    void dialogIsLaidOutInTwips_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<QString>("caption");
        QTest::newRow("frame") << "fraSample1" << "dlgDownload" << QRect(120, 360, 4680, 2625)
                               << "Change Download Options in the Document Window";
        QTest::newRow("option 0") << "optDownload_0" << "fraSample1" << QRect(360, 600, 3615, 255)
                                  << "Download file automatically on drag and drop";
        QTest::newRow("option 1") << "optDownload_1" << "fraSample1" << QRect(360, 1200, 4095, 255)
                                  << "Download file only after user confirmation";
        QTest::newRow("option 2") << "optDownload_2" << "fraSample1" << QRect(360, 1800, 3855, 255)
                                  << "Disable Download and use as Word Processor";
        QTest::newRow("OK") << "cmdOK" << "dlgDownload" << QRect(5040, 480, 1095, 375) << "&OK";
        QTest::newRow("Cancel") << "cmdCancel" << "dlgDownload" << QRect(5040, 1560, 1095, 375) << "&Cancel";
        QTest::newRow("Apply") << "cmdApply" << "dlgDownload" << QRect(5040, 2640, 1095, 375) << "&Apply";
    }

    void dialogIsLaidOutInTwips()
    {
        QFETCH(QString, name);
        QFETCH(QString, parent);
        QFETCH(QRect, twips);
        QFETCH(QString, caption);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        QPointer<dlgDownload> dialog = new dlgDownload(main);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Download Options"));
        QCOMPARE(dialog->size(), platform::Units::twipsToPixels(6345, 3540));
        QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
        QVERIFY(!(dialog->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(dialog->cmdOK->isDefault());

        QWidget* control = dialog->findChild<QWidget*>(name);
        QVERIFY(control);
        QCOMPARE(control->parentWidget()->objectName(), parent);
        const QRect designed = platform::Units::rectFromTwips(twips.x(), twips.y(), twips.width(), twips.height());
        if (qobject_cast<QRadioButton*>(control)) {
            // An option keeps its place; a caption too wide for this desktop's font gets room up to
            // the frame's edge, never beyond it.
            QCOMPARE(control->pos(), designed.topLeft());
            QCOMPARE(control->height(), designed.height());
            QVERIFY(control->width() >= designed.width());
            QVERIFY(control->geometry().right() < control->parentWidget()->width());
        } else {
            QCOMPARE(control->geometry(), designed);
        }
        if (auto* frame = qobject_cast<QGroupBox*>(control))
            QCOMPARE(frame->title(), caption);
        if (auto* button = qobject_cast<QAbstractButton*>(control))
            QCOMPARE(button->text(), caption);
        delete dialog;
    }

    void theMenuShowsItModalCentredOnTheMainWindow()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        QPointer<dlgDownload> seen;
        bool modal = false;
        QWidget* owner = nullptr;
        QPoint offset;
        const bool acted = whileModal([main] { item(main, "mnuOptionsDownloadOptions")->trigger(); },
                                      [&](dlgDownload* dialog) {
                                          seen = dialog;
                                          modal = dialog->windowModality() == Qt::ApplicationModal;
                                          owner = dialog->parentWidget();
                                          offset = dialog->frameGeometry().center() - main->frameGeometry().center();
                                          QTest::mouseClick(dialog->cmdCancel, Qt::LeftButton);
                                      });
        QVERIFY(acted);
        QVERIFY(modal);
        QCOMPARE(owner, main);
        QVERIFY2(qAbs(offset.x()) <= 1 && qAbs(offset.y()) <= 1,
                 qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));
        // Closing unloads it.
        QTRY_VERIFY_WITH_TIMEOUT(seen.isNull(), 2000);
    }

    void reopeningSelectsTheModeChosenLast_data()
    {
        QTest::addColumn<QList<int>>("choices");
        QTest::newRow("word processor") << QList<int>{2};
        QTest::newRow("confirmation") << QList<int>{1};
        QTest::newRow("word processor, then confirmation") << QList<int>{2, 1};
        QTest::newRow("confirmation, then word processor") << QList<int>{1, 2};
        QTest::newRow("back to automatic") << QList<int>{2, 0};
    }

    void reopeningSelectsTheModeChosenLast()
    {
        QFETCH(QList<int>, choices);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        for (int option : choices)
            choose(main, option);
        auto* dialog = new dlgDownload(main);
        QCOMPARE(selected(dialog), choices.constLast());
        delete dialog;
    }

    void applyWithoutChildrenSetsTheMainWindowAndLaterDocuments_data()
    {
        QTest::addColumn<int>("startOption");
        QTest::addColumn<int>("option");
        QTest::addColumn<int>("oleMode");
        QTest::addColumn<bool>("downloadFile");
        QTest::addColumn<bool>("open");
        QTest::addColumn<QString>("status");
        // Confirmation and word processor share the drop mode and intOLEModertfText; only the buttons,
        // File > Open and the status text tell them apart.
        QTest::newRow("automatic") << 2 << 0 << 1 << false << false << kAutomatic;
        QTest::newRow("confirmation") << 0 << 1 << 2 << true << false << kConfirmation;
        QTest::newRow("word processor") << 0 << 2 << 2 << false << true << kWordProcessor;
        QTest::newRow("confirmation from word processor") << 2 << 1 << 2 << true << false << kConfirmation;
        QTest::newRow("word processor from confirmation") << 1 << 2 << 2 << false << true << kWordProcessor;
    }

    void applyWithoutChildrenSetsTheMainWindowAndLaterDocuments()
    {
        QFETCH(int, startOption);
        QFETCH(int, option);
        QFETCH(int, oleMode);
        QFETCH(bool, downloadFile);
        QFETCH(bool, open);
        QFETCH(QString, status);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        if (startOption != 0)
            choose(main, startOption);
        item(main, "mnuFileClose")->trigger();
        QVERIFY(main->mdiArea->subWindowList().isEmpty());
        fx.settings.clearWrites();

        auto* dialog = new dlgDownload(main);
        QTest::mouseClick(dialog->optDownload[size_t(option)], Qt::LeftButton);
        QTest::mouseClick(dialog->cmdApply, Qt::LeftButton);

        const MainState state = stateOf(main);
        QCOMPARE(state.oleMode, oleMode);
        QCOMPARE(state.downloadFile, downloadFile);
        QCOMPARE(state.openButton, open);
        QCOMPARE(state.openItem, open);
        QCOMPARE(state.status, status);
        QVERIFY(main->mdiArea->subWindowList().isEmpty());
        QVERIFY(!dialog->cmdCancel->isEnabled());

        QCOMPARE(main->LoadNewDoc()->rtfText->OLEDropMode(), oleMode);
        QCOMPARE(main->LoadNewDoc1()->rtfText->OLEDropMode(), oleMode);
        // The mode is never stored.
        QVERIFY(fx.settings.writes().isEmpty());
        delete dialog;
    }

    void applyChangesOnlyTheActiveDocument()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        frmDocument* other = main->activeDocument();
        frmDocument* active = main->LoadNewDoc();
        choose(main, 1);
        QCOMPARE(active->rtfText->OLEDropMode(), 2);
        QCOMPARE(other->rtfText->OLEDropMode(), 1);

        // A link dropped on the other window is still downloaded at once ...
        const QString link = QStringLiteral("http://127.0.0.1:9/file.txt");
        drop(other, link);
        QCOMPARE(other->ctlAsync1->URL(), link);
        QCOMPARE(main->OpenDocCount(), 3);
        // ... while on the active one it stays text.
        drop(active, link);
        QVERIFY(active->rtfText->Text().contains(link));
        QVERIFY(active->ctlAsync1->URL().isEmpty());
        QCOMPARE(main->OpenDocCount(), 3);
    }

    void cancelAfterApply_data()
    {
        QTest::addColumn<bool>("clickOption");
        QTest::addColumn<QString>("way");
        QTest::addColumn<bool>("closes");
        QTest::newRow("Esc right after Apply") << false << "escape" << false;
        QTest::newRow("Cancel button right after Apply") << false << "cancel" << false;
        QTest::newRow("close box right after Apply") << false << "close" << true;
        QTest::newRow("OK right after Apply") << false << "ok" << true;
        QTest::newRow("Esc after an option click") << true << "escape" << true;
        QTest::newRow("Cancel after an option click") << true << "cancel" << true;
    }

    void cancelAfterApply()
    {
        QFETCH(bool, clickOption);
        QFETCH(QString, way);
        QFETCH(bool, closes);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        QPointer<dlgDownload> dialog = new dlgDownload(main);
        dialog->show();
        QVERIFY(dialog->cmdCancel->isEnabled());
        QTest::mouseClick(dialog->optDownload[1], Qt::LeftButton);
        QTest::mouseClick(dialog->cmdApply, Qt::LeftButton);
        QVERIFY(!dialog->cmdCancel->isEnabled());
        if (clickOption) {
            // Even the option already selected counts.
            QTest::mouseClick(dialog->optDownload[1], Qt::LeftButton);
            QVERIFY(dialog->cmdCancel->isEnabled());
        }

        if (way == QLatin1String("escape"))
            QTest::keyClick(dialog, Qt::Key_Escape);
        else if (way == QLatin1String("cancel"))
            QTest::mouseClick(dialog->cmdCancel, Qt::LeftButton);
        else if (way == QLatin1String("ok"))
            QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        else
            dialog->close();

        QCOMPARE(dialog && dialog->isVisible(), !closes);
        if (closes)
            QTRY_VERIFY_WITH_TIMEOUT(dialog.isNull(), 2000);
        // Nothing an Apply set is undone.
        QCOMPARE(stateOf(main).status, kConfirmation);
        delete dialog;
    }

    void enterChoosesWithOk()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        QPointer<dlgDownload> dialog = new dlgDownload(main);
        dialog->show();
        QTest::mouseClick(dialog->optDownload[2], Qt::LeftButton);
        QTest::keyClick(dialog->optDownload[2], Qt::Key_Return);
        QCOMPARE(stateOf(main).status, kWordProcessor);
        QTRY_VERIFY_WITH_TIMEOUT(dialog.isNull(), 2000);
    }

    void applyWithAnotherChildInFrontLeavesTheDialogOpenWithoutModality_data()
    {
        QTest::addColumn<bool>("mainWindowGoesFirst");
        QTest::newRow("closed with OK") << false;
        QTest::newRow("main window goes first") << true;
    }

    void applyWithAnotherChildInFrontLeavesTheDialogOpenWithoutModality()
    {
        QFETCH(bool, mainWindowGoesFirst);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        choose(main, 2);
        const qint32 documentsBefore = main->OpenDocCount();
        // Any child that is not a document, as a browser window is.
        auto* browser = new QWidget;
        browser->setObjectName(QStringLiteral("frmBrowser"));
        QMdiSubWindow* browserFrame = main->mdiArea->addSubWindow(browser);
        browserFrame->show();
        main->mdiArea->setActiveSubWindow(browserFrame);
        const QList<QMdiSubWindow*> framesBefore = main->mdiArea->subWindowList();

        // What a new document meets when it is closed: caption, intOLEModertfText, Download File, its drop mode.
        QStringList closings;
        struct CloseFilter : QObject
        {
            std::function<void(QObject*)> onClose;
            bool eventFilter(QObject* target, QEvent* event) override
            {
                if (event->type() == QEvent::Close)
                    onClose(target);
                return false;
            }
        } closeFilter;
        closeFilter.onClose = [&](QObject* target) {
            auto* frame = qobject_cast<QMdiSubWindow*>(target);
            auto* document = qobject_cast<frmDocument*>(frame->widget());
            closings << QStringLiteral("%1 %2 %3 %4")
                            .arg(document->Caption())
                            .arg(main->intOLEModertfText)
                            .arg(main->tbToolBar->button(21)->isEnabled() ? "on" : "off")
                            .arg(document->rtfText->OLEDropMode());
        };
        connect(main->mdiArea, &QMdiArea::subWindowActivated, &closeFilter, [&](QMdiSubWindow* frame) {
            if (frame && !framesBefore.contains(frame))
                frame->installEventFilter(&closeFilter);
        });

        QPointer<dlgDownload> seen;
        const bool acted = whileModal([main] { item(main, "mnuOptionsDownloadOptions")->trigger(); },
                                      [&](dlgDownload* dialog) {
                                          seen = dialog;
                                          QTest::mouseClick(dialog->optDownload[0], Qt::LeftButton);
                                          QTest::mouseClick(dialog->cmdApply, Qt::LeftButton);
                                      });
        // The menu command has returned and the dialog is still open, on its own.
        QVERIFY(acted);
        QVERIFY(seen);
        QVERIFY(seen->isVisible());
        QCOMPARE(seen->parentWidget(), nullptr);
        QCOMPARE(seen->windowModality(), Qt::NonModal);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);

        // One new document came and went while the word-processor mode still held.
        QCOMPARE(closings, QStringList{QStringLiteral("Document%1 2 off 1").arg(documentsBefore + 1)});
        QTRY_COMPARE_WITH_TIMEOUT(main->mdiArea->subWindowList(), framesBefore, 2000);
        QCOMPARE(main->OpenDocCount(), documentsBefore);
        QCOMPARE(main->ActiveForm(), browser);
        QCOMPARE(stateOf(main).status, kAutomatic);
        QCOMPARE(main->intOLEModertfText, 1);
        QVERIFY(fx.dialogs.prompts().isEmpty());

        // The main window can be used meanwhile; asking for the dialog again only brings it forward.
        item(main, "mnuFileNew")->trigger();
        QCOMPARE(main->activeDocument()->rtfText->OLEDropMode(), 1);
        item(main, "mnuOptionsDownloadOptions")->trigger();
        QCOMPARE(seen->windowModality(), Qt::NonModal);
        if (mainWindowGoesFirst) {
            // Without an owner it would outlive the program's window.
            fx.createMain();
            QVERIFY(seen.isNull());
            return;
        }
        QTest::mouseClick(seen->optDownload[1], Qt::LeftButton);
        QTest::mouseClick(seen->cmdOK, Qt::LeftButton);
        QCOMPARE(stateOf(main).status, kConfirmation);
        QTRY_VERIFY_WITH_TIMEOUT(seen.isNull(), 2000);
    }

    void everyRunStartsAutomatic()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        choose(main, 2);
        QCOMPARE(stateOf(main).status, kWordProcessor);
        QVERIFY(fx.closeMain());
        main = fx.createMain();
        const MainState state = stateOf(main);
        QCOMPARE(state.oleMode, 1);
        QVERIFY(!state.downloadFile);
        QVERIFY(!state.openButton);
        QVERIFY(!state.openItem);
        QCOMPARE(state.status, kAutomatic);
        auto* dialog = new dlgDownload(main);
        QCOMPARE(selected(dialog), 0);
        delete dialog;
    }
};

QTEST_MAIN(tst_dlgDownload)
#include "tst_dlgdownload.moc"
