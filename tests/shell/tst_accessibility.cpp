// What a screen reader and a keyboard user meet: every control named (and described where the
// design gives it words), and every dialog worked through with Tab, Enter and Esc alone.
#include "browser/dlgChangeHomePage.h"
#include "browser/frmBrowser.h"
#include "document/frmDocument.h"
#include "download/dlgDownload.h"
#include "download/dlgFileSaveOptions.h"
#include "download/frmChangeDir.h"
#include "help/HelpWindow.h"
#include "help/frmAbout.h"
#include "platform/RichTextBox.h"
#include "shell/MainMenuBar.h"
#include "shell/MainToolBar.h"
#include "shell/MenuDescriptions.h"
#include "shell/MenuItemAccessible.h"
#include "shell/frmMain.h"
#include "support/FakeBrowserEngine.h"
#include "support/ShellFixture.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QTextBrowser>
#include <QtTest>
#include <functional>
#include <memory>

using namespace tarnwick;
using help::HelpWindow;
using test::ShellFixture;

namespace {

// Roles a user operates or reads as a unit; each must say what it is.
bool isControl(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::SpinBox:
    case QAccessible::List:
    case QAccessible::Tree:
    case QAccessible::PageTab:
    case QAccessible::PageTabList:
    case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown:
    case QAccessible::MenuItem:
    case QAccessible::MenuBar:
    case QAccessible::PopupMenu:
    case QAccessible::ToolBar:
    case QAccessible::Grouping:
    case QAccessible::Dialog:
    case QAccessible::Window:
    case QAccessible::StatusBar:
        return true;
    default:
        return false;
    }
}

// Menu items say what they do as well as what they are called; tabs and windows name themselves.
bool needsDescription(QAccessible::Role role)
{
    return isControl(role) && role != QAccessible::PageTab && role != QAccessible::Window &&
           role != QAccessible::Dialog;
}

// Parts Qt draws for its own frames (scroll bars, the child window's title buttons) are not ours.
bool isQtChrome(const QAccessibleInterface* node)
{
    const QObject* object = node->object();
    if (node->role() == QAccessible::ScrollBar)
        return true;
    return object && (object->objectName().startsWith(QLatin1String("qt_")) || object->inherits("QScrollBar") ||
                      object->inherits("QMdiSubWindow") || object->inherits("QToolBarExtension") ||
                      object->inherits("QSizeGrip") || object->inherits("QLineEditIconButton") ||
                      (object->inherits("QTabBar") && !object->parent()->inherits("QTabWidget")));
}

QString describeNode(const QAccessibleInterface* node)
{
    const QObject* object = node->object();
    return QStringLiteral("%1 '%2' (%3)")
        .arg(object ? QString::fromLatin1(object->metaObject()->className()) : QStringLiteral("item"),
             object ? object->objectName() : QString(), QString::number(int(node->role()), 16));
}

void walk(QAccessibleInterface* node, const QString& path, QStringList* problems, int* controls, int depth = 0)
{
    if (!node || !node->isValid() || depth > 40 || isQtChrome(node))
        return;
    const QString here = path + QStringLiteral(" > ") + describeNode(node);
    if (isControl(node->role())) {
        ++*controls;
        if (node->text(QAccessible::Name).trimmed().isEmpty())
            *problems << here + QStringLiteral(": no accessible name");
        else if (needsDescription(node->role()) && node->text(QAccessible::Description).trimmed().isEmpty())
            *problems << here + QStringLiteral(" '") + node->text(QAccessible::Name) +
                             QStringLiteral("': no accessible description");
    }
    for (int i = 0; i < node->childCount(); ++i)
        walk(node->child(i), here, problems, controls, depth + 1);
}

// Every control in the tree under window; the names of the failures, if any.
QStringList problemsIn(QWidget* window, int* controls)
{
    QStringList problems;
    walk(QAccessible::queryAccessibleInterface(window), QString(), &problems, controls);
    return problems;
}

struct Opened
{
    QWidget* window = nullptr;
    std::function<void()> close;
};

using Opener = std::function<Opened(shell::frmMain*)>;

Opened own(QWidget* window)
{
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    std::shared_ptr<QWidget> holder(window);
    return {window, [holder] {}};
}

QString focusName()
{
    return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
}

// Presses Tab from first until the focus is back on it (or gives up), naming each control it
// lands on once: a control that takes several presses (a help page steps through its links)
// counts once.
QStringList tabRound(QWidget* first, int limit = 60)
{
    first->setFocus(Qt::TabFocusReason);
    QStringList visited{focusName()};
    for (int i = 0; i < limit; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        if (focusName() != visited.constLast())
            visited << focusName();
        if (QApplication::focusWidget() == first)
            break;
    }
    return visited;
}

HelpWindow* builtHelpWindow(QWidget* parent, int page)
{
    auto* window = new help::HelpWindow(QStringLiteral(TARNWICK_BUILT_HELP_FILE), parent);
    window->tabs()->setCurrentIndex(page);
    auto* index = window->findChild<QAbstractItemView*>(QStringLiteral("helpIndex"));
    if (!QTest::qWaitFor([index] { return index && index->model() && index->model()->rowCount() > 0; }, 10000))
        qWarning("The help index did not load.");
    return window;
}

// What Enter did in a window: the observable result, compared with the row's expectation.
using Outcome = std::function<QString(QWidget* window)>;

} // namespace

Q_DECLARE_METATYPE(Opener)
Q_DECLARE_METATYPE(Outcome)

class tst_Accessibility : public QObject
{
    Q_OBJECT
private:
    test::FakeBrowserEngineFactory m_engines;

    void windows_data(bool withKeyboard)
    {
        QTest::addColumn<Opener>("open");
        QTest::addColumn<QStringList>("tabOrder");
        QTest::addColumn<QString>("defaultButton");
        QTest::addColumn<QString>("escapeButton");

        auto row = [&](const char* name, Opener open, QStringList order, QString enter, QString escape) {
            if (withKeyboard && order.isEmpty())
                return;
            QTest::newRow(name) << open << order << enter << escape;
        };
        row("main window",
            [](shell::frmMain* main) {
                // The Window list is made as the menu opens; its entries are walked too.
                emit main->findChild<QMenu*>(QStringLiteral("mnuWindow"))->aboutToShow();
                return Opened{main, [] {}};
            },
            {}, {}, {});
        row("document window", [](shell::frmMain* main) { return Opened{main->activeDocument(), [] {}}; }, {}, {}, {});
        row("browser window",
            [this](shell::frmMain* main) {
                main->browserEngineFactory = m_engines.factory();
                main->mnuViewWebBrowser_Click();
                return Opened{main->ActiveForm(), [] {}};
            },
            {}, {}, {});
        row(
            "Download Options", [](shell::frmMain* main) { return own(new download::dlgDownload(main)); },
            {QStringLiteral("optDownload_0"), QStringLiteral("cmdOK"), QStringLiteral("cmdCancel"),
             QStringLiteral("cmdApply")},
            QStringLiteral("cmdOK"), QStringLiteral("cmdCancel"));
        row(
            "File Save Options",
            [](shell::frmMain* main) { return own(new download::dlgFileSaveOptions(main->fileSaveMode, main)); },
            {QStringLiteral("optFileSave0"), QStringLiteral("cmdOK"), QStringLiteral("cmdCancel"),
             QStringLiteral("cmdApply")},
            QStringLiteral("cmdOK"), QStringLiteral("cmdCancel"));
        row(
            "Change Directory", [](shell::frmMain* main) { return own(new download::frmChangeDir(main)); },
            {QStringLiteral("Drive1"), QStringLiteral("Dir1"), QStringLiteral("cmdOK"), QStringLiteral("cmdCancel")},
            QStringLiteral("cmdOK"), QStringLiteral("cmdCancel"));
        row(
            "Home Page",
            [](shell::frmMain* main) {
                return own(new browser::dlgChangeHomePage(main->services().settings,
                                                          QStringLiteral("file:///home.html"), main));
            },
            {QStringLiteral("txtChangeHomePage"), QStringLiteral("OKButton"), QStringLiteral("CancelButton")},
            QStringLiteral("OKButton"), QStringLiteral("CancelButton"));
        row(
            "About", [](shell::frmMain* main) { return own(new help::frmAbout(main->services(), main)); },
            {QStringLiteral("cmdOK"), QStringLiteral("cmdSysInfo")}, QStringLiteral("cmdOK"), QStringLiteral("cmdOK"));
        row("Help", [](shell::frmMain* main) { return own(new help::HelpWindow(main->helpFile(), main)); }, {}, {}, {});
    }

private slots:
    void everyControlIsNamed_data() { windows_data(false); }

    void everyControlIsNamed()
    {
        QFETCH(Opener, open);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        const Opened opened = open(main);
        QVERIFY(opened.window);
        opened.window->show();

        int controls = 0;
        const QStringList problems = problemsIn(opened.window, &controls);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
        QVERIFY2(controls >= 1, "the walk reached the controls");
        opened.close();
    }

    void toolbarButtonsSayTheirKey()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        for (int index = 1; index <= main->tbToolBar->buttonCount(); ++index) {
            QAction* button = main->tbToolBar->button(index);
            if (button->isSeparator())
                continue;
            QWidget* widget = main->tbToolBar->widgetForAction(button);
            QAccessibleInterface* node = QAccessible::queryAccessibleInterface(widget);
            QVERIFY(node);
            const QString key = shell::MainToolBar::keyOf(button);
            QCOMPARE(node->text(QAccessible::Name), key);
            QCOMPARE(node->text(QAccessible::Description), key);
        }
    }

    // A menu item reads as Qt's own would (name without the access key, shortcut, state, submenu,
    // press) and also says what it does.
    void menuItemsSayWhatTheyDo_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("accelerator");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<QString>("action");

        auto row = [](const char* rowName, const char* item, const char* name, const char* accelerator, bool checked,
                      const QString& action) {
            QTest::newRow(rowName) << QString::fromLatin1(item) << QString::fromLatin1(name)
                                   << QString::fromLatin1(accelerator) << checked << action;
        };
        const QString press = QAccessibleActionInterface::pressAction();
        row("item with a shortcut", "mnuFileOpen", "Open...", "Ctrl+O", false, press);
        row("checked item", "mnuViewToolbar", "Toolbar", "Alt+T", true, press);
        row("window command", "mnuWindowTileVertical", "Tile Vertical", "Alt+V", false, press);
        row("menu in the bar", "mnuOptionsAction", "Options", "Alt+O", false,
            QAccessibleActionInterface::showMenuAction());
    }

    void menuItemsSayWhatTheyDo()
    {
        QFETCH(QString, item);
        QFETCH(QString, name);
        QFETCH(QString, accelerator);
        QFETCH(bool, checked);
        QFETCH(QString, action);

        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        main->show();
        auto* menuItem = main->mnuMain->findChild<QAction*>(item);
        QVERIFY(menuItem);
        QAccessibleInterface* node = QAccessible::queryAccessibleInterface(menuItem);
        QVERIFY(node);
        QCOMPARE(node->role(), QAccessible::MenuItem);
        QCOMPARE(node->text(QAccessible::Name), name);
        QCOMPARE(node->text(QAccessible::Accelerator), accelerator);
        QVERIFY(!node->text(QAccessible::Description).isEmpty());
        QCOMPARE(node->text(QAccessible::Description), shell::itemDescription(menuItem));
        QCOMPARE(bool(node->state().checked), checked);
        QCOMPARE(node->childCount(), menuItem->menu() ? 1 : 0);
        QVERIFY(node->parent());
        auto* holder = qobject_cast<QWidget*>(node->parent()->object());
        QVERIFY(holder && holder->actions().contains(menuItem));

        QAccessibleActionInterface* actions = node->actionInterface();
        QVERIFY(actions);
        QCOMPARE(actions->actionNames(), QStringList{action});
        menuItem->setEnabled(false);
        QVERIFY(node->state().disabled);
        QSignalSpy triggered(menuItem, &QAction::triggered);
        actions->doAction(action);
        QCOMPARE(triggered.size(), 0); // a disabled item does nothing
        menuItem->setEnabled(true);
        if (action == QAccessibleActionInterface::pressAction()) {
            actions->doAction(action);
            QCOMPARE(triggered.size(), 1);
        } else {
            QCOMPARE(node->child(0)->object(), menuItem->menu());
            QCOMPARE(node->child(0)->role(), QAccessible::PopupMenu);
        }
    }

    // The Edit items also fill the document's context menu; while it is open they belong to it.
    void sharedItemsBelongToTheMenuOnScreen()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        main->show();
        QAction* copy = main->mnuMain->item(QStringLiteral("mnuEditCopy"));
        QAccessibleInterface* node = QAccessible::queryAccessibleInterface(copy);
        QVERIFY(node && node->parent());
        QCOMPARE(node->parent()->object(), main->findChild<QMenu*>(QStringLiteral("mnuEdit")));

        std::unique_ptr<QMenu> context(main->activeDocument()->createContextMenu(QPoint(1, 1)));
        context->popup(main->mapToGlobal(QPoint(20, 20)));
        QVERIFY(QTest::qWaitForWindowExposed(context.get()));
        QCOMPARE(node->parent()->object(), context.get());
        QCOMPARE(node->text(QAccessible::Description), shell::itemDescription(copy));
        QVERIFY(node->parent()->indexOfChild(node) >= 0);
        context->hide();
        QCOMPARE(node->parent()->object(), main->findChild<QMenu*>(QStringLiteral("mnuEdit")));
    }

    void windowListEntriesSayWhatTheyDo()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        main->show();
        auto* windowMenu = main->findChild<QMenu*>(QStringLiteral("mnuWindow"));
        emit windowMenu->aboutToShow();
        const QList<QAction*> entries = windowMenu->actions();
        QVERIFY(!entries.isEmpty());
        QAccessibleInterface* node = QAccessible::queryAccessibleInterface(entries.constLast());
        QVERIFY(node);
        QCOMPARE(node->text(QAccessible::Name), QStringLiteral("1 ") + main->activeDocument()->windowTitle());
        QCOMPARE(node->text(QAccessible::Description), shell::windowListItemDescription());
    }

    void keyboardAlone_data() { windows_data(true); }

    void keyboardAlone()
    {
        QFETCH(Opener, open);
        QFETCH(QStringList, tabOrder);
        QFETCH(QString, defaultButton);
        QFETCH(QString, escapeButton);

        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        const Opened opened = open(main);
        auto* dialog = qobject_cast<QDialog*>(opened.window);
        QVERIFY(dialog);
        dialog->show();
        QApplication::setActiveWindow(dialog);
        QVERIFY(QTest::qWaitForWindowActive(dialog));

        // Tab from the first control runs through the controls in their visual order and comes back.
        QWidget* first = dialog->findChild<QWidget*>(tabOrder.constFirst());
        QVERIFY(first);
        QCOMPARE(tabRound(first), tabOrder + QStringList{tabOrder.constFirst()});

        // Enter presses the default button, Esc the cancelling one, each in a freshly opened dialog.
        for (const auto& [key, expected] :
             {std::pair{Qt::Key_Return, defaultButton}, std::pair{Qt::Key_Escape, escapeButton}}) {
            const Opened fresh = open(main);
            auto* again = qobject_cast<QDialog*>(fresh.window);
            QVERIFY(again);
            again->show();
            QApplication::setActiveWindow(again);
            QVERIFY(QTest::qWaitForWindowActive(again));
            auto* button = again->findChild<QPushButton*>(expected);
            QVERIFY2(button, qPrintable(expected));
            QSignalSpy clicked(button, &QPushButton::clicked);
            QSignalSpy finished(again, &QDialog::finished);
            again->findChild<QWidget*>(tabOrder.constFirst())->setFocus(Qt::TabFocusReason);
            QTest::keyClick(QApplication::focusWidget(), key);
            // Esc closes the way the cancelling button does; Enter clicks the default button.
            if (key == Qt::Key_Return)
                QCOMPARE(clicked.size(), 1);
            QVERIFY2(clicked.size() == 1 || !finished.isEmpty() || !again->isVisible(), qPrintable(expected));
            fresh.close();
        }
        opened.close();
    }

    // Windows that are not dialogs: Tab goes round their controls in visual order, and Enter in the
    // box that takes it does that box's work.
    void keyboardInWindows_data()
    {
        QTest::addColumn<Opener>("open");
        QTest::addColumn<QStringList>("tabOrder");
        QTest::addColumn<QString>("enterIn");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QString>("expected");

        const Opener browser = [this](shell::frmMain* main) {
            main->browserEngineFactory = m_engines.factory();
            main->mnuViewWebBrowser_Click();
            return Opened{main->ActiveForm(), [] {}};
        };
        const Outcome lastNavigation = [this](QWidget*) {
            return m_engines.last() ? m_engines.last()->calls.value(m_engines.last()->calls.size() - 1) : QString();
        };
        const Outcome pageShown = [](QWidget* window) {
            const QUrl page = static_cast<HelpWindow*>(window)->browser()->source();
            return page.fileName() + QLatin1Char('#') + page.fragment();
        };
        const Outcome nothing = [](QWidget*) { return QString(); };

        QTest::newRow("browser window") << browser
                                        << QStringList{QStringLiteral("cboAddress"), QStringLiteral("brwWebBrowser")}
                                        << QStringLiteral("cboAddress")
                                        << QStringLiteral("http://127.0.0.1:9/page.html") << lastNavigation
                                        << QStringLiteral("Navigate http://127.0.0.1:9/page.html");
        QTest::newRow("help window, contents")
            << Opener([](shell::frmMain* main) { return own(builtHelpWindow(main, 0)); })
            << QStringList{QStringLiteral("qt_tabwidget_tabbar"), QStringLiteral("helpContents"),
                           QStringLiteral("helpBrowser")}
            << QString() << QString() << nothing << QString();
        QTest::newRow("help window, index")
            << Opener([](shell::frmMain* main) { return own(builtHelpWindow(main, 1)); })
            << QStringList{QStringLiteral("qt_tabwidget_tabbar"), QStringLiteral("indexKeyword"),
                           QStringLiteral("helpIndex"), QStringLiteral("helpBrowser")}
            << QStringLiteral("indexKeyword") << QStringLiteral("Page Set") << pageShown
            << QStringLiteral("file-menu.html#pagesetup");
    }

    void keyboardInWindows()
    {
        QFETCH(Opener, open);
        QFETCH(QStringList, tabOrder);
        QFETCH(QString, enterIn);
        QFETCH(QString, typed);
        QFETCH(Outcome, outcome);
        QFETCH(QString, expected);

        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        main->show();
        const Opened opened = open(main);
        QVERIFY(opened.window);
        opened.window->show();
        QWidget* top = opened.window->window();
        QApplication::setActiveWindow(top);
        QVERIFY(QTest::qWaitForWindowActive(top));

        QWidget* first = opened.window->findChild<QWidget*>(tabOrder.constFirst());
        QVERIFY2(first, qPrintable(tabOrder.constFirst()));
        QCOMPARE(tabRound(first), tabOrder + QStringList{tabOrder.constFirst()});

        if (!enterIn.isEmpty()) {
            QWidget* box = opened.window->findChild<QWidget*>(enterIn);
            QVERIFY2(box, qPrintable(enterIn));
            box->setFocus(Qt::TabFocusReason);
            QTest::keyClicks(QApplication::focusWidget(), typed);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QTRY_COMPARE_WITH_TIMEOUT(outcome(opened.window), expected, 5000);
        }
        opened.close();
    }
};

QTEST_MAIN(tst_Accessibility)
#include "tst_accessibility.moc"
