#include "tests/kwin/KwinSession.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <sys/stat.h>

namespace tavlin {

namespace {

constexpr int startTimeoutMs = 30000;
constexpr QSize outputSize(1024, 768);
const QString kwinService = QStringLiteral("org.kde.KWin");

QDBusMessage callKwin(const QString& path, const QString& interface, const QString& method,
                      const QVariantList& arguments = {}, int timeoutMs = 5000)
{
    QDBusMessage message = QDBusMessage::createMethodCall(kwinService, path, interface, method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, timeoutMs);
}

} // namespace

QString KwinSession::unavailableReason() const
{
    for (const char* program : {"kwin_wayland", "Xwayland"}) {
        if (QStandardPaths::findExecutable(QLatin1String(program)).isEmpty())
            return QLatin1String(program) +
                   QStringLiteral(" is not installed (tools/deps.sh --test)");
    }
    return {};
}

QList<QRect> KwinSession::outputRects() const
{
    return {QRect(QPoint(0, 0), outputSize), QRect(QPoint(outputSize.width(), 0), outputSize)};
}

bool KwinSession::start()
{
    if (!prepare(QStringLiteral("tavlin-kwin")))
        return false;
    // Animations would make every screenshot a guess.
    if (!m_home->writeFile(QStringLiteral("home/.config/kdeglobals"),
                           "[KDE]\nAnimationDurationFactor=0\n") ||
        !m_home->startBus(m_children))
        return fail(QStringLiteral("no private session bus"), QStringLiteral("dbus"));
    // The installed binary carries a file capability that containers refuse to exec: a plain
    // copy runs anywhere.
    const QString binary = m_home->path() + QStringLiteral("/kwin_wayland");
    if (!QFile::copy(QStandardPaths::findExecutable(QStringLiteral("kwin_wayland")), binary))
        return fail(QStringLiteral("cannot copy kwin_wayland"));
    // Xwayland puts its socket there and gives up when the folder is missing, as on a machine
    // that never ran an X server.
    if (::mkdir("/tmp/.X11-unix", 01777) == 0)
        ::chmod("/tmp/.X11-unix", 01777); // past the umask
    // Screenshots and fake input without KWin asking who we are.
    m_home->setEnvironment("KWIN_SCREENSHOT_NO_PERMISSION_CHECKS", QByteArrayLiteral("1"));
    m_home->setEnvironment("KWIN_WAYLAND_NO_PERMISSION_CHECKS", QByteArrayLiteral("1"));
    const QString socket = QStringLiteral("tavlin-kwin-%1").arg(QCoreApplication::applicationPid());
    m_kwin =
        m_children.start(binary,
                         {QStringLiteral("--virtual"), QStringLiteral("--width"),
                          QString::number(outputSize.width()), QStringLiteral("--height"),
                          QString::number(outputSize.height()), QStringLiteral("--output-count"),
                          QStringLiteral("2"), QStringLiteral("--xwayland"),
                          QStringLiteral("--socket"), socket, QStringLiteral("--no-lockscreen")},
                         m_home->logFile(QStringLiteral("kwin")));
    const QString socketPath = m_home->runtimePath() + QLatin1Char('/') + socket;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!m_kwin || !waitFor(
                       [&] {
                           return QFileInfo::exists(socketPath) &&
                                  bus.interface()->isServiceRegistered(kwinService) &&
                                  !xwaylandDisplay().isEmpty();
                       },
                       startTimeoutMs))
        return fail(QStringLiteral("KWin did not start"), QStringLiteral("kwin"));
    m_x11Display = xwaylandDisplay();
    m_home->setEnvironment("WAYLAND_DISPLAY", socket.toLocal8Bit());
    m_home->setEnvironment("XDG_SESSION_TYPE", QByteArrayLiteral("wayland"));
    m_home->setEnvironment("XDG_CURRENT_DESKTOP", QByteArrayLiteral("KDE"));
    const qint64 pointer = startProgram(QStringLiteral(TAVLIN_TEST_KWIN_INPUT), {});
    if (!pointer || !waitFor([&] { return outputOf(pointer).contains("pointer ready"); }))
        return fail(QStringLiteral("no fake pointer"), QStringLiteral("kwin"));
    return true;
}

// KWin starts Xwayland itself and tells nobody but its own children which display it got.
QString KwinSession::xwaylandDisplay() const
{
    const QStringList processes = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& pid : processes) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (ChildProcesses::parentOf(pid) != m_kwin || !cmdline.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> args = cmdline.readAll().split('\0');
        if (!args.constFirst().endsWith("Xwayland"))
            continue;
        for (const QByteArray& arg : args) {
            if (arg.startsWith(':'))
                return QString::fromLatin1(arg);
        }
    }
    return {};
}

qint64 KwinSession::startX11Program(const QString& program, const QStringList& args)
{
    return startProgram(QStringLiteral("env"),
                        QStringList{QStringLiteral("-u"), QStringLiteral("WAYLAND_DISPLAY"),
                                    QStringLiteral("DISPLAY=") + m_x11Display, program} +
                            args);
}

bool KwinSession::runScript(const QString& body, int timeoutMs)
{
    const QString name = startScript(body);
    return !name.isEmpty() && waitFor([&] { return !isScriptLoaded(name); }, timeoutMs);
}

QString KwinSession::startScript(const QString& body)
{
    const QString name = QStringLiteral("tavlin-test-%1").arg(++m_scripts);
    const QString file = m_home->scratchPath() + QLatin1Char('/') + name + QStringLiteral(".js");
    const QString source =
        QStringLiteral("function done() { callDBus('org.kde.KWin', '/Scripting', "
                       "'org.kde.kwin.Scripting', 'unloadScript', '%1'); }\n"
                       "const windows = typeof workspace.windowList === 'function' ? "
                       "workspace.windowList() : workspace.clientList();\n")
            .arg(name) +
        body;
    if (!m_home->writeFile(QStringLiteral("scratch/") + name + QStringLiteral(".js"),
                           source.toUtf8()))
        return {};
    const QDBusMessage loaded =
        callKwin(QStringLiteral("/Scripting"), QStringLiteral("org.kde.kwin.Scripting"),
                 QStringLiteral("loadScript"), {file, name});
    if (loaded.type() != QDBusMessage::ReplyMessage || loaded.arguments().isEmpty() ||
        callKwin(QStringLiteral("/%1").arg(loaded.arguments().constFirst().toInt()),
                 QStringLiteral("org.kde.kwin.Script"), QStringLiteral("run"))
                .type() != QDBusMessage::ReplyMessage)
        return {};
    return name;
}

bool KwinSession::isScriptLoaded(const QString& name)
{
    // Unloaded once it called done().
    const QDBusMessage running =
        callKwin(QStringLiteral("/Scripting"), QStringLiteral("org.kde.kwin.Scripting"),
                 QStringLiteral("isScriptLoaded"), {name});
    return running.type() != QDBusMessage::ReplyMessage || running.arguments().value(0).toBool();
}

bool KwinSession::moveWindow(qint64 pid, const QRect& geometry)
{
    return runScript(
        QStringLiteral("windows.forEach(function (w) { if (w.pid === %1) "
                       "w.frameGeometry = {x: %2, y: %3, width: %4, height: %5}; });\ndone();\n")
            .arg(pid)
            .arg(geometry.x())
            .arg(geometry.y())
            .arg(geometry.width())
            .arg(geometry.height()));
}

QImage KwinSession::grabScreen()
{
    QTemporaryFile file(m_home->scratchPath() + QStringLiteral("/screen-XXXXXX"));
    if (!file.open())
        return {};
    const QDBusMessage reply =
        callKwin(QStringLiteral("/org/kde/KWin/ScreenShot2"),
                 QStringLiteral("org.kde.KWin.ScreenShot2"), QStringLiteral("CaptureWorkspace"),
                 {QVariantMap{{QStringLiteral("include-cursor"), false}},
                  QVariant::fromValue(QDBusUnixFileDescriptor(file.handle()))});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    const QVariantMap info = qdbus_cast<QVariantMap>(reply.arguments().constFirst());
    const int width = info.value(QStringLiteral("width")).toInt();
    const int height = info.value(QStringLiteral("height")).toInt();
    const int stride = info.value(QStringLiteral("stride")).toInt();
    const auto format = QImage::Format(info.value(QStringLiteral("format")).toInt());
    // KWin writes the picture after it answered.
    if (width <= 0 || height <= 0 || stride < width * 4 ||
        !waitFor([&] { return file.size() >= qint64(stride) * height; }))
        return {};
    file.seek(0);
    const QByteArray data = file.readAll();
    return QImage(reinterpret_cast<const uchar*>(data.constData()), width, height, stride, format)
        .convertToFormat(QImage::Format_RGB32);
}

bool KwinSession::click(const QPoint& point)
{
    return runInput({QString::number(point.x()), QString::number(point.y())});
}

bool KwinSession::keys(bool press, const QList<int>& codes)
{
    QStringList args{press ? QStringLiteral("press") : QStringLiteral("release")};
    for (const int code : codes)
        args.append(QString::number(code));
    return runInput(args);
}

bool KwinSession::runInput(const QStringList& args)
{
    const qint64 pid = startProgram(QStringLiteral(TAVLIN_TEST_KWIN_INPUT), args);
    const std::optional<int> exit = pid ? m_children.waitForExit(pid, 5000) : std::nullopt;
    return exit && *exit == 0;
}

} // namespace tavlin
