// Document windows: numbering, registration, the File menu state, the close prompt, drops and saving.
#include "document/frmDocument.h"
#include "download/ctlAsync.h"
#include "platform/MessageBox.h"
#include "platform/RichTextBox.h"
#include "platform/Units.h"
#include "shell/Globals.h"
#include "shell/MainToolBar.h"
#include "shell/frmMain.h"
#include "support/ShellFixture.h"

#include <QAction>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QUrl>
#include <QtTest>

using namespace tarnwick;
using document::frmDocument;
using platform::MsgBox::Answer;
using test::ShellFixture;

namespace {
QAction* item(shell::frmMain* main, const char* name)
{
    return main->findChild<QAction*>(QLatin1String(name));
}

bool fileCommandsEnabled(shell::frmMain* main)
{
    const bool close = item(main, "mnuFileClose")->isEnabled();
    const bool save = item(main, "mnuFileSave")->isEnabled();
    const bool saveAs = item(main, "mnuFileSaveAs")->isEnabled();
    return close && save && saveAs;
}

bool fileCommandsDisabled(shell::frmMain* main)
{
    return !item(main, "mnuFileClose")->isEnabled() && !item(main, "mnuFileSave")->isEnabled() &&
           !item(main, "mnuFileSaveAs")->isEnabled();
}

// The word-processor mode as the download options leave it: drop mode 2 everywhere, Download File off.
void enterWordProcessorMode(shell::frmMain* main)
{
    main->intOLEModertfText = 2;
    main->tbToolBar->button(21)->setEnabled(false);
    for (frmDocument* window : shell::OpenDocuments.windows())
        window->rtfText->setOLEDropMode(2);
}

void type(frmDocument* window, const QString& text)
{
    window->rtfText->setFocus();
    window->rtfText->moveCursor(QTextCursor::End);
    window->rtfText->insertPlainText(text);
}

// Runs a drag over the box and drops data on it, as the window system would.
void drop(frmDocument* window, QMimeData* data)
{
    QWidget* target = window->rtfText->viewport();
    const QPoint at(5, 5);
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDragMoveEvent move(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &move);
    QDropEvent dropped(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &dropped);
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class tst_DocumentWindows : public QObject
{
    Q_OBJECT
private slots:
    void initReturnsANewUntitledDocument()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        frmDocument window(main);
        int count = 3;
        window.Init(count);
        QCOMPARE(window.Caption(), QStringLiteral("Document3"));
        QCOMPARE(window.CurrentFileName(), QStringLiteral("Document3"));
        QVERIFY(!window.SaveNeeded());
        QVERIFY(window.NewFile());
    }

    void numberingFollowsTheCountAndKeysTheSequence()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        frmDocument* first = main->activeDocument();
        QCOMPARE(first->Tag, QStringLiteral("1"));
        frmDocument* second = main->LoadNewDoc();
        QCOMPARE(second->Caption(), QStringLiteral("Document2"));
        QCOMPARE(main->activeDocument(), second);

        QVERIFY(first->subWindow()->close());
        QCOMPARE(main->OpenDocCount(), 1);
        item(main, "mnuFileNew")->trigger();
        frmDocument* third = main->activeDocument();
        QCOMPARE(third->Caption(), QStringLiteral("Document2"));
        QCOMPARE(third->Tag, QStringLiteral("3"));
        QCOMPARE(shell::OpenDocuments.keys(), QStringList({QStringLiteral("2"), QStringLiteral("3")}));
        QCOMPARE(shell::OpenDocuments.Item(QStringLiteral("3")), third);
    }

    void newWindowAppearsAtItsDesignedSize()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        QMdiSubWindow* frame = main->LoadNewDoc()->subWindow();
        QCOMPARE(frame->size(), platform::Units::twipsToPixels(3600, 2000));
        QVERIFY(frame->isVisible());
    }

    void fileCommandsFollowTheOpenDocuments()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        QVERIFY(fileCommandsEnabled(main));
        item(main, "mnuFileClose")->trigger();
        QCOMPARE(main->OpenDocCount(), 0);
        QVERIFY(fileCommandsDisabled(main));

        // A window that a finished download hid still counts until it is reaped.
        frmDocument* hidden = main->LoadNewDoc();
        QVERIFY(fileCommandsEnabled(main));
        hidden->Hide();
        QVERIFY(!hidden->Visible());
        QVERIFY(fileCommandsEnabled(main));
        main->killHiddenDocuments();
        QTRY_COMPARE(main->mdiArea->subWindowList().size(), 0);
        QCOMPARE(main->OpenDocCount(), 0);
        QVERIFY(fileCommandsDisabled(main));
    }

    void killHiddenDocumentsReapsAdjacentHiddenWindows()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        frmDocument* a = main->LoadNewDoc();
        frmDocument* b = main->LoadNewDoc();
        frmDocument* c = main->LoadNewDoc();
        frmDocument* unregistered = main->LoadNewDoc1();
        QCOMPARE(main->OpenDocCount(), 5);
        QCOMPARE(shell::OpenDocuments.Count(), 4);
        a->Hide();
        b->Hide();
        unregistered->Hide();
        main->killHiddenDocuments();
        QCOMPARE(shell::OpenDocuments.keys(), QStringList({QStringLiteral("1"), QStringLiteral("4")}));
        QCOMPARE(shell::OpenDocuments.Item(QStringLiteral("4")), c);
        QCOMPARE(main->OpenDocCount(), 3);
        // Never registered, so never reaped here.
        QVERIFY(!unregistered->Visible());
        QVERIFY(unregistered->Tag.isEmpty());
    }

    void closingInOtherModesNeverAsks()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        frmDocument* window = main->activeDocument();
        type(window, QStringLiteral("some text"));
        QVERIFY(!window->SaveNeeded());
        item(main, "mnuFileClose")->trigger();
        QCOMPARE(main->OpenDocCount(), 0);
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
    }

    void closePromptInWordProcessorMode_data()
    {
        QTest::addColumn<bool>("typed");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("saveAsChosen");
        QTest::addColumn<bool>("closes");
        QTest::newRow("untouched") << false << 0 << false << true;
        QTest::newRow("no") << true << int(Answer::No) << false << true;
        QTest::newRow("yes, saved as") << true << int(Answer::Yes) << true << true;
        QTest::newRow("yes, save as cancelled") << true << int(Answer::Yes) << false << false;
    }

    void closePromptInWordProcessorMode()
    {
        QFETCH(bool, typed);
        QFETCH(int, answer);
        QFETCH(bool, saveAsChosen);
        QFETCH(bool, closes);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        enterWordProcessorMode(main);
        frmDocument* window = main->activeDocument();
        if (typed)
            type(window, QStringLiteral("draft"));
        QCOMPARE(window->SaveNeeded(), typed);
        const QString target = fx.path(QStringLiteral("draft.rtf"));
        if (answer)
            fx.dialogs.answerMessage(answer);
        if (answer == Answer::Yes) {
            if (saveAsChosen)
                fx.dialogs.answerSave(target);
            else
                fx.dialogs.cancelSave();
        }

        item(main, "mnuFileClose")->trigger();
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
        if (answer) {
            QCOMPARE(fx.dialogs.prompts().first().text, QStringLiteral("Do you want to save Document1?"));
            QCOMPARE(fx.dialogs.prompts().first().style,
                     platform::MsgBox::YesNo | platform::MsgBox::Exclamation);
        }
        if (answer == Answer::Yes)
            QCOMPARE(fx.dialogs.lastPrompt().title, QStringLiteral("Save As"));
        QCOMPARE(main->OpenDocCount(), closes ? 0 : 1);
        QCOMPARE(QFile::exists(target), saveAsChosen);
        if (saveAsChosen)
            QVERIFY(readAll(target).contains("draft"));
        if (!closes) {
            QCOMPARE(main->activeDocument(), window);
            QCOMPARE(window->rtfText->Text(), QStringLiteral("draft"));
        }
    }

    void exitAsksForEachWindowBroughtToFront()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        frmDocument* first = main->activeDocument();
        frmDocument* second = main->LoadNewDoc();
        main->LoadNewDoc(); // untouched: no question
        enterWordProcessorMode(main);
        type(first, QStringLiteral("one"));
        type(second, QStringLiteral("two"));
        QCOMPARE(main->activeDocument()->Caption(), QStringLiteral("Document3"));
        fx.dialogs.answerMessage(Answer::No);
        fx.dialogs.answerMessage(Answer::No);
        QVERIFY(fx.closeMain());
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
        QCOMPARE(fx.dialogs.prompts().size(), 2);
        QCOMPARE(fx.dialogs.prompts().at(0).text, QStringLiteral("Do you want to save Document1?"));
        QCOMPARE(fx.dialogs.prompts().at(1).text, QStringLiteral("Do you want to save Document2?"));
    }

    void exitStopsWhenARequestedSaveFails()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        enterWordProcessorMode(main);
        frmDocument* window = main->activeDocument();
        type(window, QStringLiteral("precious"));
        fx.dialogs.answerMessage(Answer::Yes);
        fx.dialogs.answerSave(fx.path(QStringLiteral("no-such-folder/precious.rtf")));
        fx.dialogs.answerMessage(platform::MsgBox::OK);
        QVERIFY(!fx.closeMain());
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
        QVERIFY(fx.dialogs.lastPrompt().text.contains(QStringLiteral("precious.rtf")));
        QVERIFY(main->isVisible());
        QCOMPARE(window->Caption(), QStringLiteral("Document1"));
        QVERIFY(window->SaveNeeded());
        QVERIFY(QFile::exists(main->strLogFileFullPath));
        QVERIFY(fx.settings.writes().isEmpty());

        // The user tries again with a good name and the exit goes through.
        fx.dialogs.answerMessage(Answer::Yes);
        fx.dialogs.answerSave(fx.path(QStringLiteral("precious.rtf")));
        QVERIFY(fx.closeMain());
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
        QVERIFY(readAll(fx.path(QStringLiteral("precious.rtf"))).contains("precious"));
    }

    void saveOfATitledDocumentUsesItsOwnName()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        frmDocument* window = main->activeDocument();
        type(window, QStringLiteral("first"));
        QCOMPARE(window->SaveAs(fx.path(QStringLiteral("a.rtf"))), QStringLiteral("True"));
        QVERIFY(!window->NewFile());
        QCOMPARE(window->CurrentFileName(), fx.path(QStringLiteral("a.rtf")));
        QCOMPARE(window->Caption(), QStringLiteral("Document1"));
        type(window, QStringLiteral(" second"));
        QVERIFY(window->Save());
        QVERIFY(readAll(fx.path(QStringLiteral("a.rtf"))).contains("first second"));
        QVERIFY(window->Retrieve(fx.path(QStringLiteral("a.rtf"))));
        QCOMPARE(window->Caption(), fx.path(QStringLiteral("a.rtf")));
        QVERIFY(window->rtfText->Text().contains(QStringLiteral("first second")));
    }

    void failedSaveIsReportedAndChangesNothing()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        enterWordProcessorMode(main);
        frmDocument* window = main->activeDocument();
        type(window, QStringLiteral("text"));
        fx.dialogs.answerMessage(platform::MsgBox::OK);
        const QString bad = fx.path(QStringLiteral("missing/x.rtf"));
        QCOMPARE(window->SaveAs(bad), QStringLiteral("False"));
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
        QVERIFY(fx.dialogs.lastPrompt().text.contains(bad));
        QVERIFY(window->SaveNeeded());
        QVERIFY(window->NewFile());
        QCOMPARE(window->CurrentFileName(), QStringLiteral("Document1"));

        // File > Save As to a bad name keeps the window's old caption.
        fx.dialogs.answerSave(bad);
        fx.dialogs.answerMessage(platform::MsgBox::OK);
        item(main, "mnuFileSaveAs")->trigger();
        TARNWICK_VERIFY_DIALOGS(fx.dialogs);
        QCOMPARE(window->Caption(), QStringLiteral("Document1"));
    }

    void dropInAutomaticModeStartsADownload()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        frmDocument* window = main->activeDocument();
        type(window, QStringLiteral("old link"));
        QSignalSpy started(window->ctlAsync1, &download::ctlAsync::urlAssigned);
        auto* data = new QMimeData;
        data->setText(QStringLiteral(" http://127.0.0.1/a.zip\nsecond line"));
        drop(window, data);
        QCOMPARE(window->rtfText->Text(), QStringLiteral(" http://127.0.0.1/a.zip\nsecond line"));
        QCOMPARE(window->ctlAsync1->URL(), QStringLiteral(" http://127.0.0.1/a.zip\nsecond line"));
        QCOMPARE(started.count(), 1);
        QCOMPARE(main->OpenDocCount(), 2);
        QCOMPARE(main->activeDocument()->Caption(), QStringLiteral("Document2"));
        QVERIFY(main->activeDocument()->rtfText->Text().isEmpty());

        // A second drop on the same window replaces the link and starts again in the same control.
        auto* again = new QMimeData;
        again->setText(QStringLiteral("http://127.0.0.1/b.zip"));
        drop(window, again);
        QCOMPARE(window->ctlAsync1->URL(), QStringLiteral("http://127.0.0.1/b.zip"));
        QCOMPARE(started.count(), 2);
        delete data;
        delete again;
    }

    void dropsThatAreNoTextAreIgnored_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("image only") << 0;
        QTest::newRow("file icons") << 1;
        QTest::newRow("empty text") << 2;
    }

    void dropsThatAreNoTextAreIgnored()
    {
        QFETCH(int, kind);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        frmDocument* window = main->activeDocument();
        type(window, QStringLiteral("kept"));
        QMimeData data;
        if (kind == 0) {
            data.setData(QStringLiteral("image/png"), QByteArray("\x89PNG", 4));
        } else if (kind == 1) {
            data.setUrls({QUrl::fromLocalFile(fx.path(QStringLiteral("a.txt")))});
            data.setText(fx.path(QStringLiteral("a.txt")));
        } else {
            data.setText(QString());
        }
        drop(window, &data);
        QCOMPARE(main->OpenDocCount(), 1);
        QVERIFY(window->ctlAsync1->URL().isEmpty());
        QCOMPARE(window->rtfText->Text(), kind == 2 ? QString() : QStringLiteral("kept"));
    }

    // What each source puts in a drop, and the text the window takes as the address: a link's
    // address, never its words.
    void dropsFromBrowsersAndFileManagers_data()
    {
        QTest::addColumn<QStringList>("formats");
        QTest::addColumn<QList<QByteArray>>("payloads");
        QTest::addColumn<QString>("expected"); // empty: the drop is ignored
        const QString uriList = QStringLiteral("text/uri-list");
        const QString text = QStringLiteral("text/plain");
        const QString moz = QStringLiteral("text/x-moz-url");
        const auto utf16 = [](const QString& s) {
            return QByteArray(reinterpret_cast<const char*>(s.utf16()), s.size() * 2);
        };
        QTest::newRow("web engine link") << QStringList{uriList, text}
                                         << QList<QByteArray>{"http://127.0.0.1/frombrowser.bin\r\n",
                                                              "frombrowser.bin link"}
                                         << QStringLiteral("http://127.0.0.1/frombrowser.bin");
        QTest::newRow("Firefox link") << QStringList{moz, text}
                                      << QList<QByteArray>{utf16(QStringLiteral("http://h.test/f.bin\nthe f link")),
                                                           "the f link"}
                                      << QStringLiteral("http://h.test/f.bin");
        QTest::newRow("Firefox link, UTF-16 with BOM")
            << QStringList{moz} << QList<QByteArray>{"\xff\xfe" + utf16(QStringLiteral("https://h.test/g.bin\ng"))}
            << QStringLiteral("https://h.test/g.bin");
        QTest::newRow("Chromium link") << QStringList{uriList, text, QStringLiteral("text/html")}
                                       << QList<QByteArray>{"https://h.test/a%20b.zip", "https://h.test/a%20b.zip",
                                                            "<a href=\"https://h.test/a%20b.zip\">a b</a>"}
                                       << QStringLiteral("https://h.test/a%20b.zip");
        QTest::newRow("two links") << QStringList{uriList, text}
                                   << QList<QByteArray>{"# from a list\r\nhttp://h.test/1.bin\r\nhttp://h.test/2.bin\r\n",
                                                        "one two"}
                                   << QStringLiteral("http://h.test/1.bin\nhttp://h.test/2.bin");
        QTest::newRow("file manager icons") << QStringList{uriList, text}
                                            << QList<QByteArray>{"file:///tmp/a.txt\r\n", "/tmp/a.txt"} << QString();
        QTest::newRow("file and link") << QStringList{uriList}
                                       << QList<QByteArray>{"file:///tmp/a.txt\r\nhttp://h.test/b.bin\r\n"}
                                       << QStringLiteral("file:///tmp/a.txt\nhttp://h.test/b.bin");
        QTest::newRow("plain text alone") << QStringList{text} << QList<QByteArray>{" http://h.test/c.bin "}
                                          << QStringLiteral(" http://h.test/c.bin ");
    }

    void dropsFromBrowsersAndFileManagers()
    {
        QFETCH(QStringList, formats);
        QFETCH(QList<QByteArray>, payloads);
        QFETCH(QString, expected);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        frmDocument* window = main->activeDocument();
        type(window, QStringLiteral("kept"));
        QMimeData data;
        for (int i = 0; i < formats.size(); ++i)
            data.setData(formats.at(i), payloads.at(i));
        drop(window, &data);
        if (expected.isEmpty()) {
            QCOMPARE(window->rtfText->Text(), QStringLiteral("kept"));
            QVERIFY(window->ctlAsync1->URL().isEmpty());
            QCOMPARE(main->OpenDocCount(), 1);
            return;
        }
        QCOMPARE(window->rtfText->Text(), expected);
        QCOMPARE(window->ctlAsync1->URL(), expected);
        QCOMPARE(main->OpenDocCount(), 2);
    }

    void dropInMode2InsertsTheTextItself()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        enterWordProcessorMode(main);
        frmDocument* window = main->activeDocument();
        QMimeData data;
        data.setText(QStringLiteral("http://127.0.0.1/c.zip"));
        drop(window, &data);
        QCOMPARE(window->rtfText->Text(), QStringLiteral("http://127.0.0.1/c.zip"));
        QVERIFY(window->ctlAsync1->URL().isEmpty());
        QCOMPARE(main->OpenDocCount(), 1);
        QVERIFY(window->SaveNeeded());
    }

    void downloadFileButton()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        QAction* button = main->tbToolBar->button(QStringLiteral("Download File"));
        button->setEnabled(true);
        frmDocument* window = main->activeDocument();
        button->trigger();
        QCOMPARE(main->OpenDocCount(), 1);

        type(window, QStringLiteral("http://127.0.0.1/d.zip"));
        button->trigger();
        QCOMPARE(window->ctlAsync1->URL(), QStringLiteral("http://127.0.0.1/d.zip"));
        QCOMPARE(main->OpenDocCount(), 2);
        QCOMPARE(main->activeDocument()->Caption(), QStringLiteral("Document2"));
    }

    void layoutKeepsABorderAndSkipsNegativeSizes()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        frmDocument* window = main->activeDocument();
        window->resize(300, 200);
        using platform::Units;
        const int border = Units::twipsToPixels(200);
        const QRect expected(border, border, Units::twipsToPixels(Units::pixelsToTwips(300) - 400),
                             Units::twipsToPixels(Units::pixelsToTwips(200) - 400));
        QCOMPARE(window->rtfText->geometry(), expected);
        QCOMPARE(window->rtfText->RightMargin(), Units::pixelsToTwips(expected.width()) - 400);
        const QRect before = window->rtfText->geometry();
        window->resize(20, 20);
        QCOMPARE(window->rtfText->geometry(), before);
        QCOMPARE(window->rtfText->RightMargin(), platform::Units::pixelsToTwips(before.width()) - 400);
    }
};

QTEST_MAIN(tst_DocumentWindows)
#include "tst_documentwindows.moc"
