// The file save options dialog and the naming helpers behind a finished download.
#include "download/DownloadNaming.h"
#include "download/FileSaveMode.h"
#include "download/ctlAsync.h"
#include "download/dlgFileSaveOptions.h"
#include "platform/AppEnvironment.h"
#include "platform/Units.h"
#include "platform/net/DownloadFileName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace tarnwick;
using download::dlgFileSaveOptions;
using download::FileSaveMode;

class tst_FileSaveOptions : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { platform::Units::setDpiOverride(96); }

    void dialogIsLaidOutAsDesigned()
    {
        FileSaveMode mode;
        dlgFileSaveOptions dialog(mode, nullptr);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("File Save Options for Downloaded Files"));
        QCOMPARE(dialog.size(), QSize(478, 195));
        QCOMPARE(dialog.frmFileSaveOptions->title(), QStringLiteral("Change File Save Options for Downloaded Files "));
        QCOMPARE(dialog.frmFileSaveOptions->geometry(), QRect(8, 24, 377, 129));
        // Options keep their designed place and at least their designed width; a caption wider than
        // that in this desktop's font gets room up to the frame's edge.
        QCOMPARE(dialog.optFileSave[0]->geometry().topLeft(), QPoint(8, 40));
        QCOMPARE(dialog.optFileSave[1]->geometry().topLeft(), QPoint(8, 80));
        QVERIFY(dialog.optFileSave[0]->width() >= 321);
        QVERIFY(dialog.optFileSave[1]->width() >= 361);
        for (QRadioButton* option : dialog.optFileSave) {
            QCOMPARE(option->height(), 17);
            QVERIFY(option->geometry().right() < dialog.frmFileSaveOptions->width());
            QVERIFY(option->width() >= qMin(option->sizeHint().width(), dialog.frmFileSaveOptions->width() - 12));
        }
        QCOMPARE(dialog.cmdOK->geometry(), QRect(392, 32, 73, 25));
        QCOMPARE(dialog.cmdCancel->geometry(), QRect(392, 80, 73, 25));
        QCOMPARE(dialog.cmdApply->geometry(), QRect(392, 128, 73, 25));
        QVERIFY(dialog.cmdOK->isDefault());
        QCOMPARE(dialog.cmdApply->toolTip(), QStringLiteral("&Apply"));
        QCOMPARE(dialog.optFileSave[1]->toolTip(),
                 QStringLiteral("Will prompt for name of file being downloaded, if it has common or duplicate name"));
    }

    void okAppliesAndReopeningShowsTheMode()
    {
        FileSaveMode mode;
        {
            dlgFileSaveOptions dialog(mode, nullptr);
            QVERIFY(dialog.optFileSave[0]->isChecked());
            QVERIFY(dialog.cmdCancel->isEnabled());
            dialog.optFileSave[1]->click();
            QVERIFY(!mode.blFileSaveNotOption);
            dialog.cmdOK->click();
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
        QVERIFY(mode.blFileSaveNotOption);
        QVERIFY(mode.blFileSaveNotOption1);
        dlgFileSaveOptions again(mode, nullptr);
        QVERIFY(again.optFileSave[1]->isChecked());
    }

    void cancelChangesNothingButKeepsAnEarlierApply()
    {
        FileSaveMode mode;
        dlgFileSaveOptions dialog(mode, nullptr);
        dialog.optFileSave[1]->click();
        dialog.cmdApply->click();
        QVERIFY(mode.blFileSaveNotOption);
        QVERIFY(!dialog.cmdCancel->isEnabled());
        // Esc belongs to the disabled Cancel: nothing happens.
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(dialog.result(), 0);
        dialog.optFileSave[0]->click();
        QVERIFY(dialog.cmdCancel->isEnabled());
        dialog.cmdCancel->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(mode.blFileSaveNotOption);
        QVERIFY(mode.blFileSaveNotOption1);
    }

    void fileNameFromUrl_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("name");
        QTest::newRow("file") << QStringLiteral("http://h.example/a/report.pdf") << QStringLiteral("report.pdf");
        QTest::newRow("slash at end") << QStringLiteral("http://h.example/a/") << QString();
        QTest::newRow("no dot") << QStringLiteral("http://h.example/a/readme") << QString();
        QTest::newRow("host only") << QStringLiteral("http://h.example") << QStringLiteral("h.example");
        QTest::newRow("query with dot") << QStringLiteral("http://h/get?name=a.zip") << QStringLiteral("get?name=a.zip");
        QTest::newRow("no slash, dot") << QStringLiteral("archive.zip") << QStringLiteral("archive.zip");
        QTest::newRow("no slash, no dot") << QStringLiteral("archive") << QString();
        QTest::newRow("several lines") << QStringLiteral("a/b.txt\nc/d") << QString();
        QTest::newRow("line end") << QStringLiteral("http://h/nl.bin\n") << QStringLiteral("nl.bin");
        QTest::newRow("CR LF and tab") << QStringLiteral("http://h/x.bin\r\n\t") << QStringLiteral("x.bin");
        QTest::newRow("blanks around") << QStringLiteral("http://h/  blank.bin  ") << QStringLiteral("blank.bin");
        QTest::newRow("control inside") << QStringLiteral("http://h/a\x01" "b.bin") << QStringLiteral("ab.bin");
        QTest::newRow("dot dot") << QStringLiteral("http://h/a/..") << QString();
        QTest::newRow("dot") << QStringLiteral("http://h/a/.") << QString();
#ifdef Q_OS_WIN
        QTest::newRow("backslashes") << QStringLiteral("http://h/a\\..\\evil.exe") << QStringLiteral("evil.exe");
#else
        QTest::newRow("backslashes") << QStringLiteral("http://h/a\\..\\evil.exe")
                                     << QStringLiteral("a\\..\\evil.exe");
#endif
    }

    void fileNameFromUrl()
    {
        QFETCH(QString, url);
        QFETCH(QString, name);
        QCOMPARE(download::FileNameFromURL(url), name);
    }

    // Whatever a link or a server says, the file lands directly in the download directory.
    void namesNeverLeaveTheDownloadDirectory_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QByteArray>("disposition");
        const QStringList urls = {
            QStringLiteral("http://h/../../etc/x.conf"), QStringLiteral("http://h/a/.."),
            QStringLiteral("http://h/..%2F..%2Fx.bin"), QStringLiteral("http://h/a\\..\\..\\x.bin"),
            QStringLiteral("http://h/sub/\n../y.bin\n"), QStringLiteral("..\\..\\z.bin"),
            QStringLiteral("http://h/C:\\Windows\\w.dll")};
        const QList<QByteArray> dispositions = {
            QByteArray("attachment; filename=\"../../x.bin\""), QByteArray("attachment; filename=\"..\\..\\x.bin\""),
            QByteArray("attachment; filename*=UTF-8''..%2F..%2Fx.bin"), QByteArray("attachment; filename=\"..\""),
            QByteArray("attachment; filename=\"/etc/passwd\""), QByteArray("attachment; filename=\"C:\\x.bin\"")};
        for (int i = 0; i < urls.size(); ++i)
            QTest::addRow("url %d", i) << urls.at(i) << QByteArray();
        for (int i = 0; i < dispositions.size(); ++i)
            QTest::addRow("header %d", i) << QStringLiteral("http://h/file.bin") << dispositions.at(i);
    }

    void namesNeverLeaveTheDownloadDirectory()
    {
        QFETCH(QString, url);
        QFETCH(QByteArray, disposition);
        QTemporaryDir root;
        const QString directory = root.path() + QStringLiteral("/downloads");
        const auto staysInside = [&](const QString& name) {
            if (name.isEmpty())
                return true;
            const QString path = QDir::cleanPath(platform::AppEnvironment::joinPath(directory, name));
            return QFileInfo(path).absolutePath() == directory && !name.contains(QLatin1Char('/'))
#ifdef Q_OS_WIN
                   && !name.contains(QLatin1Char('\\'))
#endif
                ;
        };
        const QString fromUrl = download::FileNameFromURL(url);
        QVERIFY2(staysInside(fromUrl), qPrintable(fromUrl));
        const QString fromServer =
            platform::net::downloadFileName(QUrl(url.trimmed()), disposition, QStringLiteral("application/octet-stream"));
        QVERIFY(!fromServer.isEmpty());
        QVERIFY2(staysInside(fromServer), qPrintable(fromServer));
        QVERIFY(fromServer != QLatin1String("..") && fromServer != QLatin1String("."));
    }

    void statusTexts()
    {
        QCOMPARE(download::ctlAsync::statusText(0), QStringLiteral("Error occured in downloading the file"));
        QCOMPARE(download::ctlAsync::statusText(11), QStringLiteral("Requesting the Server for data..."));
        QCOMPARE(download::ctlAsync::statusText(10), QStringLiteral("Using the cached copy for the data..."));
        for (int code : {-1, 7, 8, 9, 12, 40})
            QVERIFY(download::ctlAsync::statusText(code).isEmpty());
    }

    void freeNamesNumberTheStem()
    {
        QTemporaryDir dir;
        const auto touch = [&dir](const QString& name) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        };
        QCOMPARE(download::firstFreePath(dir.path(), QStringLiteral("a.tar.gz")), dir.filePath(QStringLiteral("a.tar.gz")));
        touch(QStringLiteral("a.tar.gz"));
        touch(QStringLiteral("a (2).tar.gz"));
        QCOMPARE(download::firstFreePath(dir.path(), QStringLiteral("a.tar.gz")),
                 dir.filePath(QStringLiteral("a (3).tar.gz")));
        touch(QStringLiteral(".profile"));
        QCOMPARE(download::firstFreePath(dir.path(), QStringLiteral(".profile")),
                 dir.filePath(QStringLiteral(".profile (2)")));
        touch(QStringLiteral("untitled"));
        QCOMPARE(download::firstFreePath(dir.path() + QStringLiteral("/"), QStringLiteral("untitled")),
                 dir.filePath(QStringLiteral("untitled (2)")));
    }

    void moveIntoPlaceNeverReplacesUnlessAsked()
    {
        QTemporaryDir dir;
        const auto write = [&dir](const QString& name, const QByteArray& bytes) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        };
        const auto read = [&dir](const QString& name) {
            QFile file(dir.filePath(name));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        write(QStringLiteral("new"), "new");
        write(QStringLiteral("old"), "old");
        QString error;
        QVERIFY(!download::moveIntoPlace(dir.filePath(QStringLiteral("new")), dir.filePath(QStringLiteral("old")), false,
                                         &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(read(QStringLiteral("old")), QByteArray("old"));
        QVERIFY(download::moveIntoPlace(dir.filePath(QStringLiteral("new")), dir.filePath(QStringLiteral("old")), true,
                                        &error));
        QCOMPARE(read(QStringLiteral("old")), QByteArray("new"));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("new"))));
        write(QStringLiteral("more"), "more");
        QVERIFY(!download::moveIntoPlace(dir.filePath(QStringLiteral("more")), dir.filePath(QStringLiteral("no/dir/x")),
                                         false, &error));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("more"))));
    }
};

QTEST_MAIN(tst_FileSaveOptions)
#include "tst_filesaveoptions.moc"
