#include "platform/linux/MimeContentTypes.h"
#include "platform/linux/PosixFileSystem.h"
#include "tests/fakes/TestTree.h"

#include <QFile>
#include <QMimeDatabase>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <ftw.h>
#include <future>
#include <memory>
#include <sys/socket.h>
#include <sys/un.h>
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

QByteArray zipStart()
{
    return QByteArray("PK\x03\x04\x14\x00\x00\x00\x08\x00", 10) + QByteArray(64, '\0');
}

// Twenty MPEG transport stream packets: a sync byte every 188 bytes.
QByteArray transportStream()
{
    QByteArray packet(188, '\xff');
    packet[0] = 0x47;
    packet[1] = 0x40;
    packet[2] = 0x00;
    packet[3] = 0x10;
    return packet.repeated(20);
}

// QTemporaryDir cannot remove names that are not UTF-8, so clear its contents on bytes.
int removeEntry(const char* path, const struct stat*, int, FTW*)
{
    return ::remove(path);
}

QByteArray binaryOf(const char* path)
{
    QFile file(QString::fromLatin1(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool makeSocket(const QByteArray& path)
{
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (size_t(path.size()) >= sizeof address.sun_path)
        return false;
    memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound =
        fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0)
        ::close(fd); // the socket file stays behind
    return bound;
}

} // namespace

class TestMimeContentTypes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_root = QFile::encodeName(m_dir->path());
    }
    void cleanup()
    {
        for (const QByteArray& name :
             PosixFileSystem().listNames(m_root).value_or(std::vector<QByteArray>{}))
            ::nftw((m_root + '/' + name).constData(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
    }

    void byFile_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("includes");
        QTest::addColumn<int>("excludes");

        const QByteArray text = "Some plain words.\n";
        // By name.
        QTest::newRow("photo.png") << QByteArray("photo.png") << QByteArray("\x89PNG\r\n\x1a\n")
                                   << int(G::Image) << int(G::Archive);
        QTest::newRow("upper-case PHOTO.JPG")
            << QByteArray("PHOTO.JPG") << QByteArray() << int(G::Image) << none;
        QTest::newRow("name that is not UTF-8")
            << QByteArray("caf\xe9.png") << QByteArray() << int(G::Image) << none;
        QTest::newRow("clip.mp4") << QByteArray("clip.mp4")
                                  << QByteArray("\0\0\0\x18"
                                                "ftypmp42",
                                                12)
                                  << int(G::Movie) << int(G::Audio);
        QTest::newRow("song.mp3") << QByteArray("song.mp3") << QByteArray("ID3\x03")
                                  << int(G::Audio) << int(G::Movie);
        QTest::newRow("ringtone.m4r")
            << QByteArray("ringtone.m4r") << QByteArray() << int(G::Audio) << int(G::Movie);
        QTest::newRow("paper.pdf")
            << QByteArray("paper.pdf") << QByteArray("%PDF-1.4\n") << int(G::Pdf) << none;
        for (const char* name :
             {"bundle.zip", "backup.tar.gz", "pkg.deb", "thing.7z", "files.tar.xz", "files.tar.zst",
              "files.rar", "app.rpm", "app.flatpak", "app.snap", "setup.msi", "lib.jar", "app.apk"})
            QTest::newRow(name) << QByteArray(name) << QByteArray() << int(G::Archive) << none;
        for (const char* name : {"disk.iso", "mac.dmg", "vm.qcow2", "vm.vmdk", "vm.vdi", "vm.vhdx"})
            QTest::newRow(name) << QByteArray(name) << QByteArray() << int(G::DiskImage)
                                << int(G::Archive);
        for (const char* name : {"report.docx", "notes.odt", "book.epub", "macro.docm",
                                 "letter.pages", "comic.cbz", "page.xps"})
            QTest::newRow(name) << QByteArray(name) << zipStart() << int(G::CompositeContent)
                                << int(G::Archive);
        QTest::newRow("legacy.doc")
            << QByteArray("legacy.doc") << QByteArray("\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1")
            << int(G::CompositeContent) << int(G::Archive);
        QTest::newRow("letter.rtf") << QByteArray("letter.rtf") << QByteArray("{\\rtf1 Hi}")
                                    << int(G::CompositeContent) << int(G::Archive);
        for (const char* name :
             {"slides.pptx", "slides.odp", "slides.ppt", "talk.key", "show.ppsx"})
            QTest::newRow(name) << QByteArray(name) << zipStart() << int(G::Presentation)
                                << int(G::Archive);
        for (const char* name :
             {"sheet.xlsx", "sheet.ods", "sheet.xls", "macro.xlsm", "budget.numbers"})
            QTest::newRow(name) << QByteArray(name) << zipStart() << int(G::Spreadsheet)
                                << int(G::Archive);
        for (const char* name : {"main.c", "lib.rs", "Main.java", "types.hpp", "server.go",
                                 "App.kt", "prog.cs", "query.sql"})
            QTest::newRow(name) << QByteArray(name) << text << int(G::SourceCode)
                                << int(G::Application);
        for (const char* name : {"run.sh", "tool.py", "tool.pl", "tool.rb", "conf.lua"})
            QTest::newRow(name) << QByteArray(name) << text << int(G::Script)
                                << int(G::Application);
        QTest::newRow("site.js") << QByteArray("site.js") << text
                                 << (int(G::Script) | int(G::SourceCode)) << int(G::Application);
        QTest::newRow("data.json") << QByteArray("data.json") << QByteArray("{\"a\": 1}\n")
                                   << int(G::Json) << (int(G::Script) | int(G::Application));
        QTest::newRow("app.desktop")
            << QByteArray("app.desktop") << QByteArray("[Desktop Entry]\nType=Application\n")
            << int(G::Application) << none;
        QTest::newRow("tool.appimage")
            << QByteArray("tool.appimage") << QByteArray() << int(G::Application)
            << (int(G::Archive) | int(G::DiskImage));
        QTest::newRow("notes.txt") << QByteArray("notes.txt") << text << int(G::Text) << none;
        QTest::newRow("readme.md") << QByteArray("readme.md") << text << int(G::Text) << none;
        QTest::newRow("table.csv") << QByteArray("table.csv") << QByteArray("a,b\n1,2\n")
                                   << int(G::Text) << int(G::Spreadsheet);

        // An ambiguous name: the content decides.
        QTest::newRow("MPEG video.ts")
            << QByteArray("video.ts") << transportStream() << int(G::Movie) << none;
        QTest::newRow("Qt translations.ts")
            << QByteArray("strings.ts")
            << QByteArray("<?xml version=\"1.0\"?>\n<!DOCTYPE TS>\n<TS version=\"2.1\"></TS>\n")
            << int(G::Text) << int(G::Movie);
        QTest::newRow("VHDL source.vhd")
            << QByteArray("chip.vhd") << QByteArray("library ieee;\nuse ieee.all;\n")
            << int(G::SourceCode) << int(G::DiskImage);

        // No name to go by: the content decides.
        QTest::newRow("shell script") << QByteArray("script") << QByteArray("#!/bin/sh\necho hi\n")
                                      << int(G::Script) << int(G::Application);
        QTest::newRow("compiled program") << QByteArray("prog") << binaryOf("/bin/true")
                                          << int(G::Application) << int(G::Archive);
        QTest::newRow("plain text") << QByteArray("plaintext") << text << int(G::Text) << none;
        QTest::newRow("pdf") << QByteArray("document") << QByteArray("%PDF-1.7\n%\xe2\xe3\n")
                             << int(G::Pdf) << none;
        QTest::newRow("zip") << QByteArray("packed") << zipStart() << int(G::Archive) << none;
        QTest::newRow("empty") << QByteArray("empty") << QByteArray() << none << ~0;
        QTest::newRow("unknown bytes")
            << QByteArray("blob") << QByteArray("\x01\x02\x03\x04\xff\xfe\x00\x9c", 8) << none
            << ~0;
    }
    void byFile()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, content);
        QFETCH(int, includes);
        QFETCH(int, excludes);
        const QByteArray path = m_root + '/' + name;
        QVERIFY(TestTree::writeFile(path, content));
        const auto st = PosixFileSystem().stat(path);
        QVERIFY(st.has_value());

        const auto groups = m_types.groupsOf(path, *st);
        QVERIFY(groups.has_value());
        const QByteArray shown = QByteArray::number(flags(*groups), 2);
        QVERIFY2((flags(*groups) & includes) == includes, shown.constData());
        QVERIFY2((flags(*groups) & excludes) == 0, shown.constData());
    }

    void unusualItems_data()
    {
        QTest::addColumn<QByteArray>("setup");
        QTest::addColumn<QByteArray>("name"); // the item asked about
        QTest::addColumn<bool>("hasType");
        QTest::addColumn<int>("expected");

        QTest::newRow("folder") << QByteArray("folder") << QByteArray("folder") << true << none;
        QTest::newRow("folder named like an archive")
            << QByteArray("folder") << QByteArray("stuff.zip") << true << none;
        QTest::newRow("dangling link")
            << QByteArray("dangling") << QByteArray("gone.pdf") << false << none;
        QTest::newRow("link.pdf to a pdf")
            << QByteArray("link to pdf") << QByteArray("link.pdf") << true << int(G::Pdf);
        QTest::newRow("nameless link to a pdf")
            << QByteArray("link to pdf") << QByteArray("link") << true << int(G::Pdf);
        QTest::newRow("link to a folder")
            << QByteArray("link to folder") << QByteArray("pictures.png") << true << none;
        QTest::newRow("link to a fifo")
            << QByteArray("link to fifo") << QByteArray("link") << false << none;
        QTest::newRow("fifo") << QByteArray("fifo") << QByteArray("pipe") << false << none;
        QTest::newRow("fifo with a text name")
            << QByteArray("fifo") << QByteArray("pipe.txt") << false << none;
        QTest::newRow("fifo listed as a file a moment ago")
            << QByteArray("stale fifo") << QByteArray("pipe") << false << none;
        QTest::newRow("unix socket") << QByteArray("socket") << QByteArray("sock") << false << none;
    }
    void unusualItems()
    {
        QFETCH(QByteArray, setup);
        QFETCH(QByteArray, name);
        QFETCH(bool, hasType);
        QFETCH(int, expected);
        const QByteArray path = m_root + '/' + name;
        const QByteArray pdf = m_root + "/real.pdf";
        QVERIFY(TestTree::writeFile(pdf, "%PDF-1.4\n"));
        QVERIFY(TestTree::makeFolder(m_root + "/real folder"));
        QVERIFY(TestTree::makeFifo(m_root + "/real fifo"));
        if (setup == "folder")
            QVERIFY(TestTree::makeFolder(path));
        else if (setup == "dangling")
            QVERIFY(TestTree::makeSymlink("nowhere.pdf", path));
        else if (setup == "link to pdf")
            QVERIFY(TestTree::makeSymlink("real.pdf", path));
        else if (setup == "link to folder")
            QVERIFY(TestTree::makeSymlink("real folder", path));
        else if (setup == "link to fifo")
            QVERIFY(TestTree::makeSymlink("real fifo", path));
        else if (setup == "fifo" || setup == "stale fifo")
            QVERIFY(TestTree::makeFifo(path));
        else if (setup == "socket")
            QVERIFY(makeSocket(path));
        auto st = PosixFileSystem().stat(path);
        QVERIFY(st.has_value());
        if (setup == "stale fifo")
            st->kind = ItemKind::File;

        // On a worker, so that a call stuck opening a FIFO fails the test instead of hanging it.
        auto pending = std::async(std::launch::async, [&] { return m_types.groupsOf(path, *st); });
        if (pending.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            for (const QByteArray& fifo : {path, m_root + "/real fifo"}) {
                const int fd = ::open(fifo.constData(), O_RDWR | O_NONBLOCK); // releases a reader
                if (fd >= 0)
                    ::close(fd);
            }
            pending.wait();
            QFAIL("the call blocked");
        }
        const auto groups = pending.get();
        QCOMPARE(groups.has_value(), hasType);
        if (hasType)
            QCOMPARE(flags(*groups), expected);
    }

    void typeMapping_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("expected");

        const auto row = [](const char* type, int expected) {
            QTest::newRow(type) << QString::fromLatin1(type) << expected;
        };
        row("image/svg+xml", int(G::Image) | int(G::Text));
        row("image/svg+xml-compressed", int(G::Image));
        row("video/x-mjpeg", int(G::Movie));
        row("audio/x-m4r", int(G::Audio));
        row("application/vnd.ms-asf", int(G::Movie));
        row("application/x-raw-disk-image-xz-compressed", int(G::Archive) | int(G::DiskImage));
        row("application/x-iso9660-appimage", int(G::Application));
        row("application/vnd.appimage", int(G::Application));
        row("application/x-sharedlib", none);
        row("application/x-desktop", int(G::Application) | int(G::Text));
        row("application/x-csh", int(G::Script) | int(G::Text));
        row("application/javascript", int(G::Script) | int(G::SourceCode) | int(G::Text));
        row("application/schema+json", int(G::Json) | int(G::Text));
        row("text/x-c++hdr", int(G::SourceCode) | int(G::Text));
        row("text/x-csharp", int(G::SourceCode) | int(G::Text));
        row("application/rtf", int(G::CompositeContent) | int(G::Text));
        row("application/msword", int(G::CompositeContent));
        row("application/vnd.ms-excel.sheet.macroEnabled.12", int(G::Spreadsheet));
        row("application/vnd.ms-powerpoint.slideshow.macroEnabled.12", int(G::Presentation));
        row("application/vnd.oasis.opendocument.presentation-template", int(G::Presentation));
        row("application/vnd.oasis.opendocument.database", int(G::CompositeContent));
        row("application/x-iwork-keynote-sffkey", int(G::Presentation));
        row("inode/directory", none);
        row("application/octet-stream", none);
        row("no/such-type", none);
    }
    void typeMapping()
    {
        QFETCH(QString, type);
        QFETCH(int, expected);
        QCOMPARE(flags(m_types.groupsOfTypeName(type)), expected);
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
    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_root;
    MimeContentTypes m_types;
};

QTEST_GUILESS_MAIN(TestMimeContentTypes)
#include "tst_mimecontenttypes.moc"
