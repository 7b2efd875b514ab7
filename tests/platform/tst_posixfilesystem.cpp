// The Linux file system as the tidy uses it: listing, opening, moving without replacing,
// watching a folder for arrivals, and telling what kind of content a file holds.
#include "platform/linux/InotifyDirectoryWatcher.h"
#include "platform/linux/MimeContentTypes.h"
#include "platform/linux/PosixFileSystem.h"
#include "tests/fakes/TestTree.h"

#include <QCoreApplication>
#include <QMimeDatabase>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <future>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace tavlin;

namespace {

using G = TypeGroup;

constexpr int none = 0;
constexpr int documentKinds = int(G::Presentation) | int(G::Spreadsheet) | int(G::CompositeContent);

int flags(TypeGroups groups)
{
    return int(groups.toInt());
}

const QByteArray zipStart =
    QByteArray("PK\x03\x04\x14\x00\x00\x00\x08\x00", 10) + QByteArray(64, 0);

// In the order of ItemKind's values.
QByteArray kindLetter(ItemKind kind)
{
    return QByteArray("DFLO").mid(int(kind), 1);
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

    // Every kind, links not followed, names as raw bytes, dates to the nanosecond kept.
    void listing()
    {
        const QByteArray& root = m_scratch->root;
        QVERIFY(TestTree::build(
            root, TestTree::tree("a.txt=F:x|sub/inner=F:i|link=L:a.txt|alias=L:sub|"
                                 "dangling=L:/nowhere|pipe=O|.hidden=F:h|caf\xe9.txt=F:c|" +
                                 longName + "=F:l")));
        const double modified = 1700000000.123456;
        QVERIFY(TestTree::setModified(root + "/a.txt", modified));

        QByteArrayList listed, names;
        const auto items = m_fs.listItems(root);
        QVERIFY(items);
        for (const DirectoryItem& item : *items) {
            listed << kindLetter(item.stat.kind) + ' ' + item.name;
            names << item.name;
            const std::optional<ItemStat> single = m_fs.stat(root + '/' + item.name);
            QVERIFY(single && single->kind == item.stat.kind);
            for (const ItemStat& st : {item.stat, *single}) {
                QVERIFY(st.modified && st.changed);
                if (item.name == "a.txt")
                    QVERIFY(std::fabs(*st.modified - modified) < 1e-6);
                QVERIFY(std::fabs(*st.changed - TestTree::changedTime(root + '/' + item.name)) <
                        1e-6);
            }
        }
        std::sort(listed.begin(), listed.end());
        QCOMPARE(listed,
                 (QByteArrayList{"D sub", "F .hidden", "F a.txt", "F caf\xe9.txt", "F " + longName,
                                 "L alias", "L dangling", "L link", "O pipe"}));
        const auto listedNames = m_fs.listNames(*m_fs.openFolder(root));
        QVERIFY(listedNames);
        QCOMPARE(QByteArrayList(listedNames->begin(), listedNames->end()), names);
        // The same name in another encoding is another name.
        QVERIFY(!m_fs.stat(root + "/caf\xc3\xa9.txt"));
        QVERIFY(!m_fs.stat(root + "/missing"));
    }

    void openFolder_data()
    {
        QTest::addColumn<QByteArray>("tree");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("expected");
        QTest::addColumn<bool>("held"); // a handle opens it, and its subfolder by name

        QTest::newRow("folder") << QByteArray("a/x=F:x") << QByteArray("a") << true << true;
        // A handle never goes through a link: what it holds is the folder that is there.
        QTest::newRow("link to a folder")
            << QByteArray("a/x=F:x|b=L:a") << QByteArray("b") << true << false;
        QTest::newRow("file") << QByteArray("a=F:x") << QByteArray("a") << false << false;
        QTest::newRow("missing") << QByteArray() << QByteArray("a") << false << false;
        QTest::newRow("NUL inside the path")
            << QByteArray("sub") << QByteArray("sub\0/../sub", 11) << false << false;
        QTest::newRow("dot-dot is no name") << QByteArray("a") << QByteArray("..") << true << false;
        QTest::newRow("folder without read permission")
            << QByteArray("a") << QByteArray("a") << false << true;
    }
    void openFolder()
    {
        QFETCH(QByteArray, tree);
        QFETCH(QByteArray, name);
        QFETCH(bool, expected);
        QFETCH(bool, held);
        const bool unreadable = QByteArray(QTest::currentDataTag()).contains("permission");
        if (unreadable && ::geteuid() == 0)
            QSKIP("root may open any folder");
        QVERIFY(TestTree::build(m_scratch->root, TestTree::tree(tree)));
        const QByteArray path = m_scratch->at(name);
        if (unreadable)
            QCOMPARE(::chmod(path.constData(), 0300), 0);

        QCOMPARE(m_fs.canOpenFolder(path), expected);
        QCOMPARE(m_fs.listItems(path).has_value(), expected);
        const std::unique_ptr<FolderHandle> root = m_fs.openFolder(m_scratch->root);
        const std::unique_ptr<FolderHandle> byName = m_fs.openFolder(*root, name);
        QCOMPARE(byName != nullptr, held);
        // By path, ".." is an ordinary step up; only a name must be plain.
        QCOMPARE(m_fs.openFolder(path) != nullptr, held || name == "..");
        if (held) // what it holds can be listed only when it may be read
            QCOMPARE(m_fs.listNames(*byName).value_or(std::vector<QByteArray>{}).size(),
                     size_t(expected ? 1 : 0));
        if (unreadable) // so that the scratch folder can go
            ::chmod(path.constData(), 0700);
    }

    // Each change by a folder's handle and a plain name; nothing else in the tree changes.
    void changes_data()
    {
        QTest::addColumn<QByteArray>("tree");
        QTest::addColumn<QByteArray>("change"); // "mkdir x", "rm x", "rmdir x" or "mv x y"
        QTest::addColumn<QByteArray>("result");
        QTest::addColumn<QByteArray>("after"); // the whole tree afterwards; null: as before

        const auto row = [](const char* tag, const QByteArray& tree, const QByteArray& change,
                            const char* result, const QByteArray& after = {}) {
            QTest::newRow(tag) << tree << change << QByteArray(result) << after;
        };
        row("new folder", "keep=F:k", "mkdir new", "done", "keep=F:k|new");
        row("existing folder", "new/keep=F:k", "mkdir new", "done");
        row("existing file", "new=F:x", "mkdir new", "refused");
        row("link to a folder", "real|new=L:real", "mkdir new", "refused");

        // Below `from` everything moves, byte for byte; links keep their targets.
        row("folder with contents", "a/x=F:x|a/y|dest", "mv a dest/a", "moved",
            "dest/a/x=F:x|dest/a/y");
        row("link to a folder moves as a link", "target/x=F:x|a=L:../target|dest", "mv a dest/a",
            "moved", "target/x=F:x|dest/a=L:../target");
        // Whatever is at the target stays, even an empty folder or a dangling link.
        row("file onto file", "a=F:a|b=F:b", "mv a b", "taken");
        row("folder onto empty folder", "a/x=F:x|b", "mv a b", "taken");
        row("file onto dangling link", "a=F:a|b=L:nowhere", "mv a b", "taken");
        row("missing source", "", "mv a b", "failed");
        row("folder into itself", "a", "mv a a/b", "failed");
        row("NUL inside the target", "a=F:a|b=F:b", QByteArray("mv a b\0c", 8), "failed");
        row("dot-dot is no name", "a=F:a|dest", "mv a dest/..", "failed");

        // Removal never reaches below a folder: only a lone item, or a folder already empty.
        row("file", "x=F:f|keep=F:k", "rm x", "done", "keep=F:k");
        row("link to a folder, not the folder", "outside/keep=F:k|x=L:outside", "rm x", "done",
            "outside/keep=F:k");
        row("folder is no file", "x/a=F:a", "rm x", "refused");
        row("empty folder", "x|keep=F:k", "rmdir x", "done", "keep=F:k");
        row("folder with an item", "x/a=F:a", "rmdir x", "refused");
        row("link is no folder", "outside|x=L:outside", "rmdir x", "refused");
    }
    void changes()
    {
        QFETCH(QByteArray, tree);
        QFETCH(QByteArray, change);
        QFETCH(QByteArray, result);
        QFETCH(QByteArray, after);
        const QByteArray& root = m_scratch->root;
        QVERIFY(TestTree::build(root, TestTree::tree(tree)));
        const TestTree::Snapshot expected =
            after.isNull() ? TestTree::snapshot(root) : TestTree::tree(after);

        const std::unique_ptr<FolderHandle> top = m_fs.openFolder(root);
        const auto folderOf = [&](const QByteArray& path) {
            const qsizetype slash = path.lastIndexOf('/');
            return slash < 0 ? m_fs.openFolder(root) : m_fs.openFolder(*top, path.left(slash));
        };
        const auto nameOf = [](const QByteArray& path) {
            return path.mid(path.lastIndexOf('/') + 1);
        };
        const QByteArrayList words = change.split(' ');
        const std::unique_ptr<FolderHandle> folder = folderOf(words[1]);
        const QByteArray name = nameOf(words[1]);
        QVERIFY(folder);
        const auto done = [](bool ok) { return QByteArray(ok ? "done" : "refused"); };
        if (words[0] == "mkdir") {
            QCOMPARE(done(m_fs.makeFolder(*folder, name)), result);
        } else if (words[0] == "rm") {
            QCOMPARE(done(m_fs.removeFile(*folder, name)), result);
        } else if (words[0] == "rmdir") {
            QCOMPARE(done(m_fs.removeEmptyFolder(*folder, name)), result);
        } else {
            const std::unique_ptr<FolderHandle> to = folderOf(words[2]);
            QVERIFY(to);
            const MoveResult moved = m_fs.moveBetween(*folder, name, *to, nameOf(words[2]));
            QCOMPARE(QByteArrayList({"moved", "taken", "failed"}).at(int(moved)), result);
        }
        QCOMPARE(TestTree::snapshot(root), expected);
    }

    // Only "no such item" is absence; a lookup the system refuses says nothing.
    void existence_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<int>("expected");
        QTest::addColumn<int>("byName"); // asked by name inside the open folder

        const auto row = [](const char* tag, const QByteArray& path, Existence expected,
                            Existence byName) {
            QTest::newRow(tag) << path << int(expected) << int(byName);
        };
        row("file", "file", Existence::Exists, Existence::Exists);
        row("dangling link", "dangling", Existence::Exists, Existence::Exists);
        row("missing", "missing", Existence::Absent, Existence::Absent);
        row("below a file", "file/x", Existence::Unknown, Existence::Unknown); // no plain name
        // Nothing can be there; a long path may still reach it, a name never.
        row("name longer than the system allows", QByteArray(300, 'n'), Existence::Unknown,
            Existence::Absent);
    }
    void existence()
    {
        QFETCH(QByteArray, path);
        QFETCH(int, expected);
        QFETCH(int, byName);
        QVERIFY(TestTree::build(m_scratch->root, TestTree::tree("file=F:f|dangling=L:nowhere")));
        QCOMPARE(int(m_fs.existence(m_scratch->at(path))), expected);
        QCOMPARE(int(m_fs.existence(*m_fs.openFolder(m_scratch->root), path)), byName);
    }

    // Changes of the folder itself are reported; those below it or only inside a file are not.
    void watched_data()
    {
        // Below the folder holding "watched": "create x", "rm x", "mv x y" or "append x".
        QTest::addColumn<QByteArray>("change");
        QTest::addColumn<bool>("reported");

        QTest::newRow("file created") << QByteArray("create watched/new") << true;
        QTest::newRow("removed") << QByteArray("rm watched/existing") << true;
        QTest::newRow("moved out") << QByteArray("mv watched/existing outside/existing") << true;
        QTest::newRow("file created in a subfolder")
            << QByteArray("create watched/sub/new") << false;
        QTest::newRow("contents written") << QByteArray("append watched/existing") << false;
    }
    void watched()
    {
        QFETCH(QByteArray, change);
        QFETCH(bool, reported);
        QVERIFY(TestTree::build(
            m_scratch->root, TestTree::tree("watched/existing=F:x|watched/sub/inner=F:x|outside")));
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
        if (!reported) {
            // inotify queues an event within the system call that caused it, so by now the
            // descriptor would be readable and one pass of the event loop would deliver it.
            QCoreApplication::processEvents();
            QCoreApplication::processEvents();
            QCOMPARE(spy.count(), 0);
            // The watcher is alive: a real change still gets through.
            QVERIFY(TestTree::writeFile(m_scratch->at("watched/proof")));
        }
        QVERIFY(spy.wait(5000));
        QCOMPARE(spy.count(), 1);
    }

    // What an item holds: by its name, by its content when the name does not tell, by what a
    // link points at; and nothing that could block is ever opened.
    void contentTypes_data()
    {
        QTest::addColumn<QByteArray>("item"); // in the notation of TestTree::tree()
        QTest::addColumn<int>("includes");    // -1: no type at all
        QTest::addColumn<int>("excludes");

        const auto row = [](const char* tag, const QByteArray& item, int includes, int excludes) {
            QTest::newRow(tag) << item << includes << excludes;
        };
        const int programs = int(G::Application);
        // By name, where a type belongs to one family and not to a near one.
        row("ringtone.m4r", "ringtone.m4r=F:", int(G::Audio), int(G::Movie));
        row("clip.asf, not named video/", "clip.asf=F:", int(G::Movie), none);
        row("disk.iso", "disk.iso=F:", int(G::DiskImage), int(G::Archive));
        row("disk.raw-disk-image.xz",
            "disk.raw-disk-image.xz=F:", int(G::DiskImage) | int(G::Archive), none);
        // Zip files inside, yet documents and never archives.
        for (const char* name : {"report.docx", "notes.odt", "book.epub"})
            row(name, QByteArray(name) + "=F:" + zipStart, int(G::CompositeContent),
                int(G::Archive));
        row("slides.otp", "slides.otp=F:" + zipStart, int(G::Presentation),
            int(G::CompositeContent) | int(G::Archive));
        row("site.js", "site.js=F:x = 1;\n", int(G::Script) | int(G::SourceCode) | int(G::Text),
            programs);
        row("tool.appimage", "tool.appimage=F:", programs, int(G::Archive) | int(G::DiskImage));
        row("app.desktop", "app.desktop=F:", programs | int(G::Text), none);

        // An ambiguous name: the content decides.
        QByteArray packet(188, '\xff'); // MPEG transport stream: a sync byte every 188 bytes
        packet.replace(0, 4, QByteArray("\x47\x40\x00\x10", 4));
        row("MPEG video.ts", "video.ts=F:" + packet.repeated(20), int(G::Movie), none);
        row("Qt translations.ts",
            "strings.ts=F:<?xml version=\"1.0\"?>\n<!DOCTYPE TS>\n<TS version=\"2.1\"></TS>\n",
            int(G::Text), int(G::Movie));

        // No name to go by: the content decides.
        row("shell script", "script=F:#!/bin/sh\necho hi\n", int(G::Script), programs);
        row("link to a compiled program", "prog=L:/bin/true", programs, int(G::Archive));
        row("zip", "packed=F:" + zipStart, int(G::Archive), none);
        row("empty", "empty=F:", none, ~0);
        row("nameless link to a pdf", "link=L:real.pdf", int(G::Pdf), ~int(G::Pdf));

        // Nothing to sort, or nothing that may be opened.
        row("folder named like an archive", "stuff.zip", none, ~0);
        row("link to a folder", "pictures.png=L:real folder", none, ~0);
        row("dangling link", "gone.pdf=L:nowhere.pdf", -1, 0);
        row("link to a fifo", "link=L:real fifo", -1, 0);
        row("fifo listed as a file a moment ago", "pipe=O", -1, 0);
    }
    void contentTypes()
    {
        QFETCH(QByteArray, item);
        QFETCH(int, includes);
        QFETCH(int, excludes);
        QVERIFY(TestTree::build(
            m_scratch->root,
            TestTree::tree("real.pdf=F:%PDF-1.4\n|real folder|real fifo=O|" + item)));
        const QByteArray path = m_scratch->at(item.left(item.indexOf('=')));
        ItemStat st = PosixFileSystem().stat(path).value();
        if (QByteArray(QTest::currentDataTag()).contains("moment ago"))
            st.kind = ItemKind::File;

        // On a worker, so that a call stuck opening a FIFO fails the test instead of hanging it.
        auto pending = std::async(std::launch::async, [&] { return m_types.groupsOf(path, st); });
        if (pending.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            for (const QByteArray& fifo : {path, m_scratch->at("real fifo")}) {
                const int fd = ::open(fifo.constData(), O_RDWR | O_NONBLOCK); // releases a reader
                if (fd >= 0)
                    ::close(fd);
            }
            pending.wait();
            QFAIL("the call blocked");
        }
        const auto groups = pending.get();
        QCOMPARE(groups.has_value(), includes >= 0);
        if (!groups)
            return;
        const int found = flags(*groups);
        const QByteArray shown = QByteArray::number(found, 2);
        QVERIFY2((found & includes) == includes, shown.constData());
        QVERIFY2((found & excludes) == 0, shown.constData());
    }

    // Over every type this system knows, not only the ones named above.
    void wholeDatabase()
    {
        const QList<QMimeType> all = QMimeDatabase().allMimeTypes();
        QVERIFY(all.size() > 100);
        for (const QMimeType& type : all) {
            const int groups = flags(m_types.groupsOfTypeName(type.name()));
            const QByteArray name = type.name().toLatin1();
            if (groups & documentKinds)
                QVERIFY2(!(groups & int(G::Archive)), name.constData());
            if (groups & int(G::Application))
                QVERIFY2(!(groups & (int(G::Archive) | int(G::DiskImage))), name.constData());
            if (groups & int(G::Json))
                QVERIFY2(!(groups & int(G::Script)), name.constData());
            const int media = groups & (int(G::Image) | int(G::Movie) | int(G::Audio));
            QVERIFY2((media & (media - 1)) == 0, name.constData()); // one medium at most
            if (type.inherits(QStringLiteral("text/plain")))
                QVERIFY2(groups & int(G::Text), name.constData());
            if (type.name().startsWith(
                    QLatin1String("application/vnd.openxmlformats-officedocument.")) ||
                type.name().startsWith(QLatin1String("application/vnd.oasis.opendocument.")))
                QVERIFY2(groups & documentKinds, name.constData());
        }
    }

private:
    std::unique_ptr<TestTree::Scratch> m_scratch;
    PosixFileSystem m_fs;
    MimeContentTypes m_types;
};

QTEST_GUILESS_MAIN(TestPosixFileSystem)
#include "tst_posixfilesystem.moc"
