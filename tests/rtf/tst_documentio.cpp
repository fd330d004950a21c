#include "RtfTestSupport.h"

#include "platform/DocumentIO.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

using namespace tarnwick::platform;
using namespace rtftest;

namespace {

QByteArray encoded(QStringConverter::Encoding encoding, const QString& text)
{
    QStringEncoder encoder(encoding);
    return encoder.encode(text);
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void fillWithFormatting(QTextDocument* doc)
{
    doc->setHtml(QStringLiteral("<p align=center>plain <b>bold</b> <span style='color:#ff0000'>red</span></p>"
                                "<p style='margin-left:48px'>Привет € <a href='http://x.example/'>link</a></p>"));
}

} // namespace

class TestDocumentIO : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void loadChoosesFormat_data();
    void loadChoosesFormat();
    void loadedDocumentHasNoHistory_data();
    void loadedDocumentHasNoHistory();
    void unreadableFileLeavesDocumentUntouched_data();
    void unreadableFileLeavesDocumentUntouched();
    void saveWritesRtfWhateverTheExtension_data();
    void saveWritesRtfWhateverTheExtension();
    void saveReplacesExistingFileCompletely();
    void saveFailureIsReported_data();
    void saveFailureIsReported();

private:
    QTemporaryDir dir_;
};

void TestDocumentIO::initTestCase()
{
    QVERIFY(dir_.isValid());
}

void TestDocumentIO::loadChoosesFormat_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("boldWord");

    QTest::newRow("RTF named .txt") << "a.txt" << QByteArray("{\\rtf1 a{\\b X}b}") << "aXb" << "X";
    QTest::newRow("RTF after BOM and blank lines") << "a.rtf" << QByteArray("\xEF\xBB\xBF\r\n  {\\rtf1 {\\b X}}")
                                                   << "X" << "X";
    QTest::newRow("HTML by extension") << "page.htm" << QByteArray("<p>a<b>X</b></p>") << "aX" << "X";
    QTest::newRow("HTML by upper-case extension") << "PAGE.HTML" << QByteArray("<b>X</b>") << "X" << "X";
    QTest::newRow("HTML by doctype") << "page.txt" << QByteArray("<!DOCTYPE html><html><body><b>X</b></body></html>")
                                     << "X" << "X";
    QTest::newRow("HTML tag after BOM and blanks") << "noext" << QByteArray("\xEF\xBB\xBF \n<HTML><b>X</b></HTML>")
                                                   << "X" << "X";
    QTest::newRow("HTML with a legacy charset")
        << "a.html" << QByteArray("<html><head><meta charset=\"windows-1251\"></head><body>\xcf\xf0\xe8</body></html>")
        << QStringLiteral("При") << "";
    QTest::newRow("HTML without charset in cp1252") << "a.html" << QByteArray("<html><body>caf\xe9</body></html>")
                                                    << QStringLiteral("café") << "";
    QTest::newRow("tags in a text file stay text") << "notes.txt" << QByteArray("<p>not <b>html</b></p>")
                                                   << "<p>not <b>html</b></p>" << "";
    QTest::newRow("UTF-8 without BOM") << "a.txt" << QByteArray("caf\xc3\xa9 \xe2\x82\xac\nline2")
                                       << QStringLiteral("café €\nline2") << "";
    QTest::newRow("UTF-8 with BOM") << "a.txt" << QByteArray("\xEF\xBB\xBF" "caf\xc3\xa9") << QStringLiteral("café") << "";
    QTest::newRow("UTF-16LE with BOM") << "a.txt"
                                       << QByteArray("\xFF\xFE") + encoded(QStringConverter::Utf16LE, QStringLiteral("café\r\nП"))
                                       << QStringLiteral("café\nП") << "";
    QTest::newRow("UTF-16BE with BOM") << "a.txt"
                                       << QByteArray("\xFE\xFF") + encoded(QStringConverter::Utf16BE, QStringLiteral("€ \U0001F600"))
                                       << QStringLiteral("€ \U0001F600") << "";
    QTest::newRow("cp1252") << "a.txt" << QByteArray("caf\xe9 \x80 \x93q\x94") << QStringLiteral("café € “q”") << "";
    QTest::newRow("UTF-8 cut inside a character is cp1252") << "a.txt" << QByteArray("caf\xc3") << QStringLiteral("cafÃ")
                                                            << "";
    QTest::newRow("overlong UTF-8 is cp1252") << "a.txt" << QByteArray("\xc0\xaf") << QStringLiteral("À¯") << "";
    QTest::newRow("CRLF line ends") << "a.txt" << QByteArray("a\r\nb\r\n") << "a\nb\n" << "";
    QTest::newRow("empty file") << "a.txt" << QByteArray() << "" << "";
}

void TestDocumentIO::loadChoosesFormat()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(QString, boldWord);
    const QString path = dir_.filePath(fileName);
    QVERIFY(writeFile(path, bytes));
    QTextDocument doc;
    QString error;
    QVERIFY2(loadDocumentFile(path, &doc, &error), qPrintable(error));
    QCOMPARE(blockTexts(doc).join(QLatin1Char('\n')), text);
    if (!boldWord.isEmpty())
        QVERIFY(formatOf(doc, boldWord).fontWeight() >= QFont::Bold);
    else
        QVERIFY(!describeDocument(doc).join(QLatin1Char('\n')).contains(QLatin1String(" bold")));
}

void TestDocumentIO::loadedDocumentHasNoHistory_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("RTF") << QByteArray("{\\rtf1 x}");
    QTest::newRow("HTML") << QByteArray("<html>x</html>");
    QTest::newRow("text") << QByteArray("x");
}

void TestDocumentIO::loadedDocumentHasNoHistory()
{
    QFETCH(QByteArray, bytes);
    const QString path = dir_.filePath(QStringLiteral("history.dat"));
    QVERIFY(writeFile(path, bytes));
    QTextDocument doc;
    QTextCursor(&doc).insertText(QStringLiteral("typed"));
    QVERIFY(doc.isUndoAvailable());
    QVERIFY(doc.isModified());
    QVERIFY(loadDocumentFile(path, &doc));
    QCOMPARE(doc.toPlainText(), QStringLiteral("x"));
    QVERIFY(!doc.isUndoAvailable());
    QVERIFY(!doc.isModified());
}

void TestDocumentIO::unreadableFileLeavesDocumentUntouched_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("missing file") << QStringLiteral("no-such-file.rtf");
    QTest::newRow("missing folder") << QStringLiteral("no-such-folder/a.txt");
    QTest::newRow("a folder") << QString();
}

void TestDocumentIO::unreadableFileLeavesDocumentUntouched()
{
    QFETCH(QString, path);
    QTextDocument doc;
    fillWithFormatting(&doc);
    const QStringList before = describeDocument(doc);
    QString error;
    QVERIFY(!loadDocumentFile(dir_.filePath(path), &doc, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(describeDocument(doc), before);
}

void TestDocumentIO::saveWritesRtfWhateverTheExtension_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::newRow(".rtf") << "out.rtf";
    QTest::newRow(".txt") << "out.txt";
    QTest::newRow(".html") << "out.html";
    QTest::newRow("none") << "out";
}

void TestDocumentIO::saveWritesRtfWhateverTheExtension()
{
    QFETCH(QString, fileName);
    QTextDocument doc;
    fillWithFormatting(&doc);
    const QString path = dir_.filePath(fileName);
    QString error;
    QVERIFY2(saveDocumentFile(path, doc, &error), qPrintable(error));
    QVERIFY(fileBytes(path).startsWith("{\\rtf1\\ansi\\ansicpg1252"));
    QTextDocument loaded;
    QVERIFY(loadDocumentFile(path, &loaded, &error));
    QCOMPARE(describeDocument(loaded), describeDocument(doc));
}

void TestDocumentIO::saveReplacesExistingFileCompletely()
{
    const QString path = dir_.filePath(QStringLiteral("replace.rtf"));
    QVERIFY(writeFile(path, QByteArray(100000, 'x')));
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("short"));
    QVERIFY(saveDocumentFile(path, doc));
    QCOMPARE(fileBytes(path), documentToRtf(doc));
}

void TestDocumentIO::saveFailureIsReported_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("missing folder") << QStringLiteral("no-such-folder/a.rtf");
    QTest::newRow("a folder") << QString();
}

void TestDocumentIO::saveFailureIsReported()
{
    QFETCH(QString, path);
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("x"));
    QString error;
    QVERIFY(!saveDocumentFile(dir_.filePath(path), doc, &error));
    QVERIFY(!error.isEmpty());
}

QTEST_MAIN(TestDocumentIO)
#include "tst_documentio.moc"
