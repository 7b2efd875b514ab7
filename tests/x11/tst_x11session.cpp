#include "tests/x11/PixelChecks.h"
#include "tests/x11/X11TestMain.h"

#include <QGuiApplication>
#include <QScreen>

using namespace tavlin;

namespace {

const QColor desktop = QColor(X11Session::desktopColor);

QList<QRect> screenRects()
{
    QList<QRect> rects;
    for (const QScreen* screen : QGuiApplication::screens())
        rects.append(screen->geometry());
    std::sort(rects.begin(), rects.end(),
              [](const QRect& a, const QRect& b) { return a.x() < b.x(); });
    return rects;
}

} // namespace

class TestX11Session : public QObject
{
    Q_OBJECT

private:
    X11Session& session() { return *X11Session::current(); }

private Q_SLOTS:
    void monitorsBecomeScreens_data()
    {
        QTest::addColumn<bool>("change");
        QTest::addColumn<bool>("two");
        QTest::addColumn<QList<QRect>>("expected");

        const QList<QRect> halves{QRect(0, 0, 960, 1080), QRect(960, 0, 960, 1080)};
        QTest::newRow("two at start") << false << true << halves;
        QTest::newRow("second removed") << true << false << QList<QRect>{QRect(0, 0, 1920, 1080)};
        QTest::newRow("second added back") << true << true << halves;
    }

    void monitorsBecomeScreens()
    {
        QFETCH(bool, change);
        QFETCH(bool, two);
        QFETCH(QList<QRect>, expected);

        if (change)
            QVERIFY2(session().setTwoMonitors(two), qPrintable(session().errorString()));
        QTRY_COMPARE_WITH_TIMEOUT(screenRects(), expected, 5000);
        // The desktop follows too: one icon window per monitor.
        QTRY_COMPARE_WITH_TIMEOUT(session().probe().desktopWindows().size(), expected.size(), 5000);
    }

    void screenshotsShowTheCompositedScreen_data()
    {
        QTest::addColumn<bool>("compositor");
        QTest::addColumn<QColor>("expected");

        // Half-transparent red over the desktop colour blends only when composited.
        QTest::newRow("composited") << true << QColor(0x8f, 0x20, 0x30);
        QTest::newRow("compositor stopped") << false << QColor(Qt::red);
        QTest::newRow("compositor restarted") << true << QColor(0x8f, 0x20, 0x30);
    }

    void screenshotsShowTheCompositedScreen()
    {
        QFETCH(bool, compositor);
        QFETCH(QColor, expected);

        QVERIFY(compositor ? session().startCompositor() : session().stopCompositor());
        QCOMPARE(session().compositorActive(), compositor);
        const QRect place(400, 300, 200, 150);
        const qint64 window = session().startWindow(place, Qt::red, 0.5);
        QVERIFY2(window, qPrintable(session().errorString()));
        const QRect inner = place.adjusted(4, 4, -4, -4);
        QImage shot;
        const bool seen = X11Session::waitFor([&] {
            shot = session().grabScreen();
            return pixels::isUniform(shot, inner, expected, 3);
        });
        session().stopClient(window);
        QVERIFY2(seen, pixels::describe(shot, inner, expected).constData());
        QVERIFY(pixels::isUniform(shot, place.translated(0, 200), desktop));
    }

    void clientsAppearWherePlaced_data()
    {
        QTest::addColumn<bool>("xterm");
        QTest::addColumn<QRect>("place");

        QTest::newRow("xterm") << true << QRect(300, 600, 0, 0);
        QTest::newRow("test window, first monitor") << false << QRect(300, 600, 240, 160);
        QTest::newRow("test window, second monitor") << false << QRect(1500, 200, 100, 300);
    }

    void clientsAppearWherePlaced()
    {
        QFETCH(bool, xterm);
        QFETCH(QRect, place);

        const QColor green(0, 0xc0, 0);
        const qint64 pid =
            xterm ? session().startClient(
                        QStringLiteral("xterm"),
                        {QStringLiteral("-bg"), green.name(), QStringLiteral("-geometry"),
                         QStringLiteral("40x10+%1+%2").arg(place.x()).arg(place.y())})
                  : session().startWindow(place, green);
        QVERIFY2(pid, qPrintable(session().errorString()));
        const QRect shown = session().probe().geometry(session().windowOf(pid));
        if (xterm) {
            // Placed by its frame: the client sits below the title bar.
            QVERIFY2(QRect(place.topLeft(), QSize(12, 40)).contains(shown.topLeft()),
                     qPrintable(QStringLiteral("at %1,%2").arg(shown.x()).arg(shown.y())));
        } else {
            QCOMPARE(shown, place);
        }
        // xterm writes its prompt at the top left; the lower right stays background.
        const QRect probeArea(shown.center(), shown.bottomRight() - QPoint(4, 4));
        QImage shot;
        const bool seen = X11Session::waitFor([&] {
            shot = session().grabScreen();
            return pixels::isUniform(shot, probeArea, green);
        });
        session().stopClient(pid);
        QVERIFY2(seen, pixels::describe(shot, probeArea, green).constData());
        QVERIFY(pixels::isUniform(shot, QRect(shown.right() + 30, shown.top(), 20, 20), desktop));
    }

    void desktopDrawsIconsOnEachMonitor_data()
    {
        QTest::addColumn<QPoint>("monitorOrigin");

        QTest::newRow("first monitor") << QPoint(0, 0);
        QTest::newRow("second monitor") << QPoint(960, 0);
    }

    void desktopDrawsIconsOnEachMonitor()
    {
        QFETCH(QPoint, monitorOrigin);

        QVERIFY(session().desktopIconWindow());
        const QRect firstIcon(monitorOrigin, QSize(150, 120));
        const QRect empty(monitorOrigin + QPoint(400, 600), QSize(200, 200));
        QImage shot;
        QVERIFY(X11Session::waitFor([&] {
            shot = session().grabScreen();
            return pixels::countDiffering(shot, firstIcon, desktop, 40) > 100;
        }));
        QVERIFY2(pixels::isUniform(shot, empty, desktop),
                 pixels::describe(shot, empty, desktop).constData());
    }

    void desktopSwitchHidesWindows_data()
    {
        QTest::addColumn<int>("desktopNumber");
        QTest::addColumn<bool>("visible");

        QTest::newRow("another desktop") << 2 << false;
        QTest::newRow("back to the first") << 0 << true;
    }

    void desktopSwitchHidesWindows()
    {
        QFETCH(int, desktopNumber);
        QFETCH(bool, visible);

        if (!m_window)
            m_window = session().startWindow(QRect(700, 500, 100, 100), Qt::blue);
        QVERIFY(m_window);
        QVERIFY(session().switchDesktop(desktopNumber));
        QTRY_COMPARE_WITH_TIMEOUT(session().probe().isViewable(session().windowOf(m_window)),
                                  visible, 5000);
    }

private:
    qint64 m_window = 0;
};

TAVLIN_X11_TEST_MAIN(TestX11Session,
                     {.twoMonitors = true, .compositor = true, .desktopIcons = true, .tray = true})

#include "tst_x11session.moc"
