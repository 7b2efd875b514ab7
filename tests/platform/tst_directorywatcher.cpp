#include "platform/linux/InotifyDirectoryWatcher.h"
#include "tests/fakes/TestTree.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <cstdio>
#include <memory>

using namespace tavlin;

namespace {

constexpr int deadlineMs = 5000;

} // namespace

class TestDirectoryWatcher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_scratch = std::make_unique<TestTree::Scratch>();
        QVERIFY(TestTree::build(m_scratch->root,
                                TestTree::tree("watched/existing=F:x|watched/sub/inner=F:x|"
                                               "outside/far=F:x")));
    }

    void changes_data()
    {
        // Below the folder holding "watched": "create x", "rm x", "mv x y" or "append x".
        QTest::addColumn<QByteArray>("change");
        QTest::addColumn<bool>("reported");

        QTest::newRow("file created") << QByteArray("create watched/new") << true;
        QTest::newRow("removed") << QByteArray("rm watched/existing") << true;
        QTest::newRow("moved out") << QByteArray("mv watched/existing outside/existing") << true;
        QTest::newRow("moved in") << QByteArray("mv outside/far watched/far") << true;
        QTest::newRow("file created in a subfolder")
            << QByteArray("create watched/sub/new") << false;
        QTest::newRow("contents written") << QByteArray("append watched/existing") << false;
        QTest::newRow("change in another folder") << QByteArray("create outside/new") << false;
    }
    void changes()
    {
        QFETCH(QByteArray, change);
        QFETCH(bool, reported);
        InotifyDirectoryWatcher watcher;
        QVERIFY(watcher.watch(m_scratch->at("watched")));
        QSignalSpy spy(&watcher, &DirectoryWatcher::changed);

        const QByteArrayList parts = change.split(' ');
        const QByteArray first = m_scratch->at(parts[1]);
        QFile file(QFile::decodeName(first));
        if (parts[0] == "create")
            QVERIFY(TestTree::writeFile(first));
        else if (parts[0] == "rm")
            QVERIFY(TestTree::remove(first));
        else if (parts[0] == "mv")
            QCOMPARE(std::rename(first.constData(), m_scratch->at(parts[2]).constData()), 0);
        else
            QVERIFY(file.open(QIODevice::Append | QIODevice::Unbuffered) &&
                    file.write("more") == 4);
        if (reported) {
            QVERIFY(spy.wait(deadlineMs));
        } else {
            // inotify queues an event within the system call that caused it, so by now the
            // descriptor would be readable and one pass of the event loop would deliver it.
            QCoreApplication::processEvents();
            QCoreApplication::processEvents();
            QCOMPARE(spy.count(), 0);
            // The watcher is alive: a real change still gets through.
            QVERIFY(TestTree::writeFile(m_scratch->at("watched/proof")));
            QVERIFY(spy.wait(deadlineMs));
        }
        QCOMPARE(spy.count(), 1);
    }

    void watchFails()
    {
        QVERIFY(!InotifyDirectoryWatcher().watch(m_scratch->at("watched/existing"))); // a file
        QVERIFY(!InotifyDirectoryWatcher().watch(QByteArray()));
    }

private:
    std::unique_ptr<TestTree::Scratch> m_scratch;
};

QTEST_GUILESS_MAIN(TestDirectoryWatcher)
#include "tst_directorywatcher.moc"
