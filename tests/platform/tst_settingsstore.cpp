#include "platform/linux/JsonSettingsStore.h"
#include "tests/fakes/TestTree.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <cmath>
#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tavlin;

namespace {

const QString k = QStringLiteral("k");

// What every typed read makes of the key "k", e.g. "integer 7, string".
QByteArray readsOf(const SettingsStore& store)
{
    QByteArrayList found;
    if (const auto value = store.integer(k))
        found << "integer " + QByteArray::number(*value);
    if (store.boolean(k))
        found << "true";
    if (store.string(k))
        found << "string";
    if (const auto array = store.array(k))
        found << "array of " + QByteArray::number(array->size());
    if (const auto date = store.date(k))
        found << "date " + QByteArray::number(*date, 'f', 3);
    return found.join(", ");
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

    // A hand-edited file may hold anything: a reader gets a value only of the type it asks for.
    void typedReads_data()
    {
        QTest::addColumn<QByteArray>("json"); // the value stored under "k"; empty: no key
        QTest::addColumn<QByteArray>("expected");

        const auto row = [](const char* tag, const char* json, const char* expected) {
            QTest::newRow(tag) << QByteArray(json) << QByteArray(expected);
        };
        row("whole number", "7", "integer 7");
        row("written with a fraction of zero", "7.0", "integer 7");
        row("largest integer", "9223372036854775807", "integer 9223372036854775807");
        row("fraction", "7.5", "");
        row("one past the largest integer", "9223372036854775808", "");
        row("string of digits", "\"7\"", "string");
        row("true", "true", "true");
        row("one is no boolean", "1", "integer 1");
        row("date with an offset", "\"2026-12-06T08:21:29.123+02:00\"",
            "string, date 1796538089.123");
        row("number of seconds is no date", "1796538089", "integer 1796538089");
        row("array", "[1, \"two\", {}]", "array of 3");
        row("null", "null", "");
        row("missing", "", "");
    }
    void typedReads()
    {
        QFETCH(QByteArray, json);
        QFETCH(QByteArray, expected);
        QVERIFY(QDir().mkpath(m_folder));
        QVERIFY(TestTree::writeFile(file(),
                                    json.isEmpty() ? "{\"other\": 1}" : "{\"k\": " + json + "}"));
        const JsonSettingsStore store(m_path);
        QCOMPARE(readsOf(store), expected);
        QCOMPARE(store.contains(k), !json.isEmpty());
    }

    // Reading leaves a file it cannot use alone, so the user can still repair it; a later write
    // keeps the old text next to the new file.
    void unusableFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("keptAside"); // nothing to keep when empty

        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("truncated") << QByteArray("{\n    \"k\": 7,\n    \"other\": \"te") << true;
        QTest::newRow("array at the top") << QByteArray("[{\"k\": 7}]") << true;
        QTest::newRow("file we may not read") << QByteArray("{\"k\": 1}") << true;
    }
    void unusableFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, keptAside);
        const bool unreadable = QByteArray(QTest::currentDataTag()).contains("may not read");
        if (unreadable && ::geteuid() == 0)
            QSKIP("root may read any file");
        QVERIFY(QDir().mkpath(m_folder));
        QVERIFY(TestTree::writeFile(file(), content));
        if (unreadable)
            QVERIFY(QFile::setPermissions(m_path, {}));

        JsonSettingsStore store(m_path);
        QVERIFY(!store.contains(k));
        if (!unreadable)
            QCOMPARE(TestTree::readFile(file()), content);

        store.setInteger(QStringLiteral("n"), 3);
        QCOMPARE(saved(), QJsonObject({{QStringLiteral("n"), 3}}));
        const QStringList others = otherFiles();
        QCOMPARE(others.size(), keptAside ? 1 : 0);
        if (!keptAside)
            return;
        const QString kept = m_folder + u'/' + others[0];
        QVERIFY(QFile::setPermissions(kept, QFile::ReadOwner)); // as its owner may make it again
        QCOMPARE(TestTree::readFile(QFile::encodeName(kept)), content);
    }

    void anotherWriterIsSeen_data()
    {
        QTest::addColumn<bool>("garbage");
        QTest::newRow("value changed to the same length") << false;
        QTest::newRow("file rewritten in place as garbage") << true;
    }
    void anotherWriterIsSeen()
    {
        QFETCH(bool, garbage);
        JsonSettingsStore reader(m_path);
        JsonSettingsStore writer(m_path);
        writer.setInteger(k, 1);
        QCOMPARE(reader.integer(k), std::optional<qint64>(1));

        QFile file(m_path);
        if (!garbage)
            writer.setInteger(k, 2); // within the same clock tick, at the same size
        else                         // as an editor without safe saving does
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                    file.write("{{{") == 3);
        file.close();
        QCOMPARE(reader.integer(k), garbage ? std::nullopt : std::optional<qint64>(2));
    }

    // Two processes changing different keys at once both keep their changes.
    void writersInTwoProcesses()
    {
        JsonSettingsStore(m_path).setInteger(QStringLiteral("start"), 1);
        pid_t children[2];
        for (int c = 0; c < 2; ++c) {
            children[c] = ::fork();
            if (children[c] == 0) {
                JsonSettingsStore store(m_path);
                for (int i = 0; i < 40; ++i)
                    store.setInteger(QStringLiteral("c%1-%2").arg(c).arg(i), i);
                ::_exit(0);
            }
        }
        for (const pid_t child : children)
            QVERIFY(child > 0 && ::waitpid(child, nullptr, 0) == child);
        QCOMPARE(saved().size(), 81);
    }

    // A write that fails, as on a full disk, says so and leaves the file as it was.
    void writeOnAFullDisk()
    {
        JsonSettingsStore(m_path).setValue(k, QString(2000, QLatin1Char('x')));
        const QByteArray before = TestTree::readFile(file());
        const pid_t child = ::fork();
        if (child == 0) {
            ::signal(SIGXFSZ, SIG_IGN); // the write fails with EFBIG instead
            const rlimit limit{1024, 1024};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            const bool saved = JsonSettingsStore(m_path).setInteger(QStringLiteral("n"), 1);
            ::_exit(saved ? 1 : 0);
        }
        int status = -1;
        QVERIFY(child > 0 && ::waitpid(child, &status, 0) == child);
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        QCOMPARE(TestTree::readFile(file()), before);
        QCOMPARE(otherFiles(), QStringList());
    }

    void dates_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("stored"); // empty: nothing is stored

        QTest::newRow("with milliseconds")
            << 1796538089.123 << QStringLiteral("2026-12-06T06:21:29.123Z");
        QTest::newRow("before 1970") << -0.5 << QStringLiteral("1969-12-31T23:59:59.500Z");
        QTest::newRow("not a number") << std::nan("") << QString();
        QTest::newRow("past year 9999") << 1e15 << QString();
    }
    void dates()
    {
        QFETCH(double, seconds);
        QFETCH(QString, stored);
        JsonSettingsStore(m_path).setDate(k, seconds);
        const JsonSettingsStore store(m_path);
        QCOMPARE(store.string(k), stored.isEmpty() ? std::nullopt : std::optional(stored));
        if (!stored.isEmpty())
            QVERIFY(std::fabs(store.date(k).value() - seconds) <= 0.0005 + 1e-9);
    }

private:
    QByteArray file() const { return QFile::encodeName(m_path); }
    // The file as a JSON object; an empty one when it is not one.
    QJsonObject saved() const
    {
        return QJsonDocument::fromJson(TestTree::readFile(file())).object();
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
