// Twips and pixels agree everywhere at any logical DPI: the forms' geometry and the paragraph
// indents of documents go through the same conversion.
#include "platform/Units.h"
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

using tarnwick::platform::Units;
using namespace tarnwick::platform::rtf;

class tst_RtfUnits : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { Units::setDpiOverride(0); }

    void conversionsFollowTheLogicalDpi_data()
    {
        QTest::addColumn<double>("dpi");
        QTest::newRow("96 dpi") << 96.0;
        QTest::newRow("120 dpi") << 120.0;
        QTest::newRow("144 dpi") << 144.0;
        QTest::newRow("192 dpi") << 192.0;
    }

    void conversionsFollowTheLogicalDpi()
    {
        QFETCH(double, dpi);
        Units::setDpiOverride(dpi);

        QCOMPARE(Units::twipsToPixels(1440), int(dpi));
        QCOMPARE(Units::pixelsToTwips(int(dpi)), 1440.0);
        QCOMPARE(Units::rectFromTwips(720, 1440, 2880, 360),
                 QRect(int(dpi / 2), int(dpi), int(dpi * 2), qRound(dpi / 4)));
        QCOMPARE(twipsPerPixel(), 1440.0 / dpi);

        QTextDocument document;
        QVERIFY(
            RtfReader::readDocument("{\\rtf1\\ansi\\li1440\\ri720\\fi-360\\sb240\\sa120 Indented\\par}", &document));
        const QTextBlockFormat format = document.firstBlock().blockFormat();
        QCOMPARE(format.leftMargin(), dpi);
        QCOMPARE(format.rightMargin(), dpi / 2);
        QCOMPARE(format.textIndent(), -dpi / 4);
        QCOMPARE(format.topMargin(), dpi / 6);
        QCOMPARE(format.bottomMargin(), dpi / 12);

        // Written back, the document says what it was read as, whatever the screen.
        const QByteArray written = RtfWriter::write(document);
        for (const char* control : {"\\li1440", "\\ri720", "\\fi-360", "\\sb240", "\\sa120"})
            QVERIFY2(written.contains(control), qPrintable(QString::fromLatin1(written)));
    }

    void screenDpiIsTheLogicalOne()
    {
        // Without an override the screen's logical DPI counts; at 2x scaling it stays the
        // device-independent one, so forms keep their size in inches.
        QVERIFY(QGuiApplication::primaryScreen());
        QCOMPARE(Units::dpi(), QGuiApplication::primaryScreen()->logicalDotsPerInchY());
    }
};

QTEST_MAIN(tst_RtfUnits)
#include "tst_rtfunits.moc"
