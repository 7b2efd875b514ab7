#pragma once

#include "backdrop/Backdrop.h"
#include "backdrop/BackdropImages.h"
#include "platform/PlatformFactory.h"
#include "platform/linux/JsonSettingsStore.h"
#include "spotlight/Spotlight.h"
#include "tests/session/PixelChecks.h"
#include "tests/session/TestSession.h"
#include "tests/session/WaitFor.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QTest>
#include <memory>

namespace tavlin {

// What the tests on a real compositor share, `Session` being its test session: the program's
// window services, a backdrop picture of one colour, fresh settings for each test function,
// test windows closed after each, and the spotlight checks that hold on every compositor.
// Failures are QTest's: a test function calling these looks no further.
template <typename Session> class CompositorFixture
{
protected:
    static constexpr QRgb backdropColor = 0xff2050c0;
    static constexpr QRgb pinnedColor = 0xffe03030;
    static constexpr QRgb otherColor = 0xff30c040;
    static constexpr QRgb pressedColor = 0xffe0e040;

    explicit CompositorFixture(QString pinnedApp) : m_pinnedApp(std::move(pinnedApp)) {}

    static Session& session() { return *Session::current(); }

    void prepare()
    {
        const QString pictures = session().scratchPath() + QStringLiteral("/pictures");
        QVERIFY(QDir().mkpath(pictures));
        QVERIFY(
            pixels::saveSolid(pictures + QStringLiteral("/bg-country-road.jpeg"), backdropColor));
        m_services = PlatformFactory::makeWindowServices();
        QCOMPARE(m_services.windowList->unavailableReason(), QString());
        m_images = std::make_unique<BackdropImages>(QStringList{pictures},
                                                    m_services.desktopPictures.get());
    }

    void resetSettings()
    {
        const QString file = session().scratchPath() + QStringLiteral("/settings.json");
        QFile::remove(file);
        m_settings = std::make_unique<JsonSettingsStore>(file);
        m_settings->setValue(Backdrop::settingsKey(), QStringLiteral("bg-country-road.jpeg"));
        m_settings->setValue(QStringLiteral("spotlightApps"), QJsonArray{m_pinnedApp});
        m_settings->setValue(QStringLiteral("spotlightRemindsAboutNotifications"), false);
    }

    void closeWindows()
    {
        for (const qint64 pid : std::as_const(m_clients))
            session().stopProgram(pid);
        m_clients.clear();
        QVERIFY(waitFor([&] {
            const auto windows = m_services.windowList->windows();
            return windows && windows->isEmpty();
        }));
    }

    // A Wayland window of our test client in one colour at `rect`, closed after the test
    // function; its pid, or 0 once it did not show there. `pressed`: its colour once clicked.
    qint64 startWindow(const QRect& rect, QRgb color,
                       const QString& appId = QStringLiteral("tavlin-test-window"),
                       QRgb pressed = 0)
    {
        QStringList args{QStringLiteral("%1x%2").arg(rect.width()).arg(rect.height()),
                         QColor(color).name(), QStringLiteral("--app-id=") + appId};
        if (pressed)
            args.append(QStringLiteral("--pressed=") + QColor(pressed).name());
        const qint64 pid = session().startProgram(QStringLiteral(TAVLIN_TEST_WAYLAND_WINDOW), args);
        m_clients.append(pid);
        return pid && placeWindow(pid, rect, color) ? pid : 0;
    }

    // Moves the window of `pid` to `rect` and waits until it shows there in `color`; it may not
    // be mapped yet when first moved.
    static bool placeWindow(qint64 pid, const QRect& rect, QRgb color)
    {
        return waitFor(
            [&] {
                return session().moveWindow(pid, rect) &&
                       pixels::isUniform(session().grabScreen(), rect.adjusted(1, 1, -1, -1),
                                         QColor(color), 8);
            },
            10000);
    }

    std::optional<WindowInfo> reported(qint64 pid) const
    {
        return ofProcess(m_services.windowList->windows().value_or(QList<WindowInfo>{}), pid);
    }

    static bool showsEverywhere(const QImage& screen, const QRect& rect, QRgb color)
    {
        return pixels::isUniform(screen, rect, QColor(color), 12);
    }

    // The pinned window shows through a hole exactly its size that follows it to the other
    // output; the rest is covered without taking the focus, and a click there reaches the
    // window below.
    void checkSpotlightFollowsAndLetsClicksThrough()
    {
        const QRect covered(600, 300, 300, 200);
        const qint64 otherPid =
            startWindow(covered, otherColor, QStringLiteral("tavlin-test-other"), pressedColor);
        QRect pinned(100, 100, 400, 300);
        const qint64 pinnedPid = startWindow(pinned, pinnedColor, m_pinnedApp);
        QVERIFY(otherPid && pinnedPid);
        const std::optional<qint32> frontmost = qint32(pinnedPid);
        QTRY_COMPARE(m_services.runningApps->frontmostPid(), frontmost);

        Spotlight spotlight(*m_settings, *m_images, m_services);
        spotlight.toggleWithoutAnimation();
        QVERIFY(waitFor([&] {
            const QImage screen = session().grabScreen();
            return pixels::shows(screen, pinned.center(), pinnedColor) &&
                   showsEverywhere(screen, covered, backdropColor) &&
                   pixels::shows(screen, QPoint(1500, 400), backdropColor);
        }));
        // Our own overlays are no windows of others, and they take no focus.
        QVERIFY(!reported(QCoreApplication::applicationPid()));
        QCOMPARE(m_services.runningApps->frontmostPid(), frontmost);

        for (const QRect& moved : {QRect(150, 400, 400, 300), QRect(1300, 100, 400, 300)}) {
            QVERIFY(session().moveWindow(pinnedPid, moved));
            QVERIFY2(
                waitFor([&] {
                    const QImage screen = session().grabScreen();
                    // Exactly over the window: a pixel off shows at its edges.
                    return showsEverywhere(screen, moved.adjusted(1, 12, -1, -12), pinnedColor) &&
                           showsEverywhere(screen, moved.adjusted(12, 1, -12, -1), pinnedColor) &&
                           pixels::shows(screen, moved.topLeft() + QPoint(-2, 20), backdropColor) &&
                           pixels::shows(screen, moved.topLeft() + QPoint(20, -2), backdropColor) &&
                           pixels::shows(screen, moved.bottomRight() + QPoint(2, -20),
                                         backdropColor) &&
                           pixels::shows(screen, pinned.center(), backdropColor);
                }),
                qPrintable(QStringLiteral("no hole at %1,%2").arg(moved.x()).arg(moved.y())));
            pinned = moved;
        }

        QVERIFY(session().click(covered.center()));
        QTRY_VERIFY(session().outputOf(otherPid).contains("pressed"));
        spotlight.toggleWithoutAnimation();
        QVERIFY(waitFor(
            [&] { return showsEverywhere(session().grabScreen(), covered, pressedColor); }));
    }

    // Switched on from the menu while a window on the second output has the focus: the reminder
    // shows at the top centre of that output only, over the backdrop.
    void checkReminderOnTheActiveOutput()
    {
        const QList<QRect> outputs = session().outputRects();
        const QRect window(outputs[1].topLeft() + QPoint(100, 300), QSize(300, 200));
        const qint64 pid = startWindow(window, otherColor);
        QVERIFY(pid);
        QTRY_COMPARE(m_services.runningApps->frontmostPid(), std::optional<qint32>(qint32(pid)));
        // The compositor first puts it somewhere else; the report of the move may come after the
        // window shows there.
        QTRY_COMPARE(reported(pid).value_or(WindowInfo{}).bounds, QRectF(window));

        Spotlight spotlight(*m_settings, *m_images, m_services);
        spotlight.setRemindsAboutNotifications(true);
        spotlight.setOn(true);
        QVERIFY(spotlight.reminder().currentPanel());
        // The panel is dark, the backdrop not; it shows for a few seconds only.
        const auto topCentre = [&](int index) {
            return QRect(outputs[index].center().x() - 20, outputs[index].top() + 40, 40, 10);
        };
        QVERIFY(waitFor([&] {
            const QImage screen = session().grabScreen();
            return pixels::countDiffering(screen, topCentre(1), Qt::black, 69) < 400 &&
                   showsEverywhere(screen, topCentre(0), backdropColor);
        }));
    }

    WindowServices m_services;
    std::unique_ptr<JsonSettingsStore> m_settings;
    std::unique_ptr<BackdropImages> m_images;
    QList<qint64> m_clients;

private:
    QString m_pinnedApp;
};

} // namespace tavlin
