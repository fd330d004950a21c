// The help viewer over the help collection the build compiles: the two commands, a missing or
// broken help file, and help pages that cover every menu command and link only to what exists.
#include "help/HelpViewer.h"
#include "help/HelpWindow.h"
#include "platform/HelpEngine.h"
#include "shell/frmMain.h"
#include "support/ShellFixture.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHelpEngineCore>
#include <QHelpIndexWidget>
#include <QHelpLink>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace tarnwick;
using help::HelpViewer;
using help::HelpWindow;

namespace {
const QString kHelpFile = QStringLiteral(TARNWICK_BUILT_HELP_FILE);

// A caption as a keyword: without its access key, dots and blanks at the end.
QString keywordOf(QString caption)
{
    caption.remove(QLatin1Char('&'));
    caption = caption.trimmed();
    while (caption.endsWith(QLatin1Char('.')))
        caption.chop(1);
    return caption.trimmed();
}
} // namespace

class tst_HelpViewer : public QObject
{
    Q_OBJECT
private slots:
    void contentsOpensOnTheFirstPage()
    {
        HelpViewer viewer;
        QString error;
        QVERIFY(viewer.showHelp(nullptr, kHelpFile, platform::HelpEngine::Contents, QString(), &error));
        HelpWindow* window = viewer.window();
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QVERIFY2(window->problem().isEmpty(), qPrintable(window->problem()));
        QCOMPARE(window->tabs()->currentIndex(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(window->browser()->documentTitle(), QStringLiteral("Tarnwick Help"), 10000);
        QCOMPARE(window->browser()->source().scheme(), QStringLiteral("qthelp"));
        QVERIFY(window->browser()->toPlainText().contains(QStringLiteral("Getting started")));
    }

    void searchOpensTheIndexWithNothingFilledIn()
    {
        HelpViewer viewer;
        QString error;
        QVERIFY(viewer.showHelp(nullptr, kHelpFile, platform::HelpEngine::Contents, QString(), &error));
        HelpWindow* window = viewer.window();
        window->keywordEdit()->setText(QStringLiteral("left over"));
        QVERIFY(viewer.showHelp(nullptr, kHelpFile, platform::HelpEngine::PartialKey, QString(), &error));
        // The same window, now on its index, listing every keyword.
        QCOMPARE(viewer.window(), window);
        QCOMPARE(window->tabs()->currentIndex(), 1);
        QCOMPARE(window->keywordEdit()->text(), QString());
        QHelpIndexWidget* index = window->findChild<QHelpIndexWidget*>(QStringLiteral("helpIndex"));
        QVERIFY(index);
        QTRY_VERIFY_WITH_TIMEOUT(index->model() && index->model()->rowCount() >= 40, 10000);
    }

    void aKeywordTypedInTheIndexOpensItsPage()
    {
        HelpViewer viewer;
        QString error;
        QVERIFY(viewer.showHelp(nullptr, kHelpFile, platform::HelpEngine::PartialKey, QString(), &error));
        HelpWindow* window = viewer.window();
        QHelpIndexWidget* index = window->findChild<QHelpIndexWidget*>(QStringLiteral("helpIndex"));
        QTRY_VERIFY_WITH_TIMEOUT(index->model() && index->model()->rowCount() >= 40, 10000);
        QTest::keyClicks(window->keywordEdit(), QStringLiteral("Page Set"));
        QTRY_COMPARE_WITH_TIMEOUT(index->currentIndex().data().toString(), QStringLiteral("Page Setup"), 5000);
        QTest::keyClick(window->keywordEdit(), Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(window->browser()->source().fileName(), QStringLiteral("file-menu.html"), 5000);
        QCOMPARE(window->browser()->source().fragment(), QStringLiteral("pagesetup"));
    }

    void missingOrBrokenHelpFileIsReportedByTheWindow_data()
    {
        QTest::addColumn<QByteArray>("contents"); // null: no file at all
        QTest::addColumn<QString>("report");
        QTest::newRow("missing") << QByteArray() << QStringLiteral("cannot be found");
        QTest::newRow("not a help collection")
            << QByteArray("This is no database.") << QStringLiteral("cannot be read");
        QTest::newRow("empty file") << QByteArray("") << QStringLiteral("cannot be read");
    }

    void missingOrBrokenHelpFileIsReportedByTheWindow()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, report);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Tarnwick.hlp"));
        if (!contents.isNull()) {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(contents);
        }
        HelpViewer viewer;
        QString error;
        // The call itself succeeds: telling the user is the window's business.
        QVERIFY(viewer.showHelp(nullptr, file, platform::HelpEngine::Contents, QString(), &error));
        HelpWindow* window = viewer.window();
        QVERIFY(window && window->isVisible());
        QVERIFY2(window->problem().contains(report), qPrintable(window->problem()));
        QVERIFY(window->problem().contains(file));
        QVERIFY(window->browser()->toPlainText().contains(file));
        QVERIFY(!window->tabs()->isEnabled());
        // A missing file is not created in passing.
        QCOMPARE(QFile::exists(file), !contents.isNull());
        QVERIFY(viewer.showHelp(nullptr, file, platform::HelpEngine::PartialKey, QString(), &error));
    }

    void helpFileInstalledLaterIsOpenedOnTheNextCall()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Tarnwick.hlp"));
        HelpViewer viewer;
        QString error;
        QVERIFY(viewer.showHelp(nullptr, file, platform::HelpEngine::Contents, QString(), &error));
        QVERIFY(!viewer.window()->problem().isEmpty());
        // The collection names its pages file relative to itself: both go together.
        QVERIFY(QFile::copy(kHelpFile, file));
        QVERIFY(QFile::copy(QFileInfo(kHelpFile).dir().filePath(QStringLiteral("Tarnwick.qch")),
                            dir.filePath(QStringLiteral("Tarnwick.qch"))));
        QVERIFY(viewer.showHelp(nullptr, file, platform::HelpEngine::Contents, QString(), &error));
        QVERIFY2(viewer.window()->problem().isEmpty(), qPrintable(viewer.window()->problem()));
        QTRY_COMPARE_WITH_TIMEOUT(viewer.window()->browser()->documentTitle(), QStringLiteral("Tarnwick Help"), 10000);
    }

    void unknownCommandFailsWithAReason()
    {
        HelpViewer viewer;
        QString error;
        QVERIFY(!viewer.showHelp(nullptr, kHelpFile, 1, QString(), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!viewer.window());
    }

    void anotherHelpFileGetsItsOwnWindow()
    {
        HelpViewer viewer;
        QString error;
        QVERIFY(viewer.showHelp(nullptr, kHelpFile, platform::HelpEngine::Contents, QString(), &error));
        QPointer<HelpWindow> first = viewer.window();
        QVERIFY(viewer.showHelp(nullptr, kHelpFile, platform::HelpEngine::Contents, QString(), &error));
        QCOMPARE(viewer.window(), first.data());
        QTemporaryDir dir;
        QVERIFY(viewer.showHelp(nullptr, dir.filePath(QStringLiteral("Other.hlp")), platform::HelpEngine::Contents,
                                QString(), &error));
        QVERIFY(!first);
        QCOMPARE(viewer.window()->helpFile(), dir.filePath(QStringLiteral("Other.hlp")));
    }

    void everyMenuCommandHasAKeyword()
    {
        test::ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        QHelpEngineCore engine(kHelpFile);
        engine.setReadOnly(true);
        QVERIFY(engine.setupData());
        QStringList missing;
        int commands = 0;
        for (QAction* menuAction : main->menuBar()->actions()) {
            const QList<QAction*> items = menuAction->menu()->actions();
            for (QAction* item : items) {
                // Separators and the Window menu's list of open windows are no commands.
                if (item->isSeparator() || !item->objectName().startsWith(QLatin1String("mnu")))
                    continue;
                ++commands;
                const QString keyword = keywordOf(item->text());
                if (engine.documentsForKeyword(keyword).isEmpty())
                    missing << keyword;
            }
        }
        QVERIFY(commands >= 30);
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(", "))));
    }

    void helpLinksLeadToPagesAndPlacesThatExist()
    {
        QHelpEngineCore engine(kHelpFile);
        engine.setReadOnly(true);
        QVERIFY(engine.setupData());
        const QStringList namespaces = engine.registeredDocumentations();
        QCOMPARE(namespaces.size(), 1);
        const QList<QUrl> pages = engine.files(namespaces.constFirst(), QString(), QStringLiteral("html"));
        QVERIFY(pages.size() >= 10);

        const auto pageHasTarget = [&engine](const QUrl& target, QString* why) {
            QUrl page = target;
            page.setFragment(QString());
            const QByteArray html = engine.fileData(page);
            if (html.isEmpty()) {
                *why = QStringLiteral("no page");
                return false;
            }
            if (target.hasFragment() && !html.contains("id=\"" + target.fragment().toUtf8() + '"')) {
                *why = QStringLiteral("no place ") + target.fragment();
                return false;
            }
            return true;
        };

        QStringList broken;
        const QRegularExpression href(QStringLiteral("href=\"([^\"]+)\""));
        for (const QUrl& page : pages) {
            const QString html = QString::fromUtf8(engine.fileData(page));
            for (auto match = href.globalMatch(html); match.hasNext();) {
                const QUrl link = page.resolved(QUrl(match.next().captured(1)));
                if (link.scheme() != QLatin1String("qthelp"))
                    continue;
                QString why;
                if (!pageHasTarget(link, &why))
                    broken << page.fileName() + QStringLiteral(" -> ") + link.toString() + QLatin1Char(' ') + why;
            }
        }
        // Every keyword of the index too.
        HelpViewer viewer;
        QString error;
        QVERIFY(viewer.showHelp(nullptr, kHelpFile, platform::HelpEngine::PartialKey, QString(), &error));
        QAbstractItemModel* keywords = viewer.window()->findChild<QHelpIndexWidget*>()->model();
        QTRY_VERIFY_WITH_TIMEOUT(keywords->rowCount() >= 40, 10000);
        for (int row = 0; row < keywords->rowCount(); ++row) {
            const QString keyword = keywords->index(row, 0).data().toString();
            const QList<QHelpLink> links = engine.documentsForKeyword(keyword);
            if (links.isEmpty())
                broken << keyword + QStringLiteral(" -> nothing");
            for (const QHelpLink& link : links) {
                QString why;
                if (!pageHasTarget(link.url, &why))
                    broken << keyword + QStringLiteral(" -> ") + link.url.toString() + QLatin1Char(' ') + why;
            }
        }
        QVERIFY2(broken.isEmpty(), qPrintable(broken.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(tst_HelpViewer)
#include "tst_helpviewer.moc"
