#include "tests/x11/X11Session.h"

#include "tests/session/PixelChecks.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>

namespace tavlin {

namespace {

constexpr int startTimeoutMs = 15000;

// No key bindings at all: the defaults would take Super and the like from the tests. Clicks
// focus and raise as usual (a plain press on the frame context would swallow clicks meant for
// what panels embed, as in openbox's own defaults the frame wants Alt); no pop-up when switching
// desktops, so screenshots stay clean.
constexpr char openboxRc[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <focus><focusNew>yes</focusNew><followMouse>no</followMouse></focus>
  <placement><policy>Smart</policy><center>yes</center></placement>
  <theme><name>Clearlooks</name><animateIconify>no</animateIconify></theme>
  <desktops><number>4</number><firstdesk>1</firstdesk><popupTime>0</popupTime></desktops>
  <margins><top>0</top><bottom>0</bottom><left>0</left><right>0</right></margins>
  <keyboard></keyboard>
  <mouse>
    <context name="Client">
      <mousebind button="Left" action="Press"><action name="Focus"/><action name="Raise"/></mousebind>
    </context>
    <context name="Frame">
      <mousebind button="A-Left" action="Press"><action name="Focus"/><action name="Raise"/></mousebind>
    </context>
  </mouse>
</openbox_config>
)";

// Nothing animated and nothing drawn around windows: what it paints is exactly the windows.
constexpr char picomRc[] = R"(backend = "xrender";
fading = false;
no-fading-openclose = true;
shadow = false;
vsync = false;
unredir-if-possible = false;
detect-client-opacity = true;
inactive-opacity = 1.0;
active-opacity = 1.0;
frame-opacity = 1.0;
inactive-dim = 0.0;
)";

constexpr char pcmanfmRc[] = R"([config]
bm_open_method=0

[volume]
mount_on_startup=0
mount_removable=0
autorun=0
)";

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
    // The server takes the first free display number and writes it to its output, our log.
    const QString log = m_home->logFile(QStringLiteral("Xvfb"));
    const qint64 pid =
        m_children.start(QStringLiteral("Xvfb"),
                         QStringLiteral("-displayfd 1 -screen 0 %1 -nolisten tcp -noreset -br")
                             .arg(size)
                             .split(u' '),
                         log);
    if (!pid)
        return fail(QStringLiteral("cannot start Xvfb"));
    const QRegularExpression number(QStringLiteral("^(\\d+)$"),
                                    QRegularExpression::MultilineOption);
    waitFor(
        [&] {
            QFile file(log);
            const QRegularExpressionMatch found = number.match(QString::fromLatin1(
                file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray()));
            if (found.hasMatch())
                m_display = ':' + found.captured(1).toLatin1();
            return !m_display.isEmpty() || !m_children.isRunning(pid);
        },
        startTimeoutMs);
    if (!m_display.isEmpty())
        m_probe = std::make_unique<XcbProbe>(m_display);
    if (!m_probe || !m_probe->isConnected())
        return fail(QStringLiteral("Xvfb did not start"), QStringLiteral("Xvfb"));
    m_home->setEnvironment("DISPLAY", m_display);
    return true;
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

// Each program's configuration, in the home: openbox, picom, and pcmanfm, which paints a plain
// colour with light labels on each of the two monitors (it keeps one file each).
bool X11Session::writeConfiguration()
{
    const QString pcmanfm = QStringLiteral("home/.config/pcmanfm/default/");
    const QByteArray items = QByteArrayLiteral("[*]\nwallpaper_mode=color\ndesktop_bg=") +
                             QColor(desktopColor).name().toLatin1() +
                             QByteArrayLiteral("\ndesktop_fg=#ffffff\ndesktop_shadow=#000000\n"
                                               "show_wm_menu=0\nshow_documents=0\nshow_trash=0\n"
                                               "show_mounts=0\n");
    return m_home->writeFile(QStringLiteral("openbox.xml"), openboxRc) &&
           m_home->writeFile(QStringLiteral("picom.conf"), picomRc) &&
           m_home->writeFile(pcmanfm + QStringLiteral("pcmanfm.conf"), pcmanfmRc) &&
           m_home->writeFile(pcmanfm + QStringLiteral("desktop-items-0.conf"), items) &&
           m_home->writeFile(pcmanfm + QStringLiteral("desktop-items-1.conf"), items);
}

bool X11Session::start()
{
    if (!prepare(QStringLiteral("tavlin-x11")))
        return false;
    if (!writeConfiguration())
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
        QStringLiteral("--type=") + options.type,
        QStringLiteral("--drag=%1,%2,%3")
            .arg(options.drag.x())
            .arg(options.drag.y())
            .arg(options.dragFrames)};
    if (!options.windowClass.isEmpty())
        args.append(QStringLiteral("--class=") + options.windowClass);
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

bool X11Session::xdotool(const QString& commandLine)
{
    return run(QStringLiteral("xdotool"), commandLine.split(u' ', Qt::SkipEmptyParts));
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

QList<quint32> X11Session::windowsOfProcess(qint64 pid)
{
    QByteArray out;
    run(QStringLiteral("xdotool"),
        {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
         QString::number(pid)},
        5000, &out);
    QList<quint32> windows;
    for (const QByteArray& line : out.split('\n')) {
        if (const quint32 window = line.trimmed().toUInt())
            windows.append(window);
    }
    return windows;
}

QImage X11Session::grabScreen()
{
    return m_probe ? m_probe->grabRoot() : QImage();
}

} // namespace tavlin
