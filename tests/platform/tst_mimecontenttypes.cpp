#include "platform/linux/MimeContentTypes.h"
#include "platform/linux/PosixFileSystem.h"
#include "tests/fakes/TestTree.h"

#include <QMimeDatabase>
#include <QTest>
#include <chrono>
#include <fcntl.h>
#include <future>
#include <memory>
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

} // namespace

class TestMimeContentTypes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_scratch = std::make_unique<TestTree::Scratch>();
        QVERIFY(m_scratch->isValid());
    }

    void byFile_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("includes");
        QTest::addColumn<int>("excludes");

        const auto row = [](const char* tag, const QByteArray& name, const QByteArray& content,
                            int includes, int excludes) {
            QTest::newRow(tag) << name << content << includes << excludes;
        };
        const QByteArray text = "Some plain words.\n";
        const int programs = int(G::Application);
        // By name, where a type belongs to one family and not to a near one.
        row("ringtone.m4r", "ringtone.m4r", {}, int(G::Audio), int(G::Movie));
        row("pkg.deb", "pkg.deb", {}, int(G::Archive), none);
        row("disk.iso", "disk.iso", {}, int(G::DiskImage), int(G::Archive));
        // Zip files inside, yet documents and never archives.
        for (const char* name : {"report.docx", "notes.odt", "book.epub"})
            row(name, name, zipStart, int(G::CompositeContent), int(G::Archive));
        row("slides.pptx", "slides.pptx", zipStart, int(G::Presentation), int(G::Archive));
        row("sheet.xlsx", "sheet.xlsx", zipStart, int(G::Spreadsheet), int(G::Archive));
        row("main.c", "main.c", text, int(G::SourceCode), programs);
        row("run.sh", "run.sh", text, int(G::Script), programs);
        row("site.js", "site.js", text, int(G::Script) | int(G::SourceCode), programs);
        row("data.json", "data.json", "{\"a\": 1}\n", int(G::Json), int(G::Script) | programs);
        row("app.desktop", "app.desktop", "[Desktop Entry]\n", programs, none);
        row("tool.appimage", "tool.appimage", {}, programs, int(G::Archive) | int(G::DiskImage));
        row("table.csv", "table.csv", "a,b\n1,2\n", int(G::Text), int(G::Spreadsheet));

        // An ambiguous name: the content decides.
        QByteArray packet(188, '\xff'); // MPEG transport stream: a sync byte every 188 bytes
        packet.replace(0, 4, QByteArray("\x47\x40\x00\x10", 4));
        row("MPEG video.ts", "video.ts", packet.repeated(20), int(G::Movie), none);
        row("Qt translations.ts", "strings.ts",
            "<?xml version=\"1.0\"?>\n<!DOCTYPE TS>\n<TS version=\"2.1\"></TS>\n", int(G::Text),
            int(G::Movie));
        row("VHDL source.vhd", "chip.vhd", "library ieee;\nuse ieee.all;\n", int(G::SourceCode),
            int(G::DiskImage));

        // No name to go by: the content decides.
        row("shell script", "script", "#!/bin/sh\necho hi\n", int(G::Script), programs);
        row("compiled program", "prog", TestTree::readFile("/bin/true"), programs, int(G::Archive));
        row("pdf", "document", "%PDF-1.7\n%\xe2\xe3\n", int(G::Pdf), none);
        row("zip", "packed", zipStart, int(G::Archive), none);
        row("empty", "empty", {}, none, ~0);
        row("unknown bytes", "blob", QByteArray("\x01\x02\x03\x04\xff\xfe\x00\x9c", 8), none, ~0);
    }
    void byFile()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, content);
        QFETCH(int, includes);
        QFETCH(int, excludes);
        const QByteArray path = m_scratch->at(name);
        QVERIFY(TestTree::writeFile(path, content));

        const auto groups = m_types.groupsOf(path, PosixFileSystem().stat(path).value());
        QVERIFY(groups.has_value());
        const QByteArray shown = QByteArray::number(flags(*groups), 2);
        QVERIFY2((flags(*groups) & includes) == includes, shown.constData());
        QVERIFY2((flags(*groups) & excludes) == 0, shown.constData());
    }

    void unusualItems_data()
    {
        QTest::addColumn<QByteArray>("item"); // in the notation of TestTree::tree()
        QTest::addColumn<bool>("hasType");
        QTest::addColumn<int>("expected");

        QTest::newRow("folder named like an archive") << QByteArray("stuff.zip") << true << none;
        QTest::newRow("dangling link") << QByteArray("gone.pdf=L:nowhere.pdf") << false << none;
        QTest::newRow("link.pdf to a pdf")
            << QByteArray("link.pdf=L:real.pdf") << true << int(G::Pdf);
        QTest::newRow("nameless link to a pdf")
            << QByteArray("link=L:real.pdf") << true << int(G::Pdf);
        QTest::newRow("link to a folder")
            << QByteArray("pictures.png=L:real folder") << true << none;
        QTest::newRow("link to a fifo") << QByteArray("link=L:real fifo") << false << none;
        QTest::newRow("fifo") << QByteArray("pipe=O") << false << none;
        QTest::newRow("fifo listed as a file a moment ago")
            << QByteArray("pipe=O") << false << none;
    }
    void unusualItems()
    {
        QFETCH(QByteArray, item);
        QFETCH(bool, hasType);
        QFETCH(int, expected);
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
        row("application/vnd.ms-asf", int(G::Movie));
        row("application/x-raw-disk-image-xz-compressed", int(G::Archive) | int(G::DiskImage));
        row("application/x-iso9660-appimage", int(G::Application));
        row("application/x-sharedlib", none);
        row("application/x-desktop", int(G::Application) | int(G::Text));
        row("application/javascript", int(G::Script) | int(G::SourceCode) | int(G::Text));
        row("application/vnd.ms-powerpoint.slideshow.macroEnabled.12", int(G::Presentation));
        row("application/vnd.oasis.opendocument.presentation-template", int(G::Presentation));
        row("application/vnd.oasis.opendocument.database", int(G::CompositeContent));
        row("application/x-iwork-keynote-sffkey", int(G::Presentation));
        row("inode/directory", none);
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
    std::unique_ptr<TestTree::Scratch> m_scratch;
    MimeContentTypes m_types;
};

QTEST_GUILESS_MAIN(TestMimeContentTypes)
#include "tst_mimecontenttypes.moc"
