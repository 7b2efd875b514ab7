// The program as a user runs it from a terminal: real folders, real settings file, and "now"
// moved forward with faketime, since the arrival time of a file cannot be set back.
#include "tests/fakes/TestTree.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

using namespace tavlin;

namespace {

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void badArguments_data();
    void badArguments();
    void helpAndVersion();
    void noDesktopChosen();
    void unreadableDesktop_data();
    void unreadableDesktop();
    void tidyDryRunAndUndo();
    void storedDesktopChoice();
    void rawByteNames();

private:
    // Runs the program, `days` days in the future when days > 0.
    Run tavlin(const QStringList& arguments, int days = 0);
    Run shell(const QString& script, int days);
    QByteArray desktop() const { return QFile::encodeName(m_dir->path()) + "/Desktop"; }
    QByteArray settingsFile() const
    {
        return QFile::encodeName(m_dir->path()) + "/config/tavlin/settings.json";
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_binary;
};

void TestCommandLine::init()
{
    m_binary = qEnvironmentVariable("TAVLIN_BINARY");
    QVERIFY2(QFile::exists(m_binary), "TAVLIN_BINARY must name the built program");
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(TestTree::makeFolder(desktop()));
}

Run TestCommandLine::shell(const QString& script, int days)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir->path() + QStringLiteral("/config"));
    env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
    env.insert(QStringLiteral("NO_FAKE_STAT"), QStringLiteral("1"));
    env.insert(QStringLiteral("TAVLIN"), m_binary);
    process.setProcessEnvironment(env);
    QStringList args;
    if (days > 0)
        args << QStringLiteral("faketime") << QStringLiteral("-f")
             << QStringLiteral("+%1d").arg(days);
    args << QStringLiteral("/bin/sh") << QStringLiteral("-c") << script;
    process.start(args.takeFirst(), args);
    if (!process.waitForFinished(30000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

Run TestCommandLine::tavlin(const QStringList& arguments, int days)
{
    QString script = QStringLiteral("exec \"$TAVLIN\"");
    for (const QString& arg : arguments)
        script += QStringLiteral(" '") + arg + QLatin1Char('\'');
    return shell(script, days);
}

void TestCommandLine::badArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("unknown command") << QStringList{QStringLiteral("sweep")};
    QTest::newRow("unknown option")
        << QStringList{QStringLiteral("tidy"), QStringLiteral("--force")};
    QTest::newRow("desktop without folder")
        << QStringList{QStringLiteral("tidy"), QStringLiteral("--desktop")};
    QTest::newRow("dry run with undo")
        << QStringList{QStringLiteral("undo"), QStringLiteral("--dry-run")};
    QTest::newRow("two commands") << QStringList{QStringLiteral("tidy"), QStringLiteral("undo")};
    QTest::newRow("option only") << QStringList{QStringLiteral("--dry-run")};
}

void TestCommandLine::badArguments()
{
    QFETCH(QStringList, arguments);
    const Run run = tavlin(arguments);
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.out.isEmpty());
    QVERIFY2(run.err.contains("Usage: tavlin"), run.err.constData());
    QVERIFY(!TestTree::exists(settingsFile()));
}

void TestCommandLine::helpAndVersion()
{
    const Run help = tavlin({QStringLiteral("--help")});
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.out.contains("tidy [--desktop DIR] [--dry-run]"));
    const Run version = tavlin({QStringLiteral("--version")});
    QCOMPARE(version.exitCode, 0);
    QVERIFY(version.out.startsWith("tavlin "));
}

void TestCommandLine::noDesktopChosen()
{
    for (const char* command : {"tidy", "undo", "pending"}) {
        const Run run = tavlin({QString::fromLatin1(command)});
        QCOMPARE(run.exitCode, 2);
        QCOMPARE(run.err.count('\n'), 1);
        QVERIFY(run.out.isEmpty());
    }
    QVERIFY(!TestTree::exists(settingsFile()));
}

void TestCommandLine::unreadableDesktop_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("out");
    QTest::newRow("tidy") << QStringList{QStringLiteral("tidy")}
                          << QByteArray("Couldn't read the Desktop\n");
    QTest::newRow("dry run") << QStringList{QStringLiteral("tidy"), QStringLiteral("--dry-run")}
                             << QByteArray();
    QTest::newRow("pending") << QStringList{QStringLiteral("pending")} << QByteArray();
}

void TestCommandLine::unreadableDesktop()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, out);
    const Run run = tavlin(arguments + QStringList{QStringLiteral("--desktop"),
                                                   m_dir->path() + QStringLiteral("/gone")});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out, out);
    QVERIFY(!TestTree::exists(settingsFile()));
}

void TestCommandLine::tidyDryRunAndUndo()
{
    QVERIFY(TestTree::writeFile(desktop() + "/photo.png", "png"));
    QVERIFY(TestTree::writeFile(desktop() + "/report.docx", "docx"));
    QVERIFY(TestTree::makeFolder(desktop() + "/Projects"));
    QVERIFY(TestTree::writeFile(desktop() + "/.hidden", "x"));
    for (const char* name : {"/photo.png", "/report.docx", "/Projects"})
        QVERIFY(TestTree::setModified(desktop() + name, 1e9));
    const TestTree::Snapshot start = TestTree::snapshot(desktop());
    const QStringList where{QStringLiteral("--desktop"), QString::fromUtf8(desktop())};

    // Just placed on the Desktop: nothing is old yet.
    Run run = tavlin(QStringList{QStringLiteral("pending")} + where);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QByteArray("0\n"));

    run = tavlin(QStringList{QStringLiteral("pending")} + where, 8);
    QCOMPARE(run.out, QByteArray("3\n"));

    run = tavlin(QStringList{QStringLiteral("tidy"), QStringLiteral("--dry-run")} + where, 8);
    QCOMPARE(run.exitCode, 0);
    QByteArrayList lines = run.out.split('\n');
    QCOMPARE(lines.takeLast(), QByteArray());
    std::sort(lines.begin(), lines.end());
    QCOMPARE(lines,
             (QByteArrayList{"Documents\treport.docx", "Folders\tProjects", "Images\tphoto.png"}));
    QCOMPARE(TestTree::snapshot(desktop()), start);
    QVERIFY(!TestTree::exists(settingsFile()));

    run = tavlin(QStringList{QStringLiteral("tidy")} + where, 8);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QByteArray("Filed 3 items\n"));
    const QByteArray month =
        QDateTime::currentDateTimeUtc().addDays(8).toString(QStringLiteral("yyyy-MM")).toLatin1();
    QVERIFY(TestTree::exists(desktop() + "/Tavlin Archive/" + month + "/Images/photo.png"));
    QVERIFY(TestTree::exists(desktop() + "/Tavlin Archive/" + month + "/Folders/Projects"));
    QVERIFY(TestTree::readFile(settingsFile()).contains("lastTidyDate"));

    run = tavlin(QStringList{QStringLiteral("tidy")} + where, 8);
    QCOMPARE(run.out, QByteArray("Nothing older than 7 days\n"));

    run = tavlin(QStringList{QStringLiteral("undo")} + where, 8);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QByteArray("Restored 3 items\n"));
    QCOMPARE(TestTree::snapshot(desktop()), start);

    run = tavlin(QStringList{QStringLiteral("undo")} + where, 8);
    QCOMPARE(run.out, QByteArray("Restored 0 items\n"));
}

void TestCommandLine::storedDesktopChoice()
{
    QVERIFY(QDir().mkpath(m_dir->path() + QStringLiteral("/config/tavlin")));
    QFile file(QString::fromUtf8(settingsFile()));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("{ \"desktopBookmark\": \"" + desktop() + "\", \"tidyOlderThanDays\": 1 }");
    file.close();
    QVERIFY(TestTree::writeFile(desktop() + "/notes.txt", "n"));
    QVERIFY(TestTree::setModified(desktop() + "/notes.txt", 1e9));

    QCOMPARE(tavlin({QStringLiteral("pending")}).out, QByteArray("0\n"));
    QCOMPARE(tavlin({QStringLiteral("pending")}, 2).out, QByteArray("1\n"));
    QCOMPARE(tavlin({QStringLiteral("tidy")}).out, QByteArray("Nothing older than 1 day\n"));

    // A remembered folder that is gone counts as no choice.
    QVERIFY(QDir(QString::fromUtf8(desktop())).removeRecursively());
    const Run run = tavlin({QStringLiteral("pending")});
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.err.contains("can no longer be opened"));
}

void TestCommandLine::rawByteNames()
{
    // Both the Desktop folder and an item in it have names that are not UTF-8.
    const QByteArray folder = QFile::encodeName(m_dir->path()) + "/Desk\xff";
    QVERIFY(TestTree::makeFolder(folder));
    QVERIFY(TestTree::writeFile(folder + "/caf\xe9.txt", "bytes"));
    QVERIFY(TestTree::setModified(folder + "/caf\xe9.txt", 1e9));
    const QString desk = m_dir->path() + QStringLiteral("/Desk");

    Run run =
        shell(QStringLiteral("exec \"$TAVLIN\" tidy --dry-run --desktop \"%1$(printf '\\377')\"")
                  .arg(desk),
              8);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QByteArray("Documents\tcaf\xe9.txt\n"));

    run = shell(QStringLiteral("exec \"$TAVLIN\" tidy --desktop \"%1$(printf '\\377')\"").arg(desk),
                8);
    QCOMPARE(run.out, QByteArray("Filed 1 item\n"));
    QVERIFY(!TestTree::exists(folder + "/caf\xe9.txt"));

    run = shell(QStringLiteral("exec \"$TAVLIN\" undo --desktop \"%1$(printf '\\377')\"").arg(desk),
                8);
    QCOMPARE(run.out, QByteArray("Restored 1 item\n"));
    QCOMPARE(TestTree::readFile(folder + "/caf\xe9.txt"), QByteArray("bytes"));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
