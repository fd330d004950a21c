// Feeds arbitrary bytes to the RTF reader, then checks that what it built survives the writer:
// reading the written document again must give the same text, formatting, tables and lists.

#include "RtfTestSupport.h"

#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"

#include <QGuiApplication>
#include <QTextCursor>
#include <QTextDocument>

#include <cstdio>
#include <cstdlib>

using namespace tarnwick::platform::rtf;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // QTextCharFormat and the font database need a GUI application; it lives for the process.
    static QGuiApplication* app = new QGuiApplication(*argc, *argv);
    (void)app;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray rtf(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // Inputs without the signature only test the rejection; give most of them a header instead.
    if (!looksLikeRtf(rtf))
        rtf.prepend("{\\rtf1 ");

    QTextDocument doc;
    if (!RtfReader::readDocument(rtf, &doc))
        return 0;

    const QByteArray written = RtfWriter::write(doc);
    QTextDocument again;
    if (!RtfReader::readDocument(written, &again)) {
        std::fprintf(stderr, "writer output not accepted by the reader\n");
        std::abort();
    }
    // Text, formatting, tables and lists all survive the writer.
    const QStringList before =
        rtftest::describeDocument(doc) + rtftest::describeTables(doc) + rtftest::describeLists(doc);
    const QStringList after =
        rtftest::describeDocument(again) + rtftest::describeTables(again) + rtftest::describeLists(again);
    if (before != after) {
        std::fprintf(stderr, "round trip changed the document\n--- read\n%s\n--- read(write(read))\n%s\n",
                     qPrintable(before.join(QLatin1Char('\n'))), qPrintable(after.join(QLatin1Char('\n'))));
        std::abort();
    }

    // Pasting the same bytes into the middle of existing text, as SelRTF does.
    QTextDocument target;
    target.setPlainText(QStringLiteral("before\nafter"));
    QTextCursor cursor(&target);
    cursor.setPosition(3);
    cursor.setPosition(9, QTextCursor::KeepAnchor);
    RtfReader::insert(rtf, &cursor);
    (void)RtfWriter::writeSelection(cursor);
    return 0;
}
