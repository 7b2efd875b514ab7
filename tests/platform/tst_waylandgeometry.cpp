// Which Wayland output shows a screen, and which buffer pixels a change touches at a scale.
#include "platform/wayland/BufferGeometry.h"
#include "platform/wayland/OutputMatch.h"

#include <QTest>

using namespace tavlin;

class TestWaylandGeometry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void matchesOutput_data();
    void matchesOutput();
    void repaintCoversEveryTouchedPixel_data();
    void repaintCoversEveryTouchedPixel();
};

void TestWaylandGeometry::matchesOutput_data()
{
    QTest::addColumn<QList<OutputIdentity>>("outputs");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<qsizetype>("expected");

    const OutputIdentity left{QStringLiteral("DP-1"), QRect(0, 0, 1920, 1080)};
    const OutputIdentity right{QStringLiteral("DP-2"), QRect(1920, 0, 1280, 1024)};
    const QList<OutputIdentity> both{left, right};
    QTest::newRow("by name") << both << QStringLiteral("DP-2") << QRect(1920, 0, 1280, 1024)
                             << qsizetype(1);
    QTest::newRow("name decides over a stale place")
        << both << QStringLiteral("DP-1") << QRect(1920, 0, 1280, 1024) << qsizetype(0);
    QTest::newRow("unnamed screen by place")
        << both << QString() << QRect(1920, 0, 1280, 1024) << qsizetype(1);
    QTest::newRow("unnamed outputs by place")
        << QList<OutputIdentity>{{QString(), left.geometry}, {QString(), right.geometry}}
        << QStringLiteral("DP-2") << right.geometry << qsizetype(1);
    QTest::newRow("another output's name, same place: not that one")
        << QList<OutputIdentity>{right} << QStringLiteral("HDMI-1") << right.geometry
        << qsizetype(-1);
    QTest::newRow("mirrored, unnamed: no guess")
        << QList<OutputIdentity>{{QString(), left.geometry}, {QString(), left.geometry}}
        << QString() << left.geometry << qsizetype(-1);
    QTest::newRow("the only output, not described yet")
        << QList<OutputIdentity>{{}} << QStringLiteral("DP-1") << left.geometry << qsizetype(0);
    QTest::newRow("not announced yet")
        << QList<OutputIdentity>{left} << QStringLiteral("DP-2") << right.geometry << qsizetype(-1);
}

void TestWaylandGeometry::matchesOutput()
{
    QFETCH(QList<OutputIdentity>, outputs);
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(qsizetype, expected);
    QCOMPARE(matchOutput(outputs, name, geometry), expected);
}

void TestWaylandGeometry::repaintCoversEveryTouchedPixel_data()
{
    QTest::addColumn<QRect>("logical");
    QTest::addColumn<double>("scale");
    QTest::addColumn<QSize>("buffer");
    QTest::addColumn<QRect>("device");

    QTest::newRow("scale 1") << QRect(10, 20, 30, 40) << 1.0 << QSize(100, 100)
                             << QRect(10, 20, 30, 40);
    QTest::newRow("scale 2") << QRect(10, 20, 30, 40) << 2.0 << QSize(200, 200)
                             << QRect(20, 40, 60, 80);
    QTest::newRow("scale 1.5 rounds outwards")
        << QRect(1, 1, 1, 1) << 1.5 << QSize(150, 150) << QRect(1, 1, 2, 2);
    QTest::newRow("scale 1.25, whole surface")
        << QRect(0, 0, 1366, 768) << 1.25 << QSize(1708, 960) << QRect(0, 0, 1708, 960);
    QTest::newRow("cut to the buffer")
        << QRect(-5, 90, 20, 20) << 1.0 << QSize(100, 100) << QRect(0, 90, 15, 10);
}

void TestWaylandGeometry::repaintCoversEveryTouchedPixel()
{
    QFETCH(QRect, logical);
    QFETCH(double, scale);
    QFETCH(QSize, buffer);
    QFETCH(QRect, device);
    const QRegion touched = BufferGeometry::deviceRegion(logical, scale, buffer);
    QCOMPARE(touched, QRegion(device));
    // Painting the logical pixels that cover it paints each of those device pixels afresh.
    const QRegion painted =
        BufferGeometry::deviceRegion(BufferGeometry::logicalCover(touched, scale), scale, buffer);
    QVERIFY((touched - painted).isEmpty());
}

QTEST_APPLESS_MAIN(TestWaylandGeometry)

#include "tst_waylandgeometry.moc"
