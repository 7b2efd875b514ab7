#include "tests/wayland/WaylandSession.h"

#include "tests/session/PixelChecks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>
#include <algorithm>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavlin {

namespace {

constexpr int startTimeoutMs = 20000;

// Every window in sway's tree, tiled or floating, depth first.
void collectWindows(const QJsonObject& node, QList<QJsonObject>& windows)
{
    if (node.contains(QLatin1String("pid")) && node.value(QLatin1String("pid")).toInt() > 0)
        windows.append(node);
    for (const char* key : {"nodes", "floating_nodes"}) {
        const QJsonArray children = node.value(QLatin1String(key)).toArray();
        for (const QJsonValue& child : children)
            collectWindows(child.toObject(), windows);
    }
}

QRect rectOf(const QJsonObject& node)
{
    const QJsonObject rect = node.value(QLatin1String("rect")).toObject();
    return {rect.value(QLatin1String("x")).toInt(), rect.value(QLatin1String("y")).toInt(),
            rect.value(QLatin1String("width")).toInt(),
            rect.value(QLatin1String("height")).toInt()};
}

} // namespace

WaylandSession::WaylandSession(WaylandSessionOptions options) : m_options(std::move(options)) {}

QString WaylandSession::unavailableReason() const
{
    const QStringList needed = m_options.compositor == WaylandSessionOptions::Compositor::Sway
                                   ? QStringList{QStringLiteral("sway"), QStringLiteral("swaymsg"),
                                                 QStringLiteral("swaybg"), QStringLiteral("grim")}
                                   : QStringList{QStringLiteral("weston")};
    for (const QString& program : needed) {
        if (QStandardPaths::findExecutable(program).isEmpty())
            return program + QStringLiteral(" is not installed (tools/deps.sh --test)");
    }
    return {};
}

bool WaylandSession::prepareUser()
{
    if (::geteuid() != 0)
        return true; // the compositor runs as we do
    // The account that runs the compositor when the tests run as root.
    const QByteArray name("tavlin-test");
    // A system account without a home or a shell: it only ever runs the compositor.
    if (!::getpwnam(name.constData()))
        run(QStringLiteral("useradd"),
            QStringLiteral("--system --no-create-home --home-dir /nonexistent --shell "
                           "/usr/sbin/nologin --user-group %1")
                .arg(QString::fromLatin1(name))
                .split(u' '));
    const passwd* user = ::getpwnam(name.constData());
    if (!user)
        return fail(QStringLiteral("cannot create the user ") + QString::fromLatin1(name));
    m_user = std::pair<uint, uint>(user->pw_uid, user->pw_gid);
    // It reaches its own folder through ours, and reads its configuration there.
    return ::chmod(QFile::encodeName(m_home->path()).constData(), 0711) == 0 &&
           ::chown(QFile::encodeName(m_compositorRuntime).constData(), user->pw_uid,
                   user->pw_gid) == 0;
}

bool WaylandSession::startCompositor(const QString& program, const QStringList& args,
                                     const QStringList& environment)
{
    // A clean environment: nothing of ours (our bus, our runtime folder) leaks into it.
    QStringList command =
        QStringList{QStringLiteral("-i"), QStringLiteral("PATH=") + qEnvironmentVariable("PATH"),
                    QStringLiteral("HOME=") + m_compositorRuntime,
                    QStringLiteral("XDG_RUNTIME_DIR=") + m_compositorRuntime} +
        environment + QStringList{program} + args;
    // The parent-death signal would be dropped with the change of user: keep it.
    if (m_user)
        command = QStringLiteral("--reuid=%1 --regid=%2 --clear-groups --pdeathsig=keep -- env")
                      .arg(m_user->first)
                      .arg(m_user->second)
                      .split(u' ') +
                  command;
    m_compositor = m_children.start(m_user ? QStringLiteral("setpriv") : QStringLiteral("env"),
                                    command, m_home->logFile(program));
    return m_compositor || fail(QStringLiteral("cannot start ") + program);
}

bool WaylandSession::startSway()
{
    const QSize size = m_options.outputSize;
    QByteArray config = "xwayland disable\n"
                        "default_border none\n"
                        "default_floating_border none\n"
                        "focus_follows_mouse no\n"
                        "mouse_warping none\n"
                        // The pointer shows in screenshots: only for a moment after it moved.
                        "seat * hide_cursor 20\n"
                        // Test windows go exactly where the test puts them.
                        "for_window [app_id=\".*\"] floating enable\n"
                        "output * bg " +
                        QColor(wallpaperColor).name().toLatin1() + " solid_color\n";
    for (int i = 0; i < m_options.outputs; ++i)
        config += QStringLiteral("output HEADLESS-%1 mode %2x%3 position %4 0\n")
                      .arg(i + 1)
                      .arg(size.width())
                      .arg(size.height())
                      .arg(i * size.width())
                      .toLatin1();
    if (!m_home->writeFile(QStringLiteral("sway.conf"), config))
        return fail(QStringLiteral("cannot write sway's configuration"));

    m_swaySocket = m_compositorRuntime + QStringLiteral("/sway-ipc.sock");
    if (!startCompositor(QStringLiteral("sway"),
                         {QStringLiteral("-c"), m_home->path() + QStringLiteral("/sway.conf")},
                         QStringLiteral("SWAYSOCK=%1 WLR_BACKENDS=headless WLR_HEADLESS_OUTPUTS=%2 "
                                        "WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1")
                             .arg(m_swaySocket)
                             .arg(m_options.outputs)
                             .split(u' ')))
        return false;
    m_home->setEnvironment("SWAYSOCK", QFile::encodeName(m_swaySocket));
    const bool up = waitFor(
        [&] {
            return !m_children.isRunning(m_compositor) ||
                   (QFileInfo::exists(m_swaySocket) && outputRects().size() == m_options.outputs);
        },
        startTimeoutMs);
    if (!up || !m_children.isRunning(m_compositor))
        return fail(QStringLiteral("sway did not start"), QStringLiteral("sway"));
    const QStringList sockets = QDir(m_compositorRuntime)
                                    .entryList({QStringLiteral("wayland-*")}, QDir::System)
                                    .filter(QRegularExpression(QStringLiteral("^wayland-\\d+$")));
    if (sockets.isEmpty())
        return fail(QStringLiteral("sway made no Wayland socket"), QStringLiteral("sway"));
    // An absolute path, so clients need no XDG_RUNTIME_DIR of the compositor's user.
    m_home->setEnvironment("WAYLAND_DISPLAY",
                           QFile::encodeName(m_compositorRuntime + u'/' + sockets.first()));
    return true;
}

bool WaylandSession::wallpaperShows()
{
    // Up once a screenshot shows the wallpaper everywhere, also without the pointer, which hides
    // once it has been still for a moment.
    if (!command(QStringLiteral("seat - cursor set 0 0")))
        return false;
    const bool painted = waitFor(
        [&] {
            const QImage screen = grabScreen();
            return !screen.isNull() &&
                   pixels::isUniform(screen, screen.rect(), QColor(wallpaperColor));
        },
        startTimeoutMs);
    return painted || fail(QStringLiteral("swaybg painted no wallpaper"), QStringLiteral("sway"));
}

bool WaylandSession::startWeston()
{
    const QString socket = QStringLiteral("wayland-tavlin");
    const QString path = m_compositorRuntime + QLatin1Char('/') + socket;
    const bool up =
        startCompositor(QStringLiteral("weston"),
                        {QStringLiteral("--backend=headless-backend.so"),
                         QStringLiteral("--socket=") + socket,
                         QStringLiteral("--width=%1").arg(m_options.outputSize.width()),
                         QStringLiteral("--height=%1").arg(m_options.outputSize.height()),
                         QStringLiteral("--idle-time=0"), QStringLiteral("--no-config")}) &&
        waitFor([&] { return !m_children.isRunning(m_compositor) || QFileInfo::exists(path); },
                startTimeoutMs);
    if (!up || !m_children.isRunning(m_compositor))
        return fail(QStringLiteral("weston did not start"), QStringLiteral("weston"));
    m_home->setEnvironment("WAYLAND_DISPLAY", QFile::encodeName(path));
    return true;
}

bool WaylandSession::start()
{
    if (!prepare(QStringLiteral("tavlin-wl")))
        return false;
    m_compositorRuntime = m_home->path() + QStringLiteral("/compositor");
    if (!QDir().mkpath(m_compositorRuntime) ||
        !QFile::setPermissions(m_compositorRuntime,
                               QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        return fail(QStringLiteral("cannot make the compositor's runtime folder"));
    if (!prepareUser())
        return false;
    m_home->setEnvironment("XDG_SESSION_TYPE", QByteArrayLiteral("wayland"));
    m_home->startBus(m_children); // a test that needs the bus finds out soon enough
    if (m_options.compositor == WaylandSessionOptions::Compositor::Weston)
        return startWeston();
    m_home->setEnvironment("XDG_CURRENT_DESKTOP", QByteArrayLiteral("sway"));
    if (!startSway())
        return false;
    // A headless sway has no pointer, and without one no client is sent a click.
    const qint64 pointer =
        startProgram(QStringLiteral(TAVLIN_TEST_WAYLAND_WINDOW), {QStringLiteral("--pointer")});
    if (!pointer || !waitFor([&] { return outputOf(pointer).contains("pointer ready"); }))
        return fail(QStringLiteral("no virtual pointer: ") +
                    QString::fromLocal8Bit(outputOf(pointer)));
    return wallpaperShows();
}

QJsonDocument WaylandSession::query(const QString& type)
{
    QByteArray output;
    if (!run(QStringLiteral("swaymsg"), {QStringLiteral("-r"), QStringLiteral("-t"), type}, 10000,
             &output))
        return {};
    return QJsonDocument::fromJson(output);
}

bool WaylandSession::command(const QString& command)
{
    QByteArray output;
    if (!run(QStringLiteral("swaymsg"), {QStringLiteral("-r"), command}, 10000, &output))
        return false;
    const QJsonArray results = QJsonDocument::fromJson(output).array();
    return !results.isEmpty() &&
           std::all_of(results.begin(), results.end(), [](const QJsonValue& result) {
               return result.toObject().value(QLatin1String("success")).toBool();
           });
}

QList<QRect> WaylandSession::outputRects()
{
    QList<QRect> rects;
    const QJsonArray all = query(QStringLiteral("get_outputs")).array();
    for (const QJsonValue& output : all) {
        if (output.toObject().value(QLatin1String("active")).toBool())
            rects.append(rectOf(output.toObject()));
    }
    std::sort(rects.begin(), rects.end(),
              [](const QRect& a, const QRect& b) { return a.x() < b.x(); });
    return rects;
}

bool WaylandSession::setOutputScale(const QString& name, double scale)
{
    if (!command(QStringLiteral("output %1 scale %2").arg(name).arg(scale)))
        return fail(QStringLiteral("sway refused the scale of ") + name);
    // Done once sway reports it and the application's screens match sway's outputs.
    const bool done = waitFor([&] {
        const QJsonArray all = query(QStringLiteral("get_outputs")).array();
        const bool scaled = std::any_of(all.begin(), all.end(), [&](const QJsonValue& value) {
            const QJsonObject output = value.toObject();
            return output.value(QLatin1String("name")).toString() == name &&
                   qFuzzyCompare(output.value(QLatin1String("scale")).toDouble(), scale);
        });
        QList<QRect> screens;
        for (const QScreen* screen : screensLeftToRight())
            screens.append(screen->geometry());
        return scaled && screens == outputRects();
    });
    return done || fail(QStringLiteral("the application's screens did not follow the scale"));
}

bool WaylandSession::addOutput()
{
    const qsizetype screens = screensLeftToRight().size();
    return command(QStringLiteral("create_output")) &&
           waitFor([&] { return screensLeftToRight().size() == screens + 1; });
}

QRect WaylandSession::windowRect(qint64 pid)
{
    QList<QJsonObject> windows;
    collectWindows(query(QStringLiteral("get_tree")).object(), windows);
    for (const QJsonObject& window : std::as_const(windows)) {
        if (window.value(QLatin1String("pid")).toInteger() == pid &&
            window.value(QLatin1String("visible")).toBool())
            return rectOf(window);
    }
    return {};
}

bool WaylandSession::moveWindow(qint64 pid, const QRect& geometry)
{
    const QString window = QStringLiteral("[pid=%1] ").arg(pid);
    return command(
               window +
               QStringLiteral("resize set %1 %2").arg(geometry.width()).arg(geometry.height())) &&
           command(window + QStringLiteral("move absolute position %1 %2")
                                .arg(geometry.x())
                                .arg(geometry.y())) &&
           waitFor([&] { return windowRect(pid) == geometry; });
}

qint64 WaylandSession::startWindow(const QRect& geometry, const QColor& color, const QString& appId)
{
    const qint64 pid =
        startClient(QStringLiteral(TAVLIN_TEST_WAYLAND_WINDOW),
                    {QStringLiteral("%1x%2").arg(geometry.width()).arg(geometry.height()),
                     color.name(), QStringLiteral("--app-id=") + appId});
    if (pid && !moveWindow(pid, geometry)) {
        fail(QStringLiteral("the test window did not go to its place"));
        m_children.stop(pid);
        return 0;
    }
    return pid;
}

void WaylandSession::stopProgram(qint64 pid)
{
    m_children.stop(pid);
    waitFor([&] { return windowRect(pid).isNull(); });
}

bool WaylandSession::click(const QPoint& point)
{
    return command(QStringLiteral("seat - cursor set %1 %2").arg(point.x()).arg(point.y())) &&
           command(QStringLiteral("seat - cursor press button1")) &&
           command(QStringLiteral("seat - cursor release button1"));
}

QImage WaylandSession::grabOutput(const QString& name)
{
    const QString file = m_home->path() + QStringLiteral("/screen.ppm");
    QFile::remove(file);
    // Scale 1 for all outputs: one image pixel per logical pixel, whatever their scales.
    const QStringList which = name.isEmpty()
                                  ? QStringList{QStringLiteral("-s"), QStringLiteral("1")}
                                  : QStringList{QStringLiteral("-o"), name};
    if (!run(QStringLiteral("grim"),
             which + QStringList{QStringLiteral("-t"), QStringLiteral("ppm"), file}))
        return {};
    return QImage(file).convertToFormat(QImage::Format_RGB32);
}

} // namespace tavlin
