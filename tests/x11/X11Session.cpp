#include "tests/x11/X11Session.h"

#include "tests/session/PixelChecks.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

namespace tavlin {

namespace {

constexpr int startTimeoutMs = 15000;

QString xrandrGeometry(const QRect& rect)
{
    // Sizes in millimetres for 96 dpi, so Qt sees no high-DPI screen.
    const auto mm = [](int pixels) { return QString::number(qRound(pixels * 25.4 / 96.0)); };
    return QStringLiteral("%1/%2x%3/%4+%5+%6")
        .arg(rect.width())
        .arg(mm(rect.width()))
        .arg(rect.height())
        .arg(mm(rect.height()))
        .arg(rect.x())
        .arg(rect.y());
}

} // namespace

X11Session::X11Session(X11SessionOptions options) : m_options(std::move(options)) {}

X11Session::~X11Session()
{
    stop();
}

bool X11Session::startServer()
{
    const QString size = QStringLiteral("%1x%2x24")
                             .arg(m_options.screenSize.width())
                             .arg(m_options.screenSize.height());
    for (int number = 90; number < 200; ++number) {
        const QString lock = QStringLiteral("/tmp/.X%1-lock").arg(number);
        if (QFileInfo::exists(lock) ||
            QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)))
            continue;
        const QByteArray display = ':' + QByteArray::number(number);
        const QString args = QStringLiteral("%1 -screen 0 %2 -nolisten tcp -noreset -br");
        const qint64 pid = m_children.start(
            QStringLiteral("Xvfb"), args.arg(QString::fromLatin1(display), size).split(u' '),
            m_home->logFile(QStringLiteral("Xvfb")));
        if (!pid)
            return fail(QStringLiteral("cannot start Xvfb"));
        // Ours once its lock names our child and it answers; another server may have taken the
        // number meanwhile, and then ours gives up at once.
        const auto ours = [&] {
            QFile file(lock);
            return file.open(QIODevice::ReadOnly) && file.readAll().trimmed().toLongLong() == pid;
        };
        std::unique_ptr<XcbProbe> probe;
        waitFor(
            [&] {
                if (!m_children.isRunning(pid))
                    return true;
                if (ours())
                    probe = std::make_unique<XcbProbe>(display);
                if (probe && !probe->isConnected())
                    probe.reset();
                return probe != nullptr;
            },
            startTimeoutMs);
        if (probe) {
            m_display = display;
            m_probe = std::move(probe);
            m_home->setEnvironment("DISPLAY", display);
            return true;
        }
        m_children.stop(pid);
    }
    return fail(QStringLiteral("Xvfb could not start on any display from :90 to :199"),
                QStringLiteral("Xvfb"));
}

bool X11Session::startWindowManager()
{
    m_home->startBus(m_children);

    m_windowManager =
        m_children.start(QStringLiteral("openbox"),
                         {QStringLiteral("--sm-disable"), QStringLiteral("--config-file"),
                          m_home->path() + QStringLiteral("/openbox.xml")},
                         m_home->logFile(QStringLiteral("openbox")));
    if (!m_windowManager)
        return fail(QStringLiteral("cannot start openbox"));
    // The window manager is up once its check window names itself.
    const bool up = waitFor(
        [&] {
            const auto check = m_probe->cardinal(m_probe->root(), "_NET_SUPPORTING_WM_CHECK");
            return check && m_probe->cardinal(*check, "_NET_SUPPORTING_WM_CHECK") == check &&
                   m_probe->cardinal(m_probe->root(), "_NET_NUMBER_OF_DESKTOPS") == 4u;
        },
        startTimeoutMs);
    return up || fail(QStringLiteral("openbox did not start"), QStringLiteral("openbox"));
}

bool X11Session::startDesktop()
{
    m_desktop = m_children.start(QStringLiteral("pcmanfm"), {QStringLiteral("--desktop")},
                                 m_home->logFile(QStringLiteral("pcmanfm")));
    if (!m_desktop)
        return fail(QStringLiteral("cannot start pcmanfm"));
    const int monitors = int(monitorRects().size());
    // One desktop window per monitor, and the first icon drawn on the plain colour.
    const bool drawn = waitFor(
        [&] {
            if (m_probe->desktopWindows().size() != monitors)
                return false;
            return pixels::countDiffering(m_probe->grabRoot(), QRect(0, 0, 150, 120),
                                          QColor(desktopColor), 40) > 100;
        },
        startTimeoutMs);
    return drawn || fail(QStringLiteral("pcmanfm drew no desktop"), QStringLiteral("pcmanfm"));
}

bool X11Session::startTray()
{
    const QString args =
        QStringLiteral("--edge bottom --align right --widthtype request --height 24 --expand "
                       "true "
                       "--transparent false --SetDockType true --SetPartialStrut true");
    if (!m_children.start(QStringLiteral("trayer"), args.split(u' '),
                          m_home->logFile(QStringLiteral("trayer"))))
        return fail(QStringLiteral("cannot start trayer"));
    const bool up = waitFor([&] { return m_probe->selectionOwner("_NET_SYSTEM_TRAY_S0") != 0; },
                            startTimeoutMs);
    return up || fail(QStringLiteral("trayer took no tray selection"), QStringLiteral("trayer"));
}

bool X11Session::start()
{
    if (!prepare(QStringLiteral("tavlin-x11")))
        return false;
    if (!X11SessionFiles::write(*m_home))
        return fail(QStringLiteral("cannot write the session's configuration"));
    m_home->setEnvironment("XDG_SESSION_TYPE", QByteArrayLiteral("x11"));
    if (!startServer())
        return false;
    if (m_options.twoMonitors && !applyMonitors(twoMonitorRects(), 0))
        return false;
    if (!startWindowManager())
        return false;
    if (m_options.desktopIcons && !startDesktop())
        return false;
    return !m_options.compositor || startCompositor();
}

void X11Session::clear()
{
    m_probe.reset();
    m_windowManager = 0;
    m_compositor = 0;
    m_desktop = 0;
    m_display.clear();
}

QList<QRect> X11Session::monitorRects() const
{
    return m_monitors.isEmpty() ? QList<QRect>{QRect(QPoint(0, 0), m_options.screenSize)}
                                : m_monitors;
}

QList<QRect> X11Session::twoMonitorRects() const
{
    const QSize size = m_options.screenSize;
    const int half = size.width() / 2;
    return {QRect(0, 0, half, size.height()), QRect(half, 0, size.width() - half, size.height())};
}

bool X11Session::applyMonitors(const QList<QRect>& monitors, int primary)
{
    // Without monitors of its own the server falls back to its one output.
    for (qsizetype i = m_monitorNames.size(); i-- > 0;)
        run(QStringLiteral("xrandr"), {QStringLiteral("--delmonitor"), m_monitorNames[i]});
    m_monitorNames.clear();
    m_monitors = monitors;
    bool done = true;
    for (qsizetype i = 0; i < monitors.size() && done; ++i) {
        // New names each time: Qt would not follow a known monitor that merely moved. The first
        // ones are A, B ...
        m_monitorNames.append(m_monitorSerial == 0
                                  ? QString(QChar(u'A' + char16_t(i)))
                                  : QStringLiteral("M%1").arg(m_monitorSerial * 10 + i));
        // A leading "*" makes it the primary monitor.
        done = run(QStringLiteral("xrandr"),
                   {QStringLiteral("--setmonitor"),
                    (i == primary ? QStringLiteral("*") : QString()) + m_monitorNames.last(),
                    xrandrGeometry(monitors[i]),
                    i == 0 ? QStringLiteral("screen") : QStringLiteral("none")});
    }
    ++m_monitorSerial;
    return done || fail(QStringLiteral("xrandr could not set the monitors"));
}

bool X11Session::setMonitors(const QList<QRect>& monitors, int primary)
{
    if (!applyMonitors(monitors, primary))
        return false;
    // pcmanfm (GTK 2) never notices monitors set with xrandr; a new one lays out afresh.
    if (m_desktop) {
        m_children.stop(m_desktop);
        if (!waitFor([&] { return m_probe->desktopWindows().isEmpty(); }) || !startDesktop())
            return false;
    }
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return true;
    const auto byPlace = [](const QRect& a, const QRect& b) {
        return a.x() != b.x() ? a.x() < b.x() : a.y() < b.y();
    };
    QList<QRect> expected = monitorRects();
    std::sort(expected.begin(), expected.end(), byPlace);
    const QRect wantPrimary = monitorRects().value(primary);
    const bool seen = waitFor([&] {
        // Qt keeps a screen's corner in window-system pixels and scales only its size.
        const auto native = [](const QScreen* screen) {
            return QRect(screen->geometry().topLeft(),
                         (QSizeF(screen->geometry().size()) * screen->devicePixelRatio()).toSize());
        };
        QList<QRect> actual;
        for (const QScreen* screen : QGuiApplication::screens())
            actual.append(native(screen));
        std::sort(actual.begin(), actual.end(), byPlace);
        return actual == expected && native(QGuiApplication::primaryScreen()) == wantPrimary;
    });
    return seen || fail(QStringLiteral("the application's screens did not follow the monitors"));
}

bool X11Session::unplugMonitor(qsizetype i)
{
    m_monitors.removeAt(i);
    return run(QStringLiteral("xrandr"),
               {QStringLiteral("--delmonitor"), m_monitorNames.takeAt(i)});
}

bool X11Session::startCompositor()
{
    if (m_compositor && m_children.isRunning(m_compositor))
        return true;
    m_compositor = m_children.start(
        QStringLiteral("picom"),
        {QStringLiteral("--config"), m_home->path() + QStringLiteral("/picom.conf")},
        m_home->logFile(QStringLiteral("picom")));
    if (!m_compositor)
        return fail(QStringLiteral("cannot start picom"));
    return waitFor([&] { return compositorActive(); }, startTimeoutMs) ||
           fail(QStringLiteral("picom took no compositing selection"), QStringLiteral("picom"));
}

bool X11Session::stopCompositor()
{
    m_children.stop(m_compositor);
    m_compositor = 0;
    return waitFor([&] { return !compositorActive(); }) ||
           fail(QStringLiteral("the compositing selection stayed owned"));
}

bool X11Session::compositorActive()
{
    return m_probe && m_probe->selectionOwner("_NET_WM_CM_S0") != 0;
}

bool X11Session::switchDesktop(int desktop)
{
    return run(QStringLiteral("xdotool"),
               {QStringLiteral("set_desktop"), QString::number(desktop)}) &&
           waitFor([&] {
               return m_probe->cardinal(m_probe->root(), "_NET_CURRENT_DESKTOP") == desktop;
           });
}

bool X11Session::showsWindowOf(qint64 pid)
{
    const quint32 window = m_probe->clientOfPid(pid);
    return window && m_probe->isViewable(window);
}

qint64 X11Session::startWindow(const QRect& geometry, const QColor& color, double opacity,
                               const QString& title, const TestWindowOptions& options)
{
    const QRect& g = geometry;
    QStringList args{
        QStringLiteral("%1x%2+%3+%4").arg(g.width()).arg(g.height()).arg(g.x()).arg(g.y()),
        color.name(),
        QString::number(opacity),
        title.isEmpty() ? QStringLiteral("test window") : title,
        QStringLiteral("--windows=%1").arg(options.windows),
        QStringLiteral("--instance=") + options.instance,
        QStringLiteral("--class=") + options.windowClass,
        QStringLiteral("--type=") + options.type,
        QStringLiteral("--drag=%1,%2,%3")
            .arg(options.drag.x())
            .arg(options.drag.y())
            .arg(options.dragFrames)};
    if (options.icon)
        args.append(QStringLiteral("--icon"));
    return startClient(QStringLiteral(TAVLIN_TEST_WINDOW), args);
}

quint32 X11Session::windowOf(qint64 pid)
{
    return m_probe->clientOfPid(pid);
}

void X11Session::stopClient(qint64 pid)
{
    m_children.stop(pid);
    waitFor([&] { return m_probe->clientOfPid(pid) == 0; });
}

quint32 X11Session::desktopIconWindow()
{
    for (const quint32 window : m_probe->desktopWindows()) {
        if (m_probe->geometry(window).contains(monitorRects().first().center()))
            return window;
    }
    return 0;
}

bool X11Session::raiseDesktopIconWindow()
{
    const quint32 window = desktopIconWindow();
    return window &&
           run(QStringLiteral("xdotool"), {QStringLiteral("windowraise"), QString::number(window)});
}

bool X11Session::setRootBackground(const QList<QImage>& perMonitor)
{
    QStringList args{QStringLiteral("--no-fehbg"), QStringLiteral("--bg-fill")};
    for (qsizetype i = 0; i < perMonitor.size(); ++i) {
        const QString path = m_home->path() + QStringLiteral("/background%1.png").arg(i);
        if (!perMonitor[i].save(path))
            return fail(QStringLiteral("cannot save ") + path);
        args.append(path);
    }
    return run(QStringLiteral("feh"), args) &&
           m_probe->values(m_probe->root(), "_XROOTPMAP_ID").size() == 1;
}

QImage X11Session::grabScreen()
{
    return m_probe ? m_probe->grabRoot() : QImage();
}

} // namespace tavlin
