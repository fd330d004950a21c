// Cut, Copy and Paste move a selection's rich-text markup through the clipboard as plain text.
#include "document/frmDocument.h"
#include "platform/RichTextBox.h"
#include "shell/MainToolBar.h"
#include "shell/frmMain.h"
#include "support/ShellFixture.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <memory>
#include <QTextCursor>
#include <QtTest>

using namespace tarnwick;
using document::frmDocument;
using test::ShellFixture;

namespace {
void select(platform::RichTextBox* box, int from, int to)
{
    QTextCursor cursor(box->document());
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    box->setTextCursor(cursor);
}

QAction* item(shell::frmMain* main, const char* name)
{
    return main->findChild<QAction*>(QLatin1String(name));
}
} // namespace

class tst_EditMenu : public QObject
{
    Q_OBJECT
private slots:
    void copyAndPasteKeepCharacterFormatting()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        frmDocument* source = main->activeDocument();
        platform::RichTextBox* box = source->rtfText;
        box->setText(QStringLiteral("plain bold italic"));
        select(box, 6, 17);
        box->setSelBold(true);
        select(box, 11, 17);
        box->setSelItalic(true);
        box->setSelUnderline(true);
        QTextCharFormat font;
        font.setFontFamilies({QStringLiteral("DejaVu Serif")});
        box->textCursor().mergeCharFormat(font);
        select(box, 6, 17);
        item(main, "mnuEditCopy")->trigger();
        const QString markup = QGuiApplication::clipboard()->text();
        QVERIFY2(markup.startsWith(QStringLiteral("{\\rtf")), qPrintable(markup.left(40)));
        QCOMPARE(box->Text(), QStringLiteral("plain bold italic"));

        frmDocument* target = main->LoadNewDoc();
        target->rtfText->setText(QStringLiteral("<>"));
        select(target->rtfText, 1, 1);
        main->tbToolBar->button(QStringLiteral("Paste"))->trigger();
        QCOMPARE(target->rtfText->Text(), QStringLiteral("<bold italic>"));
        select(target->rtfText, 1, 5);
        QCOMPARE(target->rtfText->SelBold(), std::optional<bool>(true));
        QCOMPARE(target->rtfText->SelItalic(), std::optional<bool>(false));
        select(target->rtfText, 6, 12);
        QCOMPARE(target->rtfText->SelBold(), std::optional<bool>(true));
        QCOMPARE(target->rtfText->SelItalic(), std::optional<bool>(true));
        QCOMPARE(target->rtfText->SelUnderline(), std::optional<bool>(true));
        QCOMPARE(target->rtfText->textCursor().charFormat().fontFamilies().toStringList().value(0),
                 QStringLiteral("DejaVu Serif"));
    }

    void pastingPlainTextInsertsItAtTheCaret()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        platform::RichTextBox* box = main->activeDocument()->rtfText;
        box->setText(QStringLiteral("ac"));
        select(box, 1, 1);
        QGuiApplication::clipboard()->setText(QStringLiteral("b {not rtf}"));
        item(main, "mnuEditPaste")->trigger();
        QCOMPARE(box->Text(), QStringLiteral("ab {not rtf}c"));
    }

    void cutRemovesOnlyWhatIsSelected()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        platform::RichTextBox* box = main->activeDocument()->rtfText;
        box->setText(QStringLiteral("keep cut"));
        select(box, 4, 4);
        item(main, "mnuEditCut")->trigger();
        QCOMPARE(box->Text(), QStringLiteral("keep cut"));
        select(box, 4, 8);
        main->tbToolBar->button(QStringLiteral("Cut"))->trigger();
        QCOMPARE(box->Text(), QStringLiteral("keep"));
        QVERIFY(QGuiApplication::clipboard()->text().contains(QStringLiteral(" cut")));
    }

    void keysRunTheMenuCommands()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        QApplication::setActiveWindow(main);
        platform::RichTextBox* box = main->activeDocument()->rtfText;
        box->setText(QStringLiteral("abc"));
        select(box, 0, 3);
        box->setFocus();
        QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
        QVERIFY(QGuiApplication::clipboard()->text().startsWith(QStringLiteral("{\\rtf")));
        QTest::keyClick(box, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(box->Text(), QString());
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(box->Text(), QStringLiteral("abc"));
        // The editor's own undo still works after a paste.
        QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(box->Text(), QString());
    }

    // The Edit commands make no exception for the read-only log view: Cut takes the selection out of
    // the view and Paste puts markup in; the log file itself is never touched by either.
    void editCommandsWorkOnTheLogViewNotTheLogFile()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        item(main, "mnuViewViewLogFile")->trigger();
        platform::RichTextBox* box = main->activeDocument()->rtfText;
        QVERIFY(box->Locked());
        QFile log(main->strLogFileFullPath);
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray onDisk = log.readAll();
        log.close();
        box->selectAll();
        item(main, "mnuEditCut")->trigger();
        QCOMPARE(box->Text(), QString());
        QVERIFY(QGuiApplication::clipboard()->text().contains(QStringLiteral("Today 's Date")));
        QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
        item(main, "mnuEditPaste")->trigger();
        QCOMPARE(box->Text(), QStringLiteral("pasted"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(log.readAll(), onDisk);
    }

    // The text box's right-click menu offers the Edit menu's own Cut, Copy and Paste (the same
    // items, so the same enabled state), in an editable box and in the read-only log view.
    void contextMenuRunsTheEditCommands_data()
    {
        QTest::addColumn<bool>("logView");
        QTest::newRow("document") << false;
        QTest::newRow("log view") << true;
    }

    void contextMenuRunsTheEditCommands()
    {
        QFETCH(bool, logView);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        if (logView)
            item(main, "mnuViewViewLogFile")->trigger();
        frmDocument* document = main->activeDocument();
        platform::RichTextBox* box = document->rtfText;
        if (!logView)
            box->setText(QStringLiteral("plain bold"));
        box->selectAll();
        std::unique_ptr<QMenu> menu(document->createContextMenu(QPoint(2, 2)));
        QList<QAction*> edits;
        QStringList names;
        for (QAction* action : menu->actions()) {
            names << action->objectName();
            if (action->objectName().startsWith(QLatin1String("mnuEdit")))
                edits << action;
        }
        QCOMPARE(edits, QList<QAction*>({item(main, "mnuEditCut"), item(main, "mnuEditCopy"), item(main, "mnuEditPaste")}));
        for (const char* own : {"edit-cut", "edit-copy", "edit-paste"})
            QVERIFY2(!names.contains(QLatin1String(own)), qPrintable(names.join(QLatin1Char(','))));
        // Kept: the rest of the editor's menu.
        QVERIFY(names.contains(QStringLiteral("select-all")));

        item(main, "mnuEditCopy")->setEnabled(false);
        QVERIFY(!edits.at(1)->isEnabled());
        item(main, "mnuEditCopy")->setEnabled(true);

        QGuiApplication::clipboard()->clear();
        edits.at(1)->trigger();
        QVERIFY2(QGuiApplication::clipboard()->text().startsWith(QStringLiteral("{\\rtf")),
                 qPrintable(QGuiApplication::clipboard()->text().left(40)));
    }

    void nothingHappensWithoutADocument()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        item(main, "mnuFileClose")->trigger();
        QGuiApplication::clipboard()->setText(QStringLiteral("unchanged"));
        item(main, "mnuEditCut")->trigger();
        item(main, "mnuEditCopy")->trigger();
        item(main, "mnuEditPaste")->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("unchanged"));
        QCOMPARE(main->OpenDocCount(), 0);
    }
};

QTEST_MAIN(tst_EditMenu)
#include "tst_editmenu.moc"
