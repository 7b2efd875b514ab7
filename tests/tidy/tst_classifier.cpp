#include "tidy/Classifier.h"

#include <QTest>

using namespace tavlin;

namespace {

using G = TypeGroup;

ItemValues values(ItemKind kind, bool isPackage = false)
{
    ItemValues result;
    result.kind = kind;
    result.isDirectory = kind == ItemKind::Directory;
    result.isPackage = isPackage;
    return result;
}

} // namespace

class TestClassifier : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void categoryFor_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<ItemValues>("values");
        QTest::addColumn<std::optional<TypeGroups>>("type");
        QTest::addColumn<QString>("expected");

        const ItemValues file = values(ItemKind::File);
        const ItemValues folder = values(ItemKind::Directory);
        const auto row = [](const char* tag, const char* name, const ItemValues& item,
                            std::optional<TypeGroups> type, const QString& expected) {
            QTest::newRow(tag) << QByteArray(name) << item << type << expected;
        };
        const auto typed = [](TypeGroups groups) { return std::optional(groups); };

        // Screen captures go by name, whatever they are.
        row("screenshot", "Screenshot 2025-01-01 at 10.00.00.png", file, typed(G::Image),
            Category::screenshots);
        row("older screen shot", "Screen Shot 2019-05-05 at 09.00.00.png", file, typed(G::Image),
            Category::screenshots);
        row("screen recording movie", "Screen Recording 2025-01-01.mov", file, typed(G::Movie),
            Category::screenshots);
        row("screenshot folder", "Screenshots from the trip", folder, typed({}),
            Category::screenshots);
        row("lower-case prefix goes by type", "screenshot.png", file, typed(G::Image),
            Category::images);
        row("no-break space is not a space", "Screen\xc2\xa0Shot 1.png", file, typed(G::Image),
            Category::images);
        row("name not UTF-8", "Scre\xff\xfe.png", file, typed(G::Image), Category::images);

        // Folders, and package folders that go by type.
        row("plain folder", "Projects", folder, std::nullopt, Category::folders);
        row("package of an app", "Tool.app", values(ItemKind::Directory, true),
            typed(G::Application), Category::apps);

        // By content type; the first family in the order of the categories wins.
        row("no content type", "socket", file, std::nullopt, Category::other);
        row("image", "a.png", file, typed(G::Image), Category::images);
        row("movie", "a.mp4", file, typed(G::Movie), Category::videos);
        row("audio", "a.mp3", file, typed(G::Audio), Category::audio);
        row("pdf", "a.pdf", file, typed(G::Pdf), Category::pdfs);
        row("archive", "a.zip", file, typed(G::Archive), Category::archives);
        row("disk image", "a.iso", file, typed(G::DiskImage), Category::archives);
        row("pkg of a type that is no archive", "setup.pkg", file, typed(G::Text),
            Category::archives);
        row("PKG in capitals goes on", "SETUP.PKG", file, typed(G::Text), Category::documents);
        row("pkg without a type", "setup.pkg", file, std::nullopt, Category::other);
        row("source code that is text", "a.cpp", file, typed(TypeGroups(G::SourceCode) | G::Text),
            Category::code);
        row("script", "a.sh", file, typed(G::Script), Category::code);
        row("json", "a.json", file, typed(G::Json), Category::code);
        row("application", "tool", file, typed(G::Application), Category::apps);
        row("text", "a.txt", file, typed(G::Text), Category::documents);
        row("presentation", "a.odp", file, typed(G::Presentation), Category::documents);
        row("spreadsheet", "a.ods", file, typed(G::Spreadsheet), Category::documents);
        row("composite", "a.odt", file, typed(G::CompositeContent), Category::documents);
        row("type in no family", "a.xyz", file, typed({}), Category::other);
    }
    void categoryFor()
    {
        QFETCH(QByteArray, name);
        QFETCH(ItemValues, values);
        QFETCH(std::optional<TypeGroups>, type);
        QFETCH(QString, expected);
        QCOMPARE(tavlin::categoryFor(name, values, type), expected);
    }
};

QTEST_GUILESS_MAIN(TestClassifier)
#include "tst_classifier.moc"
