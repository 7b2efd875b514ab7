// A compositor without layer surfaces (weston): the running program shows no overlay there, rather
// than an ordinary window covering everything, and the command line that asks for one fails with
// the reason.
#include "tests/wayland/WaylandSession.h"
#include "tests/wayland/WaylandTestMain.h"

#include <QTest>

using namespace tavlin;

class TestWaylandUnavailable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void commandLineFailsWithTheReason_data();
    void commandLineFailsWithTheReason();

private:
    qint64 m_program = 0; // the running instance, one for all rows
};

void TestWaylandUnavailable::commandLineFailsWithTheReason_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::newRow("cover on") << QStringList{QStringLiteral("cover"), QStringLiteral("on")};
    QTest::newRow("spotlight toggle")
        << QStringList{QStringLiteral("spotlight"), QStringLiteral("toggle")};
}

void TestWaylandUnavailable::commandLineFailsWithTheReason()
{
    QFETCH(QStringList, command);
    const QString program = QStringLiteral(TAVLIN_PROGRAM);
    WaylandSession& session = *WaylandSession::current();
    if (!m_program)
        m_program = session.startProgram(program);
    QVERIFY(m_program);
    // Until the program has claimed its bus name the command says none runs, also a failure.
    QByteArray output;
    QVERIFY2(WaylandSession::waitFor(
                 [&] {
                     return !session.run(program, command, 10000, &output) &&
                            output.contains("doesn't let Tavlin place overlays");
                 },
                 15000),
             output.constData());
    QVERIFY2(output.startsWith("tavlin: "), output.constData());
    QVERIFY2(!output.contains("on\n") && !output.contains("off\n"), output.constData());
}

TAVLIN_WAYLAND_TEST_MAIN(TestWaylandUnavailable,
                         {.compositor = WaylandSessionOptions::Compositor::Weston, .outputs = 1})

#include "tst_waylandunavailable.moc"
