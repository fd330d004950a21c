// The drive list and directory list the download directory is chosen from, and the volumes behind them.
#include "FakeVolumes.h"
#include "platform/DirectoryList.h"
#include "platform/DriveList.h"
#include "platform/Volumes.h"

#include <QDir>
#include <QSet>
#include <QSignalSpy>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QtTest>

using namespace tarnwick;
using platform::DirectoryList;
using platform::DriveList;
using platform::Volumes;
using test::FakeVolumes;

namespace {
QStringList entries(const DirectoryList& list)
{
    QStringList result;
    for (int row = 0; row < list.count(); ++row)
        result << list.item(row)->text();
    return result;
}
} // namespace

class tst_Volumes : public QObject
{
    Q_OBJECT
private slots:
    void rootOfPicksTheVolumeHoldingThePath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("root");
        QTest::newRow("root itself") << "/" << "/";
        QTest::newRow("inside the nested volume") << "/home/ann/letters" << "/home";
        QTest::newRow("the nested volume's own root") << "/home" << "/home";
        QTest::newRow("with a final separator") << "/home/" << "/home";
        QTest::newRow("a name that only begins like a root") << "/homework" << "/";
        QTest::newRow("deepest of three") << "/home/ann/usb/photos" << "/home/ann/usb";
        QTest::newRow("dot segments resolved first") << "/home/../srv" << "/";
    }

    void rootOfPicksTheVolumeHoldingThePath()
    {
        QFETCH(QString, path);
        QFETCH(QString, root);
        // Listed in no particular order: the longest matching root must win wherever it stands.
        const QList<platform::Volume> volumes{{QStringLiteral("/home/ann/usb"), {}, true},
                                              {QStringLiteral("/"), {}, true},
                                              {QStringLiteral("/home"), {}, true}};
        QCOMPARE(Volumes::rootOf(volumes, path), root);
        QCOMPARE(Volumes::rootOf({}, path), QString());
    }

    void directoriesEndInTheSeparatorOnlyAtARoot_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        QTest::newRow("root") << "/" << "/";
        QTest::newRow("doubled root") << "//" << "/";
        QTest::newRow("final separator dropped") << "/srv/files/" << "/srv/files";
        QTest::newRow("parent of a top folder") << "/srv/.." << "/";
        QTest::newRow("nothing") << "" << "";
    }

    void directoriesEndInTheSeparatorOnlyAtARoot()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QCOMPARE(Volumes::normalizedDirectory(path), expected);
    }

    void systemVolumesPutReadyOnesFirstAndAlwaysHoldTheRoot()
    {
        const QList<platform::Volume> volumes = platform::QtVolumes().mounted();
        QVERIFY(!volumes.isEmpty());
        QSet<QString> roots;
        bool seenNotReady = false;
        for (const platform::Volume& volume : volumes) {
            QVERIFY2(!roots.contains(volume.rootPath), qPrintable(volume.rootPath));
            roots.insert(volume.rootPath);
            QVERIFY2(QFileInfo(volume.rootPath).isDir(), qPrintable(volume.rootPath));
            QVERIFY2(!(seenNotReady && volume.ready), "a ready volume after one that is not ready");
            seenNotReady = seenNotReady || !volume.ready;
        }
        QVERIFY(roots.contains(QStringLiteral("/")));
        QVERIFY(platform::QtVolumes().isReady(QStringLiteral("/")));
    }

    void aFolderThatIsNoMountPointIsNoReadyVolume()
    {
        // What an unmounted mount point looks like: an ordinary folder on the volume above it.
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("mnt"));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QStorageInfo(folder).rootPath() != folder);
        QVERIFY(!platform::QtVolumes().isReady(folder));
    }

    void directoryListShowsParentAndSortedSubfolders()
    {
        QTemporaryDir dir;
        const QString base = dir.path();
        for (const char* name : {"beta", "Alpha", "gamma", ".hidden"})
            QVERIFY(QDir(base).mkdir(QLatin1String(name)));
        QFile file(base + QStringLiteral("/notes.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        DirectoryList list;
        QSignalSpy changes(&list, &DirectoryList::Change);
        QVERIFY(list.setPath(base + QStringLiteral("/")));
        QCOMPARE(list.Path(), base);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(entries(list), QStringList({QStringLiteral(".."), QStringLiteral("Alpha"), QStringLiteral("beta"),
                                             QStringLiteral("gamma")}));
        QCOMPARE(list.item(0)->data(DirectoryList::PathRole).toString(), QFileInfo(base).absolutePath());

        // The same folder again is no change; a folder that is not there leaves everything as it was.
        QVERIFY(list.setPath(base));
        QVERIFY(!list.setPath(base + QStringLiteral("/missing")));
        QVERIFY(!list.setPath(base + QStringLiteral("/notes.txt")));
        QCOMPARE(changes.count(), 1);
        QCOMPARE(list.Path(), base);
        QCOMPARE(list.count(), 4);
    }

    void driveListSelectsTheVolumeThatHoldsAText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("drive");
        QTest::addColumn<bool>("changed");
        QTest::newRow("same volume") << "/srv/other" << "/" << false;
        QTest::newRow("nested volume by a path on it") << "/media/stick/photos" << "/media/stick" << true;
        QTest::newRow("nested volume by its root") << "/media/stick" << "/media/stick" << true;
    }

    void driveListSelectsTheVolumeThatHoldsAText()
    {
        QFETCH(QString, text);
        QFETCH(QString, drive);
        QFETCH(bool, changed);
        FakeVolumes volumes;
        volumes.add(QStringLiteral("/"));
        volumes.add(QStringLiteral("/media/stick"), QStringLiteral("STICK"), FakeVolumes::Never);
        DriveList list(volumes);
        list.refresh(QStringLiteral("/srv"));
        QCOMPARE(list.Drive(), QStringLiteral("/"));
        QCOMPARE(list.itemText(1), QStringLiteral("/media/stick  [STICK]"));
        QSignalSpy changes(&list, &DriveList::Change);
        QVERIFY(list.setDrive(text));
        QCOMPARE(list.Drive(), drive);
        QCOMPARE(changes.count(), changed ? 1 : 0);
        // Readiness is asked afresh, not taken from the list.
        QCOMPARE(list.isDriveReady(), drive == QLatin1String("/"));
    }
};

QTEST_MAIN(tst_Volumes)
#include "tst_volumes.moc"
