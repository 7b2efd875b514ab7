// The program as a user runs it from a terminal: real folders, real settings
// file, and "now" moved forward with faketime, since the arrival time of a file
// cannot be set back.
#include "tests/fakes/TestTree.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <algorithm>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <unistd.h>

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
    void init()
    {
        QVERIFY2(QFile::exists(qEnvironmentVariable("TAVLIN_BINARY")),
                 "TAVLIN_BINARY must name the built program");
        m_scratch = std::make_unique<TestTree::Scratch>();
        QVERIFY(m_scratch->isValid());
        QVERIFY(TestTree::makeFolder(desktop()));
    }

    // Nothing done: the usage, the lack of a Desktop or an unreadable one is
    // reported, and nothing is written.
    void refused_data()
    {
        QTest::addColumn<QByteArray>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("error"); // part of the standard error

        const auto row = [](const char* tag, const char* arguments, int exitCode, const char* out,
                            const char* error) {
            QTest::newRow(tag) << QByteArray(arguments) << exitCode << QByteArray(out)
                               << QByteArray(error);
        };
        const char* const usage = "Usage: tavlin";
        row("unknown command", "sweep", 2, "", usage);
        row("unknown option", "tidy --force", 2, "", usage);
        row("dry run with undo", "undo --dry-run", 2, "", usage);
        const char* const none = "no Desktop folder has been chosen yet";
        row("tidy, no Desktop chosen", "tidy", 2, "", none);
        row("undo, no Desktop chosen", "undo", 2, "", none);
        const char* const gone = "tavlin: no such folder: ";
        row("tidy, Desktop gone", "tidy --desktop \"$D/gone\"", 1, "", gone);
        // Not the chosen Desktop's undo instead.
        row("undo, Desktop gone", "undo --desktop \"$D/gone\"", 1, "", gone);
        const char* const never = "tavlin: will not work on ";
        row("tidy of the root", "tidy --desktop /", 2, "", never);
        row("dry run of the home folder", "tidy --dry-run --desktop \"$HOME\"", 2, "", never);
        row("pending of the home folder via ..", "pending --desktop \"$HOME/x/..\"", 2, "", never);
        row("undo inside an archive", "undo --desktop \"$D/Tavlin Archive/a\"", 2, "", never);
    }
    void refused()
    {
        QFETCH(QByteArray, arguments);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, error);
        QVERIFY(TestTree::build(m_scratch->root, TestTree::tree("home/x")));
        QVERIFY(TestTree::build(desktop(), TestTree::tree("Tavlin Archive/a")));
        const TestTree::Snapshot before = TestTree::snapshot(m_scratch->root);
        const Run run = tavlin(arguments);
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(run.out, out);
        QVERIFY2(run.err.contains(error), run.err.constData());
        QCOMPARE(run.err.count('\n'), 1 + run.err.count("Usage: "));
        QCOMPARE(TestTree::snapshot(m_scratch->root), before);
    }

    void helpAndVersion()
    {
        const Run help = tavlin("--help");
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.contains("tidy [--desktop DIR] [--dry-run]"));
        const Run version = tavlin("--version");
        QCOMPARE(version.exitCode, 0);
        QVERIFY(version.out.startsWith("tavlin "));
    }

    // The Desktop folder and two of its items have names that are not UTF-8, and
    // one of those would break the dry run's lines apart.
    void tidyDryRunAndUndo()
    {
        const QByteArray folder = m_scratch->at("Desk\xff");
        QVERIFY(TestTree::makeFolder(folder));
        QVERIFY(
            TestTree::build(folder, TestTree::tree("photo.png=F:png|caf\xe9.txt=F:bytes|"
                                                   "a\nb\tc\\d.txt=F:odd|Projects|.hidden=F:x")));
        for (const char* name : {"/photo.png", "/caf\xe9.txt", "/a\nb\tc\\d.txt", "/Projects"})
            QVERIFY(TestTree::setModified(folder + name, 1e9));
        const TestTree::Snapshot start = TestTree::snapshot(folder);
        const QByteArray where = " --desktop \"$D/../Desk$(printf '\\377')\"";

        // Just placed on the Desktop: nothing is old yet.
        QCOMPARE(tavlin("pending" + where).out, QByteArray("0\n"));
        QCOMPARE(tavlin("pending" + where, 8).out, QByteArray("4\n"));

        Run run = tavlin("tidy --dry-run" + where, 8);
        QCOMPARE(run.exitCode, 0);
        QByteArrayList lines = run.out.split('\n');
        std::sort(lines.begin(), lines.end());
        QCOMPARE(lines,
                 (QByteArrayList{"", "Documents\ta\\nb\\tc\\\\d.txt", "Documents\tcaf\xe9.txt",
                                 "Folders\tProjects", "Images\tphoto.png"}));
        QCOMPARE(TestTree::snapshot(folder), start);
        QVERIFY(!TestTree::exists(settingsFile()));

        run = tavlin("tidy" + where, 8);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QByteArray("Filed 4 items\n"));
        const QByteArray month = QDateTime::currentDateTimeUtc()
                                     .addDays(8)
                                     .toString(QStringLiteral("yyyy-MM"))
                                     .toLatin1();
        QVERIFY(TestTree::exists(folder + "/Tavlin Archive/" + month + "/Images/photo.png"));

        run = tavlin("undo" + where, 8);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QByteArray("Restored 4 items\n"));
        QCOMPARE(TestTree::snapshot(folder), start);
    }

    void storedDesktopChoice()
    {
        QVERIFY(TestTree::build(m_scratch->root, TestTree::tree("config/tavlin")));
        QVERIFY(TestTree::writeFile(settingsFile(), "{ \"desktopBookmark\": \"" + desktop() +
                                                        "\", \"tidyOlderThanDays\": 1 }"));
        QVERIFY(TestTree::writeFile(desktop() + "/notes.txt", "n"));
        QVERIFY(TestTree::setModified(desktop() + "/notes.txt", 1e9));

        QCOMPARE(tavlin("pending").out, QByteArray("0\n"));
        QCOMPARE(tavlin("pending", 2).out, QByteArray("1\n"));
        QCOMPARE(tavlin("tidy").out, QByteArray("Nothing older than 1 day\n"));

        // A remembered folder that is gone counts as no choice.
        QVERIFY(TestTree::remove(desktop()));
        const Run run = tavlin("pending");
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.err.contains("can no longer be opened"));
    }

    // A tidy of another folder keeps a log of its own and leaves the chosen
    // Desktop's log and its time alone.
    void otherFolderKeepsItsOwnLog()
    {
        QVERIFY(TestTree::build(m_scratch->root, TestTree::tree("config/tavlin|Other/b.txt=F:b")));
        QVERIFY(TestTree::writeFile(desktop() + "/a.txt", "a"));
        QVERIFY(
            TestTree::writeFile(settingsFile(), "{ \"desktopBookmark\": \"" + desktop() + "\" }"));
        for (const char* item : {"Desktop/a.txt", "Other/b.txt"})
            QVERIFY(TestTree::setModified(m_scratch->at(item), 1e9));
        QCOMPARE(tavlin("tidy", 8).out, QByteArray("Filed 1 item\n"));
        const QByteArray stamped = TestTree::readFile(settingsFile());

        QCOMPARE(tavlin("tidy --desktop \"$D/../Other\"", 9).out, QByteArray("Filed 1 item\n"));
        QCOMPARE(TestTree::readFile(settingsFile()), stamped);
        QCOMPARE(tavlin("undo", 9).out, QByteArray("Restored 1 item\n"));
        QCOMPARE(TestTree::readFile(desktop() + "/a.txt"), QByteArray("a"));
        QVERIFY(!TestTree::exists(m_scratch->at("Other/b.txt")));
        QCOMPARE(tavlin("undo --desktop \"$D/../Other\"", 9).out, QByteArray("Restored 1 item\n"));
        QCOMPARE(TestTree::readFile(m_scratch->at("Other/b.txt")), QByteArray("b"));
    }

    // What cannot be recorded is said in one line, exit 1, and nothing good is
    // overwritten.
    void recordsThatCannotBeWritten_data()
    {
        QTest::addColumn<QByteArray>("setup"); // shell commands before the program starts
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("error");

        // Writes past 1 KiB fail, as on a full disk: the log fits, the settings do
        // not.
        QTest::newRow("settings on a full disk")
            << QByteArray("trap '' XFSZ; ulimit -f 2;") << QByteArray("Filed 1 item\n")
            << QByteArray("tavlin: the settings file could not be saved; the time "
                          "of this tidy "
                          "was not recorded\n");
        QTest::newRow("no folder for the move log")
            << QByteArray("export XDG_STATE_HOME=\"$D/a.txt\";") << QByteArray()
            << QByteArray("tavlin: could not write the move log ");
    }
    void recordsThatCannotBeWritten()
    {
        QFETCH(QByteArray, setup);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, error);
        QVERIFY(TestTree::build(m_scratch->root, TestTree::tree("config/tavlin")));
        QVERIFY(TestTree::writeFile(desktop() + "/a.txt", "a"));
        QVERIFY(TestTree::setModified(desktop() + "/a.txt", 1e9));
        const QByteArray settings = "{ \"desktopBookmark\": \"" + desktop() +
                                    "\", \"padding\": \"" + QByteArray(4096, 'p') + "\" }";
        QVERIFY(TestTree::writeFile(settingsFile(), settings));

        const Run run = tavlin("tidy", 8, setup);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, out);
        QVERIFY2(run.err.startsWith(error) && run.err.count('\n') == 1, run.err.constData());
        QCOMPARE(TestTree::readFile(settingsFile()), settings);
        // Whatever moved can be moved back.
        QCOMPARE(TestTree::exists(desktop() + "/a.txt"), out.isEmpty());
        if (!out.isEmpty())
            QCOMPARE(tavlin("undo", 8).out, QByteArray("Restored 1 item\n"));
    }

    // One tidy at a time: a second one waits a while, then gives up and says why.
    void aSecondTidyWaits()
    {
        QVERIFY(TestTree::build(m_scratch->root, TestTree::tree("state/tavlin")));
        QVERIFY(TestTree::writeFile(desktop() + "/a.txt", "a"));
        QVERIFY(TestTree::setModified(desktop() + "/a.txt", 1e9));
        const int lock = ::open(m_scratch->at("state/tavlin/tidy.lock").constData(),
                                O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        QVERIFY(lock >= 0 && ::flock(lock, LOCK_EX) == 0);
        QElapsedTimer waited;
        waited.start();
        Run run = tavlin("tidy --desktop \"$D\"", 8);
        const qint64 elapsed = waited.elapsed();
        ::close(lock);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err, QByteArray("tavlin: another tidy or undo is running; try again when it "
                                     "has finished\n"));
        QVERIFY2(elapsed >= 4500, QByteArray::number(elapsed).constData());
        QVERIFY(TestTree::exists(desktop() + "/a.txt"));
        QCOMPARE(tavlin("tidy --desktop \"$D\"", 8).out, QByteArray("Filed 1 item\n"));
    }

private:
    // Runs the program with shell-quoted `arguments`, in which "$D" is the
    // Desktop folder, `days` days in the future when days > 0, after the shell
    // commands of `setup`.
    Run tavlin(const QByteArray& arguments, int days = 0, const QByteArray& setup = {})
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), QFile::decodeName(m_scratch->at("config")));
        env.insert(QStringLiteral("XDG_STATE_HOME"), QFile::decodeName(m_scratch->at("state")));
        env.insert(QStringLiteral("HOME"), QFile::decodeName(m_scratch->at("home")));
        env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
        // No session bus: a Tavlin the user runs must not carry out these commands.
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                   QStringLiteral("unix:path=") + QFile::decodeName(m_scratch->at("no-bus")));
        env.insert(QStringLiteral("NO_FAKE_STAT"), QStringLiteral("1"));
        // faketime preloads its library ahead of everything; a sanitizer build must
        // accept that.
        env.insert(QStringLiteral("ASAN_OPTIONS"), env.value(QStringLiteral("ASAN_OPTIONS")) +
                                                       QStringLiteral(":verify_asan_link_order=0"));
        env.insert(QStringLiteral("TAVLIN"), qEnvironmentVariable("TAVLIN_BINARY"));
        env.insert(QStringLiteral("D"), QFile::decodeName(desktop()));
        process.setProcessEnvironment(env);
        QStringList args;
        if (days > 0)
            args << QStringLiteral("faketime") << QStringLiteral("-f")
                 << QStringLiteral("+%1d").arg(days);
        args << QStringLiteral("/bin/sh") << QStringLiteral("-c")
             << QString::fromUtf8(setup) + QStringLiteral("exec \"$TAVLIN\" ") +
                    QString::fromUtf8(arguments);
        process.start(args.takeFirst(), args);
        if (!process.waitForFinished(30000))
            return {};
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput(), process.readAllStandardError()};
    }

    QByteArray desktop() const { return m_scratch->at("Desktop"); }
    QByteArray settingsFile() const { return m_scratch->at("config/tavlin/settings.json"); }

    std::unique_ptr<TestTree::Scratch> m_scratch;
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
