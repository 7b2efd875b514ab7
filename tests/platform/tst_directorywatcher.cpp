#include "platform/linux/InotifyDirectoryWatcher.h"
#include "tests/fakes/TestTree.h"

#include <QCoreApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <memory>
#include <unistd.h>

using namespace tavlin;

namespace {

constexpr int deadlineMs = 5000;

// Applies one change below `root`: "create f x", "mkdir x", "rm x", "rmdir x", "mv x y",
// "ln target x", "append x".
bool apply(const QByteArray& root, const QByteArray& change)
{
    const QByteArrayList parts = change.split(' ');
    const QByteArray& verb = parts.at(0);
    const QByteArray first = root + '/' + parts.value(1);
    const QByteArray second = root + '/' + parts.value(2);
    if (verb == "create")
        return TestTree::writeFile(first, "data");
    if (verb == "mkdir")
        return TestTree::makeFolder(first);
    if (verb == "rm")
        return ::unlink(first.constData()) == 0;
    if (verb == "rmdir")
        return ::rmdir(first.constData()) == 0;
    if (verb == "mv")
        return ::rename(first.constData(), second.constData()) == 0;
    if (verb == "ln")
        return TestTree::makeSymlink(parts.value(1), second);
    if (verb == "append") {
        QFile file(QFile::decodeName(first));
        return file.open(QIODevice::Append) && file.write("more") == 4;
    }
    return false;
}

} // namespace

class TestDirectoryWatcher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_root = QFile::encodeName(m_dir->path());
        m_watched = m_root + "/watched";
        // Layout: watched/{existing, empty/, sub/inner}, and outside/far next to it.
        QVERIFY(TestTree::makeFolder(m_watched));
        QVERIFY(TestTree::makeFolder(m_watched + "/empty"));
        QVERIFY(TestTree::writeFile(m_watched + "/existing", "x"));
        QVERIFY(TestTree::makeFolder(m_watched + "/sub"));
        QVERIFY(TestTree::writeFile(m_watched + "/sub/inner", "x"));
        QVERIFY(TestTree::makeFolder(m_root + "/outside"));
        QVERIFY(TestTree::writeFile(m_root + "/outside/far", "x"));
    }

    void entryChangesAreReported_data()
    {
        QTest::addColumn<QByteArray>("change"); // relative to the folder holding "watched"

        QTest::newRow("file created") << QByteArray("create watched/new");
        QTest::newRow("folder created") << QByteArray("mkdir watched/newdir");
        QTest::newRow("link created") << QByteArray("ln nowhere watched/link");
        QTest::newRow("file removed") << QByteArray("rm watched/existing");
        QTest::newRow("folder removed") << QByteArray("rmdir watched/empty");
        QTest::newRow("renamed in place") << QByteArray("mv watched/existing watched/renamed");
        QTest::newRow("moved in") << QByteArray("mv outside/far watched/far");
        QTest::newRow("moved out") << QByteArray("mv watched/existing outside/existing");
        QTest::newRow("name that is not UTF-8") << QByteArray("create watched/caf\xe9");
    }
    void entryChangesAreReported()
    {
        QFETCH(QByteArray, change);
        InotifyDirectoryWatcher watcher;
        QVERIFY(watcher.watch(m_watched));
        QSignalSpy spy(&watcher, &DirectoryWatcher::changed);

        QVERIFY(apply(m_root, change));
        QVERIFY(spy.wait(deadlineMs));
        QCOMPARE(spy.count(), 1);
        ::remove((m_watched + "/caf\xe9").constData()); // QTemporaryDir cannot
    }

    void otherChangesAreNot_data()
    {
        QTest::addColumn<QByteArray>("change");

        QTest::newRow("file created in a subfolder") << QByteArray("create watched/sub/new");
        QTest::newRow("file removed in a subfolder") << QByteArray("rm watched/sub/inner");
        QTest::newRow("renamed in a subfolder") << QByteArray("mv watched/sub/inner watched/sub/x");
        QTest::newRow("contents written") << QByteArray("append watched/existing");
        QTest::newRow("change in another folder") << QByteArray("create outside/new");
    }
    void otherChangesAreNot()
    {
        QFETCH(QByteArray, change);
        InotifyDirectoryWatcher watcher;
        QVERIFY(watcher.watch(m_watched));
        QSignalSpy spy(&watcher, &DirectoryWatcher::changed);

        QVERIFY(apply(m_root, change));
        // inotify queues an event within the system call that caused it, so by now the
        // descriptor would be readable and one pass of the event loop would deliver it.
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QCOMPARE(spy.count(), 0);

        // The watcher is alive: a real change still gets through.
        QVERIFY(apply(m_root, "create watched/proof"));
        QVERIFY(spy.wait(deadlineMs));
        QCOMPARE(spy.count(), 1);
    }

    void manyChangesOneSignal()
    {
        InotifyDirectoryWatcher watcher;
        QVERIFY(watcher.watch(m_watched));
        QSignalSpy spy(&watcher, &DirectoryWatcher::changed);
        // More events than one read can hold, all queued before the event loop runs.
        for (int i = 0; i < 600; ++i)
            QVERIFY(TestTree::writeFile(m_watched + "/file-with-a-longish-name-" +
                                        QByteArray::number(i)));
        QVERIFY(spy.wait(deadlineMs));
        QCoreApplication::processEvents();
        QCOMPARE(spy.count(), 1);
    }

    void watchFails_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::newRow("missing folder") << QByteArray("missing");
        QTest::newRow("a file") << QByteArray("watched/existing");
        QTest::newRow("empty path") << QByteArray();
    }
    void watchFails()
    {
        QFETCH(QByteArray, path);
        InotifyDirectoryWatcher watcher;
        QVERIFY(!watcher.watch(path.isEmpty() ? path : m_root + '/' + path));
    }

    void watchAgainOnceTheFolderExists()
    {
        InotifyDirectoryWatcher watcher;
        const QByteArray later = m_root + "/later";
        QVERIFY(!watcher.watch(later));
        QVERIFY(TestTree::makeFolder(later));
        QVERIFY(watcher.watch(later));
        QSignalSpy spy(&watcher, &DirectoryWatcher::changed);
        QVERIFY(TestTree::writeFile(later + "/new"));
        QVERIFY(spy.wait(deadlineMs));
    }

    void watchedFolderRemovedAndRecreated()
    {
        InotifyDirectoryWatcher watcher;
        const QByteArray folder = m_root + "/outside";
        QVERIFY(watcher.watch(folder));
        QSignalSpy spy(&watcher, &DirectoryWatcher::changed);
        QVERIFY(apply(m_root, "rm outside/far"));
        QVERIFY(apply(m_root, "rmdir outside"));
        QTRY_VERIFY_WITH_TIMEOUT(spy.count() >= 1, deadlineMs);

        QVERIFY(!watcher.watch(folder));
        QVERIFY(TestTree::makeFolder(folder));
        QVERIFY(watcher.watch(folder));
        spy.clear();
        QVERIFY(TestTree::writeFile(folder + "/again"));
        QVERIFY(spy.wait(deadlineMs));
    }

    void watchingAnotherFolderReplacesTheFirst()
    {
        InotifyDirectoryWatcher watcher;
        QVERIFY(watcher.watch(m_watched));
        QVERIFY(watcher.watch(m_root + "/outside"));
        QSignalSpy spy(&watcher, &DirectoryWatcher::changed);

        QVERIFY(apply(m_root, "create watched/ignored"));
        QCoreApplication::processEvents();
        QCOMPARE(spy.count(), 0);
        QVERIFY(apply(m_root, "create outside/seen"));
        QVERIFY(spy.wait(deadlineMs));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_root;
    QByteArray m_watched;
};

QTEST_GUILESS_MAIN(TestDirectoryWatcher)
#include "tst_directorywatcher.moc"
