// Loading and saving speed of the rich text box's file layer on 5 MB files, with each case run
// in a child process of its own so that its peak memory can be read from the kernel.
//
//   bench_rtf [--runs N] [--soffice-runs N] [--size MB] [--keep DIR]
//
// Prints median wall and CPU times, peak resident memory, and, when LibreOffice is installed,
// the time `soffice --headless --convert-to odt` takes for the same RTF file (whole process).
// Exits non-zero when a target is missed: RTF load <= 1 s and >= 5x faster than LibreOffice,
// save no slower than load, peak memory <= 20x the file size; a 5 MB document of tables loads in
// <= 1 s and <= 3x the time of the same text without tables.

#include "platform/DocumentIO.h"

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Timing {
    double wallMs = 0;
    double cpuMs = 0;
};

struct Outcome {
    bool ok = false;
    double wallMs = 0; // medians
    double cpuMs = 0;
    double minWallMs = 0;
    double maxWallMs = 0;
    long peakKb = 0;
};

double cpuNowMs()
{
    return std::clock() * 1000.0 / CLOCKS_PER_SEC; // processor time of the whole process
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Formatting as the rich edit control and Word vary it: fonts, sizes, colours, bold and
// italic runs, links, non-ASCII text as \'hh and \uN, paragraph alignment and indents.
QByteArray generateRtf(qsizetype targetSize)
{
    std::mt19937 rng(20240501);
    auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    static const char* const words[] = {
        "lorem", "ipsum", "dolor", "sit", "amet", "consectetur", "adipiscing", "elit", "sed", "do",
        "eiusmod", "tempor", "incididunt", "ut", "labore", "et", "dolore", "magna", "aliqua",
        "caf\\'e9", "na\\'efve", "\\'93quoted\\'94", "\\u8364?", "\\u1055?\\u1088?\\u1080?", "r\\u233\\'e9sum\\u233\\'e9"};
    static const char* const runFormats[] = {
        "\\b ", "\\i ", "\\ul ", "\\strike ", "\\cf1 ", "\\cf2 ", "\\cf3 ", "\\f1 ", "\\f2 ", "\\fs28 ",
        "\\fs16 ", "\\highlight4 ", "\\b\\i ", "\\super ", ""};
    static const char* const paraFormats[] = {"", "\\qc", "\\qr", "\\qj", "\\li720", "\\li360\\fi-360", "\\sb120\\sa120"};

    QByteArray rtf;
    rtf.reserve(targetSize + 4096);
    rtf += "{\\rtf1\\ansi\\ansicpg1252\\deff0\\nouicompat\\deflang1033{\\fonttbl{\\f0\\fnil\\fcharset0 Calibri;}"
           "{\\f1\\froman\\fcharset0 Times New Roman;}{\\f2\\fmodern\\fcharset0 Courier New;}}\n"
           "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green128\\blue0;\\red0\\green0\\blue255;\\red255\\green255\\blue0;}\n"
           "{\\*\\generator Riched20 10.0.19041}\\viewkind4\\uc1\n";
    int paragraph = 0;
    while (rtf.size() < targetSize) {
        rtf += "\\pard";
        rtf += paraFormats[pick(std::size(paraFormats))];
        rtf += "\\f0\\fs22 ";
        const int runs = 3 + pick(6);
        for (int r = 0; r < runs; ++r) {
            const bool link = pick(40) == 0;
            if (link)
                rtf += "{\\field{\\*\\fldinst{HYPERLINK \"http://www.example.com/p" + QByteArray::number(paragraph)
                    + "\"}}{\\fldrslt{\\ul\\cf3 ";
            else
                rtf += '{';
            rtf += runFormats[pick(std::size(runFormats))];
            const int n = 2 + pick(9);
            for (int w = 0; w < n; ++w) {
                rtf += words[pick(std::size(words))];
                rtf += ' ';
            }
            rtf += link ? "}}}" : "}";
            if (pick(10) == 0)
                rtf += "\\tab ";
        }
        rtf += "\\par\n";
        ++paragraph;
    }
    rtf += "}\n";
    return rtf;
}

// A document that is one long table of five columns with bordered cells (about 2,000 rows for
// 5 MB), and the same cell texts as plain paragraphs, to see what tables cost.
void generateTableRtf(qsizetype targetSize, QByteArray* tables, QByteArray* flat)
{
    std::mt19937 rng(20241207);
    auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    static const char* const words[] = {"lorem",       "ipsum",      "dolor", "sit",      "amet",
                                        "consectetur", "adipiscing", "elit",  "caf\\'e9", "\\u8364?",
                                        "tempor",      "labore",     "magna"};
    static const char* const runFormats[] = {"\\b ", "\\i ", "\\ul ", "\\cf1 ", "\\fs28 ", ""};
    const QByteArray header = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}\n"
                              "{\\colortbl ;\\red255\\green0\\blue0;}\n";
    *tables = header;
    *flat = header;
    tables->reserve(targetSize + 4096);
    flat->reserve(targetSize);
    QByteArray rowDef = "\\trowd\\trgaph108\\trleft-108";
    for (int c = 1; c <= 5; ++c)
        rowDef += "\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10\\clbrdrb\\brdrs\\brdrw10\\clbrdrr\\brdrs\\brdrw10"
                  "\\cellx" +
                  QByteArray::number(c * 1900);
    rowDef += '\n';
    while (tables->size() < targetSize) {
        *tables += rowDef;
        for (int c = 0; c < 5; ++c) {
            QByteArray cell;
            const int runs = 4 + pick(6);
            for (int r = 0; r < runs; ++r) {
                cell += '{';
                cell += runFormats[pick(std::size(runFormats))];
                const int n = 4 + pick(8);
                for (int w = 0; w < n; ++w) {
                    cell += words[pick(std::size(words))];
                    cell += ' ';
                }
                cell += '}';
            }
            *tables += "\\pard\\intbl\\f0\\fs20 " + cell + "\\cell\n";
            *flat += "\\pard\\f0\\fs20 " + cell + "\\par\n";
        }
        *tables += "\\row\n";
    }
    *tables += "\\pard\\par}\n";
    *flat += "}\n";
}

QByteArray generateText(qsizetype targetSize)
{
    std::mt19937 rng(7);
    static const char* const words[] = {"lorem", "ipsum", "dolor", "sit", "amet", "caf\xc3\xa9", "na\xc3\xafve",
                                        "\xe2\x82\xac", "tempor", "incididunt", "labore", "magna", "aliqua"};
    QByteArray text;
    text.reserve(targetSize + 128);
    int column = 0;
    while (text.size() < targetSize) {
        const char* w = words[rng() % std::size(words)];
        text += w;
        column += static_cast<int>(qstrlen(w)) + 1;
        if (column > 72) {
            text += rng() % 8 == 0 ? "\n\n" : "\n";
            column = 0;
        } else {
            text += ' ';
        }
    }
    return text;
}

// The child side: one case, several runs, medians on stdout.
int measure(const QString& what, const QString& path, int runs, const QString& outPath)
{
    std::vector<double> wall;
    std::vector<double> cpu;
    QString error;
    QTextDocument saved;
    if (what.startsWith(QLatin1String("save")) && !tarnwick::platform::loadDocumentFile(path, &saved, &error)) {
        std::fprintf(stderr, "load failed: %s\n", qPrintable(error));
        return 2;
    }
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        const double cpu0 = cpuNowMs();
        bool ok = true;
        if (what.startsWith(QLatin1String("load"))) {
            QTextDocument doc;
            timer.start();
            ok = tarnwick::platform::loadDocumentFile(path, &doc, &error);
            wall.push_back(timer.nsecsElapsed() / 1e6);
            cpu.push_back(cpuNowMs() - cpu0);
        } else if (what.startsWith(QLatin1String("save"))) {
            timer.start();
            ok = tarnwick::platform::saveDocumentFile(outPath, saved, &error);
            wall.push_back(timer.nsecsElapsed() / 1e6);
            cpu.push_back(cpuNowMs() - cpu0);
        } else {
            wall.push_back(0); // baseline: the process with its GUI application and nothing else
            cpu.push_back(0);
        }
        if (!ok) {
            std::fprintf(stderr, "%s failed: %s\n", qPrintable(what), qPrintable(error));
            return 2;
        }
    }
    std::printf("%f %f %f %f\n", median(wall), median(cpu), *std::min_element(wall.begin(), wall.end()),
                *std::max_element(wall.begin(), wall.end()));
    return 0;
}

// Runs argv as a child, returning its stdout, wall time and peak memory (its waited-for
// descendants included, which is what LibreOffice's launcher process gives).
bool runChild(const std::vector<std::string>& args, std::string* out, double* wallMs, long* peakKb)
{
    int pipeFd[2];
    if (pipe(pipeFd) != 0)
        return false;
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        dup2(pipeFd[1], STDOUT_FILENO);
        close(pipeFd[0]);
        close(pipeFd[1]);
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(pipeFd[1]);
    char buf[4096];
    ssize_t n;
    while ((n = read(pipeFd[0], buf, sizeof buf)) > 0)
        out->append(buf, static_cast<std::size_t>(n));
    close(pipeFd[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    *wallMs = timer.nsecsElapsed() / 1e6;
    *peakKb = usage.ru_maxrss;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

Outcome runCase(const char* what, const QString& file, int runs, const QString& outPath)
{
    const std::string self = QFile::symLinkTarget(QStringLiteral("/proc/self/exe")).toStdString();
    std::string out;
    double wall = 0;
    Outcome o;
    o.ok = runChild({self, "--measure", what, file.toStdString(), std::to_string(runs), outPath.toStdString()}, &out,
                    &wall, &o.peakKb)
        && std::sscanf(out.c_str(), "%lf %lf %lf %lf", &o.wallMs, &o.cpuMs, &o.minWallMs, &o.maxWallMs) == 4;
    return o;
}

void printRow(const char* name, const Outcome& o, qint64 fileSize)
{
    if (!o.ok) {
        std::printf("%-22s failed\n", name);
        return;
    }
    std::printf("%-22s %9.1f %9.1f %9.1f %9.1f %9.1f %7.1fx\n", name, o.wallMs, o.minWallMs, o.maxWallMs, o.cpuMs,
                o.peakKb / 1024.0, o.peakKb * 1024.0 / fileSize);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::string(argv[1]) == "--measure") {
        if (argc != 6)
            return 2;
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        return measure(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), std::atoi(argv[4]),
                       QString::fromLocal8Bit(argv[5]));
    }

    int runs = 5;
    int sofficeRuns = 3;
    double megabytes = 5;
    QString keep;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--runs")
            runs = std::max(1, std::atoi(argv[i + 1]));
        else if (a == "--soffice-runs")
            sofficeRuns = std::max(0, std::atoi(argv[i + 1]));
        else if (a == "--size")
            megabytes = std::max(0.01, std::atof(argv[i + 1]));
        else if (a == "--keep")
            keep = QString::fromLocal8Bit(argv[i + 1]);
    }

    QTemporaryDir tmp;
    const QDir dir(keep.isEmpty() ? tmp.path() : keep);
    QDir().mkpath(dir.path());
    const qsizetype size = static_cast<qsizetype>(megabytes * 1024 * 1024);
    const QString rtfPath = dir.filePath(QStringLiteral("mixed.rtf"));
    const QString textPath = dir.filePath(QStringLiteral("plain.txt"));
    const QString tablesPath = dir.filePath(QStringLiteral("tables.rtf"));
    const QString flatPath = dir.filePath(QStringLiteral("tables-as-paragraphs.rtf"));
    const QByteArray rtf = generateRtf(size);
    const QByteArray text = generateText(size);
    QByteArray tables;
    QByteArray flat;
    generateTableRtf(size, &tables, &flat);
    {
        QFile f(tablesPath);
        QFile g(flatPath);
        if (!f.open(QIODevice::WriteOnly) || f.write(tables) != tables.size() || !g.open(QIODevice::WriteOnly) ||
            g.write(flat) != flat.size()) {
            std::fprintf(stderr, "cannot write the table samples to %s\n", qPrintable(dir.path()));
            return 2;
        }
    }
    {
        QFile f(rtfPath);
        QFile t(textPath);
        if (!f.open(QIODevice::WriteOnly) || f.write(rtf) != rtf.size() || !t.open(QIODevice::WriteOnly)
            || t.write(text) != text.size()) {
            std::fprintf(stderr, "cannot write the sample files to %s\n", qPrintable(dir.path()));
            return 2;
        }
    }
    std::printf("files: %s (%lld bytes), %s (%lld bytes); median of %d runs per case\n\n", qPrintable(rtfPath),
                static_cast<long long>(rtf.size()), qPrintable(textPath), static_cast<long long>(text.size()), runs);

    const Outcome baseline = runCase("baseline", rtfPath, 1, QString());
    const Outcome loadRtf = runCase("load-rtf", rtfPath, runs, QString());
    const Outcome saveRtf = runCase("save-rtf", rtfPath, runs, dir.filePath(QStringLiteral("saved-from-rtf.rtf")));
    const Outcome loadText = runCase("load-text", textPath, runs, QString());
    const Outcome saveText = runCase("save-text", textPath, runs, dir.filePath(QStringLiteral("saved-from-text.rtf")));
    const Outcome loadTables = runCase("load-tables", tablesPath, runs, QString());
    const Outcome saveTables =
        runCase("save-tables", tablesPath, runs, dir.filePath(QStringLiteral("saved-tables.rtf")));
    const Outcome loadFlat = runCase("load-flat", flatPath, runs, QString());

    std::printf("%-22s %9s %9s %9s %9s %9s %8s\n", "case", "wall ms", "min", "max", "cpu ms", "peak MB", "x file");
    printRow("process baseline", baseline, rtf.size());
    printRow("load 5 MB RTF", loadRtf, rtf.size());
    printRow("save as RTF (from RTF)", saveRtf, rtf.size());
    printRow("load 5 MB text", loadText, text.size());
    printRow("save as RTF (from text)", saveText, text.size());
    printRow("load 5 MB of tables", loadTables, tables.size());
    printRow("save tables as RTF", saveTables, tables.size());
    printRow("load same text, no table", loadFlat, flat.size());

    bool met = loadRtf.ok && saveRtf.ok && loadText.ok && saveText.ok && loadTables.ok && saveTables.ok && loadFlat.ok;
    std::printf("\n");
    auto target = [&met](bool ok, const char* what) {
        std::printf("%s  %s\n", ok ? "met   " : "MISSED", what);
        met = met && ok;
    };
    target(loadRtf.wallMs <= 1000, "RTF load <= 1 s");
    target(saveRtf.wallMs <= loadRtf.wallMs, "RTF save no slower than RTF load");
    target(loadRtf.peakKb * 1024.0 <= 20.0 * rtf.size(), "peak memory of RTF load <= 20x file size");
    target(saveRtf.peakKb * 1024.0 <= 20.0 * rtf.size(), "peak memory of RTF save <= 20x file size");
    target(loadText.peakKb * 1024.0 <= 20.0 * text.size(), "peak memory of text load <= 20x file size");
    target(loadTables.wallMs <= 1000, "table load <= 1 s");
    target(loadTables.wallMs <= 3 * loadFlat.wallMs, "table load <= 3x the same text without tables");
    target(loadTables.peakKb * 1024.0 <= 20.0 * tables.size(), "peak memory of table load <= 20x file size");
    target(saveTables.peakKb * 1024.0 <= 20.0 * tables.size(), "peak memory of table save <= 20x file size");

    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty() || sofficeRuns == 0) {
        std::printf("\nLibreOffice comparison skipped (%s)\n", soffice.isEmpty() ? "soffice not found" : "--soffice-runs 0");
        return met ? 0 : 1;
    }
    // A profile of its own, made by a first conversion that is not counted.
    const std::string profile = "-env:UserInstallation=file://" + dir.filePath(QStringLiteral("lo-profile")).toStdString();
    const std::string outDir = dir.filePath(QStringLiteral("lo-out")).toStdString();
    const QString tiny = dir.filePath(QStringLiteral("tiny.rtf"));
    {
        QFile f(tiny);
        if (f.open(QIODevice::WriteOnly))
            f.write("{\\rtf1 warm up\\par}");
    }
    auto convert = [&](const QString& file, double* wallMs, long* peakKb) {
        std::string out;
        return runChild({soffice.toStdString(), profile, "--headless", "--convert-to", "odt", "--outdir", outDir,
                         file.toStdString()},
                        &out, wallMs, peakKb);
    };
    double wallMs = 0;
    long peakKb = 0;
    convert(tiny, &wallMs, &peakKb);
    std::vector<double> times;
    long loPeak = 0;
    for (int i = 0; i < sofficeRuns; ++i) {
        if (!convert(rtfPath, &wallMs, &peakKb) || !QFile::exists(QString::fromStdString(outDir) + "/mixed.odt")) {
            std::printf("\nLibreOffice conversion failed; comparison skipped\n");
            return met ? 0 : 1;
        }
        times.push_back(wallMs);
        loPeak = std::max(loPeak, peakKb);
    }
    const double lo = median(times);
    std::printf("\nsoffice --headless --convert-to odt (whole process), median of %d: %.1f ms, peak %.1f MB\n",
                sofficeRuns, lo, loPeak / 1024.0);
    std::printf("RTF load is %.1fx faster than LibreOffice\n", lo / loadRtf.wallMs);
    target(lo >= 5 * loadRtf.wallMs, "RTF load >= 5x faster than LibreOffice");
    return met ? 0 : 1;
}
