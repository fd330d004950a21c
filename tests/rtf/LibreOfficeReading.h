#pragma once

// What LibreOffice reads in a document: its flat ODF (.fodt) rendering of the file, reduced to
// the tables, lists and pictures, one readable line each, so that two readings compare line by
// line. LibreOffice is asked once for a whole batch of files; it is slow to start.

#include "platform/DocumentIO.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTextDocument>
#include <QUrl>
#include <QXmlStreamReader>

#include <cmath>

namespace rtftest {

inline QString baseName(const QString& file)
{
    return QFileInfo(file).completeBaseName();
}

// Copies source into dir as "original-NAME.EXT", opens it as File > Open does and saves it as
// "resaved-NAME.rtf"; both paths join batch. False with the reason when a step fails.
inline bool copyAndResave(const QString& source, const QDir& dir, QStringList* batch, QString* error)
{
    const QString name = baseName(source);
    const QString original =
        dir.filePath(QStringLiteral("original-") + name + QLatin1Char('.') + QFileInfo(source).suffix());
    if (!QFile::copy(source, original)) {
        *error = QStringLiteral("cannot copy ") + source;
        return false;
    }
    QTextDocument doc;
    if (!tarnwick::platform::loadDocumentFile(original, &doc, error))
        return false;
    const QString resaved = dir.filePath(QStringLiteral("resaved-") + name + QStringLiteral(".rtf"));
    if (!tarnwick::platform::saveDocumentFile(resaved, doc, error))
        return false;
    *batch << original << resaved;
    return true;
}

inline QString sofficePath()
{
    return QStandardPaths::findExecutable(QStringLiteral("soffice"));
}

// Converts every file to .fodt in outDir with one LibreOffice run; HTML files are read as
// text documents, not as web pages. False with the reason when LibreOffice failed.
inline bool convertToFodt(const QStringList& files, const QString& outDir, QString* error)
{
    QStringList rtf;
    QStringList html;
    for (const QString& f : files)
        (f.endsWith(QLatin1String(".html")) ? html : rtf) << f;
    const QString profile = QUrl::fromLocalFile(outDir + QStringLiteral("/profile")).toString();
    auto run = [&](const QStringList& batch, const QStringList& extra) {
        if (batch.isEmpty())
            return true;
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(sofficePath(), QStringList{QStringLiteral("-env:UserInstallation=") + profile,
                                                 QStringLiteral("--headless"), QStringLiteral("--norestore")} +
                                         extra +
                                         QStringList{QStringLiteral("--convert-to"), QStringLiteral("fodt"),
                                                     QStringLiteral("--outdir"), outDir} +
                                         batch);
        if (!process.waitForFinished(240000) || process.exitCode() != 0) {
            *error = QString::fromLocal8Bit(process.readAll());
            process.kill();
            return false;
        }
        return true;
    };
    return run(rtf, {}) && run(html, {QStringLiteral("--infilter=HTML (StarWriter)")});
}

// Re-saves every source into dir (copyAndResave) and has LibreOffice read the originals and the
// re-saves in one run. False with the reason when a step fails.
inline bool resaveAndConvert(const QStringList& sources, const QString& dir, QString* error)
{
    QStringList batch;
    for (const QString& source : sources) {
        if (!copyAndResave(source, QDir(dir), &batch, error))
            return false;
    }
    if (convertToFodt(batch, dir, error))
        return true;
    *error = QStringLiteral("LibreOffice did not convert the documents: ") + *error;
    return false;
}

// LibreOffice's readings of a document's original and of our re-save, as describe reduces them.
inline bool readBoth(QStringList (*describe)(const QString&, QString*), const QDir& dir, const QString& name,
                     QStringList* original, QStringList* resaved, QString* error)
{
    *original = describe(dir.filePath(QStringLiteral("original-") + name + QStringLiteral(".fodt")), error);
    if (!error->isEmpty())
        return false;
    *resaved = describe(dir.filePath(QStringLiteral("resaved-") + name + QStringLiteral(".fodt")), error);
    return error->isEmpty();
}

struct OdfLists
{
    QHash<QString, QHash<int, QString>> kinds; // list style → level → "bullet" or the number format
};

inline double toMillimetres(const QString& length)
{
    double v = length.left(length.size() - 2).toDouble();
    if (length.endsWith(QLatin1String("cm")))
        return v * 10;
    if (length.endsWith(QLatin1String("mm")))
        return v;
    if (length.endsWith(QLatin1String("in")))
        return v * 25.4;
    if (length.endsWith(QLatin1String("pt")))
        return v * 25.4 / 72;
    return std::nan("");
}

// The reading: "table R×C" with a line a row ("a | b(1x2) | ^"), "list <kind> <level>: text" for
// every item, "picture W×H mm" for every picture (to a millimetre: units are rounded on the way).
inline QStringList describeFodt(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("no %1").arg(path);
        return {};
    }
    QXmlStreamReader xml(&file);
    QHash<QString, QHash<int, QString>> listKinds;
    QString listStyle;
    QStringList lines;

    struct TableState
    {
        int line = 0; // where the "table" line is
        int rows = 0;
        int columns = 0;
        QStringList row;
        int cellDepth = 0;
    };
    QList<TableState> tables;
    QList<QString> listStack; // style of each open text:list
    int listItemDepth = 0;
    QString paragraph;
    int paragraphDepth = 0;
    QString cellText;
    QStringList cellSpan;

    while (!xml.atEnd()) {
        xml.readNext();
        const QStringView name = xml.qualifiedName();
        if (xml.isStartElement()) {
            const QXmlStreamAttributes a = xml.attributes();
            if (name == u"text:list-style") {
                listStyle = a.value(QLatin1String("style:name")).toString();
            } else if (name == u"text:list-level-style-bullet" || name == u"text:list-level-style-number") {
                const int level = a.value(QLatin1String("text:level")).toInt();
                listKinds[listStyle][level] = name == u"text:list-level-style-bullet"
                                                  ? QStringLiteral("bullet")
                                                  : a.value(QLatin1String("style:num-format")).toString();
            } else if (name == u"table:table") {
                TableState t;
                t.line = static_cast<int>(lines.size());
                lines << QString();
                tables << t;
            } else if (name == u"table:table-column" && !tables.isEmpty()) {
                const int repeat = a.hasAttribute(QLatin1String("table:number-columns-repeated"))
                                       ? a.value(QLatin1String("table:number-columns-repeated")).toInt()
                                       : 1;
                tables.last().columns += repeat;
            } else if (name == u"table:table-row" && !tables.isEmpty()) {
                tables.last().row.clear();
            } else if ((name == u"table:table-cell" || name == u"table:covered-table-cell") && !tables.isEmpty()) {
                if (name == u"table:covered-table-cell") {
                    tables.last().row << QStringLiteral("^");
                } else {
                    const QString rs = a.value(QLatin1String("table:number-rows-spanned")).toString();
                    const QString cs = a.value(QLatin1String("table:number-columns-spanned")).toString();
                    const bool spanned = (!rs.isEmpty() && rs != u"1") || (!cs.isEmpty() && cs != u"1");
                    tables.last().row << (spanned
                                              ? QStringLiteral("(%1x%2)").arg(rs.isEmpty() ? QStringLiteral("1") : rs,
                                                                              cs.isEmpty() ? QStringLiteral("1") : cs)
                                              : QString());
                }
            } else if (name == u"text:list") {
                QString style = a.value(QLatin1String("text:style-name")).toString();
                if (style.isEmpty() && !listStack.isEmpty())
                    style = listStack.last();
                listStack << style;
            } else if (name == u"text:list-item") {
                ++listItemDepth;
            } else if (name == u"text:p" || name == u"text:h") {
                if (paragraphDepth++ == 0)
                    paragraph.clear();
            } else if (name == u"text:tab" || name == u"text:s") {
                paragraph += QLatin1Char(' ');
            } else if (name == u"draw:frame") {
                const double w = toMillimetres(a.value(QLatin1String("svg:width")).toString());
                const double h = toMillimetres(a.value(QLatin1String("svg:height")).toString());
                lines << QStringLiteral("picture %1x%2 mm").arg(std::lround(w)).arg(std::lround(h));
            }
        } else if (xml.isCharacters() && paragraphDepth > 0) {
            paragraph += xml.text();
        } else if (xml.isEndElement()) {
            if (name == u"text:p" || name == u"text:h") {
                if (--paragraphDepth == 0) {
                    const QString text = paragraph.simplified();
                    if (!listStack.isEmpty() && listItemDepth > 0) {
                        const int level = static_cast<int>(listStack.size());
                        const QString kind = listKinds.value(listStack.first()).value(level, QStringLiteral("?"));
                        lines << QStringLiteral("list %1 %2: %3").arg(kind).arg(level).arg(text);
                    }
                    if (!tables.isEmpty() && !tables.last().row.isEmpty()) {
                        QString& cell = tables.last().row.last();
                        if (cell != u"^") {
                            const int span = static_cast<int>(cell.lastIndexOf(QLatin1Char('(')));
                            const QString spanText =
                                span >= 0 && cell.endsWith(QLatin1Char(')')) ? cell.mid(span) : QString();
                            QString body = spanText.isEmpty() ? cell : cell.left(span);
                            if (!text.isEmpty())
                                body += (body.isEmpty() ? QString() : QStringLiteral("/")) + text;
                            cell = body + spanText;
                        }
                    }
                }
            } else if (name == u"text:list") {
                listStack.removeLast();
            } else if (name == u"text:list-item") {
                --listItemDepth;
            } else if (name == u"table:table-row" && !tables.isEmpty()) {
                ++tables.last().rows;
                lines << QStringLiteral("| ") + tables.last().row.join(QStringLiteral(" | ")) + QStringLiteral(" |");
            } else if (name == u"table:table" && !tables.isEmpty()) {
                const TableState t = tables.takeLast();
                lines[t.line] = QStringLiteral("table %1x%2").arg(t.rows).arg(t.columns);
            }
        }
    }
    if (xml.hasError())
        *error = xml.errorString();
    return lines;
}

} // namespace rtftest
