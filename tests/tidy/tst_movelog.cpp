#include "platform/linux/JsonSettingsStore.h"
#include "tidy/MoveLog.h"
#include "tidy/StoredPath.h"
#include "tidy/TidyKeys.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

using namespace tavlin;

class TestMoveLog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTrip_data();
    void roundTrip();
    void decodeRejects_data();
    void decodeRejects();
    void storedLog_data();
    void storedLog();
    void survivesTheFile_data();
    void survivesTheFile();
};

void TestMoveLog::roundTrip_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QString>("stored");

    QTest::newRow("plain ASCII") << QByteArray("/home/ann/Desktop/notes 1.txt")
                                 << QStringLiteral("/home/ann/Desktop/notes 1.txt");
    QTest::newRow("UTF-8")
        << QByteArray("/home/ann/Skrivbord/caf\xc3\xa9 \xe2\x9c\x93 \xf0\x9f\x98\x80")
        << QString::fromUtf8("/home/ann/Skrivbord/caf\xc3\xa9 \xe2\x9c\x93 \xf0\x9f\x98\x80");
    QTest::newRow("lone 0xFF byte") << QByteArray("/d/\xff.txt") << QStringLiteral("/d/\\xff.txt");
    QTest::newRow("backslash") << QByteArray("/d/a\\b") << QStringLiteral("/d/a\\\\b");
    QTest::newRow("escape written out in a name")
        << QByteArray("/d/\\x41") << QStringLiteral("/d/\\\\x41");
    QTest::newRow("overlong slash") << QByteArray("/d/\xc0\xaf") << QStringLiteral("/d/\\xc0\\xaf");
    QTest::newRow("overlong three bytes")
        << QByteArray("/d/\xe0\x80\xaf") << QStringLiteral("/d/\\xe0\\x80\\xaf");
    QTest::newRow("surrogate") << QByteArray("/d/\xed\xa0\x80")
                               << QStringLiteral("/d/\\xed\\xa0\\x80");
    QTest::newRow("beyond U+10FFFF")
        << QByteArray("/d/\xf4\x90\x80\x80") << QStringLiteral("/d/\\xf4\\x90\\x80\\x80");
    QTest::newRow("cut-off sequence at the end")
        << QByteArray("/d/\xe2\x9c") << QStringLiteral("/d/\\xe2\\x9c");
}

void TestMoveLog::roundTrip()
{
    QFETCH(QByteArray, path);
    QFETCH(QString, stored);

    QCOMPARE(StoredPath::encode(path), stored);
    QCOMPARE(StoredPath::decode(stored), std::optional(path));
}

void TestMoveLog::decodeRejects_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("escape cut off") << QStringLiteral("/d/\\x");
    QTest::newRow("one hex digit") << QStringLiteral("/d/\\x4");
    QTest::newRow("not hex") << QStringLiteral("/d/\\xZ1");
    QTest::newRow("unknown escape") << QStringLiteral("/d/\\n");
    QTest::newRow("lone backslash at the end") << QStringLiteral("/d/a\\");
    QTest::newRow("escaped NUL") << QStringLiteral("/d/\\x00");
    QTest::newRow("raw NUL") << QStringView(u"/d/a\0b", 6).toString();
}

void TestMoveLog::decodeRejects()
{
    QFETCH(QString, text);

    QCOMPARE(StoredPath::decode(text), std::optional<QByteArray>());
}

void TestMoveLog::storedLog_data()
{
    QTest::addColumn<QByteArray>("json"); // empty: no key at all
    QTest::addColumn<int>("storedCount");
    QTest::addColumn<int>("readCount");
    QTest::addColumn<int>("wellFormed");

    QTest::newRow("no log") << QByteArray() << 0 << 0 << 0;
    QTest::newRow("empty") << QByteArray("[]") << 0 << 0 << 0;
    QTest::newRow("two records") << QByteArray(R"([["/a","/b"],["/c","/d"]])") << 2 << 2 << 2;
    QTest::newRow("wrong lengths read as gaps")
        << QByteArray(R"([["/a","/b"],["/c"],["/d","/e","/f"]])") << 3 << 3 << 1;
    QTest::newRow("element not an array") << QByteArray(R"([["/a","/b"],5,"x"])") << 3 << 0 << 0;
    QTest::newRow("non-string path") << QByteArray(R"([["/a",true]])") << 1 << 0 << 0;
    QTest::newRow("broken escape") << QByteArray(R"([["/a","/b\\q"]])") << 1 << 0 << 0;
    QTest::newRow("object instead of array") << QByteArray(R"({"a":["/a","/b"]})") << 0 << 0 << 0;
}

void TestMoveLog::storedLog()
{
    QFETCH(QByteArray, json);
    QFETCH(int, storedCount);
    QFETCH(int, readCount);
    QFETCH(int, wellFormed);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    JsonSettingsStore settings(dir.filePath(QStringLiteral("settings.json")));
    if (!json.isEmpty()) {
        const QJsonDocument document = QJsonDocument::fromJson(json);
        QVERIFY(!document.isNull());
        settings.setValue(TidyKeys::lastTidyMoves, document.isArray()
                                                       ? QJsonValue(document.array())
                                                       : QJsonValue(document.object()));
    }

    QCOMPARE(MoveLog::storedCount(settings), storedCount);
    const auto records = MoveLog::read(settings);
    QCOMPARE(int(records.size()), readCount);
    QCOMPARE(int(std::count_if(records.begin(), records.end(),
                               [](const auto& record) { return record.has_value(); })),
             wellFormed);
}

void TestMoveLog::survivesTheFile_data()
{
    roundTrip_data();
}

void TestMoveLog::survivesTheFile()
{
    QFETCH(QByteArray, path);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("settings.json"));
    const std::vector<MoveRecord> records{{path, path + "/Archive/\xff"}, {"/plain", path}};
    {
        JsonSettingsStore writer(file);
        MoveLog::write(writer, records);
    }

    const JsonSettingsStore reader(file);
    const auto read = MoveLog::read(reader);
    QCOMPARE(read.size(), records.size());
    for (size_t i = 0; i < records.size(); ++i)
        QCOMPARE(read[i], std::optional(records[i]));
}

QTEST_GUILESS_MAIN(TestMoveLog)
#include "tst_movelog.moc"
