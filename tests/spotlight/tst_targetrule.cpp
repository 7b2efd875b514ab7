#include "spotlight/TargetRule.h"

#include <QTest>

using namespace tavlin;

namespace {

using Apps = QList<RunningApp>;
using Pids = QList<qint32>;

constexpr qint32 self = 1;

RunningApp app(qint32 pid, const QString& name, const QString& identifier = QString())
{
    return RunningApp{identifier, name, pid};
}

} // namespace

class TestTargetRule : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void menuApps_data()
    {
        QTest::addColumn<Apps>("apps");
        QTest::addColumn<Pids>("expected");

        QTest::newRow("upper case before lower case")
            << Apps{app(10, QStringLiteral("atom")), app(11, QStringLiteral("Zed")),
                    app(12, QStringLiteral("Browser"))}
            << Pids{12, 11, 10};
        QTest::newRow("accented after every ASCII letter")
            << Apps{app(10, QStringLiteral("\u00c9mile")), app(11, QStringLiteral("zebra")),
                    app(12, QStringLiteral("Apple"))}
            << Pids{12, 11, 10};
        QTest::newRow("decomposed accent compares as composed")
            << Apps{app(10, QStringLiteral("E\u0301cole")), app(11, QStringLiteral("Foo"))}
            << Pids{11, 10};
        QTest::newRow("beyond U+FFFF after the rest of the BMP")
            << Apps{app(10, QStringLiteral("\U0001F600 Faces")),
                    app(11, QStringLiteral("\uFF21 Wide"))}
            << Pids{11, 10};
        QTest::newRow("missing name sorts as empty")
            << Apps{app(10, QStringLiteral("A")), app(11, QString())} << Pids{11, 10};
        QTest::newRow("equal names keep their order")
            << Apps{app(15, QStringLiteral("Term")), app(13, QStringLiteral("Term"))}
            << Pids{15, 13};
        QTest::newRow("one entry per process")
            << Apps{app(20, QStringLiteral("B")), app(20, QStringLiteral("B")),
                    app(21, QStringLiteral("A"))}
            << Pids{21, 20};
        QTest::newRow("this program left out")
            << Apps{app(self, QStringLiteral("Tavlin")), app(20, QStringLiteral("B"))} << Pids{20};
    }

    void menuApps()
    {
        QFETCH(Apps, apps);
        QFETCH(Pids, expected);
        Pids pids;
        for (const RunningApp& entry : TargetRule::menuApps(apps, self)) {
            pids.append(entry.pid);
        }
        QCOMPARE(pids, expected);
    }

    void fallbackPid_data()
    {
        QTest::addColumn<std::optional<qint32>>("frontmost");
        QTest::addColumn<std::optional<qint32>>("expected");

        QTest::newRow("another application in front")
            << std::optional<qint32>(30) << std::optional<qint32>(30);
        QTest::newRow("this program in front")
            << std::optional<qint32>(self) << std::optional<qint32>();
        QTest::newRow("nothing in front") << std::optional<qint32>() << std::optional<qint32>();
    }

    void fallbackPid()
    {
        QFETCH(std::optional<qint32>, frontmost);
        QFETCH(std::optional<qint32>, expected);
        QCOMPARE(TargetRule::fallbackPid(frontmost, self), expected);
    }

    void targetPids_data()
    {
        QTest::addColumn<Apps>("running");
        QTest::addColumn<QSet<QString>>("pinned");
        QTest::addColumn<std::optional<qint32>>("fallback");
        QTest::addColumn<QSet<qint32>>("expected");

        const QString editor = QStringLiteral("org.example.Editor");
        const QString browser = QStringLiteral("org.example.Browser");
        const QString player = QStringLiteral("org.example.Player");
        const Apps running{
            app(10, QStringLiteral("Editor"), editor), app(11, QStringLiteral("Editor"), editor),
            app(12, QStringLiteral("Browser"), browser), app(13, QStringLiteral("Unknown"))};
        const std::optional<qint32> front = 99; // need not be in the list

        QTest::newRow("pinned running, front ignored")
            << running << QSet<QString>{browser} << front << QSet<qint32>{12};
        QTest::newRow("every instance of a pinned app")
            << running << QSet<QString>{editor} << front << QSet<qint32>{10, 11};
        QTest::newRow("only the pinned that run")
            << running << QSet<QString>{browser, player} << front << QSet<qint32>{12};
        QTest::newRow("pinned none running takes the front app")
            << running << QSet<QString>{player} << front << QSet<qint32>{99};
        QTest::newRow("nothing pinned takes the front app")
            << running << QSet<QString>{} << front << QSet<qint32>{99};
        QTest::newRow("no front app leaves nobody")
            << running << QSet<QString>{player} << std::optional<qint32>() << QSet<qint32>{};
        QTest::newRow("app without identifier never pinned")
            << running << QSet<QString>{QString()} << front << QSet<qint32>{99};
    }

    void targetPids()
    {
        QFETCH(Apps, running);
        QFETCH(QSet<QString>, pinned);
        QFETCH(std::optional<qint32>, fallback);
        QFETCH(QSet<qint32>, expected);
        QCOMPARE(TargetRule::targetPids(running, pinned, fallback), expected);
    }
};

QTEST_GUILESS_MAIN(TestTargetRule)
#include "tst_targetrule.moc"
