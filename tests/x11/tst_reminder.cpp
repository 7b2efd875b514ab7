// The Do Not Disturb reminder on a real X server with openbox and picom.
#include "platform/PlatformFactory.h"
#include "platform/linux/JsonSettingsStore.h"
#include "spotlight/FocusReminder.h"
#include "spotlight/ReminderPanel.h"
#include "tests/x11/PixelChecks.h"
#include "tests/x11/X11Session.h"
#include "tests/x11/X11TestMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QTest>

using namespace tavlin;

namespace {

constexpr QRgb belowColor = 0xffd02020;
const QColor panelColor(28, 28, 30);
constexpr double panelAlpha = 219.0 / 255.0;

// The panel's translucent dark over the red window beneath.
QColor blendedOverBelow()
{
    const QColor under(belowColor);
    const auto mix = [](int top, int bottom) {
        return qRound(top * panelAlpha + bottom * (1.0 - panelAlpha));
    };
    return QColor(mix(panelColor.red(), under.red()), mix(panelColor.green(), under.green()),
                  mix(panelColor.blue(), under.blue()));
}

} // namespace

class TestReminder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void showsTopCentreAndLetsClicksThrough();
    void newPanelReplacesOldAndGoesByItself();
    void dismissRemovesAtOnce();
    void withoutCompositorCornersAreCut();

private:
    X11Session& session() { return *X11Session::current(); }
    // The X window of the panel once it is mapped, else 0.
    quint32 shownPanel();
    bool shows(const QRect& area, const QColor& color);
    quint32 activeWindow();

    WindowServices m_services;
    std::unique_ptr<JsonSettingsStore> m_settings;
    std::unique_ptr<FocusReminder> m_reminder;
    QScreen* m_screen = nullptr;
    qint64 m_below = 0;
};

void TestReminder::initTestCase()
{
    m_services = PlatformFactory::makeWindowServices();
    m_settings = std::make_unique<JsonSettingsStore>(session().scratchPath() +
                                                     QStringLiteral("/settings.json"));
    m_screen = QGuiApplication::primaryScreen();
    QVERIFY(m_screen);
}

void TestReminder::init()
{
    QVERIFY(session().compositorActive() || session().startCompositor());
    QTRY_VERIFY(m_services.compositor->isActive());
    m_reminder = std::make_unique<FocusReminder>(
        *m_settings, *m_services.stacking, *m_services.compositor, [this] { return m_screen; });
    // Red beneath where the panel goes, from the top edge down.
    const QRect available = m_screen->availableGeometry();
    m_below = session().startWindow(QRect(available.center().x() - 400, available.top(), 800, 300),
                                    QColor(belowColor));
    QVERIFY(m_below > 0);
}

void TestReminder::cleanup()
{
    m_reminder.reset();
    session().stopClient(m_below);
}

quint32 TestReminder::shownPanel()
{
    QWidget* panel = m_reminder->currentPanel();
    if (!panel)
        return 0;
    const auto id = quint32(panel->winId());
    return X11Session::waitFor([&] { return session().probe().isViewable(id); }) ? id : 0;
}

bool TestReminder::shows(const QRect& area, const QColor& color)
{
    return pixels::isUniform(session().grabScreen(), area, color, 6);
}

quint32 TestReminder::activeWindow()
{
    const QList<quint32> active =
        session().probe().windows(session().probe().root(), "_NET_ACTIVE_WINDOW");
    return active.isEmpty() ? 0 : active.first();
}

void TestReminder::showsTopCentreAndLetsClicksThrough()
{
    // Another window takes the focus, so a click on the red one beneath the panel shows by
    // moving the focus back to it.
    const qint64 other = session().startWindow(QRect(100, 600, 200, 200), Qt::blue);
    QVERIFY(other > 0);
    const quint32 otherId = session().windowOf(other);
    QVERIFY(X11Session::waitFor([&] { return activeWindow() == otherId; }));

    m_reminder->showReminder(m_screen);
    const quint32 id = shownPanel();
    QVERIFY(id);
    QWidget* panel = m_reminder->currentPanel();
    const QRect expected = reminderGeometry(m_screen->availableGeometry(), panel->size());
    QCOMPARE(expected.top(), m_screen->availableGeometry().top() + 16);
    QVERIFY(X11Session::waitFor([&] { return session().probe().geometry(id) == expected; }));

    // Dark just inside its top and left edges (clear of the rim and the rounded corners), the
    // window beneath just outside them.
    const QRect topInside(expected.center().x() - 20, expected.top() + 2, 40, 5);
    const QRect leftInside(expected.left() + 2, expected.center().y() - 3, 10, 6);
    QVERIFY2(X11Session::waitFor([&] {
                 return shows(topInside, blendedOverBelow()) &&
                        shows(leftInside, blendedOverBelow());
             }),
             pixels::describe(session().grabScreen(), topInside, blendedOverBelow()).constData());
    QVERIFY(shows(topInside.translated(0, -8), QColor(belowColor)));
    QVERIFY(shows(leftInside.translated(-14, 0), QColor(belowColor)));

    QVERIFY(activeWindow() != id);
    QVERIFY(session().run(QStringLiteral("xdotool"),
                          {QStringLiteral("mousemove"), QString::number(expected.center().x()),
                           QString::number(expected.center().y()), QStringLiteral("click"),
                           QStringLiteral("1")}));
    const quint32 belowId = session().windowOf(m_below);
    QVERIFY(X11Session::waitFor([&] { return activeWindow() == belowId; }));
    QVERIFY(QGuiApplication::focusWindow() != panel->windowHandle());
    // Still on top of the window it let the click through to.
    QVERIFY(session().probe().isViewable(id));
    QVERIFY(shows(leftInside, blendedOverBelow()));
    session().stopClient(other);
}

void TestReminder::newPanelReplacesOldAndGoesByItself()
{
    m_reminder->showReminder(m_screen);
    const quint32 first = shownPanel();
    QVERIFY(first);
    // Part of the first one's time runs out before the second comes.
    QTest::qWait(1000);
    m_reminder->showReminder(m_screen);
    QElapsedTimer since;
    since.start();
    const quint32 second = shownPanel();
    QVERIFY(second && second != first);
    QVERIFY(X11Session::waitFor([&] { return !session().probe().isViewable(first); }, 1000));
    int panels = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        panels += qobject_cast<ReminderPanel*>(widget) && widget->isVisible() ? 1 : 0;
    QCOMPARE(panels, 1);

    // The second keeps its full time, then goes by itself.
    QVERIFY(X11Session::waitFor([&] { return !session().probe().isViewable(second); }, 5000));
    QVERIFY2(since.elapsed() >= 3400, qPrintable(QString::number(since.elapsed())));
    QCOMPARE(m_reminder->currentPanel(), nullptr);
}

void TestReminder::dismissRemovesAtOnce()
{
    m_reminder->showReminder(m_screen);
    const quint32 id = shownPanel();
    QVERIFY(id);
    m_reminder->dismissReminder();
    QCOMPARE(m_reminder->currentPanel(), nullptr);
    QVERIFY(X11Session::waitFor([&] { return !session().probe().isViewable(id); }, 1000));
    // Nothing up: a second dismissal does nothing.
    m_reminder->dismissReminder();
}

void TestReminder::withoutCompositorCornersAreCut()
{
    QVERIFY(session().stopCompositor());
    QTRY_VERIFY(!m_services.compositor->isActive());
    m_reminder->showReminder(m_screen);
    QVERIFY(shownPanel());
    const QRect place = m_reminder->currentPanel()->geometry();
    const QRect corner(place.topLeft(), QSize(2, 2));
    const QRect leftInside(place.left() + 2, place.center().y() - 3, 10, 6);
    QImage screen;
    const bool cut = X11Session::waitFor([&] {
        screen = session().grabScreen();
        return pixels::isUniform(screen, corner, QColor(belowColor), 6) &&
               pixels::isUniform(screen, leftInside, panelColor, 6);
    });
    QVERIFY2(cut, (pixels::describe(screen, corner, QColor(belowColor)) + " / " +
                   pixels::describe(screen, leftInside, panelColor))
                      .constData());

    // A compositor starting meanwhile makes it translucent again.
    QVERIFY(session().startCompositor());
    QVERIFY(X11Session::waitFor(
        [&] { return shows(corner, QColor(belowColor)) && shows(leftInside, blendedOverBelow()); },
        2000));
}

TAVLIN_X11_TEST_MAIN(TestReminder, {.compositor = true})
#include "tst_reminder.moc"
