#include "platform/linux/PosixFileSystem.h"
#include "tests/fakes/TestTree.h"

#include <QTest>
#include <algorithm>
#include <cmath>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace tavlin;
using TestTree::tree;

namespace {

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

const QByteArray longName = QByteArray(251, 'n') + ".txt"; // NAME_MAX is 255 bytes

} // namespace

class TestPosixFileSystem : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_scratch = std::make_unique<TestTree::Scratch>();
        QVERIFY(m_scratch->isValid());
    }

    void listing_data()
    {
        QTest::addColumn<QByteArray>("tree");         // in the notation of TestTree::tree()
        QTest::addColumn<QByteArrayList>("expected"); // "kind name", sorted

        QTest::newRow("empty folder") << QByteArray() << QByteArrayList{};
        QTest::newRow("every kind, links not followed")
            << "a.txt=F:x|sub/inner=F:i|link=L:a.txt|alias=L:sub|dangling=L:/nowhere|pipe=O|"
               ".hidden=F:h|caf\xe9.txt=F:c|" +
                   longName + "=F:l"
            << QByteArrayList{"D sub",   "F .hidden",  "F a.txt", "F caf\xe9.txt", "F " + longName,
                              "L alias", "L dangling", "L link",  "O pipe"};
    }
    void listing()
    {
        QFETCH(QByteArray, tree);
        QFETCH(QByteArrayList, expected);
        const QByteArray& root = m_scratch->root;
        QVERIFY(TestTree::build(root, TestTree::tree(tree)));
        const double modified = 1700000000.123456;
        if (!tree.isEmpty())
            QVERIFY(TestTree::setModified(root + "/a.txt", modified));

        QByteArrayList listed, statted;
        const auto items = m_fs.listItems(root);
        QVERIFY(items);
        for (const DirectoryItem& item : *items) {
            listed << kindLetter(item.stat.kind) + ' ' + item.name;
            const std::optional<ItemStat> single = m_fs.stat(root + '/' + item.name);
            statted << (single ? kindLetter(single->kind) : "-") + ' ' + item.name;
            // The dates, to the nanosecond the file system keeps.
            for (const ItemStat& st : {item.stat, single.value_or(ItemStat{})}) {
                QVERIFY(st.modified && st.changed);
                if (item.name == "a.txt")
                    QVERIFY(std::fabs(*st.modified - modified) < 1e-6);
                QVERIFY(std::fabs(*st.changed - TestTree::changedTime(root + '/' + item.name)) <
                        1e-6);
            }
        }
        std::sort(listed.begin(), listed.end());
        std::sort(statted.begin(), statted.end());
        QCOMPARE(listed, expected);
        QCOMPARE(statted, expected);
        const auto listedNames = m_fs.listNames(root);
        QVERIFY(listedNames);
        QByteArrayList names(listedNames->begin(), listedNames->end());
        std::sort(names.begin(), names.end());
        for (QByteArray& line : expected)
            line = line.mid(2);
        std::sort(expected.begin(), expected.end());
        QCOMPARE(names, expected);
        // The same name in another encoding is another name.
        QVERIFY(!m_fs.stat(root + "/caf\xc3\xa9.txt"));
        QVERIFY(!m_fs.stat(root + "/missing"));
    }

    void openFolder_data()
    {
        QTest::addColumn<QByteArray>("tree");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("expected");

        QTest::newRow("folder") << QByteArray("a/x=F:x") << QByteArray("a") << true;
        QTest::newRow("link to a folder") << QByteArray("a/x=F:x|b=L:a") << QByteArray("b") << true;
        QTest::newRow("file") << QByteArray("a=F:x") << QByteArray("a") << false;
        QTest::newRow("missing") << QByteArray() << QByteArray("a") << false;
        QTest::newRow("NUL inside the path")
            << QByteArray("sub") << QByteArray("sub\0/../sub", 11) << false;
        QTest::newRow("folder without read permission")
            << QByteArray("a") << QByteArray("a") << false;
    }
    void openFolder()
    {
        QFETCH(QByteArray, tree);
        QFETCH(QByteArray, name);
        QFETCH(bool, expected);
        const bool unreadable = QByteArray(QTest::currentDataTag()).contains("permission");
        if (unreadable && ::geteuid() == 0)
            QSKIP("root may open any folder");
        QVERIFY(TestTree::build(m_scratch->root, TestTree::tree(tree)));
        const QByteArray path = m_scratch->at(name);
        if (unreadable)
            QCOMPARE(::chmod(path.constData(), 0300), 0);

        QCOMPARE(m_fs.canOpenFolder(path), expected);
        QCOMPARE(m_fs.listItems(path).has_value(), expected);
        QCOMPARE(m_fs.listNames(path).has_value(), expected);
        if (expected)
            QCOMPARE(m_fs.listNames(path)->size(), size_t(1));
        ::chmod(path.constData(), 0700);
    }

    void makeDirectory_data()
    {
        QTest::addColumn<QByteArray>("tree");
        QTest::addColumn<bool>("expected");

        QTest::newRow("new folder") << QByteArray() << true;
        QTest::newRow("existing folder") << QByteArray("new/keep=F:k") << true;
        QTest::newRow("existing file") << QByteArray("new=F:x") << false;
        QTest::newRow("link to a folder") << QByteArray("real|new=L:real") << false;
        QTest::newRow("dangling link") << QByteArray("new=L:nowhere") << false;
    }
    void makeDirectory()
    {
        QFETCH(QByteArray, tree);
        QFETCH(bool, expected);
        QVERIFY(TestTree::build(m_scratch->root, TestTree::tree(tree)));
        TestTree::Snapshot after = TestTree::snapshot(m_scratch->root);
        after.try_emplace("new", "D"); // nothing that was there changes

        QCOMPARE(m_fs.makeDirectory(m_scratch->at("new")), expected);
        QCOMPARE(TestTree::snapshot(m_scratch->root), after);
    }

    void move_data()
    {
        QTest::addColumn<QByteArray>("tree");
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::addColumn<MoveResult>("result");

        const auto row = [](const char* tag, const QByteArray& tree, const QByteArray& from,
                            const QByteArray& to, MoveResult result) {
            QTest::newRow(tag) << tree << from << to << result;
        };
        const MoveResult moved = MoveResult::Moved;
        row("folder with contents", "a/x=F:x|a/y|dest", "a", "dest/a", moved);
        row("link to a folder moves as a link", "target/x=F:x|a=L:../target|dest", "a", "dest/a",
            moved);
        row("dangling link", "a=L:nowhere|dest", "a", "dest/a", moved);

        // Whatever is at the target stays, even an empty folder or a dangling link.
        const MoveResult taken = MoveResult::TargetExists;
        row("file onto file", "a=F:a|b=F:b", "a", "b", taken);
        row("folder onto empty folder", "a/x=F:x|b", "a", "b", taken);
        row("file onto dangling link", "a=F:a|b=L:nowhere", "a", "b", taken);
        row("link onto link", "a=L:x|b=L:y", "a", "b", taken);

        const MoveResult failed = MoveResult::Failed;
        row("missing source", "", "a", "b", failed);
        row("folder into itself", "a", "a", "a/b", failed);
        row("NUL inside the target", "a=F:a|b=F:b", "a", QByteArray("b\0c", 3), failed);
    }
    void move()
    {
        QFETCH(QByteArray, tree);
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QFETCH(MoveResult, result);
        const QByteArray& root = m_scratch->root;
        QVERIFY(TestTree::build(root, TestTree::tree(tree)));
        const TestTree::Snapshot before = TestTree::snapshot(root);

        QCOMPARE(m_fs.move(root + '/' + from, root + '/' + to), result);

        // When moved, everything below `from` is now below `to`, byte for byte; links keep their
        // targets. Otherwise nothing changed.
        TestTree::Snapshot expected;
        for (const auto& [path, identity] : before) {
            const bool below = path == from || path.startsWith(from + '/');
            expected[below && result == MoveResult::Moved ? to + path.mid(from.size()) : path] =
                identity;
        }
        QCOMPARE(TestTree::snapshot(root), expected);
    }

    // Removal never reaches below a folder: only a lone item, or a folder already empty.
    void removals_data()
    {
        QTest::addColumn<QByteArray>("tree"); // "x" is removed when `removed`
        QTest::addColumn<bool>("folder");     // removeEmptyFolder, else removeFile
        QTest::addColumn<bool>("removed");

        QTest::newRow("file") << QByteArray("x=F:f|keep=F:k") << false << true;
        QTest::newRow("link to a folder, not the folder")
            << QByteArray("outside/keep=F:k|x=L:outside") << false << true;
        QTest::newRow("folder is no file") << QByteArray("x/a=F:a") << false << false;
        QTest::newRow("empty folder") << QByteArray("x|keep=F:k") << true << true;
        QTest::newRow("folder with an item") << QByteArray("x/a=F:a") << true << false;
        QTest::newRow("link is no folder") << QByteArray("outside|x=L:outside") << true << false;
    }
    void removals()
    {
        QFETCH(QByteArray, tree);
        QFETCH(bool, folder);
        QFETCH(bool, removed);
        QVERIFY(TestTree::build(m_scratch->root, TestTree::tree(tree)));
        TestTree::Snapshot expected = TestTree::snapshot(m_scratch->root);
        if (removed)
            expected.erase("x");
        const QByteArray x = m_scratch->at("x");
        QCOMPARE(folder ? m_fs.removeEmptyFolder(x) : m_fs.removeFile(x), removed);
        QCOMPARE(TestTree::snapshot(m_scratch->root), expected);
    }

    // Only "no such item" is absence; a lookup the system refuses says nothing.
    void existence_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<int>("expected");

        QTest::newRow("file") << QByteArray("file") << int(Existence::Exists);
        QTest::newRow("dangling link") << QByteArray("dangling") << int(Existence::Exists);
        QTest::newRow("missing") << QByteArray("missing") << int(Existence::Absent);
        QTest::newRow("below a file") << QByteArray("file/x") << int(Existence::Unknown);
    }
    void existence()
    {
        QFETCH(QByteArray, path);
        QFETCH(int, expected);
        QVERIFY(TestTree::build(m_scratch->root, TestTree::tree("file=F:f|dangling=L:nowhere")));
        QCOMPARE(int(m_fs.existence(m_scratch->at(path))), expected);
    }

private:
    std::unique_ptr<TestTree::Scratch> m_scratch;
    PosixFileSystem m_fs;
};

QTEST_GUILESS_MAIN(TestPosixFileSystem)
#include "tst_posixfilesystem.moc"
