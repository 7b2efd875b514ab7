#include "platform/UserFolders.h"
#include "platform/linux/JsonSettingsStore.h"
#include "tests/fakes/TestTree.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <limits>
#include <memory>
#include <unistd.h>

using namespace tavlin;

namespace {

QJsonObject parsedObject(const QByteArray& data, bool* ok)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    *ok = error.error == QJsonParseError::NoError && document.isObject();
    return document.object();
}

} // namespace

class TestSettingsStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_folder = m_dir->filePath(QStringLiteral("config/tavlin"));
        m_path = m_folder + QStringLiteral("/settings.json");
    }

    void integer_data()
    {
        QTest::addColumn<QByteArray>("json"); // the value stored under "k"; empty: no key
        QTest::addColumn<bool>("present");
        QTest::addColumn<qint64>("expected");

        QTest::newRow("whole number") << QByteArray("7") << true << qint64(7);
        QTest::newRow("negative") << QByteArray("-42") << true << qint64(-42);
        QTest::newRow("written with a fraction of zero") << QByteArray("7.0") << true << qint64(7);
        QTest::newRow("largest") << QByteArray("9223372036854775807") << true
                                 << std::numeric_limits<qint64>::max();
        QTest::newRow("smallest") << QByteArray("-9223372036854775808") << true
                                  << std::numeric_limits<qint64>::min();
        QTest::newRow("fraction") << QByteArray("7.5") << false << qint64(0);
        QTest::newRow("one past the largest")
            << QByteArray("9223372036854775808") << false << qint64(0);
        QTest::newRow("huge") << QByteArray("1e30") << false << qint64(0);
        QTest::newRow("string of digits") << QByteArray("\"7\"") << false << qint64(0);
        QTest::newRow("null") << QByteArray("null") << false << qint64(0);
        QTest::newRow("missing") << QByteArray() << false << qint64(0);
    }
    void integer()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, present);
        QFETCH(qint64, expected);
        writeValue(json);
        const auto value = JsonSettingsStore(m_path).integer(QStringLiteral("k"));
        QCOMPARE(value.has_value(), present);
        if (present)
            QCOMPARE(*value, expected);
    }

    void boolean_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("expected");

        QTest::newRow("true") << QByteArray("true") << true;
        QTest::newRow("false") << QByteArray("false") << false;
        QTest::newRow("one") << QByteArray("1") << false;
        QTest::newRow("string true") << QByteArray("\"true\"") << false;
        QTest::newRow("null") << QByteArray("null") << false;
        QTest::newRow("missing") << QByteArray() << false;
    }
    void boolean()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, expected);
        writeValue(json);
        QCOMPARE(JsonSettingsStore(m_path).boolean(QStringLiteral("k")), expected);
    }

    void date_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("present");
        QTest::addColumn<double>("expected");

        QTest::newRow("UTC with milliseconds")
            << QByteArray("\"2026-12-06T06:21:29.123Z\"") << true << 1796538089.123;
        QTest::newRow("with an offset")
            << QByteArray("\"2026-12-06T08:21:29.123+02:00\"") << true << 1796538089.123;
        QTest::newRow("before 1970") << QByteArray("\"1969-12-31T23:59:59.500Z\"") << true << -0.5;
        QTest::newRow("garbage") << QByteArray("\"next tuesday\"") << false << 0.0;
        QTest::newRow("month 13") << QByteArray("\"2026-13-06T06:21:29.123Z\"") << false << 0.0;
        QTest::newRow("number of seconds") << QByteArray("1796538089") << false << 0.0;
        QTest::newRow("missing") << QByteArray() << false << 0.0;
    }
    void date()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, present);
        QFETCH(double, expected);
        writeValue(json);
        const auto value = JsonSettingsStore(m_path).date(QStringLiteral("k"));
        QCOMPARE(value.has_value(), present);
        if (present)
            QCOMPARE(*value, expected);
    }

    void stringAndArray_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("isString");
        QTest::addColumn<int>("arraySize"); // -1: not an array

        QTest::newRow("string") << QByteArray("\"text\"") << true << -1;
        QTest::newRow("array") << QByteArray("[1, \"two\", {}]") << false << 3;
        QTest::newRow("object") << QByteArray("{\"a\": 1}") << false << -1;
        QTest::newRow("missing") << QByteArray() << false << -1;
    }
    void stringAndArray()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, isString);
        QFETCH(int, arraySize);
        writeValue(json);
        const JsonSettingsStore store(m_path);
        QCOMPARE(store.string(QStringLiteral("k")).has_value(), isString);
        const auto array = store.array(QStringLiteral("k"));
        QCOMPARE(array ? int(array->size()) : -1, arraySize);
        QCOMPARE(store.contains(QStringLiteral("k")), !json.isEmpty());
    }

    void unusableFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("keptAside"); // a later write keeps the old text next to it

        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("truncated") << QByteArray("{\n    \"k\": 7,\n    \"other\": \"te") << true;
        QTest::newRow("garbage bytes") << QByteArray("\xff\xfe\x00\x01garbage\x80", 12) << true;
        QTest::newRow("array at the top") << QByteArray("[{\"k\": 7}]") << true;
        QTest::newRow("string at the top") << QByteArray("\"k\"") << true;
        QTest::newRow("trailing garbage") << QByteArray("{\"k\": 7} xyz") << true;
    }
    void unusableFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, keptAside);
        QVERIFY(QDir().mkpath(m_folder));
        QVERIFY(TestTree::writeFile(QFile::encodeName(m_path), content));

        JsonSettingsStore store(m_path);
        QVERIFY(!store.contains(QStringLiteral("k")));
        QVERIFY(!store.integer(QStringLiteral("k")).has_value());
        // Reading leaves the file alone, so the user can still repair it.
        QCOMPARE(TestTree::readFile(QFile::encodeName(m_path)), content);

        store.setInteger(QStringLiteral("n"), 3);
        bool ok = false;
        const QJsonObject written =
            parsedObject(TestTree::readFile(QFile::encodeName(m_path)), &ok);
        QVERIFY(ok);
        QCOMPARE(written, QJsonObject({{QStringLiteral("n"), 3}}));
        QCOMPARE(JsonSettingsStore(m_path).integer(QStringLiteral("n")), std::optional<qint64>(3));

        const QStringList others = otherFiles();
        QCOMPARE(others.size(), keptAside ? 1 : 0);
        if (keptAside)
            QCOMPARE(TestTree::readFile(QFile::encodeName(m_folder + u'/' + others.first())),
                     content);
    }

    void fileWeMayNotRead()
    {
        if (::geteuid() == 0)
            QSKIP("root may read any file");
        QVERIFY(QDir().mkpath(m_folder));
        QVERIFY(TestTree::writeFile(QFile::encodeName(m_path), "{\"k\": 1}"));
        QVERIFY(QFile::setPermissions(m_path, {}));
        JsonSettingsStore store(m_path);
        QVERIFY(!store.contains(QStringLiteral("k")));

        store.setInteger(QStringLiteral("n"), 2);
        QCOMPARE(JsonSettingsStore(m_path).integer(QStringLiteral("n")), std::optional<qint64>(2));
        const QStringList others = otherFiles();
        QCOMPARE(others.size(), 1); // the user's file, kept aside
        QCOMPARE(QFileInfo(m_folder + u'/' + others.first()).size(), 8);
    }

    void folderInPlaceOfTheFile()
    {
        QVERIFY(QDir().mkpath(m_path));
        QVERIFY(TestTree::writeFile(QFile::encodeName(m_path + QStringLiteral("/inside")), "keep"));
        JsonSettingsStore store(m_path);
        QVERIFY(!store.contains(QStringLiteral("k")));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Could not save")));
        store.setInteger(QStringLiteral("k"), 1);
        QVERIFY(QFileInfo(m_path).isDir());
        QCOMPARE(TestTree::readFile(QFile::encodeName(m_path + QStringLiteral("/inside"))),
                 QByteArray("keep"));
        QCOMPARE(otherFiles(), QStringList());
    }

    void writesCreateTheFolder()
    {
        QVERIFY(!QFileInfo::exists(m_folder));
        JsonSettingsStore(m_path).setBoolean(QStringLiteral("b"), true);
        QVERIFY(JsonSettingsStore(m_path).boolean(QStringLiteral("b")));
    }

    void writesReplaceTheWholeFileAtOnce()
    {
        JsonSettingsStore store(m_path);
        store.setInteger(QStringLiteral("count"), 0);
        for (int i = 1; i <= 20; ++i) {
            // A reader that opened the file before a write keeps reading one complete version.
            QFile before(m_path);
            QVERIFY(before.open(QIODevice::ReadOnly));
            store.setInteger(QStringLiteral("count"), i);
            store.setValue(QStringLiteral("key%1").arg(i), QStringLiteral("value %1").arg(i));
            bool ok = false;
            const QJsonObject old = parsedObject(before.readAll(), &ok);
            QVERIFY(ok);
            QCOMPARE(old.value(QStringLiteral("count")).toInt(), i - 1);

            const QJsonObject now =
                parsedObject(TestTree::readFile(QFile::encodeName(m_path)), &ok);
            QVERIFY(ok);
            QCOMPARE(now.size(), i + 1);
            QCOMPARE(now.value(QStringLiteral("count")).toInt(), i);
            QCOMPARE(otherFiles(), QStringList()); // no temporary file left behind
        }
        // Indented, so that a person can read and edit it.
        QVERIFY(TestTree::readFile(QFile::encodeName(m_path)).contains("\n    \"count\": 20"));
    }

    void anotherWriterIsSeen_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("value changed") << QStringLiteral("change");
        QTest::newRow("value changed to the same length") << QStringLiteral("same length");
        QTest::newRow("file removed") << QStringLiteral("remove");
        QTest::newRow("file made garbage") << QStringLiteral("garbage");
    }
    void anotherWriterIsSeen()
    {
        QFETCH(QString, change);
        JsonSettingsStore reader(m_path);
        JsonSettingsStore writer(m_path);
        writer.setInteger(QStringLiteral("k"), 1);
        QCOMPARE(reader.integer(QStringLiteral("k")), std::optional<qint64>(1));

        std::optional<qint64> expected;
        if (change == QStringLiteral("change")) {
            writer.setInteger(QStringLiteral("k"), 12345);
            expected = 12345;
        } else if (change == QStringLiteral("same length")) {
            // Within the same clock tick and at the same size as before.
            writer.setInteger(QStringLiteral("k"), 2);
            expected = 2;
        } else if (change == QStringLiteral("remove")) {
            QVERIFY(QFile::remove(m_path));
        } else {
            // Rewritten in place, as an editor without safe saving does.
            QFile file(m_path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QCOMPARE(file.write("{{{"), 3);
        }
        QCOMPARE(reader.integer(QStringLiteral("k")), expected);
    }

    void writeKeepsAnotherWritersKeys()
    {
        JsonSettingsStore first(m_path);
        JsonSettingsStore second(m_path);
        QVERIFY(!second.contains(QStringLiteral("a"))); // loaded before the first one writes
        first.setInteger(QStringLiteral("a"), 1);
        second.setInteger(QStringLiteral("b"), 2);
        const JsonSettingsStore fresh(m_path);
        QCOMPARE(fresh.integer(QStringLiteral("a")), std::optional<qint64>(1));
        QCOMPARE(fresh.integer(QStringLiteral("b")), std::optional<qint64>(2));
    }

    void removingAKey()
    {
        JsonSettingsStore store(m_path);
        store.setInteger(QStringLiteral("a"), 1);
        store.setValue(QStringLiteral("a"), QJsonValue(QJsonValue::Undefined));
        QVERIFY(!JsonSettingsStore(m_path).contains(QStringLiteral("a")));
    }

    void stringsSurvive_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("accents") << QStringLiteral("Skrivebord på Mac – Ærø");
        QTest::newRow("emoji outside the BMP") << QStringLiteral("📁 Arkiv 🗂️");
        QTest::newRow("right to left") << QStringLiteral("سطح المكتب");
        QTest::newRow("combining marks") << QStringLiteral("Cafe\u0301");
        QTest::newRow("control characters") << QStringLiteral("tab\there\nline\u0001");
        QTest::newRow("NUL") << QString(QStringLiteral("a\0b").constData(), 3);
        QTest::newRow("empty") << QString();
    }
    void stringsSurvive()
    {
        QFETCH(QString, text);
        JsonSettingsStore(m_path).setValue(QStringLiteral("s"), text);
        QCOMPARE(JsonSettingsStore(m_path).string(QStringLiteral("s")),
                 std::optional<QString>(text));
    }

    void dateRoundTrip_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("stored"); // empty: nothing is stored

        QTest::newRow("with milliseconds")
            << 1796538089.123 << QStringLiteral("2026-12-06T06:21:29.123Z");
        QTest::newRow("before 1970") << -0.5 << QStringLiteral("1969-12-31T23:59:59.500Z");
        QTest::newRow("sub-millisecond is rounded")
            << 1796538089.1236 << QStringLiteral("2026-12-06T06:21:29.124Z");
        QTest::newRow("not a number") << std::nan("") << QString();
        QTest::newRow("past year 9999") << 1e15 << QString();
    }
    void dateRoundTrip()
    {
        QFETCH(double, seconds);
        QFETCH(QString, stored);
        if (stored.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, "Not storing an unrepresentable date for a setting");
        JsonSettingsStore(m_path).setDate(QStringLiteral("d"), seconds);
        const JsonSettingsStore store(m_path);
        if (stored.isEmpty()) {
            QVERIFY(!store.contains(QStringLiteral("d")));
            return;
        }
        QCOMPARE(store.string(QStringLiteral("d")), std::optional<QString>(stored));
        const auto back = store.date(QStringLiteral("d"));
        QVERIFY(back.has_value());
        QVERIFY(std::fabs(*back - seconds) <= 0.0005 + 1e-9);
    }

    void settingsFileLocation_data()
    {
        QTest::addColumn<QByteArray>("configHome"); // "-": unset
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("XDG_CONFIG_HOME set")
            << QByteArray("/x/conf") << QByteArray("/x/conf/tavlin/settings.json");
        QTest::newRow("not UTF-8")
            << QByteArray("/x/k\xf6nf") << QByteArray("/x/k\xf6nf/tavlin/settings.json");
        QTest::newRow("unset") << QByteArray("-")
                               << QByteArray("/home/u/.config/tavlin/settings.json");
        QTest::newRow("relative, ignored")
            << QByteArray("conf") << QByteArray("/home/u/.config/tavlin/settings.json");
    }
    void settingsFileLocation()
    {
        QFETCH(QByteArray, configHome);
        QFETCH(QByteArray, expected);
        const QByteArray oldHome = qgetenv("HOME");
        const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
        const bool hadConfig = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
        qputenv("HOME", "/home/u");
        if (configHome == "-")
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", configHome);

        const QByteArray actual = UserFolders::settingsFile();

        qputenv("HOME", oldHome);
        if (hadConfig)
            qputenv("XDG_CONFIG_HOME", oldConfig);
        else
            qunsetenv("XDG_CONFIG_HOME");
        QCOMPARE(actual, expected);
    }

private:
    // Writes a settings file holding {"k": json}, or {} for an empty json.
    void writeValue(const QByteArray& json)
    {
        QVERIFY(QDir().mkpath(m_folder));
        const QByteArray content = json.isEmpty() ? "{\"other\": 1}" : "{\"k\": " + json + "}";
        QVERIFY(TestTree::writeFile(QFile::encodeName(m_path), content));
    }

    // Whatever is in the settings folder besides the settings file.
    QStringList otherFiles() const
    {
        QStringList names =
            QDir(m_folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        names.removeAll(QStringLiteral("settings.json"));
        return names;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;
    QString m_path;
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
