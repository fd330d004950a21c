// The format bar: what it shows for plain, mixed and formatted selections, what it applies and
// that this survives saving and loading; when it is enabled and that it goes with the toolbar.
#include "document/FormatBar.h"
#include "document/frmDocument.h"
#include "platform/RichTextBox.h"
#include "shell/MainToolBar.h"
#include "shell/frmMain.h"
#include "support/ShellFixture.h"

#include <QAction>
#include <QComboBox>
#include <QFontComboBox>
#include <QMenu>
#include <QTextBlock>
#include <QToolButton>
#include <QtTest>

using namespace tarnwick;
using document::FormatBar;
using document::frmDocument;
using platform::RichTextBox;
using test::ShellFixture;

namespace {
// "Serif text" then "Sans text": the first in DejaVu Serif 14 pt red on yellow, the rest default.
void fillSample(RichTextBox* box)
{
    box->setText(QStringLiteral("Serif text Sans text"));
    QTextCursor cursor(box->document());
    cursor.setPosition(0);
    cursor.setPosition(10, QTextCursor::KeepAnchor);
    QTextCharFormat format;
    format.setFontFamilies({QStringLiteral("DejaVu Serif")});
    format.setFontPointSize(14);
    format.setForeground(QColor(Qt::red));
    format.setBackground(QColor(Qt::yellow));
    cursor.mergeCharFormat(format);
}

void select(RichTextBox* box, int from, int to)
{
    QTextCursor cursor(box->document());
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    box->setTextCursor(cursor);
}

QTextCharFormat formatAt(RichTextBox* box, int position)
{
    QTextCursor cursor(box->document());
    cursor.setPosition(position + 1);
    return cursor.charFormat();
}

QAction* item(shell::frmMain* main, const char* name)
{
    return main->findChild<QAction*>(QLatin1String(name));
}
} // namespace

class tst_FormatBar : public QObject
{
    Q_OBJECT
private slots:
    void followsTheSelection_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<bool>("realFontBox");
        QTest::addColumn<QString>("family"); // "default": the document's default family
        QTest::addColumn<QString>("size");
        QTest::newRow("caret in formatted text")
            << 3 << 3 << false << QStringLiteral("DejaVu Serif") << QStringLiteral("14");
        QTest::newRow("formatted selection")
            << 0 << 5 << true << QStringLiteral("DejaVu Serif") << QStringLiteral("14");
        QTest::newRow("plain selection") << 12 << 16 << true << QStringLiteral("default") << QStringLiteral("default");
        QTest::newRow("caret in plain text")
            << 15 << 15 << false << QStringLiteral("default") << QStringLiteral("default");
        QTest::newRow("mixed selection") << 6 << 15 << true << QString() << QString();
        QTest::newRow("mixed selection, light box") << 6 << 15 << false << QString() << QString();
    }
    void followsTheSelection()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(bool, realFontBox);
        QFETCH(QString, family);
        QFETCH(QString, size);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        FormatBar* bar = main->tbFormatBar;
        RichTextBox* box = main->activeDocument()->rtfText;
        QCOMPARE(bar->target(), box);
        if (realFontBox)
            bar->fontBox();
        fillSample(box);
        select(box, from, to);
        const QFont defaultFont = box->document()->defaultFont();
        if (family == QLatin1String("default"))
            family = defaultFont.family();
        if (size == QLatin1String("default"))
            size = QString::number(defaultFont.pointSizeF());
        QCOMPARE(bar->fontNameText(), family);
        QCOMPARE(bar->fontSizeText(), size);
        QCOMPARE(bar->fontBoxMade(), realFontBox);
    }

    void appliesAndSurvivesSaveAndLoad_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("value");
        QTest::newRow("font") << QStringLiteral("font") << QStringLiteral("DejaVu Sans Mono");
        QTest::newRow("size") << QStringLiteral("size") << QStringLiteral("20");
        QTest::newRow("typed half size") << QStringLiteral("size") << QStringLiteral("10.5");
        QTest::newRow("text colour") << QStringLiteral("color") << QStringLiteral("#0000ff");
        QTest::newRow("highlight") << QStringLiteral("highlight") << QStringLiteral("#00ff00");
        QTest::newRow("automatic colour") << QStringLiteral("color") << QString();
        QTest::newRow("no highlight") << QStringLiteral("highlight") << QString();
    }
    void appliesAndSurvivesSaveAndLoad()
    {
        QFETCH(QString, control);
        QFETCH(QString, value);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        FormatBar* bar = main->tbFormatBar;
        frmDocument* document = main->activeDocument();
        RichTextBox* box = document->rtfText;
        fillSample(box);
        select(box, 2, 14); // across both runs

        if (control == QLatin1String("font"))
            bar->applyFontName(value);
        else if (control == QLatin1String("size"))
            bar->applyFontSize(value);
        else if (control == QLatin1String("color"))
            bar->applyColor(QColor(value));
        else
            bar->applyHighlight(QColor(value));

        const auto check = [&](RichTextBox* target, const char* when) {
            for (int position : {2, 8, 12, 13}) {
                const QTextCharFormat f = formatAt(target, position);
                const QString where = QStringLiteral("%1 at %2").arg(QLatin1String(when)).arg(position);
                if (control == QLatin1String("font"))
                    QVERIFY2(f.fontFamilies().toStringList().value(0) == value, qPrintable(where));
                else if (control == QLatin1String("size"))
                    QVERIFY2(qFuzzyCompare(f.fontPointSize(), value.toDouble()), qPrintable(where));
                else if (control == QLatin1String("color") && !value.isEmpty())
                    QVERIFY2(f.foreground().color() == QColor(value), qPrintable(where));
                else if (control == QLatin1String("color"))
                    QVERIFY2(!f.hasProperty(QTextFormat::ForegroundBrush), qPrintable(where));
                else if (!value.isEmpty())
                    QVERIFY2(f.background().color() == QColor(value), qPrintable(where));
                else
                    QVERIFY2(!f.hasProperty(QTextFormat::BackgroundBrush), qPrintable(where));
            }
            // Outside the selection nothing changed.
            QCOMPARE(formatAt(target, 0).fontPointSize(), 14.0);
            QCOMPARE(formatAt(target, 18).fontPointSize(), 0.0);
        };
        check(box, "before saving");

        const QString path = fx.path(QStringLiteral("formatted.rtf"));
        QCOMPARE(document->SaveAs(path), QStringLiteral("True"));
        frmDocument* reloaded = main->LoadNewDoc();
        QVERIFY(reloaded->Retrieve(path));
        QCOMPARE(reloaded->rtfText->Text(), box->Text());
        check(reloaded->rtfText, "after loading");
    }

    void appliesToWhatIsTypedNext()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        RichTextBox* box = main->activeDocument()->rtfText;
        box->setText(QStringLiteral("ab"));
        select(box, 1, 1);
        main->tbFormatBar->applyFontSize(QStringLiteral("30"));
        main->tbFormatBar->applyColor(QColor(Qt::blue));
        QCOMPARE(box->Text(), QStringLiteral("ab")); // nothing to format yet
        box->insertPlainText(QStringLiteral("X"));
        QCOMPARE(box->Text(), QStringLiteral("aXb"));
        QCOMPARE(formatAt(box, 1).fontPointSize(), 30.0);
        QCOMPARE(formatAt(box, 1).foreground().color(), QColor(Qt::blue));
        QCOMPARE(formatAt(box, 0).fontPointSize(), 0.0);
        QCOMPARE(main->tbFormatBar->fontSizeText(), QStringLiteral("30"));
    }

    void rejectsSizesOutOfRange_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("zero") << QStringLiteral("0");
        QTest::newRow("too large") << QStringLiteral("5000");
        QTest::newRow("not a number") << QStringLiteral("big");
    }
    void rejectsSizesOutOfRange()
    {
        QFETCH(QString, typed);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        RichTextBox* box = main->activeDocument()->rtfText;
        fillSample(box);
        select(box, 0, 5);
        main->tbFormatBar->applyFontSize(typed);
        QCOMPARE(formatAt(box, 2).fontPointSize(), 14.0);
        QCOMPARE(main->tbFormatBar->fontSizeText(), QStringLiteral("14"));
    }

    void marksChangedOnlyInWordProcessorMode_data()
    {
        QTest::addColumn<bool>("wordProcessor");
        QTest::newRow("word processor") << true;
        QTest::newRow("automatic") << false;
    }
    void marksChangedOnlyInWordProcessorMode()
    {
        QFETCH(bool, wordProcessor);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        frmDocument* document = main->activeDocument();
        if (wordProcessor) {
            main->intOLEModertfText = 2;
            document->rtfText->setOLEDropMode(2);
        }
        fillSample(document->rtfText);
        int untitled = 1;
        document->Init(untitled); // forget the typing
        select(document->rtfText, 0, 5);
        main->tbFormatBar->applyColor(QColor(Qt::green));
        QCOMPARE(document->SaveNeeded(), wordProcessor);
    }

    void enabledOnlyForAnEditableDocument()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        FormatBar* bar = main->tbFormatBar;
        QVERIFY(bar->sizeBox()->isEnabled());
        QVERIFY(bar->colorButton()->isEnabled());

        main->mnuViewViewLogFile_Click();
        QVERIFY(main->activeDocument()->rtfText->Locked());
        QVERIFY(!bar->sizeBox()->isEnabled());
        QVERIFY(!bar->highlightButton()->isEnabled());
        QVERIFY(!bar->fontBox()->isEnabled());

        main->mnuFileClose_Click(); // the log view
        QVERIFY(bar->sizeBox()->isEnabled());
        main->mnuFileClose_Click(); // Document1
        QVERIFY(!main->activeDocument());
        QVERIFY(!bar->sizeBox()->isEnabled());
        QVERIFY(!bar->colorButton()->isEnabled());
        QVERIFY(!bar->fontBox()->isEnabled());
        main->LoadNewDoc();
        QVERIFY(bar->fontBox()->isEnabled());
    }

    void controlsArriveAfterTheFirstPaint()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        FormatBar* bar = main->tbFormatBar;
        QVERIFY(!bar->isBuilt()); // nothing of it is made before the window is drawn
        const int height = bar->height();
        QTRY_VERIFY(bar->isBuilt());
        QVERIFY(!bar->fontBoxMade()); // the real font box waits for the user
        QCOMPARE(bar->fontSizeText(),
                 QString::number(main->activeDocument()->rtfText->document()->defaultFont().pointSizeF()));
        QVERIFY(bar->height() >= height);
    }

    void goesWithTheToolbar()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        FormatBar* bar = main->tbFormatBar;
        QVERIFY(bar->isVisible());
        QCOMPARE(main->toolBarArea(bar), main->toolBarArea(main->tbToolBar));
        QVERIFY(bar->geometry().top() > main->tbToolBar->geometry().top()); // a row of its own below
        item(main, "mnuViewToolbar")->trigger();
        QVERIFY(!main->tbToolBar->isVisible());
        QVERIFY(!bar->isVisible());
        item(main, "mnuViewToolbar")->trigger();
        QVERIFY(main->tbToolBar->isVisible());
        QVERIFY(bar->isVisible());
        // The designed toolbar and menus are untouched.
        QCOMPARE(main->tbToolBar->buttonCount(), 23);
    }

    void colourMenusAndAccessibleNames()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        FormatBar* bar = main->tbFormatBar;
        RichTextBox* box = main->activeDocument()->rtfText;
        fillSample(box);
        select(box, 12, 16);
        QMenu* colours = bar->colorButton()->menu();
        QVERIFY(colours->actions().isEmpty()); // listed when first opened
        emit colours->aboutToShow();
        QVERIFY(colours->actions().size() > 10);
        QAction* blue = nullptr;
        for (QAction* action : colours->actions()) {
            if (action->data().value<QColor>() == QColor(Qt::blue))
                blue = action;
        }
        QVERIFY(blue);
        blue->trigger();
        QCOMPARE(formatAt(box, 13).foreground().color(), QColor(Qt::blue));
        // The button itself repeats the last colour.
        select(box, 0, 3);
        bar->colorButton()->click();
        QCOMPARE(formatAt(box, 1).foreground().color(), QColor(Qt::blue));

        bar->fontBox();
        for (QWidget* control : bar->findChildren<QWidget*>()) {
            if (control->isVisibleTo(bar) && control->focusPolicy() != Qt::NoFocus)
                QVERIFY2(!control->accessibleName().isEmpty(),
                         qPrintable(control->objectName() + QLatin1Char(' ') + control->metaObject()->className()));
        }
    }
};

QTEST_MAIN(tst_FormatBar)
#include "tst_formatbar.moc"
