#include "platform/linux/JsonSettingsStore.h"
#include "tidy/MoveJournal.h"
#include "tidy/MoveLog.h"
#include "tidy/StoredPath.h"

#include <QTemporaryDir>
#include <QTest>

using namespace tavlin;

class TestMoveLog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void storedPaths_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QString>("stored");

        QTest::newRow("plain ASCII") << QByteArray("/home/ann/Desktop/notes 1.txt")
                                     << QStringLiteral("/home/ann/Desktop/notes 1.txt");
        QTest::newRow("UTF-8")
            << QByteArray("/home/ann/Skrivbord/caf\xc3\xa9 \xe2\x9c\x93 \xf0\x9f\x98\x80")
            << QString::fromUtf8("/home/ann/Skrivbord/caf\xc3\xa9 \xe2\x9c\x93 \xf0\x9f\x98\x80");
        QTest::newRow("lone 0xFF byte")
            << QByteArray("/d/\xff.txt") << QStringLiteral("/d/\\xff.txt");
        QTest::newRow("backslash") << QByteArray("/d/a\\b") << QStringLiteral("/d/a\\\\b");
        QTest::newRow("escape written out in a name")
            << QByteArray("/d/\\x41") << QStringLiteral("/d/\\\\x41");
        QTest::newRow("overlong slash")
            << QByteArray("/d/\xc0\xaf") << QStringLiteral("/d/\\xc0\\xaf");
        QTest::newRow("surrogate")
            << QByteArray("/d/\xed\xa0\x80") << QStringLiteral("/d/\\xed\\xa0\\x80");
        QTest::newRow("beyond U+10FFFF")
            << QByteArray("/d/\xf4\x90\x80\x80") << QStringLiteral("/d/\\xf4\\x90\\x80\\x80");
        QTest::newRow("cut-off sequence at the end")
            << QByteArray("/d/\xe2\x9c") << QStringLiteral("/d/\\xe2\\x9c");
        QTest::newRow("newline and TAB")
            << QByteArray("/d/a\nb\tc") << QStringLiteral("/d/a\nb\tc");
    }
    void storedPaths()
    {
        QFETCH(QByteArray, path);
        QFETCH(QString, stored);

        QCOMPARE(StoredPath::encode(path), stored);
        QCOMPARE(StoredPath::decode(stored), std::optional(path));

        // And through the settings file and a move log, in order.
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("settings.json"));
        const std::vector<MoveRecord> records{{path, path + "/Archive/\xff"}, {"/plain", path}};
        JsonSettingsStore(file).setValue(QStringLiteral("lastTidyMoves"), MoveLog::toJson(records));
        const auto read = MoveLog::read(JsonSettingsStore(file));
        const auto journal = MoveJournal::parse(MoveJournal::compact(path, records));
        QVERIFY(journal);
        QCOMPARE(journal->desktop, path);
        QCOMPARE(read.size(), records.size());
        QCOMPARE(journal->records.size(), records.size());
        for (size_t i = 0; i < records.size(); ++i) {
            QCOMPARE(read[i], std::optional(records[i]));
            QCOMPARE(journal->records[i].move, std::optional(records[i]));
        }
    }

    void decodeRejects_data()
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
    void decodeRejects()
    {
        QFETCH(QString, text);
        QCOMPARE(StoredPath::decode(text), std::optional<QByteArray>());
    }
};

QTEST_GUILESS_MAIN(TestMoveLog)
#include "tst_movelog.moc"
