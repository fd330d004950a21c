// The main window's toolbar and menus as a whole: every button goes through its menu command,
// the Window menu's list and arrangements, the shortcuts, and the toolbar's visibility.
#include "document/frmDocument.h"
#include "platform/RichTextBox.h"
#include "shell/MainToolBar.h"
#include "shell/frmMain.h"
#include "support/ShellFixture.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <functional>

using namespace tarnwick;
using document::frmDocument;
using test::ShellFixture;

namespace {
QAction* item(shell::frmMain* main, const QString& name)
{
    return main->findChild<QAction*>(name);
}

// What a command visibly did on a fresh main window in the word-processor mode (so that Open is
// enabled) with "abc" selected in Document1. Modal dialogs that come up are noted and closed; the
// fixture's own folder is written as <root> so that two runs compare.
QStringList outcomeOf(const std::function<void(shell::frmMain*)>& command)
{
    ShellFixture fx;
    shell::frmMain* main = fx.createMain();
    main->intOLEModertfText = 2;
    main->tbToolBar->button(2)->setEnabled(true);
    item(main, QStringLiteral("mnuFileOpen"))->setEnabled(true);
    frmDocument* document = main->activeDocument();
    document->rtfText->setText(QStringLiteral("abc"));
    document->rtfText->selectAll();
    QGuiApplication::clipboard()->setText(QStringLiteral("clip"));

    QStringList outcome;
    QTimer closer;
    closer.setInterval(20);
    QObject::connect(&closer, &QTimer::timeout, [&outcome] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            outcome << QStringLiteral("modal ") + modal->objectName();
            modal->close();
        }
    });
    closer.start();
    command(main);
    closer.stop();

    outcome << QStringLiteral("documents %1").arg(main->OpenDocCount());
    if (frmDocument* active = main->activeDocument())
        outcome << QStringLiteral("active ") + active->Caption() << QStringLiteral("text ") + active->rtfText->Text();
    outcome << QStringLiteral("clipboard ") + QGuiApplication::clipboard()->text();
    for (const auto& prompt : fx.dialogs.prompts())
        outcome << QStringLiteral("prompt %1 %2").arg(int(prompt.kind)).arg(prompt.title);
    QStringList windows;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != main && window->isVisible())
            windows << QStringLiteral("window ") + window->objectName();
    }
    windows.sort();
    outcome << windows;
    outcome.replaceInStrings(fx.path(QString()).chopped(1), QStringLiteral("<root>"));
    return outcome;
}

QStringList listedWindows(QMenu* menu, QList<QAction*>* actions = nullptr)
{
    QStringList texts;
    bool pastFixedItems = false;
    for (QAction* action : menu->actions()) {
        if (action->objectName() == QLatin1String("mnuWindowArrangeIcons")) {
            pastFixedItems = true;
            continue;
        }
        if (!pastFixedItems || action->isSeparator())
            continue;
        texts << (action->isChecked() ? QStringLiteral("* ") : QStringLiteral("  ")) + action->text();
        if (actions)
            *actions << action;
    }
    return texts;
}
} // namespace

class tst_MenusAndToolbar : public QObject
{
    Q_OBJECT
private slots:
    void toolbarButtonsRunTheirMenuCommands_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("menuItem");
        QTest::addColumn<bool>("acts");
        QTest::newRow("New") << "New" << "mnuFileNew" << true;
        QTest::newRow("Open") << "Open" << "mnuFileOpen" << true;
        QTest::newRow("Open in Web Browser") << "Open in Web Browser" << "mnuFileWebBrowser" << true;
        QTest::newRow("Save") << "Save" << "mnuFileSave" << true;
        QTest::newRow("Print") << "Print" << "mnuFilePrint" << false;
        QTest::newRow("Cut") << "Cut" << "mnuEditCut" << false;
        QTest::newRow("Copy") << "Copy" << "mnuEditCopy" << false;
        QTest::newRow("Paste") << "Paste" << "mnuEditPaste" << false;
        QTest::newRow("Change Directory") << "Change Directory" << "mnuOptionsChangeDirectory" << true;
        QTest::newRow("View Log File") << "View Log File" << "mnuViewViewLogFile" << true;
        QTest::newRow("File Save Options") << "File Save Options" << "mnuOptionsFileSaveOptions" << true;
    }

    void toolbarButtonsRunTheirMenuCommands()
    {
        QFETCH(QString, key);
        QFETCH(QString, menuItem);
        QFETCH(bool, acts);
        const QStringList byButton =
            outcomeOf([&key](shell::frmMain* main) { main->tbToolBar->button(key)->trigger(); });
        const QStringList byMenu = outcomeOf([&menuItem](shell::frmMain* main) { item(main, menuItem)->trigger(); });
        QCOMPARE(byButton, byMenu);
        // Where the command does something today, the comparison above compared something.
        if (acts)
            QVERIFY(byButton != outcomeOf([](shell::frmMain*) {}));
    }

    void windowMenuListsTheShownChildrenWithTheActiveChecked()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        main->LoadNewDoc()->setCaption(QStringLiteral("R&D notes"));
        main->LoadNewDoc()->Hide();
        auto* browser = new QWidget;
        browser->setWindowTitle(QStringLiteral("Browser"));
        QMdiSubWindow* browserFrame = main->mdiArea->addSubWindow(browser);
        browserFrame->show();
        main->mdiArea->setActiveSubWindow(browserFrame);

        auto* menu = main->findChild<QMenu*>(QStringLiteral("mnuWindow"));
        emit menu->aboutToShow();
        QList<QAction*> actions;
        QCOMPARE(listedWindows(menu, &actions),
                 QStringList({QStringLiteral("  &1 Document1"), QStringLiteral("  &2 R&&D notes"),
                              QStringLiteral("* &3 Browser")}));

        actions.first()->trigger();
        QCOMPARE(main->activeDocument()->Caption(), QStringLiteral("Document1"));
        emit menu->aboutToShow();
        QCOMPARE(listedWindows(menu),
                 QStringList({QStringLiteral("* &1 Document1"), QStringLiteral("  &2 R&&D notes"),
                              QStringLiteral("  &3 Browser")}));

        // The menu's own items stay as they are; with no children nothing is listed.
        item(main, QStringLiteral("mnuWindowCascade"))->trigger();
        for (QMdiSubWindow* frame : main->mdiArea->subWindowList())
            frame->close();
        emit menu->aboutToShow();
        QVERIFY(listedWindows(menu).isEmpty());
        QCOMPARE(menu->actions().size(), 6);
    }

    void windowArrangements_data()
    {
        QTest::addColumn<QString>("menuItem");
        QTest::newRow("Cascade") << "mnuWindowCascade";
        QTest::newRow("Tile Horizontal") << "mnuWindowTileHorizontal";
        QTest::newRow("Tile Vertical") << "mnuWindowTileVertical";
        QTest::newRow("Arrange Icons") << "mnuWindowArrangeIcons";
    }

    void windowArrangements()
    {
        QFETCH(QString, menuItem);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        main->resize(900, 700);
        main->LoadNewDoc();
        main->LoadNewDoc();
        QList<QMdiSubWindow*> frames = main->mdiArea->subWindowList(QMdiArea::CreationOrder);
        QCOMPARE(frames.size(), 3);
        const QRect area = main->mdiArea->viewport()->rect();
        if (menuItem == QLatin1String("mnuWindowArrangeIcons")) {
            frames.at(0)->showMinimized();
            frames.at(2)->showMinimized();
            frames.at(0)->move(200, 40);
            frames.at(2)->move(10, 90);
        }
        item(main, menuItem)->trigger();

        const auto byX = [](QMdiSubWindow* a, QMdiSubWindow* b) { return a->x() < b->x(); };
        const auto byY = [](QMdiSubWindow* a, QMdiSubWindow* b) { return a->y() < b->y(); };
        if (menuItem == QLatin1String("mnuWindowTileHorizontal")) {
            // One above the other, each as wide as the area, together as high as it.
            std::sort(frames.begin(), frames.end(), byY);
            int top = 0;
            for (QMdiSubWindow* frame : frames) {
                QCOMPARE(frame->geometry().left(), 0);
                QCOMPARE(frame->width(), area.width());
                QCOMPARE(frame->y(), top);
                top += frame->height();
            }
            QCOMPARE(top, area.height());
        } else if (menuItem == QLatin1String("mnuWindowTileVertical")) {
            std::sort(frames.begin(), frames.end(), byX);
            int left = 0;
            for (QMdiSubWindow* frame : frames) {
                QCOMPARE(frame->y(), 0);
                QCOMPARE(frame->height(), area.height());
                QCOMPARE(frame->x(), left);
                left += frame->width();
            }
            QCOMPARE(left, area.width());
        } else if (menuItem == QLatin1String("mnuWindowCascade")) {
            std::sort(frames.begin(), frames.end(), byX);
            for (int i = 1; i < frames.size(); ++i) {
                QVERIFY(frames.at(i)->x() > frames.at(i - 1)->x());
                QVERIFY(frames.at(i)->y() > frames.at(i - 1)->y());
            }
        } else {
            // The minimised windows line up along the bottom from the left; the other stays put.
            const QList<QMdiSubWindow*> icons{frames.at(0), frames.at(2)};
            int left = 0;
            for (QMdiSubWindow* icon : icons) {
                QCOMPARE(icon->x(), left);
                QCOMPARE(icon->geometry().bottom() + 1, area.height());
                left += icon->width();
            }
            QVERIFY(!frames.at(1)->isMinimized());
        }
    }

    void shortcutsRunTheirItems_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("menuItem");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("inDocument");
        QTest::newRow("Ctrl+N") << int(Qt::Key_N) << "mnuFileNew" << true << false;
        QTest::newRow("Ctrl+N in a document") << int(Qt::Key_N) << "mnuFileNew" << true << true;
        QTest::newRow("Ctrl+O") << int(Qt::Key_O) << "mnuFileOpen" << true << false;
        QTest::newRow("Ctrl+O in a document") << int(Qt::Key_O) << "mnuFileOpen" << true << true;
        QTest::newRow("Ctrl+O disabled") << int(Qt::Key_O) << "mnuFileOpen" << false << false;
        QTest::newRow("Ctrl+O disabled, in a document") << int(Qt::Key_O) << "mnuFileOpen" << false << true;
        QTest::newRow("Ctrl+X") << int(Qt::Key_X) << "mnuEditCut" << true << false;
        QTest::newRow("Ctrl+C") << int(Qt::Key_C) << "mnuEditCopy" << true << false;
        QTest::newRow("Ctrl+V") << int(Qt::Key_V) << "mnuEditPaste" << true << false;
        QTest::newRow("Ctrl+X disabled") << int(Qt::Key_X) << "mnuEditCut" << false << false;
        QTest::newRow("Ctrl+V disabled") << int(Qt::Key_V) << "mnuEditPaste" << false << false;
        QTest::newRow("Ctrl+X in a document") << int(Qt::Key_X) << "mnuEditCut" << true << true;
        QTest::newRow("Ctrl+C in a document") << int(Qt::Key_C) << "mnuEditCopy" << true << true;
        QTest::newRow("Ctrl+V in a document") << int(Qt::Key_V) << "mnuEditPaste" << true << true;
    }

    void shortcutsRunTheirItems()
    {
        QFETCH(int, key);
        QFETCH(QString, menuItem);
        QFETCH(bool, enabled);
        QFETCH(bool, inDocument);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        QAction* target = item(main, menuItem);
        target->setEnabled(enabled);
        if (key == Qt::Key_O && enabled)
            fx.dialogs.cancelOpen();
        QWidget* focus = main;
        if (inDocument) {
            focus = main->activeDocument()->rtfText;
        } else {
            for (QMdiSubWindow* frame : main->mdiArea->subWindowList())
                frame->close();
        }
        main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main));
        focus->setFocus();

        QSignalSpy triggered(target, &QAction::triggered);
        QTest::keyClick(focus, Qt::Key(key), Qt::ControlModifier);
        QCOMPARE(triggered.count(), enabled ? 1 : 0);
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
    }

    void toolbarIsShownOrHiddenOnlyThroughTheViewMenu()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        // A context menu over the toolbar would offer to hide it behind the View menu's back.
        for (QWidget* target : {static_cast<QWidget*>(main->tbToolBar), static_cast<QWidget*>(main->menuBar())}) {
            bool offered = false;
            QTimer closer;
            closer.setSingleShot(true);
            QObject::connect(&closer, &QTimer::timeout, [&offered] {
                if (QWidget* popup = QApplication::activePopupWidget()) {
                    offered = true;
                    popup->close();
                }
            });
            closer.start(200);
            const QPoint at(2, 2);
            QContextMenuEvent event(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
            QApplication::sendEvent(target, &event);
            QVERIFY2(!offered, qPrintable(target->objectName()));
        }
        QVERIFY(main->tbToolBar->isVisible());
        QVERIFY(item(main, QStringLiteral("mnuViewToolbar"))->isChecked());
    }
};

QTEST_MAIN(tst_MenusAndToolbar)
#include "tst_menusandtoolbar.moc"
