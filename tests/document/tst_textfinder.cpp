// Finding and replacing in a document: direction, wrapping round, case and whole words, and Replace
// All as a single undo step.
#include "document/TextFinder.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QtTest>

using tarnwick::document::FindOptions;
using tarnwick::document::TextFinder;

namespace {
const QString kText = QStringLiteral("Cat scatter cat.\nCAT catalogue cat");
}

class tst_TextFinder : public QObject
{
    Q_OBJECT
private slots:
    void find_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<bool>("backward");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<bool>("wholeWords");
        QTest::addColumn<int>("expectedStart");
        QTest::addColumn<bool>("expectedWrap");

        // Positions: "Cat"0 "scatter"4 (cat at 5) "cat"12 "CAT"17 "catalogue"21 "cat"31
        QTest::newRow("forward from start") << 0 << false << false << false << 0 << false;
        QTest::newRow("forward inside a word") << 1 << false << false << false << 5 << false;
        QTest::newRow("forward whole words skips scatter") << 1 << false << false << true << 12 << false;
        QTest::newRow("forward match case skips Cat and CAT") << 13 << false << true << false << 21 << false;
        QTest::newRow("forward whole words and case") << 13 << false << true << true << 31 << false;
        QTest::newRow("forward wraps to the top") << 32 << false << false << false << 0 << true;
        QTest::newRow("forward case wraps past the top") << 32 << false << true << false << 5 << true;
        QTest::newRow("backward from the end") << 34 << true << false << false << 31 << false;
        QTest::newRow("backward whole words") << 30 << true << false << true << 17 << false;
        QTest::newRow("backward wraps to the end") << 0 << true << false << false << 31 << true;
        QTest::newRow("backward case and whole wraps") << 11 << true << true << true << 31 << true;
    }
    void find()
    {
        QFETCH(int, from);
        QFETCH(bool, backward);
        QFETCH(bool, matchCase);
        QFETCH(bool, wholeWords);
        QFETCH(int, expectedStart);
        QFETCH(bool, expectedWrap);
        QTextDocument document(kText);
        QTextCursor cursor(&document);
        cursor.setPosition(from);
        const auto result =
            TextFinder::find(&document, QStringLiteral("cat"), cursor,
                             backward ? TextFinder::Direction::Backward : TextFinder::Direction::Forward,
                             FindOptions{matchCase, wholeWords});
        QVERIFY(result.found());
        QCOMPARE(result.match.selectionStart(), expectedStart);
        QCOMPARE(result.match.selectionEnd() - result.match.selectionStart(), 3);
        QCOMPARE(result.wrapped, expectedWrap);
    }

    void findNothing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<bool>("wholeWords");
        QTest::newRow("absent") << QStringLiteral("dog") << false << false;
        QTest::newRow("empty") << QString() << false << false;
        QTest::newRow("only inside words") << QStringLiteral("atte") << false << true;
        QTest::newRow("only in other case") << QStringLiteral("cAt") << true << false;
    }
    void findNothing()
    {
        QFETCH(QString, text);
        QFETCH(bool, matchCase);
        QFETCH(bool, wholeWords);
        QTextDocument document(kText);
        const auto result = TextFinder::find(&document, text, QTextCursor(&document), TextFinder::Direction::Forward,
                                             FindOptions{matchCase, wholeWords});
        QVERIFY(!result.found());
        QVERIFY(!result.wrapped);
    }

    void replaceAllIsOneUndoStep_data()
    {
        QTest::addColumn<QString>("find");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<bool>("wholeWords");
        QTest::addColumn<int>("expectedCount");
        QTest::addColumn<QString>("expectedText");
        QTest::newRow("any case, in words") << QStringLiteral("cat") << QStringLiteral("dog") << false << false << 6
                                            << QStringLiteral("dog sdogter dog.\ndog dogalogue dog");
        QTest::newRow("whole words") << QStringLiteral("cat") << QStringLiteral("dog") << false << true << 4
                                     << QStringLiteral("dog scatter dog.\ndog catalogue dog");
        QTest::newRow("case and whole words") << QStringLiteral("cat") << QStringLiteral("dog") << true << true << 2
                                              << QStringLiteral("Cat scatter dog.\nCAT catalogue dog");
        QTest::newRow("replacement holds the text") << QStringLiteral("cat") << QStringLiteral("cats") << true << true
                                                    << 2 << QStringLiteral("Cat scatter cats.\nCAT catalogue cats");
        QTest::newRow("removal") << QStringLiteral("cat") << QString() << true << false << 4
                                 << QStringLiteral("Cat ster .\nCAT alogue ");
        QTest::newRow("nothing to replace")
            << QStringLiteral("dog") << QStringLiteral("cat") << false << false << 0 << kText;
    }
    void replaceAllIsOneUndoStep()
    {
        QFETCH(QString, find);
        QFETCH(QString, replacement);
        QFETCH(bool, matchCase);
        QFETCH(bool, wholeWords);
        QFETCH(int, expectedCount);
        QFETCH(QString, expectedText);
        QTextDocument document(kText);
        document.setUndoRedoEnabled(true);
        document.clearUndoRedoStacks();
        const int count = TextFinder::replaceAll(&document, find, replacement, FindOptions{matchCase, wholeWords});
        QCOMPARE(count, expectedCount);
        QCOMPARE(document.toPlainText(), expectedText);
        if (count > 0) {
            // One undo takes every replacement back, and there is nothing before it to undo.
            document.undo();
            QCOMPARE(document.toPlainText(), kText);
            QVERIFY(!document.isUndoAvailable());
        }
    }

    void isMatch_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<bool>("wholeWords");
        QTest::addColumn<bool>("expected");
        QTest::newRow("exact") << 12 << 15 << true << true << true;
        QTest::newRow("other case") << 0 << 3 << true << false << false;
        QTest::newRow("other case allowed") << 0 << 3 << false << false << true;
        QTest::newRow("inside a word") << 5 << 8 << false << true << false;
        QTest::newRow("too long") << 12 << 16 << false << false << false;
        QTest::newRow("nothing selected") << 12 << 12 << false << false << false;
    }
    void isMatch()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(bool, matchCase);
        QFETCH(bool, wholeWords);
        QFETCH(bool, expected);
        QTextDocument document(kText);
        QTextCursor cursor(&document);
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        QCOMPARE(TextFinder::isMatch(cursor, QStringLiteral("cat"), FindOptions{matchCase, wholeWords}), expected);
    }
};

QTEST_MAIN(tst_TextFinder)
#include "tst_textfinder.moc"
