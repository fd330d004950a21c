// Zoom: the keys and Ctrl+wheel step the view between 50% and 400%; the document, its saved RTF
// and its changed state stay exactly as they were.
#include "document/frmDocument.h"
#include "platform/RichTextBox.h"
#include "shell/frmMain.h"
#include "support/ShellFixture.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextLayout>
#include <QWheelEvent>
#include <QtTest>

using namespace tarnwick;
using document::frmDocument;
using platform::RichTextBox;
using test::ShellFixture;

namespace {
QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void fill(RichTextBox* box)
{
    box->setText(QStringLiteral("Plain words, then some in a size of their own.\nSecond paragraph."));
    QTextCursor cursor(box->document());
    cursor.setPosition(18);
    cursor.setPosition(30, QTextCursor::KeepAnchor);
    QTextCharFormat format;
    format.setFontPointSize(18);
    format.setFontWeight(QFont::Bold);
    cursor.mergeCharFormat(format);
}
} // namespace

class tst_Zoom : public QObject
{
    Q_OBJECT
private slots:
    void keysStepTheZoom_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("expected");
        QTest::newRow("Ctrl+Plus") << 100 << int(Qt::Key_Plus) << 110;
        QTest::newRow("Ctrl+Equal") << 100 << int(Qt::Key_Equal) << 110;
        QTest::newRow("Ctrl+Minus") << 100 << int(Qt::Key_Minus) << 90;
        QTest::newRow("Ctrl+0") << 250 << int(Qt::Key_0) << 100;
        QTest::newRow("not above 400") << 400 << int(Qt::Key_Plus) << 400;
        QTest::newRow("not below 50") << 50 << int(Qt::Key_Minus) << 50;
        QTest::newRow("between steps up") << 105 << int(Qt::Key_Plus) << 110;
        QTest::newRow("between steps down") << 105 << int(Qt::Key_Minus) << 100;
    }
    void keysStepTheZoom()
    {
        QFETCH(int, start);
        QFETCH(int, key);
        QFETCH(int, expected);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main));
        RichTextBox* box = main->activeDocument()->rtfText;
        box->setFocus();
        box->setZoomPercent(start);
        QTest::keyClick(box, Qt::Key(key), Qt::ControlModifier);
        QCOMPARE(box->zoomPercent(), expected);
    }

    void ctrlWheelZooms_data()
    {
        QTest::addColumn<int>("delta");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("expected");
        QTest::newRow("Ctrl+wheel up") << 120 << int(Qt::ControlModifier) << 110;
        QTest::newRow("Ctrl+wheel down") << -120 << int(Qt::ControlModifier) << 90;
        QTest::newRow("wheel alone scrolls") << -120 << int(Qt::NoModifier) << 100;
    }
    void ctrlWheelZooms()
    {
        QFETCH(int, delta);
        QFETCH(int, modifiers);
        QFETCH(int, expected);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        RichTextBox* box = main->activeDocument()->rtfText;
        const QPointF at(10, 10);
        QWheelEvent wheel(at, box->viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::KeyboardModifiers(modifiers), Qt::NoScrollPhase, false);
        QApplication::sendEvent(box->viewport(), &wheel);
        QCOMPARE(box->zoomPercent(), expected);
    }

    void zoomChangesOnlyTheView_data()
    {
        QTest::addColumn<int>("percent");
        QTest::newRow("50%") << 50;
        QTest::newRow("200%") << 200;
        QTest::newRow("400%") << 400;
    }
    void zoomChangesOnlyTheView()
    {
        QFETCH(int, percent);
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        main->intOLEModertfText = 2;
        frmDocument* document = main->activeDocument();
        RichTextBox* box = document->rtfText;
        box->setOLEDropMode(2);
        fill(box);
        int untitled = 1;
        document->Init(untitled);
        const QString before = fx.path(QStringLiteral("before.rtf"));
        QCOMPARE(document->SaveAs(before), QStringLiteral("True"));
        // The box wraps at its width, so the text's height grows faster than the zoom; one line does not.
        const auto lineHeight = [box] { return box->document()->lastBlock().layout()->lineAt(0).height(); };
        const qreal heightBefore = lineHeight();
        const int undoSteps = box->document()->availableUndoSteps();
        QSignalSpy changes(box, &RichTextBox::Change);

        box->setZoomPercent(percent);
        QCOMPARE(box->zoomPercent(), percent);
        const qreal ratio = lineHeight() / heightBefore;
        QVERIFY2(ratio > percent / 100.0 * 0.8 && ratio < percent / 100.0 * 1.2, qPrintable(QString::number(ratio)));

        const QString after = fx.path(QStringLiteral("after.rtf"));
        QCOMPARE(document->SaveAs(after), QStringLiteral("True"));
        QCOMPARE(readAll(after), readAll(before));
        QCOMPARE(changes.count(), 0);
        QVERIFY(!document->SaveNeeded());
        QCOMPARE(box->document()->availableUndoSteps(), undoSteps);
        QCOMPARE(box->document()->defaultFont(), main->activeDocument()->rtfText->document()->defaultFont());
    }

    void zoomStaysAcrossLoadingAFile()
    {
        ShellFixture fx;
        shell::frmMain* main = fx.createMain();
        frmDocument* document = main->activeDocument();
        fill(document->rtfText);
        const QString path = fx.path(QStringLiteral("doc.rtf"));
        QCOMPARE(document->SaveAs(path), QStringLiteral("True"));
        const qreal normal = document->rtfText->document()->documentLayout()->documentSize().height();

        frmDocument* zoomed = main->LoadNewDoc();
        zoomed->rtfText->setZoomPercent(200);
        QVERIFY(zoomed->Retrieve(path));
        const qreal height = zoomed->rtfText->document()->documentLayout()->documentSize().height();
        QVERIFY2(height > normal * 1.5, qPrintable(QStringLiteral("%1 vs %2").arg(height).arg(normal)));
    }
};

QTEST_MAIN(tst_Zoom)
#include "tst_zoom.moc"
