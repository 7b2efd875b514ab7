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
    void commandLineFailsWithTheReason()
    {
        const QString program = QStringLiteral(TAVLIN_PROGRAM);
        QVERIFY(session().startProgram(program));
        // Until the program has claimed its bus name the command says none runs, also a failure.
        QByteArray output;
        QVERIFY2(WaylandSession::waitFor(
                     [&] {
                         return !session().run(program,
                                               {QStringLiteral("cover"), QStringLiteral("on")},
                                               10000, &output) &&
                                output.contains("doesn't let Tavlin place overlays");
                     },
                     15000),
                 output.constData());
        QVERIFY2(output.startsWith("tavlin: ") && !output.contains("on\n"), output.constData());
    }
};

TAVLIN_WAYLAND_TEST_MAIN(TestWaylandUnavailable,
                         {.compositor = WaylandSessionOptions::Compositor::Weston, .outputs = 1})

#include "tst_waylandunavailable.moc"
