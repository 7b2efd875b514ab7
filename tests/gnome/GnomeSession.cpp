#include "tests/gnome/GnomeSession.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace tavlin {

namespace {

constexpr int startTimeoutMs = 30000;
constexpr QSize monitorSize(1024, 768);

QDBusMessage callShell(const QString& service, const QString& path, const QString& interface,
                       const QString& method, const QVariantList& arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, 5000);
}

} // namespace

QString GnomeSession::unavailableReason() const
{
    if (QStandardPaths::findExecutable(QStringLiteral("gnome-shell")).isEmpty())
        return QStringLiteral("gnome-shell is not installed (tools/deps.sh --test)");
    return {};
}

QList<QRect> GnomeSession::outputRects() const
{
    return {QRect(QPoint(0, 0), monitorSize), QRect(QPoint(monitorSize.width(), 0), monitorSize)};
}

bool GnomeSession::start()
{
    if (!prepare(QStringLiteral("tavlin-gnome")))
        return false;
    // Our extension and the test helper on at start (the shell loads extensions only then), a
    // plain grey desktop, no animations or banners to make screenshots a guess.
    if (!m_home->writeFile(QStringLiteral("home/.config/glib-2.0/settings/keyfile"),
                           "[org/gnome/shell]\n"
                           "enabled-extensions=['tavlin-test-helper@tavlin.github.io', "
                           "'tavlin@tavlin.github.io']\n"
                           "welcome-dialog-last-shown-version='999'\n"
                           "[org/gnome/desktop/background]\n"
                           "picture-uri=''\npicture-uri-dark=''\n"
                           "primary-color='#c0c0c0'\ncolor-shading-type='solid'\n"
                           "[org/gnome/desktop/interface]\nenable-animations=false\n"
                           "[org/gnome/desktop/notifications]\nshow-banners=false\n"))
        return fail(QStringLiteral("no session folder"));
    m_home->setEnvironment("GSETTINGS_BACKEND", QByteArrayLiteral("keyfile"));
    m_home->setEnvironment("XDG_DATA_DIRS", QByteArrayLiteral(TAVLIN_GNOME_EXTENSIONS_DATA
                                                              ":/usr/local/share:/usr/share"));
    // The shell asks the system bus about seats and sessions: a private one will do.
    const QString systemBus = m_home->runtimePath() + QStringLiteral("/system-bus");
    if (!m_children.start(QStringLiteral("dbus-daemon"),
                          {QStringLiteral("--session"), QStringLiteral("--nofork"),
                           QStringLiteral("--nopidfile"),
                           QStringLiteral("--address=unix:path=") + systemBus},
                          m_home->logFile(QStringLiteral("system-bus"))) ||
        !waitFor([&] { return QFileInfo::exists(systemBus); }) || !m_home->startBus(m_children))
        return fail(QStringLiteral("no private buses"), QStringLiteral("dbus"));
    m_home->setEnvironment("DBUS_SYSTEM_BUS_ADDRESS",
                           QFile::encodeName(QStringLiteral("unix:path=") + systemBus));
    const QString socket =
        QStringLiteral("tavlin-gnome-%1").arg(QCoreApplication::applicationPid());
    const QString size = QStringLiteral("%1x%2").arg(monitorSize.width()).arg(monitorSize.height());
    const qint64 shell = m_children.start(
        QStringLiteral("gnome-shell"),
        {QStringLiteral("--wayland"), QStringLiteral("--headless"), QStringLiteral("--no-x11"),
         QStringLiteral("--wayland-display=") + socket, QStringLiteral("--virtual-monitor"), size,
         QStringLiteral("--virtual-monitor"), size},
        m_home->logFile(QStringLiteral("gnome-shell")));
    // Up once the helper has opened Eval and the shell has left its start-up overview.
    if (!shell || !waitFor(
                      [&] {
                          return eval(QStringLiteral("!Main.layoutManager._startingUp && "
                                                     "!Main.overview.visible"))
                                     .value_or(QString()) == QLatin1String("true");
                      },
                      startTimeoutMs))
        return fail(QStringLiteral("GNOME Shell did not start"), QStringLiteral("gnome-shell"));
    // A pointer from the start: clients learn of the seat's pointer only when they connect.
    if (!eval(QStringLiteral("const C = imports.gi.Clutter;"
                             "global.tavlinTestPointer = C.get_default_backend()"
                             ".get_default_seat().create_virtual_device("
                             "C.InputDeviceType.POINTER_DEVICE);"
                             "global.tavlinTestPointer.notify_absolute_motion("
                             "imports.gi.GLib.get_monotonic_time(), 1500, 700); true")))
        return fail(QStringLiteral("no virtual pointer"), QStringLiteral("gnome-shell"));
    m_home->setEnvironment("WAYLAND_DISPLAY", socket.toLocal8Bit());
    m_home->setEnvironment("XDG_SESSION_TYPE", QByteArrayLiteral("wayland"));
    m_home->setEnvironment("XDG_CURRENT_DESKTOP", QByteArrayLiteral("GNOME"));
    return true;
}

std::optional<QString> GnomeSession::eval(const QString& script)
{
    const QDBusMessage reply =
        callShell(QStringLiteral("org.gnome.Shell"), QStringLiteral("/org/gnome/Shell"),
                  QStringLiteral("org.gnome.Shell"), QStringLiteral("Eval"), {script});
    const QVariantList answer = reply.arguments();
    if (answer.size() != 2 || !answer[0].toBool())
        return std::nullopt;
    return answer[1].toString(); // as JSON
}

bool GnomeSession::onWindows(qint64 pid, const QString& call)
{
    return eval(QStringLiteral("const ws = global.get_window_actors().map(a => a.meta_window)"
                               ".filter(w => w.get_pid() === %1); ws.forEach(w => w.%2); ws.length")
                    .arg(pid)
                    .arg(call))
               .value_or(QStringLiteral("0")) != QLatin1String("0");
}

bool GnomeSession::moveWindow(qint64 pid, const QRect& geometry)
{
    return onWindows(pid, QStringLiteral("move_resize_frame(true, %1, %2, %3, %4)")
                              .arg(geometry.x())
                              .arg(geometry.y())
                              .arg(geometry.width())
                              .arg(geometry.height()));
}

QImage GnomeSession::grabScreen()
{
    const QString file = m_home->scratchPath() + QStringLiteral("/screen.png");
    QFile::remove(file);
    const QDBusMessage reply = callShell(QStringLiteral("org.gnome.Shell.Screenshot"),
                                         QStringLiteral("/org/gnome/Shell/Screenshot"),
                                         QStringLiteral("org.gnome.Shell.Screenshot"),
                                         QStringLiteral("Screenshot"), {false, false, file});
    if (reply.arguments().isEmpty() || !reply.arguments().constFirst().toBool())
        return {};
    return QImage(file).convertToFormat(QImage::Format_RGB32);
}

bool GnomeSession::click(const QPoint& point)
{
    return eval(QStringLiteral(
                    "const C = imports.gi.Clutter;"
                    "const p = global.tavlinTestPointer;"
                    "const t = imports.gi.GLib.get_monotonic_time();"
                    "p.notify_absolute_motion(t, %1, %2);"
                    "p.notify_button(t + 1000, C.BUTTON_PRIMARY, C.ButtonState.PRESSED);"
                    "p.notify_button(t + 2000, C.BUTTON_PRIMARY, C.ButtonState.RELEASED); true")
                    .arg(point.x())
                    .arg(point.y()))
        .has_value();
}

bool GnomeSession::pressKeys(const QStringList& keys)
{
    QStringList symbols;
    for (const QString& key : keys)
        symbols.append(QStringLiteral("C.KEY_") + key);
    return eval(QStringLiteral("const C = imports.gi.Clutter;"
                               "if (!global.tavlinTestKeyboard) global.tavlinTestKeyboard = "
                               "C.get_default_backend().get_default_seat()"
                               ".create_virtual_device(C.InputDeviceType.KEYBOARD_DEVICE);"
                               "const k = global.tavlinTestKeyboard;"
                               "let t = imports.gi.GLib.get_monotonic_time();"
                               "const keys = [%1];"
                               "keys.forEach(s => k.notify_keyval(t += 1000, s, "
                               "C.KeyState.PRESSED));"
                               "keys.reverse().forEach(s => k.notify_keyval(t += 1000, s, "
                               "C.KeyState.RELEASED)); true")
                    .arg(symbols.join(u',')))
        .has_value();
}

} // namespace tavlin
