#include "spotlight/HoleGeometry.h"
#include "spotlight/HoleShape.h"
#include "spotlight/TargetRule.h"

#include <QTest>
#include <limits>

using namespace tavlin;

namespace {

using Windows = QList<WindowInfo>;
using Holes = QList<QRectF>;
using Apps = QList<RunningApp>;
using Pids = QList<qint32>;

constexpr qint32 self = 1;

RunningApp app(qint32 pid, const QString& name, const QString& identifier = QString())
{
    return RunningApp{identifier, name, pid};
}

constexpr qint32 target = 100;
constexpr qint32 other = 200;

WindowInfo window(std::optional<qint32> pid, const QRectF& bounds,
                  std::optional<double> opacity = std::nullopt, bool ordinary = true)
{
    WindowInfo info;
    info.pid = pid;
    info.ordinary = ordinary;
    info.opacity = opacity;
    info.bounds = bounds;
    return info;
}

} // namespace

class TestHoleGeometry : public QObject
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
        Pids pids;
        for (const RunningApp& entry : TargetRule::menuApps(apps, self)) {
            pids.append(entry.pid);
        }
        QTEST(pids, "expected");
    }

    void targetPids_data()
    {
        QTest::addColumn<Apps>("running");
        QTest::addColumn<QSet<QString>>("pinned");
        QTest::addColumn<std::optional<qint32>>("frontmost");
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
        QTest::newRow("no front app leaves nobody")
            << running << QSet<QString>{player} << std::optional<qint32>() << QSet<qint32>{};
        QTest::newRow("this program in front leaves nobody")
            << running << QSet<QString>{player} << std::optional<qint32>(self) << QSet<qint32>{};
        QTest::newRow("app without identifier never pinned")
            << running << QSet<QString>{QString()} << front << QSet<qint32>{99};
    }

    void targetPids()
    {
        QFETCH(Apps, running);
        QFETCH(QSet<QString>, pinned);
        QFETCH(std::optional<qint32>, frontmost);
        QFETCH(QSet<qint32>, expected);
        QCOMPARE(TargetRule::targetPids(running, pinned, TargetRule::fallbackPid(frontmost, self)),
                 expected);
    }

    void globalHoles_data()
    {
        QTest::addColumn<Windows>("windows");
        QTest::addColumn<QSet<qint32>>("targets");
        QTest::addColumn<Holes>("expected");

        const QSet<qint32> targets{target};
        const QRectF frame(100, 50, 800, 600);
        const auto row = [&](const char* tag, const WindowInfo& info, const Holes& expected) {
            QTest::newRow(tag) << Windows{info} << targets << expected;
        };
        const double nan = std::numeric_limits<double>::quiet_NaN();

        row("target window is the hole, unchanged", window(target, frame), {frame});
        row("other process", window(other, frame), {});
        row("owner unknown", window(std::nullopt, frame), {});
        row("minimised, hidden, other desktop or a panel", window(target, frame, 1.0, false), {});

        row("empty frame", window(target, QRectF()), {});

        row("opacity 0", window(target, frame, 0.0), {});
        row("opacity NaN", window(target, frame, nan), {});
        row("barely visible", window(target, frame, 0.001), {frame});
        row("opacity not set", window(target, frame, std::nullopt), {frame});

        const QRectF back(300, 300, 500, 500);
        QTest::newRow("overlapping windows keep front-to-back order")
            << Windows{window(target, frame), window(other, frame), window(target, back)} << targets
            << Holes{frame, back};
    }

    void globalHoles()
    {
        QFETCH(Windows, windows);
        QFETCH(QSet<qint32>, targets);
        QTEST(HoleGeometry::globalHoles(windows, targets), "expected");
    }

    void holesForOverlay_data()
    {
        QTest::addColumn<Holes>("holes"); // the window list's coordinates
        QTest::addColumn<QPointF>("origin");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<Holes>("expected");

        // Two 1920 x 1080 monitors side by side; the window spans both.
        const QRectF spanning(1800, 100, 400, 300);
        QTest::newRow("spanning window on the right monitor")
            << Holes{spanning} << QPointF(1920, 0) << 1.0 << Holes{QRectF(-120, 100, 400, 300)};
        QTest::newRow("monitor above the primary moves holes down")
            << Holes{QRectF(10, -700, 500, 400)} << QPointF(0, -1080) << 1.0
            << Holes{QRectF(10, 380, 500, 400)};
        // Qt keeps a screen's corner in window-system pixels and scales what lies inside it.
        QTest::newRow("scale 2, second monitor: offset from its corner halved")
            << Holes{spanning} << QPointF(1920, 0) << 2.0 << Holes{QRectF(-60, 50, 200, 150)};
        QTest::newRow("scale 1.5, monitor below another")
            << Holes{QRectF(300, 1230, 600, 450)} << QPointF(0, 1080) << 1.5
            << Holes{QRectF(200, 100, 400, 300)};

        QTest::newRow("40 wide") << Holes{QRectF(0, 0, 40, 600)} << QPointF() << 1.0 << Holes{};
        QTest::newRow("40.5 square") << Holes{QRectF(0, 0, 40.5, 40.5)} << QPointF() << 1.0
                                     << Holes{QRectF(0, 0, 40.5, 40.5)};
        QTest::newRow("60 wide is 40 points at scale 1.5")
            << Holes{QRectF(0, 0, 60, 600)} << QPointF() << 1.5 << Holes{};
    }

    void holesForOverlay()
    {
        QFETCH(Holes, holes);
        QFETCH(QPointF, origin);
        QFETCH(qreal, ratio);
        QTEST(HoleGeometry::holesForOverlay(holes, ScreenMapping{origin, ratio}), "expected");
    }

    void damage_data()
    {
        QTest::addColumn<Holes>("before");
        QTest::addColumn<Holes>("after");
        QTest::addColumn<QRegion>("expected"); // on a 1920 x 1080 overlay

        const QRectF a(100, 100, 400, 300);
        const QRectF b(600, 100, 400, 300);
        const QRect aRepaint(99, 99, 402, 302); // a pixel around for the antialiased edge
        QTest::newRow("equal") << Holes{a, b} << Holes{a, b} << QRegion();
        QTest::newRow("reordered paints the same") << Holes{a, b} << Holes{b, a} << QRegion();
        QTest::newRow("one gone, the other not repainted")
            << Holes{a, b} << Holes{b} << QRegion(aRepaint);
        QTest::newRow("moved: old and new place")
            << Holes{a} << Holes{a.translated(50, 0)}
            << (QRegion(aRepaint) + aRepaint.translated(50, 0));
        QTest::newRow("sub-pixel move covers both pixels")
            << Holes{QRectF(100.25, 100, 400, 300)} << Holes{QRectF(100.5, 100, 400, 300)}
            << QRegion(99, 99, 403, 302);
        QTest::newRow("moved less than fuzzy equality sees")
            << Holes{QRectF(1000, 100, 400, 300)} << Holes{QRectF(1000 + 1e-10, 100, 400, 300)}
            << QRegion(999, 99, 403, 302);
        QTest::newRow("clipped to the overlay")
            << Holes{} << Holes{QRectF(1800, 1000, 400, 300)} << QRegion(1799, 999, 121, 81);
    }

    void damage()
    {
        QFETCH(Holes, before);
        QFETCH(Holes, after);
        QTEST(HoleGeometry::damage(before, after, QSize(1920, 1080)), "expected");
    }

    // Without a compositor the window's shape must leave exactly the rounded holes out.
    void visibleRegion_data()
    {
        QTest::addColumn<Holes>("holes");
        QTest::addColumn<QPoint>("pixel");
        QTest::addColumn<bool>("visible");

        const QRectF hole(100, 100, 200, 100);
        QTest::newRow("outside every hole") << Holes{hole} << QPoint(50, 50) << true;
        QTest::newRow("first column of the hole") << Holes{hole} << QPoint(100, 150) << false;
        QTest::newRow("column left of the hole") << Holes{hole} << QPoint(99, 150) << true;
        QTest::newRow("last row of the hole") << Holes{hole} << QPoint(200, 199) << false;
        QTest::newRow("row below the hole") << Holes{hole} << QPoint(200, 200) << true;
        QTest::newRow("corner pixel rounded off") << Holes{hole} << QPoint(100, 100) << true;
        QTest::newRow("edge just past the arc") << Holes{hole} << QPoint(110, 100) << false;
        QTest::newRow("bottom-right corner rounded off") << Holes{hole} << QPoint(299, 199) << true;
        QTest::newRow("hole reaching past the area")
            << Holes{QRectF(-50, -50, 100, 100)} << QPoint(0, 0) << false;
        QTest::newRow("fractional edge covers the pixel whose centre it holds")
            << Holes{QRectF(100.4, 100, 200, 100)} << QPoint(100, 150) << false;
    }
    void visibleRegion()
    {
        QFETCH(Holes, holes);
        QFETCH(QPoint, pixel);
        const QRegion region = HoleShape::visibleRegion(QRect(0, 0, 400, 300), holes, 10);
        QTEST(region.contains(pixel), "visible");
    }
};

QTEST_GUILESS_MAIN(TestHoleGeometry)
#include "tst_holegeometry.moc"
