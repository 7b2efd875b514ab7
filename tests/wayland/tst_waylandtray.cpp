// The real program on sway with waybar's tray, a StatusNotifierItem host: started before any
// tray runs, its icon shows once waybar starts, and its menu reaches the host with its headers
// and without the chords no portal bound.
#include "tests/session/TrayMenus.h"
#include "tests/wayland/WaylandSession.h"
#include "tests/wayland/WaylandTestMain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace tavlin;

namespace {

WaylandSession& session()
{
    return *WaylandSession::current();
}

// A bar along the top of the first output holding nothing but the tray.
constexpr char waybarConfig[] = R"({"layer": "top", "position": "top", "height": 28,
"output": "HEADLESS-1", "modules-right": ["tray"], "tray": {"icon-size": 22}})";
constexpr char waybarStyle[] = "window#waybar { background: #e0e0e0; }\n";

bool writeFile(const QString& path, const QByteArray& contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

// The icon's gradient runs from pink to yellow: strong red, clearly less blue.
bool isIconPixel(QRgb pixel)
{
    return qRed(pixel) > 200 && qRed(pixel) - qBlue(pixel) > 70 && qGreen(pixel) < 235;
}

} // namespace

class TestWaylandTray : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // A session bus of the test's own, for the program, the bar and this test.
        const QString bus = session().scratchPath() + QStringLiteral("/bus");
        QVERIFY(session().startProgram(QStringLiteral("dbus-daemon"),
                                       {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                        QStringLiteral("--nopidfile"),
                                        QStringLiteral("--address=unix:path=") + bus}));
        QVERIFY(WaylandSession::waitFor([&] { return QFileInfo::exists(bus); }));
        qputenv("DBUS_SESSION_BUS_ADDRESS", QFile::encodeName(QStringLiteral("unix:path=") + bus));
    }

    void iconShowsOnceATrayStarts()
    {
        const qint64 program = session().startProgram(QStringLiteral(TAVLIN_PROGRAM));
        QVERIFY(program);
        QVERIFY(WaylandSession::waitFor(
            [&] { return session().outputOf(program).contains("no system tray yet"); }, 10000));

        const QString config = session().scratchPath() + QStringLiteral("/waybar.json");
        const QString style = session().scratchPath() + QStringLiteral("/waybar.css");
        QVERIFY(writeFile(config, waybarConfig) && writeFile(style, waybarStyle));
        QVERIFY(session().startProgram(
            QStringLiteral("waybar"), {QStringLiteral("-c"), config, QStringLiteral("-s"), style}));
        std::optional<std::pair<QString, QString>> menu;
        QVERIFY2(WaylandSession::waitFor(
                     [&] { return (menu = TrayMenus::firstMenu()).has_value(); }, 15000),
                 "the program registered no item once waybar ran");
        QVERIFY2(WaylandSession::waitFor(
                     [&] {
                         const QImage bar = session().grabScreen().copy(0, 0, 1024, 28);
                         int gradient = 0;
                         for (int y = 0; y < bar.height(); ++y)
                             for (int x = 0; x < bar.width(); ++x)
                                 gradient += isIconPixel(bar.pixel(x, y)) ? 1 : 0;
                         return gradient > 40;
                     },
                     10000),
                 "no gradient icon in waybar's tray");

        const QStringList items = TrayMenus::shown(TrayMenus::layout(*menu));
        QCOMPARE(items.value(0), QStringLiteral("(Recording)"));
        QVERIFY(items.contains(QStringLiteral("(Tidy)")));
        // No portal binds global shortcuts here: no chord beside the switches, and one line
        // says how to bind the command line instead.
        for (const QString& item : items)
            QVERIFY2(!item.contains(QStringLiteral("Hide Desktop Icons\t")) &&
                         !item.contains(QStringLiteral("Spotlight Mode\t")),
                     qPrintable(item));
        QCOMPARE(session().outputOf(program).count("global shortcuts"), 1);
    }
};

TAVLIN_WAYLAND_TEST_MAIN(TestWaylandTray, {.outputs = 1})

#include "tst_waylandtray.moc"
