// The find bar of a document window, driven by its keys: Ctrl+F and Ctrl+H open it, Enter and F3
// go forward, Shift+Enter and Shift+F3 back, Esc closes it; a read-only document refuses replacing.
#include "document/FindBar.h"
#include "document/frmDocument.h"
#include "platform/RichTextBox.h"
#include "platform/Units.h"
#include "shell/frmMain.h"
#include "support/ShellFixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace tarnwick;
using document::FindBar;
using document::frmDocument;
using test::ShellFixture;

namespace {
const QString kText = QStringLiteral("one two one\nthree one two");

frmDocument* documentWithText(ShellFixture& fx)
{
    shell::frmMain* main = fx.createMain();
    main->activateWindow();
    if (!QTest::qWaitForWindowActive(main))
        qWarning("the main window did not become active; key shortcuts may not reach it");
    frmDocument* document = main->activeDocument();
    document->rtfText->setText(kText);
    document->rtfText->setFocus();
    QTextCursor start(document->rtfText->document());
    document->rtfText->setTextCursor(start);
    return document;
}

int selectionStart(frmDocument* document)
{
    return document->rtfText->textCursor().selectionStart();
}
} // namespace

class tst_FindBar : public QObject
{
    Q_OBJECT
private slots:
    void keysOpenTheBarAtTheBottom_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("replaceShown");
        QTest::newRow("Ctrl+F") << int(Qt::Key_F) << false;
        QTest::newRow("Ctrl+H") << int(Qt::Key_H) << true;
    }
    void keysOpenTheBarAtTheBottom()
    {
        QFETCH(int, key);
        QFETCH(bool, replaceShown);
        ShellFixture fx;
        frmDocument* document = documentWithText(fx);
        QVERIFY(!document->findBarShown());
        const int boxHeight = document->rtfText->height();
        QTest::keyClick(document->rtfText, Qt::Key(key), Qt::ControlModifier);
        QVERIFY(document->findBarShown());
        FindBar* bar = document->findBar();
        QCOMPARE(bar->replaceShown(), replaceShown);
        QVERIFY(bar->findField()->hasFocus());
        // At the bottom, above the border a running download draws its progress in.
        QCOMPARE(bar->geometry().bottom(), document->height() - platform::Units::twipsToPixels(200) - 1);
        QVERIFY(document->rtfText->geometry().bottom() < bar->geometry().top());
        QVERIFY(document->rtfText->height() < boxHeight);
        for (QWidget* control : bar->findChildren<QWidget*>()) {
            if (control->focusPolicy() != Qt::NoFocus && control->isVisibleTo(bar))
                QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));
        }

        QTest::keyClick(bar->findField(), Qt::Key_Escape);
        QVERIFY(!document->findBarShown());
        QVERIFY(document->rtfText->hasFocus());
        QCOMPARE(document->rtfText->height(), boxHeight);
    }

    void stepsThroughMatches_data()
    {
        QTest::addColumn<QList<int>>("keys");      // key codes, Shift added when negative
        QTest::addColumn<QList<int>>("positions"); // selection start after each key
        QTest::addColumn<QStringList>("wrapNotices");
        const int enter = int(Qt::Key_Return);
        const int f3 = int(Qt::Key_F3);
        // "one" at 0, 8 and 18.
        QTest::newRow("Enter forward and round") << QList<int>{enter, enter, enter} << QList<int>{8, 18, 0}
                                                 << QStringList{QString(), QString(), QStringLiteral("top")};
        QTest::newRow("F3 forward") << QList<int>{f3, f3} << QList<int>{8, 18} << QStringList{QString(), QString()};
        QTest::newRow("Shift+Enter back and round")
            << QList<int>{-enter, -enter} << QList<int>{18, 8} << QStringList{QStringLiteral("end"), QString()};
        QTest::newRow("Shift+F3 back") << QList<int>{-f3, -f3, f3} << QList<int>{18, 8, 18}
                                       << QStringList{QStringLiteral("end"), QString(), QString()};
    }
    void stepsThroughMatches()
    {
        QFETCH(QList<int>, keys);
        QFETCH(QList<int>, positions);
        QFETCH(QStringList, wrapNotices);
        ShellFixture fx;
        frmDocument* document = documentWithText(fx);
        QTest::keyClick(document->rtfText, Qt::Key_F, Qt::ControlModifier);
        FindBar* bar = document->findBar();
        // Incremental: typing selects the first match from the caret.
        QTest::keyClicks(bar->findField(), QStringLiteral("one"));
        QCOMPARE(selectionStart(document), 0);
        QCOMPARE(document->rtfText->textCursor().selectedText(), QStringLiteral("one"));
        for (int i = 0; i < keys.size(); ++i) {
            const int key = keys.at(i) < 0 ? -keys.at(i) : keys.at(i);
            const Qt::KeyboardModifiers modifiers = keys.at(i) < 0 ? Qt::ShiftModifier : Qt::NoModifier;
            QTest::keyClick(bar->findField(), Qt::Key(key), modifiers);
            QCOMPARE(selectionStart(document), positions.at(i));
            if (wrapNotices.at(i).isEmpty())
                QVERIFY2(bar->notice().isEmpty(), qPrintable(bar->notice()));
            else
                QVERIFY2(bar->notice().contains(wrapNotices.at(i)), qPrintable(bar->notice()));
        }
    }

    void typingNarrowsAndReportsNoMatch()
    {
        ShellFixture fx;
        frmDocument* document = documentWithText(fx);
        QTest::keyClick(document->rtfText, Qt::Key_F, Qt::ControlModifier);
        FindBar* bar = document->findBar();
        QTest::keyClicks(bar->findField(), QStringLiteral("t"));
        QCOMPARE(selectionStart(document), 4);
        QTest::keyClicks(bar->findField(), QStringLiteral("h"));
        QCOMPARE(selectionStart(document), 12);
        QTest::keyClicks(bar->findField(), QStringLiteral("x"));
        QVERIFY(!bar->notice().isEmpty());
        QCOMPARE(selectionStart(document), 12);
    }

    void togglesNarrowTheSearch_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<bool>("wholeWords");
        QTest::addColumn<int>("expected"); // -1: not found
        QTest::newRow("case off") << QStringLiteral("TWO") << false << false << 4;
        QTest::newRow("case on") << QStringLiteral("TWO") << true << false << -1;
        QTest::newRow("part of a word") << QStringLiteral("hre") << false << false << 13;
        QTest::newRow("whole words") << QStringLiteral("hre") << false << true << -1;
    }
    void togglesNarrowTheSearch()
    {
        QFETCH(QString, text);
        QFETCH(bool, matchCase);
        QFETCH(bool, wholeWords);
        QFETCH(int, expected);
        ShellFixture fx;
        frmDocument* document = documentWithText(fx);
        FindBar* bar = document->findBar();
        bar->openFind();
        bar->matchCaseBox()->setChecked(matchCase);
        bar->wholeWordsBox()->setChecked(wholeWords);
        bar->findField()->setText(text);
        QCOMPARE(bar->findNext(), expected >= 0);
        if (expected >= 0)
            QCOMPARE(selectionStart(document), expected);
    }

    void replaceOneThenAllAsOneUndo()
    {
        ShellFixture fx;
        frmDocument* document = documentWithText(fx);
        QTest::keyClick(document->rtfText, Qt::Key_H, Qt::ControlModifier);
        FindBar* bar = document->findBar();
        QTest::keyClicks(bar->findField(), QStringLiteral("one"));
        bar->replaceField()->setText(QStringLiteral("1"));
        QVERIFY(bar->replace());
        QCOMPARE(document->rtfText->Text(), QStringLiteral("1 two one\nthree one two"));
        QCOMPARE(selectionStart(document), 6);

        QCOMPARE(bar->replaceAll(), 2);
        QVERIFY(bar->notice().contains(QLatin1String("2")));
        QCOMPARE(document->rtfText->Text(), QStringLiteral("1 two 1\nthree 1 two"));
        document->rtfText->undo();
        QCOMPARE(document->rtfText->Text(), QStringLiteral("1 two one\nthree one two"));
    }

    void readOnlyViewFindsButRefusesReplace()
    {
        ShellFixture fx;
        frmDocument* document = documentWithText(fx);
        document->rtfText->setLocked(true);
        FindBar* bar = document->findBar();
        bar->openReplace();
        QVERIFY(!bar->findChild<QPushButton*>(QStringLiteral("cmdReplaceAll"))->isEnabled());
        QVERIFY(!bar->findChild<QPushButton*>(QStringLiteral("cmdReplace"))->isEnabled());
        bar->findField()->setText(QStringLiteral("one"));
        bar->replaceField()->setText(QStringLiteral("1"));
        QVERIFY(bar->findNext());
        QCOMPARE(bar->replaceAll(), -1);
        QVERIFY(!bar->replace());
        QCOMPARE(document->rtfText->Text(), kText);
    }

    void replaceMarksTheDocumentChangedInWordProcessorMode()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        main->intOLEModertfText = 2;
        frmDocument* document = main->activeDocument();
        document->rtfText->setOLEDropMode(2);
        document->rtfText->setText(kText);
        QVERIFY(document->SaveNeeded()); // typing counts
        int untitled = 9;
        document->Init(untitled);
        QVERIFY(!document->SaveNeeded());
        FindBar* bar = document->findBar();
        bar->openReplace();
        bar->findField()->setText(QStringLiteral("two"));
        bar->replaceField()->setText(QStringLiteral("2"));
        QCOMPARE(bar->replaceAll(), 2);
        QVERIFY(document->SaveNeeded());
    }
};

QTEST_MAIN(tst_FindBar)
#include "tst_findbar.moc"
