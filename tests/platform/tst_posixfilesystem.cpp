#include "platform/linux/PosixFileSystem.h"
#include "tests/fakes/TestTree.h"

#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ftw.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace tavlin;

namespace {

// Builds items below `root` from a layout: "f name", "d name", "l target name", "p name".
// Names may hold any byte but space, which separates the fields.
bool build(const QByteArray& root, const QByteArrayList& layout)
{
    for (const QByteArray& entry : layout) {
        const QByteArrayList parts = entry.split(' ');
        const QByteArray path = root + '/' + parts.last();
        bool ok = false;
        switch (parts.first().at(0)) {
        case 'f':
            ok = TestTree::writeFile(path, "content of " + parts.last());
            break;
        case 'd':
            ok = TestTree::makeFolder(path);
            break;
        case 'l':
            ok = TestTree::makeSymlink(parts.at(1), path);
            break;
        case 'p':
            ok = TestTree::makeFifo(path);
            break;
        default:
            break;
        }
        if (!ok)
            return false;
    }
    return true;
}

QByteArray kindLetter(ItemKind kind)
{
    switch (kind) {
    case ItemKind::Directory:
        return "D";
    case ItemKind::File:
        return "F";
    case ItemKind::Symlink:
        return "L";
    case ItemKind::Other:
        break;
    }
    return "O";
}

// QTemporaryDir cannot remove names that are not UTF-8, so clear its contents on bytes.
int removeEntry(const char* path, const struct stat*, int, FTW*)
{
    return ::remove(path);
}

void removeContents(const QByteArray& root)
{
    for (const QByteArray& name :
         PosixFileSystem().listNames(root).value_or(std::vector<QByteArray>{}))
        ::nftw((root + '/' + name).constData(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

QByteArray longName()
{
    return QByteArray(251, 'n') + ".txt"; // NAME_MAX is 255 bytes
}

} // namespace

class TestPosixFileSystem : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_root = QFile::encodeName(m_dir->path());
    }
    void cleanup() { removeContents(m_root); }

    void listItems_data()
    {
        QTest::addColumn<QByteArrayList>("layout");
        QTest::addColumn<QByteArrayList>("expected"); // "kind name", sorted

        QTest::newRow("empty folder") << QByteArrayList{} << QByteArrayList{};
        QTest::newRow("every kind")
            << QByteArrayList{"f a.txt", "d sub", "l a.txt link", "l /nowhere/at/all dangling",
                              "p pipe"}
            << QByteArrayList{"D sub", "F a.txt", "L dangling", "L link", "O pipe"};
        QTest::newRow("link to a folder is a link")
            << QByteArrayList{"d real", "l real alias"} << QByteArrayList{"D real", "L alias"};
        QTest::newRow("hidden entries")
            << QByteArrayList{"f .hidden", "d .config"} << QByteArrayList{"D .config", "F .hidden"};
        QTest::newRow("name that is not UTF-8")
            << QByteArrayList{"f caf\xe9.txt"} << QByteArrayList{"F caf\xe9.txt"};
        QTest::newRow("255-byte name")
            << QByteArrayList{"f " + longName()} << QByteArrayList{"F " + longName()};
    }
    void listItems()
    {
        QFETCH(QByteArrayList, layout);
        QFETCH(QByteArrayList, expected);
        QVERIFY(build(m_root, layout));

        const auto items = m_fs.listItems(m_root);
        QVERIFY(items.has_value());
        QByteArrayList listed;
        for (const DirectoryItem& item : *items)
            listed << kindLetter(item.stat.kind) + ' ' + item.name;
        std::sort(listed.begin(), listed.end());
        QCOMPARE(listed, expected);

        const auto names = m_fs.listNames(m_root);
        QVERIFY(names.has_value());
        QByteArrayList nameList(names->begin(), names->end());
        std::sort(nameList.begin(), nameList.end());
        QByteArrayList expectedNames;
        for (const QByteArray& line : expected)
            expectedNames << line.mid(2);
        std::sort(expectedNames.begin(), expectedNames.end());
        QCOMPARE(nameList, expectedNames);
    }

    void listingFails_data()
    {
        QTest::addColumn<QByteArrayList>("layout");
        QTest::addColumn<QByteArray>("folder");

        QTest::newRow("missing folder") << QByteArrayList{} << QByteArray("missing");
        QTest::newRow("a file") << QByteArrayList{"f file"} << QByteArray("file");
        QTest::newRow("NUL inside the path")
            << QByteArrayList{"d sub"} << QByteArray("sub\0/../sub", 11);
    }
    void listingFails()
    {
        QFETCH(QByteArrayList, layout);
        QFETCH(QByteArray, folder);
        QVERIFY(build(m_root, layout));
        const QByteArray path = m_root + '/' + folder;
        QVERIFY(!m_fs.listItems(path).has_value());
        QVERIFY(!m_fs.listNames(path).has_value());
        QVERIFY(!m_fs.canOpenFolder(path));
    }

    void times_data()
    {
        QTest::addColumn<double>("modified");
        QTest::newRow("whole second") << 1700000000.0;
        QTest::newRow("fraction of a second") << 1700000000.123456;
    }
    void times()
    {
        QFETCH(double, modified);
        const QByteArray path = m_root + "/file";
        QVERIFY(TestTree::writeFile(path, "x"));
        QVERIFY(TestTree::setModified(path, modified));

        const auto items = m_fs.listItems(m_root);
        QVERIFY(items && items->size() == 1);
        const auto single = m_fs.stat(path);
        QVERIFY(single.has_value());
        for (const ItemStat& st : {items->front().stat, *single}) {
            QVERIFY(st.modified && st.changed);
            QVERIFY2(std::fabs(*st.modified - modified) < 1e-6,
                     qPrintable(QString::number(*st.modified, 'f', 9)));
            QVERIFY(std::fabs(*st.changed - TestTree::changedTime(path)) < 1e-6);
        }
    }

    void stat_data()
    {
        QTest::addColumn<QByteArrayList>("layout");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("expected"); // kind letter, empty for nullopt

        QTest::newRow("file") << QByteArrayList{"f a"} << QByteArray("a") << QByteArray("F");
        QTest::newRow("folder") << QByteArrayList{"d a"} << QByteArray("a") << QByteArray("D");
        QTest::newRow("link to a file, not followed")
            << QByteArrayList{"f a", "l a b"} << QByteArray("b") << QByteArray("L");
        QTest::newRow("dangling link")
            << QByteArrayList{"l nowhere b"} << QByteArray("b") << QByteArray("L");
        QTest::newRow("fifo") << QByteArrayList{"p a"} << QByteArray("a") << QByteArray("O");
        QTest::newRow("missing") << QByteArrayList{} << QByteArray("a") << QByteArray();
        QTest::newRow("name that is not UTF-8")
            << QByteArrayList{"f caf\xe9"} << QByteArray("caf\xe9") << QByteArray("F");
        QTest::newRow("same name in another encoding")
            << QByteArrayList{"f caf\xe9"} << QByteArray("caf\xc3\xa9") << QByteArray();
    }
    void stat()
    {
        QFETCH(QByteArrayList, layout);
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, expected);
        QVERIFY(build(m_root, layout));
        const auto st = m_fs.stat(m_root + '/' + name);
        QCOMPARE(st ? kindLetter(st->kind) : QByteArray(), expected);
    }

    void makeDirectory_data()
    {
        QTest::addColumn<QByteArrayList>("layout");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("expected");

        QTest::newRow("new folder") << QByteArrayList{} << QByteArray("new") << true;
        QTest::newRow("existing folder")
            << QByteArrayList{"d new", "f new/keep"} << QByteArray("new") << true;
        QTest::newRow("existing file") << QByteArrayList{"f new"} << QByteArray("new") << false;
        QTest::newRow("link to a folder")
            << QByteArrayList{"d real", "l real new"} << QByteArray("new") << false;
        QTest::newRow("dangling link")
            << QByteArrayList{"l nowhere new"} << QByteArray("new") << false;
    }
    void makeDirectory()
    {
        QFETCH(QByteArrayList, layout);
        QFETCH(QByteArray, name);
        QFETCH(bool, expected);
        QVERIFY(build(m_root, layout));
        const TestTree::Snapshot before = TestTree::snapshot(m_root);

        QCOMPARE(m_fs.makeDirectory(m_root + '/' + name), expected);

        TestTree::Snapshot after = TestTree::snapshot(m_root);
        if (!before.count(name) && expected) {
            QCOMPARE(after[name], QByteArray("D"));
            after.erase(name);
        }
        QCOMPARE(after, before); // nothing that was there changed
    }

    void move_data()
    {
        QTest::addColumn<QByteArrayList>("layout");
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");

        QTest::newRow("file") << QByteArrayList{"f a", "d dest"} << QByteArray("a")
                              << QByteArray("dest/a");
        QTest::newRow("folder with contents") << QByteArrayList{"d a", "f a/x", "d a/y", "d dest"}
                                              << QByteArray("a") << QByteArray("dest/a");
        QTest::newRow("link to a file moves as a link")
            << QByteArrayList{"f target", "l target a", "d dest"} << QByteArray("a")
            << QByteArray("dest/a");
        QTest::newRow("link to a folder moves as a link")
            << QByteArrayList{"d target", "f target/x", "l ../target a", "d dest"}
            << QByteArray("a") << QByteArray("dest/a");
        QTest::newRow("dangling link")
            << QByteArrayList{"l nowhere a", "d dest"} << QByteArray("a") << QByteArray("dest/a");
        QTest::newRow("name that is not UTF-8")
            << QByteArrayList{"f caf\xe9.txt", "d d\xf8r"} << QByteArray("caf\xe9.txt")
            << QByteArray("d\xf8r/caf\xe9 2.txt");
        QTest::newRow("255-byte name")
            << QByteArrayList{"f " + longName(), "d dest"} << longName() << "dest/" + longName();
    }
    void move()
    {
        QFETCH(QByteArrayList, layout);
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QVERIFY(build(m_root, layout));
        const TestTree::Snapshot before = TestTree::snapshot(m_root);

        QCOMPARE(m_fs.move(m_root + '/' + from, m_root + '/' + to), MoveResult::Moved);

        // Everything below `from` is now below `to`, byte for byte; links keep their targets.
        TestTree::Snapshot expected;
        for (const auto& [path, identity] : before) {
            if (path == from || path.startsWith(from + '/'))
                expected[to + path.mid(from.size())] = identity;
            else
                expected[path] = identity;
        }
        QCOMPARE(TestTree::snapshot(m_root), expected);
    }

    void moveNeverReplaces_data()
    {
        QTest::addColumn<QByteArrayList>("layout"); // the source is "a", the target "b"

        QTest::newRow("file onto file") << QByteArrayList{"f a", "f b"};
        QTest::newRow("file onto empty folder") << QByteArrayList{"f a", "d b"};
        QTest::newRow("folder onto empty folder") << QByteArrayList{"d a", "f a/x", "d b"};
        QTest::newRow("folder onto file") << QByteArrayList{"d a", "f b"};
        QTest::newRow("file onto dangling link") << QByteArrayList{"f a", "l nowhere b"};
        QTest::newRow("file onto link to a file") << QByteArrayList{"f a", "f c", "l c b"};
        QTest::newRow("folder onto link to a folder") << QByteArrayList{"d a", "d c", "l c b"};
        QTest::newRow("link onto link") << QByteArrayList{"l x a", "l y b"};
    }
    void moveNeverReplaces()
    {
        QFETCH(QByteArrayList, layout);
        QVERIFY(build(m_root, layout));
        const TestTree::Snapshot before = TestTree::snapshot(m_root);
        QCOMPARE(m_fs.move(m_root + "/a", m_root + "/b"), MoveResult::TargetExists);
        QCOMPARE(TestTree::snapshot(m_root), before);
    }

    void moveOntoHardLinkOfItself()
    {
        // rename() between two names of one file "succeeds" without doing anything.
        QVERIFY(build(m_root, {"f a"}));
        QCOMPARE(::link((m_root + "/a").constData(), (m_root + "/b").constData()), 0);
        QCOMPARE(m_fs.move(m_root + "/a", m_root + "/b"), MoveResult::TargetExists);
        QVERIFY(TestTree::exists(m_root + "/a"));
        QVERIFY(TestTree::exists(m_root + "/b"));
    }

    void moveFails_data()
    {
        QTest::addColumn<QByteArrayList>("layout");
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");

        QTest::newRow("missing source") << QByteArrayList{} << QByteArray("a") << QByteArray("b");
        QTest::newRow("folder into itself")
            << QByteArrayList{"d a"} << QByteArray("a") << QByteArray("a/b");
        QTest::newRow("NUL inside the target")
            << QByteArrayList{"f a", "f b"} << QByteArray("a") << QByteArray("b\0c", 3);
    }
    void moveFails()
    {
        QFETCH(QByteArrayList, layout);
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QVERIFY(build(m_root, layout));
        const TestTree::Snapshot before = TestTree::snapshot(m_root);
        QVERIFY(m_fs.move(m_root + '/' + from, m_root + '/' + to) != MoveResult::Moved);
        QCOMPARE(TestTree::snapshot(m_root), before);
    }

    void removeTree_data()
    {
        QTest::addColumn<QByteArrayList>("layout"); // the tree is "tree"; "outside" must survive

        QTest::newRow("empty folder") << QByteArrayList{"d tree"};
        QTest::newRow("nested") << QByteArrayList{"d tree",     "f tree/a",     "d tree/b",
                                                  "d tree/b/c", "f tree/b/c/d", "f tree/.hidden"};
        QTest::newRow("link to a folder outside")
            << QByteArrayList{"d outside", "f outside/keep",         "d outside/sub",
                              "d tree",    "l ../outside tree/link", "l ../outside/sub tree/link2"};
        QTest::newRow("odd items") << QByteArrayList{"d tree", "p tree/pipe", "l nowhere tree/x",
                                                     "f tree/caf\xe9", "f tree/" + longName()};
    }
    void removeTree()
    {
        QFETCH(QByteArrayList, layout);
        QVERIFY(build(m_root, layout));
        TestTree::Snapshot expected = TestTree::snapshot(m_root);
        std::erase_if(expected, [](const auto& entry) {
            return entry.first == "tree" || entry.first.startsWith("tree/");
        });

        QVERIFY(m_fs.removeTree(m_root + "/tree"));
        QCOMPARE(TestTree::snapshot(m_root), expected);
    }

    void removeTreeRefuses_data()
    {
        QTest::addColumn<QByteArrayList>("layout");
        QTest::newRow("link to a folder")
            << QByteArrayList{"d outside", "f outside/keep", "l outside tree"};
        QTest::newRow("file") << QByteArrayList{"f tree"};
        QTest::newRow("missing") << QByteArrayList{"f other"};
    }
    void removeTreeRefuses()
    {
        QFETCH(QByteArrayList, layout);
        QVERIFY(build(m_root, layout));
        const TestTree::Snapshot before = TestTree::snapshot(m_root);
        QVERIFY(!m_fs.removeTree(m_root + "/tree"));
        QCOMPARE(TestTree::snapshot(m_root), before);
    }

    void canOpenFolder_data()
    {
        QTest::addColumn<QByteArrayList>("layout");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("expected");
        QTest::addColumn<bool>("needsNonRoot");

        QTest::newRow("folder") << QByteArrayList{"d a"} << QByteArray("a") << true << false;
        QTest::newRow("link to a folder")
            << QByteArrayList{"d a", "l a b"} << QByteArray("b") << true << false;
        QTest::newRow("file") << QByteArrayList{"f a"} << QByteArray("a") << false << false;
        QTest::newRow("missing") << QByteArrayList{} << QByteArray("a") << false << false;
        QTest::newRow("folder without read permission")
            << QByteArrayList{"d a"} << QByteArray("a") << false << true;
    }
    void canOpenFolder()
    {
        QFETCH(QByteArrayList, layout);
        QFETCH(QByteArray, name);
        QFETCH(bool, expected);
        QFETCH(bool, needsNonRoot);
        if (needsNonRoot && ::geteuid() == 0)
            QSKIP("root may open any folder");
        QVERIFY(build(m_root, layout));
        const QByteArray path = m_root + '/' + name;
        if (needsNonRoot)
            QCOMPARE(::chmod(path.constData(), 0300), 0);
        QCOMPARE(m_fs.canOpenFolder(path), expected);
        ::chmod(path.constData(), 0700);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_root;
    PosixFileSystem m_fs;
};

QTEST_GUILESS_MAIN(TestPosixFileSystem)
#include "tst_posixfilesystem.moc"
