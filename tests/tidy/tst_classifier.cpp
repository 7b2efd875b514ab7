#include "tests/fakes/TestDesktop.h"
#include "tidy/ArchiveFiler.h"
#include "tidy/Classifier.h"
#include "tidy/DesktopScanner.h"

#include <QTest>

using namespace tavlin;

namespace {

using G = TypeGroup;

ItemValues fileValues()
{
    ItemValues values;
    values.kind = ItemKind::File;
    values.isDirectory = false;
    values.isPackage = false;
    return values;
}

ItemValues folderValues(bool isPackage)
{
    ItemValues values;
    values.kind = ItemKind::Directory;
    values.isDirectory = true;
    values.isPackage = isPackage;
    return values;
}

} // namespace

class TestClassifier : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void categoryFor_data();
    void categoryFor();
    void realFiles_data();
    void realFiles();
};

void TestClassifier::categoryFor_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<ItemValues>("values");
    QTest::addColumn<std::optional<TypeGroups>>("type");
    QTest::addColumn<QString>("expected");

    const ItemValues file = fileValues();
    const ItemValues folder = folderValues(false);
    const ItemValues package = folderValues(true);
    const auto row = [](const char* tag, const char* name, const ItemValues& values,
                        std::optional<TypeGroups> type, const QString& expected) {
        QTest::newRow(tag) << QByteArray(name) << values << type << expected;
    };
    const auto typed = [](TypeGroups groups) { return std::optional(groups); };

    // Screen captures go by name, whatever they are.
    row("screenshot", "Screenshot 2025-01-01 at 10.00.00.png", file, typed(G::Image),
        Category::screenshots);
    row("older screen shot", "Screen Shot 2019-05-05 at 09.00.00.png", file, typed(G::Image),
        Category::screenshots);
    row("screen recording movie", "Screen Recording 2025-01-01 at 10.00.00.mov", file,
        typed(G::Movie), Category::screenshots);
    row("screenshot folder", "Screenshots from the trip", folder, typed({}), Category::screenshots);
    row("lower-case prefix goes by type", "screenshot.png", file, typed(G::Image),
        Category::images);
    row("decomposed accent after the prefix", "Screenshot cafe\xcc\x81.png", file, typed(G::Image),
        Category::screenshots);
    // Only canonical equivalence: a no-break space is a different character.
    row("no-break space is not a space", "Screen\xc2\xa0Shot 1.png", file, typed(G::Image),
        Category::images);
    row("name not UTF-8", "Scre\xff\xfe.png", file, typed(G::Image), Category::images);

    // Folders, and package folders that go by type.
    row("plain folder", "Projects", folder, std::nullopt, Category::folders);
    row("plain folder with a type", "Projects.txt", folder, typed(G::Text), Category::folders);
    row("package of an app", "Tool.app", package, typed(G::Application), Category::apps);
    row("package without a type", "Tool.app", package, std::nullopt, Category::other);

    // By content type.
    row("no content type", "socket", file, std::nullopt, Category::other);
    row("image", "a.png", file, typed(G::Image), Category::images);
    row("movie", "a.mp4", file, typed(G::Movie), Category::videos);
    row("audio", "a.mp3", file, typed(G::Audio), Category::audio);
    row("pdf", "a.pdf", file, typed(G::Pdf), Category::pdfs);
    row("archive", "a.zip", file, typed(G::Archive), Category::archives);
    row("disk image", "a.iso", file, typed(G::DiskImage), Category::archives);
    row("pkg of a type that is no archive", "setup.pkg", file, typed(G::Text), Category::archives);
    row("pkg of a type in no family", "setup.pkg", file, typed({}), Category::archives);
    row("PKG in capitals goes on", "SETUP.PKG", file, typed(G::Text), Category::documents);
    row("pkg without a type", "setup.pkg", file, std::nullopt, Category::other);
    row("source code", "a.c", file, typed(G::SourceCode), Category::code);
    row("script", "a.sh", file, typed(G::Script), Category::code);
    row("json", "a.json", file, typed(G::Json), Category::code);
    row("source code that is text", "a.cpp", file, typed(TypeGroups(G::SourceCode) | G::Text),
        Category::code);
    row("application", "tool", file, typed(G::Application), Category::apps);
    row("text", "a.txt", file, typed(G::Text), Category::documents);
    row("presentation", "a.odp", file, typed(G::Presentation), Category::documents);
    row("spreadsheet", "a.ods", file, typed(G::Spreadsheet), Category::documents);
    row("composite", "a.odt", file, typed(G::CompositeContent), Category::documents);
    row("type in no family", "a.xyz", file, typed({}), Category::other);
}

void TestClassifier::categoryFor()
{
    QFETCH(QByteArray, name);
    QFETCH(ItemValues, values);
    QFETCH(std::optional<TypeGroups>, type);
    QFETCH(QString, expected);

    QCOMPARE(tavlin::categoryFor(name, values, type), expected);
}

void TestClassifier::realFiles_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");

    // Office files and e-books are zip files inside; they are documents all the same.
    const QByteArray zipHeader("PK\x03\x04\x14\x00\x00\x00\x00\x00", 10);
    QTest::newRow("word document")
        << QByteArray("report.docx") << zipHeader + "[Content_Types].xml" << Category::documents;
    QTest::newRow("e-book") << QByteArray("book.epub")
                            << zipHeader + QByteArray(20, '\0') + "mimetypeapplication/epub+zip"
                            << Category::documents;
    QTest::newRow("zip archive") << QByteArray("backup.zip") << zipHeader << Category::archives;
    QTest::newRow("shell script") << QByteArray("install.sh") << QByteArray("#!/bin/sh\necho\n")
                                  << Category::code;
    QTest::newRow("json data") << QByteArray("data.json") << QByteArray("{\"a\": 1}\n")
                               << Category::code;
    QTest::newRow("pdf without extension")
        << QByteArray("scan") << QByteArray("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n") << Category::pdfs;
}

void TestClassifier::realFiles()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);

    TestDesktop desktop;
    QVERIFY(desktop.isValid());
    QVERIFY(desktop.build({{name, "F:" + content}}));
    const auto candidates = scanDesktop(desktop.fileSystem, desktop.path(), 7, desktop.clock.now());
    QVERIFY(candidates);
    QCOMPARE(candidates->size(), size_t(1));

    const ArchiveFiler filer(desktop.fileSystem, desktop.contentTypes);
    QCOMPARE(filer.categoryOf(candidates->front()), expected);
}

QTEST_GUILESS_MAIN(TestClassifier)
#include "tst_classifier.moc"
