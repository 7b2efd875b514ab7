#include "tests/fakes/TestDesktop.h"
#include "tidy/StoredPath.h"
#include "tidy/TidyKeys.h"
#include "tidy/TidyRunner.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace tavlin;
using Snapshot = TestTree::Snapshot;
using TestTree::entries;
using TestTree::tree;

namespace {

bool removeItem(const QByteArray& path)
{
    QDir folder(QFile::decodeName(path));
    return folder.exists() ? folder.removeRecursively() : QFile::remove(QFile::decodeName(path));
}

bool logIsEmptyArray(const SettingsStore& settings)
{
    const std::optional<QJsonArray> log = settings.array(TidyKeys::lastTidyMoves);
    return log && log->isEmpty();
}

} // namespace

class TestUndo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void undo_data();
    void undo();
    void refusedMoveBack_data();
    void refusedMoveBack();
    void malformedLog_data();
    void malformedLog();
};

void TestUndo::undo_data()
{
    // Trees in the notation of TestTree::tree().
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("removeAfterTidy");
    QTest::addColumn<QByteArray>("addAfterTidy");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<QString>("text");

    const QByteArray three = "photo.png=F:p|notes.txt=F:n|Projects/plan.txt=F:plan";
    QTest::newRow("untouched archive")
        << three << QByteArray() << QByteArray() << three << QStringLiteral("Restored 3 items");
    QTest::newRow("metadata files left in the archive")
        << three << QByteArray()
        << QByteArray("Tavlin Archive/.DS_Store=F:|@/.DS_Store=F:|@/Images/.DS_Store=F:") << three
        << QStringLiteral("Restored 3 items");
    QTest::newRow("one gone, one place taken")
        << QByteArray("photo.png=F:p|notes.txt=F:n|todo.txt=F:t")
        << QByteArray("@/Documents/todo.txt") << QByteArray("notes.txt=F:newcomer")
        << QByteArray("photo.png=F:p|notes.txt=F:newcomer|notes 2.txt=F:n")
        << QStringLiteral("Restored 2 items, 1 no longer in the archive");
    QTest::newRow("earlier item keeps its folders, empty ones go")
        << QByteArray("notes.txt=F:n|@/Images/earlier.png=F:e|Tavlin Archive/2039-12/Videos")
        << QByteArray() << QByteArray() << QByteArray("notes.txt=F:n|@/Images/earlier.png=F:e")
        << QStringLiteral("Restored 1 item");
    // A folder of that name is not the metadata file it is named after.
    QTest::newRow("folder named .DS_Store kept")
        << QByteArray("notes.txt=F:n") << QByteArray()
        << QByteArray("@/Documents/.DS_Store/mine.txt=F:mine")
        << QByteArray("notes.txt=F:n|@/Documents/.DS_Store/mine.txt=F:mine")
        << QStringLiteral("Restored 1 item");
    QTest::newRow("linked category folder not swept")
        << QByteArray("notes.txt=F:n") << QByteArray()
        << QByteArray("elsewhere|@/Linked=L:../../elsewhere")
        << QByteArray("notes.txt=F:n|elsewhere|@/Linked=L:../../elsewhere")
        << QStringLiteral("Restored 1 item");
}

void TestUndo::undo()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, removeAfterTidy);
    QFETCH(QByteArray, addAfterTidy);
    QFETCH(QByteArray, after);
    QFETCH(QString, text);

    TestDesktop desktop;
    QVERIFY(desktop.isValid());
    QVERIFY(desktop.build(tree(before)));
    TidyRunner runner(desktop.services());
    QVERIFY(runner.tidy(desktop.path()).moved > 0);
    for (const QByteArray& relative : entries(removeAfterTidy))
        QVERIFY(removeItem(desktop.at(relative)));
    // Only what is not there yet: the month and category folders are.
    Snapshot added = tree(addAfterTidy);
    std::erase_if(added,
                  [&](const auto& entry) { return TestTree::exists(desktop.at(entry.first)); });
    QVERIFY(desktop.build(added));
    QByteArrayList swept;
    desktop.fileSystem.setFailureRule([&](FaultyFileSystem::Operation op, const QByteArray& path) {
        if (op == FaultyFileSystem::Operation::RemoveTree)
            swept.append(desktop.relative(path));
        return false;
    });

    QCOMPARE(runner.undo(desktop.path()), text);
    QCOMPARE(desktop.snapshot(), tree(after));
    // The sweep never even asks to remove what must stay.
    for (const QByteArray& relative : swept)
        QVERIFY2(!tree(after).count(relative), relative.constData());
    QVERIFY(logIsEmptyArray(desktop.settings));
}

void TestUndo::refusedMoveBack_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("text");

    QTest::newRow("the only item refused")
        << QByteArray("notes.txt=F:n")
        << QStringLiteral("Restored 0 items, 1 couldn't be moved back");
    QTest::newRow("one of two refused")
        << QByteArray("notes.txt=F:n|photo.png=F:p")
        << QStringLiteral("Restored 1 item, 1 couldn't be moved back");
}

void TestUndo::refusedMoveBack()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, text);

    TestDesktop desktop;
    QVERIFY(desktop.isValid());
    QVERIFY(desktop.build(tree(before)));
    TidyRunner runner(desktop.services());
    QVERIFY(runner.tidy(desktop.path()).moved > 0);
    const QByteArray archived = desktop.at(TestDesktop::thisMonth + "Documents/notes.txt");
    desktop.fileSystem.setFailureRule([&](FaultyFileSystem::Operation op, const QByteArray& path) {
        return op == FaultyFileSystem::Operation::Move && path == archived;
    });

    QCOMPARE(runner.undo(desktop.path()), text);
    QVERIFY(TestTree::exists(archived));
    QVERIFY(!TestTree::exists(desktop.at("notes.txt")));
    QCOMPARE(desktop.loggedMoves(), entries("notes.txt > @/Documents/notes.txt"));

    // Once the system lets it, the retry brings it home and the archive goes.
    desktop.fileSystem.setFailureRule({});
    QCOMPARE(runner.undo(desktop.path()), QStringLiteral("Restored 1 item"));
    QCOMPARE(desktop.snapshot(), tree(before));
    QVERIFY(logIsEmptyArray(desktop.settings));
}

void TestUndo::malformedLog_data()
{
    QTest::addColumn<QByteArray>("log"); // @FROM@ and @TO@ stand for the real record's paths
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("restored");

    QTest::newRow("well-formed") << QByteArray(R"([["@FROM@","@TO@"]])")
                                 << QStringLiteral("Restored 1 item") << true;
    QTest::newRow("element not an array")
        << QByteArray(R"([["@FROM@","@TO@"],5])") << QStringLiteral("Restored 0 items") << false;
    QTest::newRow("non-string inside") << QByteArray(R"([["@FROM@","@TO@"],["@FROM@",5]])")
                                       << QStringLiteral("Restored 0 items") << false;
    QTest::newRow("not an array at all")
        << QByteArray(R"({"@FROM@":"@TO@"})") << QStringLiteral("Restored 0 items") << false;
    QTest::newRow("broken escape") << QByteArray(R"([["@FROM@","@TO@"],["\\xZZ","@TO@"]])")
                                   << QStringLiteral("Restored 0 items") << false;
    // A record of the wrong length is skipped, not counted and not taken as from/to.
    QTest::newRow("three elements dropped")
        << QByteArray(R"([["@FROM@","@TO@","@TO@"],["@FROM@","@TO@"]])")
        << QStringLiteral("Restored 1 item") << true;
    QTest::newRow("empty log") << QByteArray("[]") << QStringLiteral("Restored 0 items") << false;
}

void TestUndo::malformedLog()
{
    QFETCH(QByteArray, log);
    QFETCH(QString, text);
    QFETCH(bool, restored);

    TestDesktop desktop;
    QVERIFY(desktop.isValid());
    QVERIFY(desktop.build(tree("notes.txt=F:n")));
    TidyRunner runner(desktop.services());
    QVERIFY(runner.tidy(desktop.path()).moved == 1);
    // An emptied folder beside the archived item: the sweep runs whatever the log held.
    QVERIFY(desktop.build({{TestDesktop::thisMonth + "Videos", "D"}}));

    const QByteArray from = StoredPath::encode(desktop.at("notes.txt")).toUtf8();
    const QByteArray to =
        StoredPath::encode(desktop.at(TestDesktop::thisMonth + "Documents/notes.txt")).toUtf8();
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray(log).replace("@FROM@", from).replace("@TO@", to));
    QVERIFY(!document.isNull());
    desktop.settings.setValue(TidyKeys::lastTidyMoves, document.isArray()
                                                           ? QJsonValue(document.array())
                                                           : QJsonValue(document.object()));

    QCOMPARE(runner.undo(desktop.path()), text);
    QVERIFY(logIsEmptyArray(desktop.settings));
    QCOMPARE(desktop.snapshot(), tree(restored ? "notes.txt=F:n" : "@/Documents/notes.txt=F:n"));
}

QTEST_GUILESS_MAIN(TestUndo)
#include "tst_undo.moc"
