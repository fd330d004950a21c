// The registry the About box reads on systems without one, and the desktop seam's address rules.
#include "platform/QtDesktopServices.h"
#include "platform/Registry.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

using namespace tarnwick::platform;

namespace {
void makeProgram(const QString& path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\nexit 0\n");
    file.close();
    QVERIFY(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
}

// The value as the About box reads it, or a null string when it cannot be read.
QString readString(Registry& registry, quint32 root, const QString& key, const QString& value)
{
    Registry::Key handle = 0;
    if (registry.openKey(root, key, RegistryAccess::Full, &handle) != RegistryResult::Success)
        return QString();
    quint32 type = 0;
    QByteArray data;
    const long result = registry.queryValue(handle, value, &type, &data, 1024);
    registry.closeKey(handle);
    if (result != RegistryResult::Success || type != RegistryType::String)
        return QString();
    return QString::fromLocal8Bit(data.left(data.indexOf('\0')));
}
} // namespace

class tst_Registry : public QObject
{
    Q_OBJECT
private slots:
    void systemInformationIsTheFirstProgramFound_data()
    {
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<QString>("expected"); // empty: the key is missing
        const QStringList programs = {QStringLiteral("hardinfo"), QStringLiteral("kinfocenter")};
        QTest::newRow("both") << programs << QStringLiteral("hardinfo");
        QTest::newRow("only the second") << QStringList{QStringLiteral("kinfocenter")} << QStringLiteral("kinfocenter");
        QTest::newRow("none") << QStringList() << QString();
        QTest::newRow("only another program") << QStringList{QStringLiteral("unrelated")} << QString();
    }

    void systemInformationIsTheFirstProgramFound()
    {
        QFETCH(QStringList, installed);
        QFETCH(QString, expected);
        QTemporaryDir bin;
        for (const QString& name : installed)
            makeProgram(bin.filePath(name));
        SystemInformationRegistry registry({QStringLiteral("hardinfo"), QStringLiteral("kinfocenter")}, {bin.path()});

        const QString found =
            readString(registry, RegistryRoot::LocalMachine,
                       QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"), QStringLiteral("PATH"));
        if (expected.isEmpty()) {
            QVERIFY(found.isNull());
        } else {
            QCOMPARE(found, QDir::toNativeSeparators(bin.filePath(expected)));
            // Keys and value names are found whatever their case and separators.
            QCOMPARE(readString(registry, RegistryRoot::LocalMachine,
                                QStringLiteral("software/microsoft/shared tools/msinfo/"), QStringLiteral("path")),
                     found);
        }
        // Nothing else is there: not the other location, not the same key under another root.
        QVERIFY(readString(registry, RegistryRoot::LocalMachine,
                           QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"), QStringLiteral("MSINFO"))
                    .isNull());
        QVERIFY(readString(registry, RegistryRoot::CurrentUser,
                           QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"), QStringLiteral("PATH"))
                    .isNull());
        QCOMPARE(registry.openHandles(), 0);
    }

    void handlesAreCheckedAndReleased()
    {
        TableRegistry registry;
        registry.setString(RegistryRoot::LocalMachine, QStringLiteral("A\\B"), QStringLiteral("V"),
                           QStringLiteral("text"));
        Registry::Key key = 99;
        QCOMPARE(registry.openKey(RegistryRoot::LocalMachine, QStringLiteral("A\\C"), RegistryAccess::Read, &key),
                 long(RegistryResult::NotFound));
        QCOMPARE(key, Registry::Key(0));
        QCOMPARE(registry.closeKey(key), long(RegistryResult::InvalidHandle));

        QCOMPARE(registry.openKey(RegistryRoot::LocalMachine, QStringLiteral("A\\B"), RegistryAccess::Full, &key),
                 long(RegistryResult::Success));
        QCOMPARE(registry.openHandles(), 1);
        quint32 type = 0;
        QByteArray data;
        QCOMPARE(registry.queryValue(key, QStringLiteral("V"), &type, &data, 4), long(RegistryResult::MoreData));
        QVERIFY(data.isEmpty());
        QCOMPARE(registry.queryValue(key, QStringLiteral("V"), &type, &data, 5), long(RegistryResult::Success));
        QCOMPARE(data, QByteArray("text\0", 5));
        QCOMPARE(registry.closeKey(key), long(RegistryResult::Success));
        QCOMPARE(registry.openHandles(), 0);
        QCOMPARE(registry.queryValue(key, QStringLiteral("V"), &type, &data, 1024),
                 long(RegistryResult::InvalidHandle));
    }

    void addressesHandedToTheDesktop_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("directory");
        QTest::addColumn<QString>("expected");
        QTest::newRow("file URL") << QStringLiteral("file:///opt/tarnwick/tarnwick-home.html") << QStringLiteral("/x")
                                  << QStringLiteral("file:///opt/tarnwick/tarnwick-home.html");
        QTest::newRow("web address") << QStringLiteral("https://example.com/a?b=c") << QString()
                                     << QStringLiteral("https://example.com/a?b=c");
        QTest::newRow("absolute path") << QStringLiteral("/opt/tarnwick/page one.html") << QStringLiteral("/x")
                                       << QStringLiteral("file:///opt/tarnwick/page%20one.html");
        QTest::newRow("relative to the directory") << QStringLiteral("page.html") << QStringLiteral("/opt/tarnwick")
                                                   << QStringLiteral("file:///opt/tarnwick/page.html");
        QTest::newRow("nothing") << QString() << QStringLiteral("/x") << QString();
    }

    void addressesHandedToTheDesktop()
    {
        QFETCH(QString, file);
        QFETCH(QString, directory);
        QFETCH(QString, expected);
        QCOMPARE(QtDesktopServices::urlFor(file, directory).toString(QUrl::FullyEncoded), expected);
    }

    void onlyOpenIsHandedOnAndMissingProgramsDoNotStart()
    {
        QtDesktopServices desktop;
        QVERIFY(!desktop.shellExecute(nullptr, QStringLiteral("Print"), QStringLiteral("https://example.com/"),
                                      QString(), QString(), 1));
        QVERIFY(!desktop.startProgram(QString()));
        QTemporaryDir dir;
        QVERIFY(!desktop.startProgram(dir.filePath(QStringLiteral("missing-program"))));
        // A program that outlives nothing the test removes.
        const QString program = QStandardPaths::findExecutable(QStringLiteral("true"));
        if (!program.isEmpty())
            QVERIFY(desktop.startProgram(program));
    }
};

QTEST_MAIN(tst_Registry)
#include "tst_registry.moc"
