// Spelling on a small Hunspell dictionary of our own (data/tiny.aff, data/tiny.dic): which words are
// checked, the marks in a document, the suggestions menu, Ignore All and the personal word list.
#include "document/SpellChecker.h"
#include "document/SpellHighlighter.h"
#include "document/frmDocument.h"
#include "platform/HunspellDictionary.h"
#include "platform/RichTextBox.h"
#include "shell/MainToolBar.h"
#include "shell/frmMain.h"
#include "support/ShellFixture.h"

#include <QFile>
#include <QMdiSubWindow>
#include <QMenu>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextLayout>
#include <QtTest>

using namespace tarnwick;
using document::frmDocument;
using document::SpellChecker;
using document::SpellHighlighter;
using platform::HunspellDictionary;
using platform::RichTextBox;
using test::ShellFixture;

namespace {
const QString kTiny = QStringLiteral(TARNWICK_DICTIONARY_FIXTURE);

std::shared_ptr<SpellChecker> tinyChecker(const QString& personalList)
{
    return std::make_shared<SpellChecker>(HunspellDictionary::load(kTiny), personalList);
}

void enterWordProcessorMode(shell::frmMain* main, frmDocument* document)
{
    main->intOLEModertfText = 2;
    document->rtfText->setOLEDropMode(2);
}

QStringList markedWords(RichTextBox* box, const SpellHighlighter* spelling)
{
    QStringList words;
    for (const SpellChecker::Span& mark : spelling->marks())
        words.append(box->Text().mid(mark.start, mark.length));
    return words;
}

QPoint pointOf(RichTextBox* box, int position)
{
    QTextCursor cursor(box->document());
    cursor.setPosition(position);
    return box->cursorRect(cursor).center() + QPoint(2, 0);
}

void touch(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
}
} // namespace

class tst_Spelling : public QObject
{
    Q_OBJECT
private slots:
    void wordsToCheck_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("plain words") << QStringLiteral("Hello, wrold!") << QStringList{"Hello", "wrold"};
        QTest::newRow("apostrophes inside")
            << QStringLiteral("don't 'quoted' it’s") << QStringList{"don't", "quoted", "it’s"};
        QTest::newRow("numbers and codes") << QStringLiteral("42 3.14 mp3 2nd x86 word") << QStringList{"word"};
        QTest::newRow("all capitals") << QStringLiteral("NASA and USA but A and Nasa")
                                      << QStringList{"and", "but", "A", "and", "Nasa"};
        QTest::newRow("web addresses") << QStringLiteral("see https://exmaple.org/pth?q=zz and www.fooo.com now")
                                       << QStringList{"see", "and", "now"};
        QTest::newRow("mail addresses") << QStringLiteral("mail someone@exmaple.org or mailto:x@y.zz please")
                                        << QStringList{"mail", "or", "please"};
        QTest::newRow("accented letters") << QStringLiteral("café naïve") << QStringList{"café", "naïve"};
        QTest::newRow("hyphenated") << QStringLiteral("well-known") << QStringList{"well", "known"};
    }
    void wordsToCheck()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, words);
        QStringList found;
        for (const SpellChecker::Span& span : SpellChecker::wordsToCheck(text))
            found.append(text.mid(span.start, span.length));
        QCOMPARE(found, words);
    }

    void dictionaryFixture_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<bool>("correct");
        QTest::addColumn<QString>("suggestion"); // expected among the suggestions when misspelled
        QTest::newRow("known") << QStringLiteral("quick") << true << QString();
        QTest::newRow("capitalised") << QStringLiteral("Quick") << true << QString();
        QTest::newRow("apostrophe") << QStringLiteral("don't") << true << QString();
        QTest::newRow("typographic apostrophe") << QStringLiteral("don’t") << true << QString();
        QTest::newRow("swapped letters") << QStringLiteral("wrold") << false << QStringLiteral("world");
        QTest::newRow("missing letter") << QStringLiteral("helo") << false << QStringLiteral("hello");
        QTest::newRow("extra letter") << QStringLiteral("lazzy") << false << QStringLiteral("lazy");
    }
    void dictionaryFixture()
    {
        QFETCH(QString, word);
        QFETCH(bool, correct);
        QFETCH(QString, suggestion);
        SpellChecker checker(HunspellDictionary::load(kTiny), QString());
        QVERIFY(checker.isReady());
        QCOMPARE(checker.language(), QStringLiteral("tiny"));
        QCOMPARE(checker.isCorrect(word), correct);
        if (!correct) {
            const QStringList suggestions = checker.suggestions(word);
            QVERIFY2(suggestions.contains(suggestion), qPrintable(suggestions.join(',')));
            QVERIFY(suggestions.size() <= 7);
        }
    }

    void locatesTheDictionary_data()
    {
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("expected");
        const QStringList some{"de_DE", "en_GB", "en_US"};
        QTest::newRow("exact") << some << QStringLiteral("en_GB") << QStringLiteral("en_GB");
        QTest::newRow("with encoding") << some << QStringLiteral("de_DE.UTF-8") << QStringLiteral("de_DE");
        QTest::newRow("same language") << some << QStringLiteral("de_AT") << QStringLiteral("de_DE");
        QTest::newRow("other language falls back") << some << QStringLiteral("fr_FR") << QStringLiteral("en_US");
        QTest::newRow("C locale") << some << QStringLiteral("C") << QStringLiteral("en_US");
        QTest::newRow("nothing usable") << QStringList{"de_DE"} << QStringLiteral("fr_FR") << QString();
    }
    void locatesTheDictionary()
    {
        QFETCH(QStringList, installed);
        QFETCH(QString, locale);
        QFETCH(QString, expected);
        QTemporaryDir folder;
        for (const QString& name : installed) {
            touch(folder.filePath(name + QStringLiteral(".aff")));
            touch(folder.filePath(name + QStringLiteral(".dic")));
        }
        touch(folder.filePath(QStringLiteral("fr_FR.dic"))); // half a dictionary does not count
        const QString found =
            HunspellDictionary::locate(locale, {folder.filePath(QStringLiteral("missing")), folder.path()});
        QCOMPARE(found, expected.isEmpty() ? QString() : folder.filePath(expected));
    }

    void marksMisspellingsWithoutChangingTheDocument()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        main->setSpellChecker(tinyChecker(fx.path(QStringLiteral("words.txt"))));
        frmDocument* document = main->activeDocument();
        RichTextBox* box = document->rtfText;
        box->setText(QStringLiteral("The quick brwn fox jumps over the lazzy dog. NASA 42nd https://exmaple.org/x"));
        const QString rtfBefore = box->TextRTF();
        QVERIFY(!document->spelling()); // automatic mode: no checking

        enterWordProcessorMode(main, document);
        int untitled = 1;
        document->Init(untitled);
        QSignalSpy changes(box, &RichTextBox::Change);
        const int undoSteps = box->document()->availableUndoSteps();
        SpellHighlighter* spelling = document->spelling();
        QVERIFY(spelling);
        QTRY_VERIFY(spelling->isIdle());
        QCOMPARE(markedWords(box, spelling), (QStringList{"brwn", "lazzy"}));

        QCOMPARE(changes.count(), 0);
        QVERIFY(!document->SaveNeeded());
        QCOMPARE(box->document()->availableUndoSteps(), undoSteps);
        QCOMPARE(box->TextRTF(), rtfBefore);

        // Typing a fix takes the mark away; typing a new mistake adds one.
        QTextCursor cursor(box->document());
        cursor.setPosition(12);
        cursor.insertText(QStringLiteral("o"));
        QTRY_VERIFY(spelling->isIdle());
        QCOMPARE(markedWords(box, spelling), (QStringList{"lazzy"}));
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(QStringLiteral("\nfoxx"));
        QTRY_VERIFY(spelling->isIdle());
        QCOMPARE(markedWords(box, spelling), (QStringList{"lazzy", "foxx"}));

        // Leaving word-processor mode takes every mark away.
        main->tbToolBar->button(21)->setEnabled(true);
        QVERIFY(!document->spelling());
        for (QTextBlock block = box->document()->begin(); block.isValid(); block = block.next())
            QVERIFY(!block.userData());
    }

    void marksAreDrawnUnderTheWord_data()
    {
        QTest::addColumn<int>("zoom");
        QTest::newRow("100%") << 100;
        QTest::newRow("200%") << 200;
    }
    void marksAreDrawnUnderTheWord()
    {
        QFETCH(int, zoom);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        main->setSpellChecker(tinyChecker(QString()));
        frmDocument* document = main->activeDocument();
        enterWordProcessorMode(main, document);
        document->subWindow()->resize(500, 300);
        RichTextBox* box = document->rtfText;
        box->setText(QStringLiteral("hello wrold"));
        box->setZoomPercent(zoom);
        QTRY_VERIFY(document->spelling()->isIdle());
        const QImage image = box->viewport()->grab().toImage();
        const auto redIn = [&](int from, int to) {
            QTextCursor cursor(box->document());
            cursor.setPosition(from);
            const QRect start = box->cursorRect(cursor);
            cursor.setPosition(to);
            const QRect end = box->cursorRect(cursor);
            int red = 0;
            for (int x = start.left() + 1; x < end.left(); ++x) {
                for (int y = start.top(); y <= start.bottom() + 3; ++y) {
                    const QColor c = image.pixelColor(x, y);
                    if (c.red() > 150 && c.green() < 110 && c.blue() < 110)
                        ++red;
                }
            }
            return red;
        };
        QVERIFY(redIn(6, 11) > 5);
        QCOMPARE(redIn(0, 5), 0);
    }

    void neverInReadOnlyViews()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        main->setSpellChecker(tinyChecker(QString()));
        enterWordProcessorMode(main, main->activeDocument());
        QVERIFY(main->activeDocument()->spelling());
        main->mnuViewViewLogFile_Click();
        frmDocument* log = main->activeDocument();
        QVERIFY(log->rtfText->Locked());
        QVERIFY(!log->spelling());
    }

    void suggestionsMenu()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        main->setSpellChecker(tinyChecker(QString()));
        frmDocument* document = main->activeDocument();
        enterWordProcessorMode(main, document);
        RichTextBox* box = document->rtfText;
        box->setText(QStringLiteral("hello wrold"));
        SpellHighlighter* spelling = document->spelling();
        QTRY_VERIFY(spelling->isIdle());

        QMenu plainWord;
        plainWord.addAction(QStringLiteral("Cut"));
        spelling->addMenuEntries(&plainWord, pointOf(box, 2));
        QCOMPARE(plainWord.actions().size(), 1); // a correct word adds nothing

        QMenu menu;
        QAction* cut = menu.addAction(QStringLiteral("Cut"));
        spelling->addMenuEntries(&menu, pointOf(box, 8));
        const QList<QAction*> actions = menu.actions();
        QCOMPARE(actions.last(), cut); // our entries come first
        QCOMPARE(actions.first()->text(), QStringLiteral("world"));
        QVERIFY(menu.findChild<QAction*>(QStringLiteral("actIgnoreAll")));
        QVERIFY(menu.findChild<QAction*>(QStringLiteral("actAddToDictionary")));
        int suggestions = 0;
        while (!actions.at(suggestions)->isSeparator())
            ++suggestions;
        QVERIFY(suggestions >= 1 && suggestions <= 7);

        actions.first()->trigger();
        QCOMPARE(box->Text(), QStringLiteral("hello world"));
        QTRY_VERIFY(spelling->isIdle());
        QVERIFY(spelling->marks().isEmpty());
    }

    void documentContextMenuStartsWithSuggestions_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("first");
        QTest::newRow("on a misspelling") << 2 << QStringLiteral("world");
        QTest::newRow("on a correct word") << 8 << QString();
    }
    void documentContextMenuStartsWithSuggestions()
    {
        QFETCH(int, position);
        QFETCH(QString, first);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        main->setSpellChecker(tinyChecker(QString()));
        frmDocument* document = main->activeDocument();
        enterWordProcessorMode(main, document);
        document->rtfText->setText(QStringLiteral("wrold hello"));
        QTRY_VERIFY(document->spelling()->isIdle());
        std::unique_ptr<QMenu> menu(document->createContextMenu(pointOf(document->rtfText, position)));
        const QList<QAction*> actions = menu->actions();
        QAction* cut = main->findChild<QAction*>(QStringLiteral("mnuEditCut"));
        QVERIFY(cut);
        QVERIFY(actions.contains(cut)); // the document's own entries stay
        if (first.isEmpty()) {
            QVERIFY(!menu->findChild<QAction*>(QStringLiteral("actIgnoreAll")));
        } else {
            QCOMPARE(actions.first()->text(), first);
            QVERIFY(actions.indexOf(menu->findChild<QAction*>(QStringLiteral("actIgnoreAll"))) < actions.indexOf(cut));
        }
    }

    void ignoreAllAndAddToDictionary_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("remembered");
        QTest::newRow("Ignore All") << QStringLiteral("actIgnoreAll") << false;
        QTest::newRow("Add to Dictionary") << QStringLiteral("actAddToDictionary") << true;
    }
    void ignoreAllAndAddToDictionary()
    {
        QFETCH(QString, entry);
        QFETCH(bool, remembered);
        ShellFixture fx;
        const QString personal = fx.dataDir() + QStringLiteral("/personal-words.txt");
        shell::frmMain* main = fx.createMain();
        main->setSpellChecker(tinyChecker(personal));
        frmDocument* first = main->activeDocument();
        enterWordProcessorMode(main, first);
        first->rtfText->setText(QStringLiteral("Tarnwick is a word. Tarnwick!"));
        frmDocument* second = main->LoadNewDoc();
        second->rtfText->setOLEDropMode(2);
        second->rtfText->setText(QStringLiteral("this Tarnwick"));
        QTRY_VERIFY(first->spelling()->isIdle() && second->spelling()->isIdle());
        QCOMPARE(markedWords(first->rtfText, first->spelling()), (QStringList{"Tarnwick", "Tarnwick"}));
        QCOMPARE(markedWords(second->rtfText, second->spelling()).size(), 1);

        QMenu menu;
        first->spelling()->addMenuEntries(&menu, pointOf(first->rtfText, 3));
        menu.findChild<QAction*>(entry)->trigger();
        QTRY_VERIFY(first->spelling()->isIdle() && second->spelling()->isIdle());
        QVERIFY(first->spelling()->marks().isEmpty());
        QVERIFY(second->spelling()->marks().isEmpty());

        // Only Add to Dictionary outlives the run: a fresh checker reads the personal list.
        QCOMPARE(QFile::exists(personal), remembered);
        SpellChecker nextRun(HunspellDictionary::load(kTiny), personal);
        QCOMPARE(nextRun.isCorrect(QStringLiteral("Tarnwick")), remembered);
    }

    void longDocumentsAreCheckedInSlices()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        main->setSpellChecker(tinyChecker(QString()));
        frmDocument* document = main->activeDocument();
        enterWordProcessorMode(main, document);
        QStringList lines;
        for (int i = 0; i < 20000; ++i)
            lines.append(i % 100 == 0 ? QStringLiteral("the quick brwn fox") : QStringLiteral("the quick brown fox"));
        document->rtfText->setText(lines.join(QLatin1Char('\n')));
        SpellHighlighter* spelling = document->spelling();
        // Nothing is checked inside the edit itself: the work waits for the event loop.
        QVERIFY(!spelling->isIdle());
        QVERIFY(spelling->marks().isEmpty());
        QSignalSpy idle(spelling, &SpellHighlighter::idle);
        QVERIFY(idle.wait(60000));
        QCOMPARE(spelling->marks().size(), 200);
    }

    void checkerLoadsOnAWorkerThread()
    {
        QSemaphore release;
        SpellChecker checker(
            [&release]() -> std::unique_ptr<platform::SpellDictionary> {
                release.acquire();
                return HunspellDictionary::load(kTiny);
            },
            QString());
        QVERIFY(checker.isLoading());
        QVERIFY(!checker.isReady());
        QVERIFY(checker.isCorrect(QStringLiteral("wrold"))); // nothing is marked until it is there
        QSignalSpy ready(&checker, &SpellChecker::ready);
        release.release();
        QVERIFY(ready.wait(10000));
        QVERIFY(checker.isReady());
        QVERIFY(!checker.isCorrect(QStringLiteral("wrold")));
    }
};

QTEST_MAIN(tst_Spelling)
#include "tst_spelling.moc"
